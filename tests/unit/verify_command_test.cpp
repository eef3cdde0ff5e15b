// --verify's plumbing: a database entry's command split as a shell splits
// it and made into a preprocessing command, the database read, and the
// compiler run as a child process.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "verify/child_process.h"
#include "verify/compile_command.h"
#include "verify/compile_db.h"
#include "verify/prover.h"

namespace q5 {
namespace {

namespace fs = std::filesystem;
using Words = std::vector<std::string>;

TEST(ShellWords, SplitAsAPosixShellWithoutExpanding) {
  struct Case {
    const char* command;
    Words words;
  } cases[] = {
      {"gcc -DNAME=\\\"a\\ b\\\" -c 'x y.c'", {"gcc", "-DNAME=\"a b\"", "-c", "x y.c"}},
      {"a\\ b \"c\\\"d\" 'e\\f' \"g\\h\" \"$x\\$\"", {"a b", "c\"d", "e\\f", "g\\h", "$x$"}},
      {"  cc\t-I inc \\\n -c  a.c ", {"cc", "-I", "inc", "-c", "a.c"}},
      {"x'y'\"z\" '' \"\"", {"xyz", "", ""}},
      {"cc $(pkg-config --cflags x) *.c", {"cc", "$(pkg-config", "--cflags", "x)", "*.c"}},
      {"", {}},
  };
  for (const Case& c : cases) {
    Words words;
    std::string error;
    EXPECT_TRUE(split_shell_words(c.command, words, error)) << c.command;
    EXPECT_EQ(words, c.words) << c.command;
  }
  for (const char* open : {"cc 'a.c", "cc \"a.c", "cc \"a\\\""}) {
    Words words;
    std::string error;
    EXPECT_FALSE(split_shell_words(open, words, error)) << open;
    EXPECT_NE(error.find("is not closed"), std::string::npos) << open;
  }
}

TEST(PreprocessFlags, KeepWhatThePreprocessorSeesDropOutputsAndTheInput) {
  struct Case {
    Words argv;
    const char* directory;
    const char* file;
    Words kept;
    const char* input;
    bool language_given;
  } cases[] = {
      {{"/usr/bin/cc", "-DA=1", "-I", "inc", "-o", "x.o", "-c", "/s/a.c", "-MD", "-MF", "a.d",
        "-MT", "t", "-MQ", "q", "-MP", "-std=c99", "-O2"},
       "/b",
       "/s/a.c",
       {"/usr/bin/cc", "-DA=1", "-I", "inc", "-std=c99", "-O2"},
       "/s/a.c",
       false},
      // Joined values, the input named relative to the directory, files the
      // build writes besides the object.
      {{"gcc",
        "-oa.o",
        "-MFa.d",
        "-MTt",
        "-Wp,-MD,x.d",
        "-save-temps=obj",
        "-fsyntax-only",
        "-S",
        "-E",
        "-M",
        "-MM",
        "-MMD",
        "-MG",
        "-MJ",
        "j.json",
        "--output=y",
        "-isystem",
        "sys",
        "../s/./a.c",
        "-include",
        "pre.h",
        "-U",
        "B"},
       "/b",
       "/s/a.c",
       {"gcc", "-isystem", "sys", "-include", "pre.h", "-U", "B"},
       "../s/./a.c",
       false},
      // An option's value is never the input, whatever it names.
      {{"cc", "-include", "a.c", "-x", "c++", "a.c"},
       "/s",
       "a.c",
       {"cc", "-include", "a.c", "-x", "c++"},
       "a.c",
       true},
      {{"cc", "-xc", "-x", "none", "a.c"}, "/s", "a.c", {"cc", "-xc", "-x", "none"}, "a.c", false},
      // No input among the words: nothing to run.
      {{"cc", "-c", "b.c"}, "/s", "a.c", {"cc", "b.c"}, "", false},
  };
  for (const Case& c : cases) {
    PreprocessFlags flags = preprocess_flags(c.argv, c.directory, c.file);
    EXPECT_EQ(flags.argv, c.kept) << c.argv[1];
    EXPECT_EQ(flags.input, c.input) << c.argv[1];
    EXPECT_EQ(flags.language_given, c.language_given) << c.argv[1];
  }
  EXPECT_EQ(language_of("/s/a.c"), "c");
  EXPECT_EQ(language_of("x.d/a.cpp"), "c++");
  EXPECT_EQ(language_of("a.h"), "c-header");
  EXPECT_EQ(language_of("a.inc"), "c");
  EXPECT_EQ(lexically_absolute("/b/c", "../s/./a.c"), "/b/s/a.c");
  EXPECT_EQ(lexically_absolute("/b", "/x//y/../z"), "/x/z");
  EXPECT_EQ(lexically_absolute("/", ".."), "/");
}

TEST(FileCompiler, TheFilesDirectoryFirstForQuotedIncludesAndALanguage) {
  struct Case {
    CompileEntry entry;
    Words argv;
    const char* line_name;
    const char* language;
  } cases[] = {
      {{"/b", "/s/a.c", {"cc", "-DX", "-c", "/s/a.c", "-o", "a.o"}},
       {"cc", "-DX", "-iquote", "/s"},
       "/s/a.c",
       "c"},
      // Before the command's own -iquote; a wrapper keeps its compiler first.
      {{"/b", "../s/a.cpp", {"ccache", "g++", "-iquote", "q", "-c", "../s/a.cpp"}},
       {"ccache", "g++", "-iquote", "/b/../s", "-iquote", "q"},
       "../s/a.cpp",
       "c++"},
      {{"/b", "a.h", {"cc", "-x", "c", "-c", "a.h"}},
       {"cc", "-x", "c", "-iquote", "/b/."},
       "a.h",
       ""},
  };
  for (const Case& c : cases) {
    FileCompiler compiler;
    EXPECT_EQ(file_compiler(c.entry, compiler), "");
    EXPECT_EQ(compiler.argv, c.argv) << c.entry.file;
    EXPECT_EQ(compiler.line_name, c.line_name);
    EXPECT_EQ(compiler.language, c.language);
    EXPECT_EQ(compiler.directory, c.entry.directory);
  }
  FileCompiler none;
  EXPECT_EQ(file_compiler({"/b", "a.c", {"cc", "-c", "b.c"}}, none),
            "its entry in the compilation database does not name it among the compiler's words");
}

struct ScratchDir {
  fs::path path;
  ScratchDir() {
    char name[] = "/tmp/q5verify.XXXXXX";
    path = ::mkdtemp(name);
  }
  ~ScratchDir() { fs::remove_all(path); }
  void write(const std::string& name, const std::string& text) const {
    fs::create_directories((path / name).parent_path());
    std::ofstream(path / name, std::ios::binary) << text;
  }
};

TEST(CompileDatabase, BothFormsReadAndFoundByTheFilesRealPath) {
  ScratchDir dir;
  const std::string root = fs::canonical(dir.path).string();
  dir.write("src/a.c", "int a;\n");
  dir.write("src/b.c", "int b;\n");
  fs::create_directory_symlink(root + "/src", root + "/link");
  dir.write("build/compile_commands.json",
            "[{\"directory\": \"" + root +
                "/build\", \"command\": \"cc -c ../src/a.c -o a.o\", \"file\": \"../src/a.c\"},\n"
                " {\"directory\": \".\", \"arguments\": [\"gcc\", \"-DX=\\\"1 2\\\"\", \"b.c\"],"
                " \"file\": \"" +
                root +
                "/link/b.c\", \"output\": \"b.o\"},\n"
                " {\"directory\": \"" +
                root + "/src\", \"command\": \"cc -DY b.c\", \"file\": \"b.c\"}]\n");
  CompileDatabase db;
  ASSERT_EQ(load_compile_database(root + "/build", db), "");
  ASSERT_EQ(db.entries.size(), 3u);
  const std::vector<const CompileEntry*> a =
      compile_entries(db, canonical_path("/", root + "/link/a.c"));
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0]->argv, (Words{"cc", "-c", "../src/a.c", "-o", "a.o"}));
  // Built two ways: both entries, in order.
  const std::vector<const CompileEntry*> b = compile_entries(db, canonical_path(root, "src/b.c"));
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(b[0]->directory, root + "/build");  // "." is the database's directory
  EXPECT_EQ(b[0]->argv, (Words{"gcc", "-DX=\"1 2\"", "b.c"}));
  EXPECT_EQ(b[1]->argv, (Words{"cc", "-DY", "b.c"}));
  EXPECT_TRUE(compile_entries(db, canonical_path(root, "src/c.c")).empty());

