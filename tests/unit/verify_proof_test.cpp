// The proof of a conversion: the marked text the compiler reads, the
// reading of its output (on outputs written here, so that each check has
// its case), and the whole proof with gcc over small files, a corrupted
// pairing among them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "tree/migrate.h"
#include "verify/child_process.h"
#include "verify/file_macros.h"
#include "verify/preprocessed.h"
#include "verify/proof_check.h"
#include "verify/proof_text.h"
#include "verify/prover.h"

namespace q5 {
namespace {

// f(w, a, 1, 0): one call, one pair, a cast before its terminator.
const std::string kText = "f(w, a, 1, 0);\n";
const std::vector<Insertion> kInsertions = {{5, "Q5LT(", 0}, {9, ")", 0}, {11, "(char *)", 0}};
const std::vector<std::size_t> kNames = {0};

ProofText one_call_proof() {
  return proof_text(kText, kInsertions, kNames, {true}, "__q5v", "x.c");
}

TEST(ProofText, PairsMarkedCastsMarkedNamesMarked) {
  ProofText proof = one_call_proof();
  EXPECT_EQ(proof.text, "#line 1 \"x.c\"\n __q5vn0 f(w,  __q5vp0(a, 1),  __q5vc0 (char *)0);\n");
  EXPECT_EQ(proof.header, "#define __q5vp0(a, b) __q5vo0 a __q5vm0 , b __q5ve0\n");
  EXPECT_EQ(proof.pair_call, std::vector<std::size_t>{0});
  EXPECT_EQ(proof.pair_shown, std::vector<std::string>{"Q5LT(a, 1)"});
  EXPECT_EQ(proof.pairs_of_call, std::vector<std::size_t>{1});

  // A call rolled back is the original again; the rename is left out, and
  // a call that is the tag of another gets its name marker inside the pair.
  const std::string nested = "g(o, h(p, T, 1, E), 2, E);";
  const std::vector<Insertion> both = {
      {1, "S", 0}, {5, "Q5T(", 0}, {10, "Q5T(", 1}, {14, ")", 1}, {21, ")", 0}};
  const std::vector<std::size_t> names = {0, 5};
  ProofText two = proof_text(nested, both, names, {true, true}, "__q5v", "y.c");
  EXPECT_EQ(two.text,
            "#line 1 \"y.c\"\n __q5vn0 g(o,  __q5vp0( __q5vn1 h(p,  __q5vp1(T, 1), E), 2), E);");
  EXPECT_EQ(two.pair_shown, (std::vector<std::string>{"Q5T(h(p, T, 1, E), 2)", "Q5T(T, 1)"}));
  EXPECT_EQ(proof_text(nested, both, names, {false, true}, "__q5v", "a\"b.c").text,
            "#line 1 \"a\\\"b.c\"\ng(o,  __q5vn1 h(p,  __q5vp0(T, 1), E), 2, E);");

  // Parentheses put around a half are marked, before the pair closes.
  const std::string braced = "f(w, a, (T){1, 2}, 0);";
  const std::vector<Insertion> wrapped = {{5, "Q5LT(", 0}, {8, "(", 0}, {17, ")", 0}, {17, ")", 0}};
  ProofText wrap = proof_text(braced, wrapped, kNames, {true}, "__q5v", "z.c");
  EXPECT_EQ(wrap.text,
            "#line 1 \"z.c\"\n __q5vn0 f(w,  __q5vp0(a,  __q5vw0 ((T){1, 2}) __q5vx0 ), 0);");
  EXPECT_EQ(wrap.pair_shown, std::vector<std::string>{"Q5LT(a, (T){1, 2})"});
  EXPECT_EQ(wrap.wrap_call, std::vector<std::size_t>{0});

  const std::string_view texts[] = {"int __q5v;", "__q5v_ x"};
  EXPECT_EQ(marker_prefix(texts), "__q5v__");
  MarkerKind kind;
  std::size_t number = 0;
  EXPECT_TRUE(read_marker("__q5vm12", "__q5v", kind, number));
  EXPECT_EQ(kind, MarkerKind::Middle);
  EXPECT_EQ(number, 12u);
  EXPECT_FALSE(read_marker("__q5vz1", "__q5v", kind, number));
  EXPECT_FALSE(read_marker("__q5vm1a", "__q5v", kind, number));
}

TEST(PreprocessedOutput, TokensFollowLineMarkersDefinitionsNamedWhereTheyCameFrom) {
  const std::string output =
      "# 0 \"x.c\"\n# 1 \"/usr/include/h.h\" 1 3 4\nint h;\n#define H 1\n"
      "# 2 \"x.c\" 2\n#define M(a) a, 2\n#pragma once\nf(M(1));\n#undef H\n";
  std::vector<OutputToken> tokens = output_tokens(output, "x.c");
  ASSERT_EQ(tokens.size(), 11u);
  EXPECT_EQ(tokens[0].spelling, "int");
  EXPECT_FALSE(tokens[0].main_file);
  EXPECT_EQ(tokens[3].spelling, "f");
  EXPECT_TRUE(tokens[3].main_file);
  EXPECT_EQ(tokens[3].line, 4u);
  MacroSet set;
  output_macros(output, "/work/build", "/work", set);
  ASSERT_EQ(set.definitions.size(), 2u);
  EXPECT_EQ(set.definitions[0].where, "/usr/include/h.h:2");
  EXPECT_EQ(set.definitions[1].name, "M");
  EXPECT_EQ(set.definitions[1].where, "build/x.c:2");
  EXPECT_EQ(set.undefined, std::vector<std::string>{"H"});
}

// The checks of one output against the original's "f(w, a, 1, 0);".
struct Checked {
  bool failed;
  std::string reason;
  bool seen;
};

Checked checked(const std::string& proof_line, const std::string& original_line = kText,
                const ProofText& proof = one_call_proof()) {
  const std::string proof_output = "# 1 \"x.c\"\n" + proof_line;
  const std::string original_output = "# 1 \"x.c\"\n" + original_line;
  std::vector<CallCheck> calls(1);
  check_proof(output_tokens(proof_output, "x.c"), output_tokens(original_output, "x.c"), proof,
              "__q5v", {{1, 1}}, {true}, calls);
  return {calls[0].failed, calls[0].reason,
          calls[0].name_seen && calls[0].pairs_seen == 1 &&
              (calls[0].cast_seen || !proof.cast_of_call[0])};
}

TEST(ProofCheck, EachHalfOneArgumentAndTheSameTokens) {
  Checked good = checked("__q5vn0 f(w, __q5vo0 a __q5vm0 , 1 __q5ve0, __q5vc0 (char *)0);\n");
  EXPECT_FALSE(good.failed) << good.reason;
  EXPECT_TRUE(good.seen);

  struct Case {
    const char* proof;
    const char* original;
    const char* reason;
  } cases[] = {
      {"__q5vn0 f(w, __q5vo0 \"a\" , 3 __q5vm0 , 1 __q5ve0, __q5vc0 (char *)0);\n",
       "f(w, \"a\" , 3, 1, 0);\n",
       "the first argument of Q5LT(a, 1) expands to 2 arguments: '\"a\" , 3'"},
      {"__q5vn0 f(w, __q5vo0 __q5vm0 , 1 __q5ve0, __q5vc0 (char *)0);\n", "f(w, , 1, 0);\n",
       "the first argument of Q5LT(a, 1) expands to nothing"},
      {"__q5vn0 f(w, __q5vo0 a __q5vm0 , g ( 1 __q5ve0 ), __q5vc0 (char *)0);\n",
       "f(w, a, g(1), 0);\n",
       "the second argument of Q5LT(a, 1) expands to unbalanced brackets: 'g ( 1'"},
      {"__q5vn0 f(w, __q5vo0 a __q5vm0 , 2 __q5ve0, __q5vc0 (char *)0);\n", kText.c_str(),
       "after preprocessing its tokens differ from the original's: '2 , 0 )' where the "
       "original has '1 , 0 )'"},
      // Outside its pairs, on its line.
      {"__q5vn0 f(w, __q5vo0 a __q5vm0 , 1 __q5ve0, __q5vc0 (char *)0)+1;\n", kText.c_str(),
       "after preprocessing its tokens differ from the original's: '+ 1 ;' where the original "
       "has ';'"},
      // Made into a string: its markers are no markers, its text changed.
      {"s = \"__q5vn0 f(w, __q5vp0(a, 1), __q5vc0 (char *)0)\";\n", "s = \"f(w, a, 1, 0)\";\n",
       "after preprocessing its tokens differ from the original's: '\"f(w, Q5LT(a, 1), (char "
       "*)0)\" ;' where the original has '\"f(w, a, 1, 0)\" ;'"},
      {"__q5vn0 f(w, __q5vp0(a, 1, 2), __q5vc0 (char *)0);\n", "f(w, a, 1, 2, 0);\n",
       "the compiler did not expand Q5LT(a, 1)"},
  };
  for (const Case& c : cases) {
    Checked got = checked(c.proof, c.original);
    EXPECT_TRUE(got.failed) << c.proof;
    EXPECT_EQ(got.reason, c.reason) << c.proof;
  }

  // A half in parentheses put in: one argument, and the parentheses no
  // tokens of the original.
  const std::string braced = "f(w, a, (T){1, 2}, 0);";
  const std::vector<Insertion> wrapped = {{5, "Q5LT(", 0}, {8, "(", 0}, {17, ")", 0}, {17, ")", 0}};
  const ProofText wrap = proof_text(braced, wrapped, kNames, {true}, "__q5v", "x.c");
  Checked kept =
      checked("__q5vn0 f(w, __q5vo0 a __q5vm0 , __q5vw0 ((T){1, 2}) __q5vx0 __q5ve0, 0);\n",
              braced + "\n", wrap);
  EXPECT_FALSE(kept.failed) << kept.reason;
  EXPECT_TRUE(kept.seen);
  Checked lost =
      checked("__q5vn0 f(w, __q5vo0 a __q5vm0 , __q5vw0 (T){1, 2} __q5vx0 __q5ve0, 0);\n",
              braced + "\n", wrap);
  EXPECT_EQ(lost.reason, "after preprocessing its parentheses around a half do not pair up");

  // Not compiled (an #if skipped it): nothing seen, nothing wrong.
  Checked unseen = checked("int x;\n", "int x;\n");
  EXPECT_FALSE(unseen.failed);
  EXPECT_FALSE(unseen.seen);
}

// --- The whole proof, with gcc ----------------------------------------------

bool have_gcc() {
  ChildRun run = run_child({"gcc", "--version"}, "", {}, environment_for_messages(), 30);
  return run.started && run.status == 0;
}

const char kProgram[] =
    "#include <stddef.h>\n"
    "typedef void *Widget;\n"
    "void XtVaSetValues(Widget w, ...);\n"
    "#define XmNa \"a\"\n"
    "#define XmNb \"b\"\n"
    "#define TWO XmNa, 1\n"
    "void f(Widget w)\n"
    "{\n"
    "    XtVaSetValues(w, XmNa, 1, XmNb, 2, NULL);\n"
    "    XtVaSetValues(w, XmNb, 3, XmNa, 4, NULL);\n"
    "    XtVaSetValues(w, TWO, 5, NULL);\n"
    "#if 0\n"
    "    XtVaSetValues(w, XmNa, 6, NULL);\n"
    "#endif\n"
    "    XtVaSetValues(w, XmNa, 7,\n"
    "#ifdef NOT_DEFINED\n"
    "                  XmNb, 8,\n"
    "#endif\n"
    "                  NULL);\n"
    "    XtVaSetValues(w, XmNa, (int[]){9, 10}, NULL);\n"
    "}\n";

struct Proven {
  FileProof proof;
  Migration migration;
};

// Converts kProgram with `macros`, lets `corrupt` change the plan, then
// proves it with gcc.
template <typename Corrupt>
Proven prove_program(const MacroTable& macros, Corrupt corrupt) {
  Proven out;
  out.migration = migrate_text(kProgram, macros);
  corrupt(out.migration.insertions);
  std::vector<CallSpan> spans;
  for (const ConvertedCall& call : out.migration.calls) spans.push_back({call.name, call.end});
  FileCompiler compiler;
  // In colour, as some builds ask: the reasons quoted must not be.
  EXPECT_EQ(
      file_compiler({"/tmp", "x.c", {"gcc", "-std=c99", "-fdiagnostics-color=always", "-c", "x.c"}},
                    compiler),
      "");
  VerifySettings settings;
  settings.environment = environment_for_messages();
  OriginalRun original = run_original(compiler, kProgram, settings);
  EXPECT_EQ(original.failure, "");
  out.proof = prove_calls(compiler, kProgram, original, out.migration.insertions, spans, settings);
  EXPECT_EQ(out.proof.failure, "");
  return out;
}

std::vector<Verdict> verdicts(const FileProof& proof) {
  std::vector<Verdict> out;
  for (const CallProof& call : proof.calls) out.push_back(call.verdict);
  return out;
}

TEST(Prover, TheCompilerProvesSkipsAndCatchesCorruptedPairings) {
  if (!have_gcc()) GTEST_SKIP() << "gcc not found";
  MacroSet set;
  collect_macros(kProgram, "x.c", set);
  const MacroTable macros = resolve_macros(set);
  // As planned: TWO is known to be a whole pair, so its call is left; the
  // rest proven (a value with a comma in braces in parentheses of its own),
  // the skipped branch and the partly skipped list not seen.
  Proven plain = prove_program(macros, [](std::vector<Insertion>&) {});
  ASSERT_EQ(plain.migration.calls.size(), 5u);
  EXPECT_EQ(verdicts(plain.proof),
            (std::vector<Verdict>{Verdict::Proven, Verdict::Proven, Verdict::Unseen,
                                  Verdict::PartlySeen, Verdict::Proven}));
  EXPECT_EQ(plain.proof.runs, 1u);

  // The second call's first pair closed one argument early: that call
  // alone is rolled back, with the compiler's reason, and the file proven
  // again without it.
  Proven shifted = prove_program(macros, [](std::vector<Insertion>& insertions) {
    for (Insertion& i : insertions)
      if (i.call == 1 && std::string_view(i.text) == ")") {
        i.offset = std::string_view(kProgram).rfind(',', i.offset - 1);
        break;
      }
  });
  EXPECT_EQ(verdicts(shifted.proof),
            (std::vector<Verdict>{Verdict::Proven, Verdict::Failed, Verdict::Unseen,
                                  Verdict::PartlySeen, Verdict::Proven}));
  EXPECT_EQ(shifted.proof.calls[1].reason,
            "the compiler rejects Q5LT(XmNb): macro \"Q5LT\" requires 2 arguments, but only 1 "
            "given");
  EXPECT_EQ(shifted.proof.runs, 2u);

  // A plan that does not know what TWO expands to pairs it as a resource:
  // its half is two arguments after preprocessing.
  Proven blind = prove_program(MacroTable{}, [](std::vector<Insertion>&) {});
  ASSERT_EQ(blind.migration.calls.size(), 6u);
  EXPECT_EQ(verdicts(blind.proof),
            (std::vector<Verdict>{Verdict::Proven, Verdict::Proven, Verdict::Failed,
                                  Verdict::Unseen, Verdict::PartlySeen, Verdict::Proven}));
  EXPECT_EQ(blind.proof.calls[2].reason,
            "the first argument of Q5LT(TWO, 5) expands to 2 arguments: '\"a\" , 1'");
}

TEST(Prover, TheFilesMacrosAreTheCompilersWhereItKnowsThem) {
  if (!have_gcc()) GTEST_SKIP() << "gcc not found";
  FileCompiler compiler;
  ASSERT_EQ(
      file_compiler({"/tmp", "/tmp/x.c", {"gcc", "-DPAIR=XmNa,1", "-c", "/tmp/x.c"}}, compiler),
      "");
  VerifySettings settings;
  settings.environment = environment_for_messages();
  OriginalRun original = run_original(
      compiler, "#define ONE XmNa\n#define XtVaTypedArg \"XtVaTypedArg\"\nint x;\n", settings);
  ASSERT_EQ(original.failure, "");
  MacroSet walked;
  collect_macros(
      "#define PAIR XmNb\n#define ONE XmNb, 2\n#define DEAD 1, 2\n#define XtVaTypedArg T\n"
      "#define CHAIN NEXT\n#define NEXT 9\n#define UNUSED 3\n",
      "walked.h", walked);
  const IndexedMacros compiler_set = index_macros(original.macros);
  const IndexedMacros walked_set = index_macros(walked);
  MacroSet file =
      file_macro_set("f(PAIR, ONE, DEAD, XtVaTypedArg, CHAIN);", compiler_set, walked_set);
  std::map<std::string, std::string> bodies;
  for (const MacroDefinition& def : file.definitions)
    bodies[def.name] = def.body + " @" + def.where;
  EXPECT_EQ(bodies, (std::map<std::string, std::string>{
                        {"PAIR", "XmNa,1 @<command-line>"},  // the compiler's -D
                        {"ONE", "XmNa @/tmp/x.c:1"},         // the file's own, as compiled
                        {"DEAD", "1, 2 @walked.h:3"},  // the walk's: the compiler never saw it
                        {"CHAIN", "NEXT @walked.h:5"},
                        {"NEXT", "9 @walked.h:6"},
                    }));

  OriginalRun broken = run_original(compiler, "#include \"q5-no-such-header.h\"\n", settings);
  EXPECT_EQ(broken.failure,
            "the compiler fails: /tmp/x.c:1:10: fatal error: q5-no-such-header.h: No such file "
            "or directory");
}

}  // namespace
}  // namespace q5
