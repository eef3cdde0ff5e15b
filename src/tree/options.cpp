#include "tree/options.h"

#include <charconv>
#include <string_view>

namespace q5 {

namespace {

constexpr std::string_view kHelp =
    "Usage: q5upgrade [OPTION]... PATH...\n"
    "Convert the varargs toolkit calls of C sources into the V8 pair-macro form.\n"
    "PATH is a file or a directory (walked for *.c and *.h); - is standard input.\n"
    "\n"
    "  -d, --diff           print a unified diff of every change; write nothing (the default)\n"
    "  -c, --check          write nothing; name each file that would change\n"
    "  -z, --null           with --check: names as they are, each followed by a NUL byte\n"
    "  -i, --in-place       convert the files in place\n"
    "      --stdout         write the converted text of each PATH to standard output\n"
    "  -j, --jobs=N         files converted at a time (default: the processors available;\n"
    "                       at most 256)\n"
    "      --include=GLOB   names taken when walking a directory (default *.c and *.h; repeatable)\n"
    "      --exclude=GLOB   names skipped when walking, directories too (repeatable)\n"
    "  -I DIR               read the macros of the headers in DIR too (repeatable)\n"
    "      --unsafe-fixes   also convert the calls that are left as they stand by default,\n"
    "                       with the text rules alone\n"
    "      --report=FILE    write every diagnostic and error as a SARIF 2.1.0 log (- for stdout)\n"
    "      --werror         warnings count as trouble (exit 2)\n"
    "  -q, --quiet          no summary line\n"
    "  -h, --help           show this help and exit\n"
    "  -V, --version        show the version and exit\n"
    "\n"
    "Exit status: 0 nothing to change (with --in-place: every change made),\n"
    "1 some file would change (--diff, --check), 2 trouble.\n"
    "\n"
    "The classic forms convert one file:\n"
    "  q5upgrade infile outfile\n"
    "  q5upgrade -upgrade file\n";

constexpr std::string_view kVersion = "q5upgrade " Q5UPGRADE_VERSION "\n";

TreeExit usage_error(std::string_view what) {
  std::string err = "q5upgrade: ";
  err.append(what);
  err += "\nTry 'q5upgrade --help' for more information.\n";
  return {2, {}, std::move(err)};
}

// The options that take no value, by their short and long names.
struct Switch {
  char short_name;  // 0: long name only
  std::string_view long_name;
  void (*apply)(TreeOptions&);
};

constexpr Switch kSwitches[] = {
    {'d', "--diff", [](TreeOptions& o) { o.sink = TreeSink::Diff; }},
    {'c', "--check", [](TreeOptions& o) { o.sink = TreeSink::Check; }},
    {'i', "--in-place", [](TreeOptions& o) { o.sink = TreeSink::InPlace; }},
    {0, "--stdout", [](TreeOptions& o) { o.sink = TreeSink::Stdout; }},
    {'q', "--quiet", [](TreeOptions& o) { o.quiet = true; }},
    {0, "--werror", [](TreeOptions& o) { o.werror = true; }},
    {0, "--unsafe-fixes", [](TreeOptions& o) { o.unsafe_fixes = true; }},
    {0, "--verbose", [](TreeOptions& o) { o.verbose = true; }},
    {0, "--statistics", [](TreeOptions& o) { o.statistics = true; }},
    {'z', "--null", [](TreeOptions& o) { o.null_separated = true; }},
};

const Switch* find_switch(std::string_view long_name, char short_name) {
  for (const Switch& s : kSwitches)
    if ((!long_name.empty() && s.long_name == long_name) || (short_name != 0 && s.short_name == short_name))
      return &s;
  return nullptr;
}

bool is_help(std::string_view word) { return word == "--help" || word == "-h"; }
bool is_version(std::string_view word) { return word == "--version" || word == "-V"; }

}  // namespace

bool wants_tree_interface(int argc, const char* const* argv) {
  if (argc < 2) return false;
  std::string_view first = argv[1];
  if (argc == 2) return is_help(first) || is_version(first);
  return first.size() > 1 && first[0] == '-' && first != "-upgrade";
}

std::variant<TreeOptions, TreeExit> parse_tree_options(int argc, const char* const* argv) {
  TreeOptions options;
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view word = argv[i];
    if (options_end || word.size() < 2 || word[0] != '-') {
      options.paths.emplace_back(word);
      continue;
    }
    if (word == "--") {
      options_end = true;
      continue;
    }
    if (is_help(word)) return TreeExit{0, std::string(kHelp), {}};
    if (is_version(word)) return TreeExit{0, std::string(kVersion), {}};

    // Long options take "=VALUE" or the next word; short ones the rest of
    // the word or the next word. Short flags may be bundled (-dq).
    std::string_view name = word, value;
    bool has_value = false;
    if (word.starts_with("--")) {
      if (std::size_t eq = word.find('='); eq != std::string_view::npos) {
        name = word.substr(0, eq);
        value = word.substr(eq + 1);
        has_value = true;
      }
    }
    auto take_value = [&]() -> bool {
      if (has_value) return true;
      if (i + 1 >= argc) return false;
      value = argv[++i];
      return true;
    };
    auto set_jobs = [&](std::string_view text) -> bool {
      int jobs = 0;
      auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
      if (error != std::errc{} || end != text.data() + text.size() || jobs < 1) return false;
      options.jobs = jobs;
      return true;
    };

    if (const Switch* found = word.starts_with("--") ? find_switch(name, 0) : nullptr;
        found != nullptr && !has_value) {
      found->apply(options);
    } else if (name == "--jobs") {
      if (!take_value()) return usage_error("option '--jobs' requires an argument");
      if (!set_jobs(value)) return usage_error("invalid number of jobs: '" + std::string(value) + "'");
    } else if (name == "--output-format" || name == "--color") {
      if (!take_value())
        return usage_error("option '" + std::string(name) + "' requires an argument");
      static constexpr std::pair<std::string_view, OutputFormat> kFormats[] = {
          {"text", OutputFormat::Text}, {"json", OutputFormat::Json},
          {"github", OutputFormat::Github}, {"sarif", OutputFormat::Sarif}};
      static constexpr std::pair<std::string_view, ColorMode> kColors[] = {
          {"auto", ColorMode::Auto}, {"always", ColorMode::Always}, {"never", ColorMode::Never}};
      bool known = false;
      if (name == "--output-format") {
        for (auto [word, format] : kFormats)
          if (word == value) options.output_format = format, known = true;
      } else {
        for (auto [word, mode] : kColors)
          if (word == value) options.color = mode, known = true;
      }
      if (!known)
        return usage_error("invalid argument '" + std::string(value) + "' for '" + std::string(name) + "'");
    } else if (name == "--include" || name == "--exclude" || name == "--report") {
      if (!take_value())
        return usage_error("option '" + std::string(name) + "' requires an argument");
      if (name == "--include")
        options.includes.emplace_back(value);
      else if (name == "--exclude")
        options.excludes.emplace_back(value);
      else
        options.report = value;
    } else if (word.starts_with("--")) {
      return usage_error("unrecognized option '" + std::string(word) + "'");
    } else {
      for (std::size_t k = 1; k < word.size(); ++k) {
        char flag = word[k];
        if (const Switch* found = find_switch({}, flag)) {
          found->apply(options);
        } else if (flag == 'h') {
          return TreeExit{0, std::string(kHelp), {}};
        } else if (flag == 'V') {
          return TreeExit{0, std::string(kVersion), {}};
        } else if (flag == 'I') {
          std::string_view rest = word.substr(k + 1);
          if (rest.empty()) {
            if (i + 1 >= argc) return usage_error("option requires an argument -- 'I'");
            rest = argv[++i];
          }
          options.macro_dirs.emplace_back(rest);
          break;
        } else if (flag == 'j') {
          std::string_view rest = word.substr(k + 1);
          if (rest.empty()) {
            if (i + 1 >= argc) return usage_error("option requires an argument -- 'j'");
            rest = argv[++i];
          }
          if (!set_jobs(rest)) return usage_error("invalid number of jobs: '" + std::string(rest) + "'");
          break;
        } else {
          return usage_error(std::string("invalid option -- '") + flag + "'");
        }
      }
    }
  }
  if (options.paths.empty()) return usage_error("no PATH given");
  for (const std::string& path : options.paths)
    if (path == "-" && options.sink == TreeSink::InPlace)
      return usage_error("standard input (-) cannot be converted in place");
  return options;
}

}  // namespace q5