  struct Bad {
    const char* json;
    const char* error;
  } bad[] = {
      {"{}", "not a compilation database (a JSON array of entries)"},
      {"[1, 2", "not a compilation database (a JSON array of entries)"},
      {"[{\"directory\": \"/\", \"command\": \"cc\"}]",
       "entry 1 of the compilation database has no \"file\" string"},
      {"[{\"directory\": \"/\", \"file\": \"a.c\", \"command\": \"cc 'a.c\"}]",
       "entry 1 of the compilation database has a \"command\" where a single quote is not closed"},
      {"[{\"directory\": \"/\", \"file\": \"a.c\", \"arguments\": []}]",
       "entry 1 of the compilation database has an empty \"arguments\""},
  };
  for (const Bad& b : bad) {
    dir.write("bad.json", b.json);
    CompileDatabase none;
    EXPECT_EQ(load_compile_database(root + "/bad.json", none),
              "q5upgrade: " + root + "/bad.json: error: " + b.error + "\n");
  }
  CompileDatabase none;
  EXPECT_EQ(load_compile_database(root + "/src", none),
            "q5upgrade: " + root +
                "/src/compile_commands.json: error: cannot read the compilation database: No such "
                "file or directory\n");
}

TEST(ChildProcess, OutputInputsDirectoryStatusAndTheTimeLimit) {
  const std::vector<std::string> env = environment_for_messages();
  const std::string_view inputs[] = {"first\n", "second\n"};
  ChildRun run = run_child({"sh", "-c", "cat /dev/fd/4 /dev/fd/3; pwd; echo oops >&2; exit 3"},
                           "/tmp", inputs, env, 30);
  EXPECT_TRUE(run.started);
  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.out, "second\nfirst\n/tmp\n");
  EXPECT_EQ(run.err, "oops\n");

  // Killed at the limit, with what it started (its own process group).
  run = run_child({"sh", "-c", "sleep 30 & sleep 30"}, "", {}, env, 0.2);
  EXPECT_TRUE(run.started);
  EXPECT_TRUE(run.timed_out);
  EXPECT_EQ(run.status, 128 + 9);

  run = run_child({"q5upgrade-no-such-compiler", "-E"}, "", {}, env, 30);
  EXPECT_FALSE(run.started);
  EXPECT_EQ(run.trouble, "cannot run 'q5upgrade-no-such-compiler': No such file or directory");
  // Messages in C, whatever the locale chose.
  bool messages = false;
  for (const std::string& item : env) messages |= item == "LC_MESSAGES=C";
  EXPECT_TRUE(messages);
}

}  // namespace
}  // namespace q5
