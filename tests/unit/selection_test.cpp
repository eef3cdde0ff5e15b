// Choosing files and findings: gitignore-style patterns, rule names and
// prefixes, the rules' settings over a file's diagnostics, the
// configuration file's schema, and the tree interface's option parser.
#include <gtest/gtest.h>

#include "files.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "diagnose/format.h"
#include "diagnose/rule_settings.h"
#include "tree/config.h"
#include "tree/options.h"
#include "tree/patterns.h"

namespace q5 {
namespace {

TEST(Patterns, MatchAsGitignoreDoes) {
  struct Case {
    const char* pattern;
    const char* path;  // below the base
    bool is_dir;
    bool matches;
  } cases[] = {
      // A name alone: the last part, at any depth.
      {"*.c", "a.c", false, true},
      {"*.c", "src/deep/a.c", false, true},
      {"*.c", "a.h", false, false},
      {"SUMA", "src/SUMA", true, true},
      {"c*.c", "src/conv.c", false, true},
      // With a '/': the whole path from the base; '*' stays in one part.
      {"src/SUMA", "src/SUMA", true, true},
      {"src/SUMA", "lib/src/SUMA", true, false},
      {"/src/SUMA", "src/SUMA", true, true},
      {"*/SUMA/*", "src/SUMA/x.c", false, true},
      {"*/SUMA/*", "a/src/SUMA/x.c", false, false},
      {"src/*.c", "src/sub/a.c", false, false},
      // "**": any number of directories, none included; last, everything
      // below but not the directory itself.
      {"**/SUMA", "SUMA", true, true},
      {"**/SUMA", "a/b/SUMA", true, true},
      {"a/**/b.c", "a/b.c", false, true},
      {"a/**/b.c", "a/x/y/b.c", false, true},
      {"a/**/b.c", "x/a/b.c", false, false},
      {"build/**", "build/gen.c", false, true},
      {"build/**", "build", true, false},
      // A trailing '/': directories only.
      {"build/", "build", true, true},
      {"build/", "build", false, false},
      {"gen/out/", "gen/out", true, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(pattern_matches(make_pattern(c.pattern), c.path, c.is_dir), c.matches)
        << c.pattern << " on " << c.path;
  // Outside its base, only a name alone can match.
  EXPECT_TRUE(pattern_matches(make_pattern("*.c"), "a.c", false, false));
  EXPECT_FALSE(pattern_matches(make_pattern("src/*.c"), "src/a.c", false, false));
}

// One part as git's wildmatch reads it: '*', '?', classes with ranges,
// negation and POSIX names, and backslash escapes; bytes, not characters.
TEST(Patterns, OnePartAsWildmatchReadsIt) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  } cases[] = {
      {"a*b*c", "aXbYc", true},   {"a*b*c", "aXbY", false},  {"*", "", true},
      {"a?c", "abc", true},       {"a?c", "ac", false},      {"*.[ch]", "x.h", true},
      {"*.[ch]", "x.o", false},   {"[a-c]x", "bx", true},    {"[a-c]x", "dx", false},
      {"[!a-c]x", "dx", true},    {"[^a-c]x", "ax", false},  {"[]a]", "]", true},
      {"[a-]", "-", true},        {"[[:digit:]]*", "7up", true},
      {"[[:upper:][:digit:]]", "q", false},                  {"\\*", "*", true},
      {"\\*", "x", false},        {"\\[a]", "[a]", true},     {"a\\?", "a?", true},
      {"\xff*", "\xff\xfe", true}, {"[\x80-\xff]", "\xe9", true},
      {"*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
       false},
      {"*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
       true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(pattern_matches(make_pattern(c.pattern), c.name, false), c.matches)
        << c.pattern << " on " << c.name;
}

// Many "**" against a deep path: solved once per pair of parts, so such a
// pattern answers at once, matching or not.
TEST(Patterns, ManyDoubleStarsAgainstDeepPaths) {
  std::string pattern, deep;
  for (int i = 0; i < 20; ++i) pattern += "**/";
  for (int i = 0; i < 200; ++i) deep += "d/";
  EXPECT_TRUE(pattern_matches(make_pattern(pattern + "x.c"), deep + "x.c", false));
  EXPECT_FALSE(pattern_matches(make_pattern(pattern + "y.c"), deep + "x.c", false));
  EXPECT_TRUE(pattern_matches(make_pattern(pattern + "d/**/d/x.c"), deep + "x.c", false));
  EXPECT_FALSE(pattern_matches(make_pattern(pattern + "e/**/x.c"), deep + "x.c", false));
  // "**" only as a whole part; elsewhere it is '*'.
  EXPECT_FALSE(pattern_matches(make_pattern("a**/b"), "a/x/b", false));
  EXPECT_TRUE(pattern_matches(make_pattern("a**/b"), "abc/b", false));
}

TEST(Patterns, NegationAndWhatIsNoPattern) {
  const Pattern negated = make_pattern("!src/*.c");
  EXPECT_TRUE(negated.negated && negated.anchored);
  EXPECT_TRUE(pattern_matches(negated, "src/a.c", false));  // negation is the list's
  EXPECT_FALSE(make_pattern("\\!a").negated);
  EXPECT_TRUE(pattern_matches(make_pattern("\\!a"), "!a", false));
  struct Case {
    const char* pattern;
    const char* error;
  } cases[] = {
      {"[", "unclosed '['"},        {"a[b", "unclosed '['"},   {"[!]", "unclosed '['"},
      {"x\\", "ends with '\\'"},    {"[[:nope:]]", "unknown class '[:nope:]'"},
      {"", "matches nothing"},      {"!", "matches nothing"}, {"/", "matches nothing"},
      {"*.c", ""},                  {"[]]", ""},              {"!a/", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(pattern_error(c.pattern), c.error) << c.pattern;
}

TEST(RuleSettings, NamesAndPrefixes) {
  EXPECT_EQ(rules_named("q5-macro-pairs"), std::vector<Rule>{Rule::MacroPairs});
  EXPECT_EQ(rules_named("q5-macro"), std::vector<Rule>{Rule::MacroPairs});
  EXPECT_EQ(rules_named("q5-terminator").size(), 2u);
  EXPECT_EQ(rules_named("q5").size(), kRuleCount);
  EXPECT_TRUE(rules_named("q5-nothing").empty());
  EXPECT_TRUE(rules_named("").empty());
}

Diagnostic finding(Rule rule, std::size_t offset, std::vector<Rule> merged = {}) {
  return {rule, rule_info(rule).severity, offset, "m", std::move(merged)};
}

TEST(RuleSettings, SettleDropsAndRelabels) {
  RuleSettings settings = default_rule_settings();
  auto set = [&](Rule rule, const char* word) {
    ASSERT_TRUE(parse_severity_setting(word, settings.rules[static_cast<std::size_t>(rule)]));
  };
  set(Rule::MacroPairs, "off");
  set(Rule::LostTokens, "error");
  set(Rule::DroppedArguments, "note");
  set(Rule::CommentRemoved, "warning");
  RuleSetting unused;
  EXPECT_FALSE(parse_severity_setting("fatal", unused));

  std::vector<Diagnostic> found = {
      finding(Rule::MacroPairs, 1),
      finding(Rule::LostTokens, 2),
      finding(Rule::DroppedArguments, 3),
      finding(Rule::CommentRemoved, 4),
      // Merged: the first rule still on speaks, at the highest severity.
      finding(Rule::MacroPairs, 5, {Rule::DroppedArguments, Rule::CommentRemoved}),
      finding(Rule::MacroPairs, 6, {Rule::MacroPairs}),
      finding(Rule::ShiftedPairing, 7),
  };
  settle_diagnostics(found, settings);
  ASSERT_EQ(found.size(), 5u);
  struct Want {
    Rule rule;
    Severity severity;
    std::size_t offset;
  } want[] = {
      {Rule::LostTokens, Severity::Error, 2},       {Rule::DroppedArguments, Severity::Note, 3},
      {Rule::CommentRemoved, Severity::Warning, 4}, {Rule::DroppedArguments, Severity::Warning, 5},
      {Rule::ShiftedPairing, Severity::Warning, 7},
  };
  for (std::size_t k = 0; k < found.size(); ++k) {
    EXPECT_EQ(found[k].rule, want[k].rule) << k;
    EXPECT_EQ(found[k].severity, want[k].severity) << k;
    EXPECT_EQ(found[k].offset, want[k].offset) << k;
  }
  EXPECT_EQ(found[3].merged, std::vector<Rule>{Rule::CommentRemoved});

  // The summary counts a rule under the severity it was shown with.
  DiagnosticCounts counts;
  add_counts(counts, found);
  EXPECT_EQ(format_counts(counts),
            "1 error (1 q5-lost-tokens), 3 warnings (1 q5-dropped-arguments, 1 q5-shifted-pairing, "
            "1 q5-comment-removed), 1 note (1 q5-dropped-arguments)");
}

TEST(RuleSettings, SelectAndIgnoreOverTheFile) {
  TreeOptions options;
  RuleSettings from_file = default_rule_settings();
  from_file.rules[static_cast<std::size_t>(Rule::MacroPairs)] = {false, Severity::Warning};
  from_file.rules[static_cast<std::size_t>(Rule::LostTokens)] = {true, Severity::Error};
  options.selecting = true;
  options.selected = {Rule::MacroPairs, Rule::LostTokens, Rule::DroppedArguments};
  options.ignored = {Rule::DroppedArguments};
  settle_rule_settings(options, from_file);
  for (const RuleInfo& info : rule_table()) {
    const RuleSetting& got = options.rules.rules[static_cast<std::size_t>(info.rule)];
    bool on = info.rule == Rule::MacroPairs || info.rule == Rule::LostTokens;
    EXPECT_EQ(got.on, on) << info.id;
  }
  EXPECT_EQ(options.rules.rules[static_cast<std::size_t>(Rule::MacroPairs)].severity,
            Severity::Warning);
  EXPECT_EQ(options.rules.rules[static_cast<std::size_t>(Rule::LostTokens)].severity,
            Severity::Error);
}

// The schema editors validate .q5upgrade.toml with names exactly the keys
// the reader takes, the rules and their severities; and a file holding a
// value of each key's schema type is read without error.
TEST(ConfigSchema, NamesWhatTheReaderTakes) {
  const std::filesystem::path root(Q5_SOURCE_DIR);
  const auto schema = nlohmann::json::parse(read_file(root / "schema/q5upgrade.schema.json"));
  std::set<std::string> in_schema, in_reader;
  for (const auto& [key, value] : schema["properties"].items()) in_schema.insert(key);
  for (std::string_view key : config_keys()) in_reader.insert(std::string(key));
  EXPECT_EQ(in_schema, in_reader);
  EXPECT_EQ(schema["additionalProperties"], false);

  const auto& rules = schema["properties"]["rules"]["properties"];
  EXPECT_EQ(rules.size(), rule_table().size());
  for (const RuleInfo& rule : rule_table()) {
    ASSERT_TRUE(rules.contains(std::string(rule.id))) << rule.id;
    EXPECT_EQ(rules[std::string(rule.id)]["description"], rule.short_description) << rule.id;
  }
  for (const auto& word : schema["definitions"]["severity"]["enum"]) {
    RuleSetting setting;
    EXPECT_TRUE(parse_severity_setting(word.get<std::string>(), setting)) << word;
  }

  std::string toml, tables;
  for (const auto& [key, value] : schema["properties"].items()) {
    const std::string type = value.value("type", "");
    if (type == "boolean")
      toml += key + " = true\n";
    else if (type == "integer")
      toml += key + " = " + std::to_string(value["maximum"].get<int>()) + "\n";
    else if (type == "array")
      toml += key + " = [\"x\", \"!y/\"]\n";
    else if (type == "string")
      toml += key + " = \"build\"\n";
    else if (value.contains("properties"))
      tables += "[" + key + "]\n" + value["properties"].begin().key() + " = \"off\"\n";
    else
      tables += "[" + key + "]\n\"src/**\" = [\"q5-macro\", \"q5-lost-tokens\"]\n";
  }
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / "q5upgrade-schema-test.toml";
  std::ofstream(file) << toml << tables;
  TreeOptions options;
  EXPECT_EQ(apply_config(options, file.string()), "") << toml << tables;
  EXPECT_TRUE(options.force_exclude && options.unsafe_fixes);
  EXPECT_EQ(options.jobs, 256);
  EXPECT_EQ(options.compile_commands, (file.parent_path() / "build").string());
  ASSERT_EQ(options.per_file_ignores.size(), 1u);
  EXPECT_EQ(options.per_file_ignores[0].rules, (std::vector<Rule>{Rule::MacroPairs, Rule::LostTokens}));
  std::ofstream(file) << "bogus = 1\n";
  EXPECT_NE(apply_config(options, file.string()).find("unknown key 'bogus'"), std::string::npos);
  std::filesystem::remove(file);
}

std::variant<TreeOptions, TreeExit> parse(std::vector<const char*> words) {
  words.insert(words.begin(), "q5upgrade");
  return parse_tree_options(static_cast<int>(words.size()), words.data());
}

// Usage errors: the message's first line, after "q5upgrade: ".
TEST(TreeOptionParser, UsageErrors) {
  struct Case {
    std::vector<const char*> words;
    const char* message;
  } cases[] = {
      {{"-ci", "src"}, "options '-c' and '-i' cannot be used together"},
      {{"--diff", "src", "--check"}, "options '--diff' and '--check' cannot be used together"},
      {{"--stdout", "-i", "src"}, "options '--stdout' and '-i' cannot be used together"},
      {{"--bogus", "src"}, "unrecognized option '--bogus'"},
      {{"--bogus=1", "src"}, "unrecognized option '--bogus=1'"},
      {{"--c", "src"}, "option '--c' is ambiguous; possibilities: '--check' '--compile-commands' '--color' '--config'"},
      {{"--diff=x", "src"}, "option '--diff' doesn't allow an argument"},
      {{"src", "--jobs"}, "option '--jobs' requires an argument"},
      {{"src", "-j"}, "option requires an argument -- 'j'"},
      {{"-dx", "src"}, "invalid option -- 'x'"},
      {{"--diff", "-xd", "src"}, "invalid option -- 'x'"},
      {{"-j0", "src"}, "invalid number of jobs: '0'"},
      {{"--jobs=abc", "src"}, "invalid number of jobs: 'abc'"},
      {{"--color=pink", "src"}, "invalid argument 'pink' for '--color'"},
      {{"--select=q5-nothing", "src"}, "unknown rule 'q5-nothing' for '--select'"},
      {{"--ignore=q5-macro,", "src"}, "unknown rule '' for '--ignore'"},
      {{"--config=a.toml", "--isolated", "src"},
       "options '--config' and '--isolated' cannot be used together"},
      {{"-0", "src"}, "option '-0' needs '--files-from'"},
      {{"-p", "build", "src"}, "option '-p' needs '--verify'"},
      {{"--compile-commands=a.json", "src"}, "option '--compile-commands' needs '--verify'"},
      {{"--verify", "--unsafe-fixes", "src"},
       "options '--verify' and '--unsafe-fixes' cannot be used together"},
      {{"-q"}, "no PATH given"},
      {{"-j257", "src"}, "invalid number of jobs: '257' (at most 256)"},
      {{"--include=a[", "src"}, "invalid pattern 'a[' for '--include': unclosed '['"},
      {{"--exclude", "", "src"}, "invalid pattern '' for '--exclude': matches nothing"},
      {{"--verbose", "src"}, "option '--verbose' needs '--check'"},
      {{"-iz", "src"}, "option '-z' needs '--check'"},
      {{"--null", "--diff", "src"}, "option '--null' needs '--check'"},
      {{"--stdout", "--output-format=github", "src"},
       "options '--stdout' and '--output-format=github' cannot be used together: the findings "
       "alone go to standard output"},
      {{"--explain=q5-nothing"}, "unknown rule 'q5-nothing' for '--explain'"},
      {{"--explain", "q5-terminator"},
       "'q5-terminator' names several rules for '--explain': q5-terminator-guess, "
       "q5-terminator-as-value"},
      {{"-i", "-"}, "standard input (-) cannot be converted in place"},
      {{"--files-from=-", "-"}, "standard input (-) cannot be both a PATH and the list of files"},
  };
  for (const Case& c : cases) {
    auto parsed = parse(c.words);
    const TreeExit* exit = std::get_if<TreeExit>(&parsed);
    ASSERT_NE(exit, nullptr) << c.message;
    EXPECT_EQ(exit->exit_code, 2);
    EXPECT_EQ(exit->err, std::string("q5upgrade: ") + c.message +
                             "\nTry 'q5upgrade --help' for more information.\n");
  }
}

TEST(TreeOptionParser, SpellingsOrderAndValues) {
  auto parsed = parse({"src", "-qdj", "3", "-Iinc", "--exclude", "b/", "--include=*.c",
                       "--extend-include=*.inc", "--sel=q5-macro,q5-lost-tokens", "--ignore",
                       "q5-lost", "--no-ignore", "--unsafe-fixes", "--", "-odd.c"});
  ASSERT_TRUE(std::holds_alternative<TreeOptions>(parsed));
  const TreeOptions& o = std::get<TreeOptions>(parsed);
  EXPECT_EQ(o.paths, (std::vector<std::string>{"src", "-odd.c"}));
  EXPECT_TRUE(o.quiet);
  EXPECT_EQ(o.sink, TreeSink::Diff);
  EXPECT_EQ(o.jobs, 3);
  EXPECT_EQ(o.macro_dirs, std::vector<std::string>{"inc"});
  EXPECT_EQ(o.excludes, std::vector<std::string>{"b/"});
  EXPECT_EQ(o.includes, std::vector<std::string>{"*.c"});
  EXPECT_EQ(o.extend_includes, std::vector<std::string>{"*.inc"});
  EXPECT_EQ(o.selected, (std::vector<Rule>{Rule::MacroPairs, Rule::LostTokens}));
  EXPECT_EQ(o.ignored, std::vector<Rule>{Rule::LostTokens});
  EXPECT_TRUE(o.selecting && o.no_ignore && o.unsafe_fixes);
  EXPECT_TRUE(o.given.jobs && o.given.macro_dirs && o.given.excludes && o.given.includes &&
              o.given.extend_includes && o.given.unsafe_fixes);

  // The same mode twice is no conflict; the words are taken in order.
  parsed = parse({"-c", "--check", "src"});
  EXPECT_EQ(std::get<TreeOptions>(parsed).sink, TreeSink::Check);
  parsed = parse({"src", "--bogus-later", "--help"});
  EXPECT_EQ(std::get<TreeExit>(parsed).err,
            "q5upgrade: unrecognized option '--bogus-later'\n"
            "Try 'q5upgrade --help' for more information.\n");
  parsed = parse({"src", "--he"});
  EXPECT_EQ(std::get<TreeExit>(parsed).exit_code, 0);
  // A list of files alone is enough.
  parsed = parse({"--files-from=list", "-0"});
  EXPECT_TRUE(std::get<TreeOptions>(parsed).files_from_nul);
  parsed = parse({"--force-exclude", "--exit-zero", "-c", "--output-format=sarif", "--report=-",
                  "-j256", "src"});
  const TreeOptions& more = std::get<TreeOptions>(parsed);
  EXPECT_TRUE(more.force_exclude && more.exit_zero);
  EXPECT_EQ(more.jobs, 256);
  // The rules' help: a whole name, or a start only one rule has.
  parsed = parse({"src", "--explain=q5-unused"});
  EXPECT_EQ(std::get<TreeExit>(parsed).out.substr(0, 22), "q5-unused-suppression ");
  parsed = parse({"--list-rules"});
  EXPECT_NE(std::get<TreeExit>(parsed).out.find("\nq5-convertible "), std::string::npos);
}

// The words that choose the tree interface: an option first, or one of
// the words that print and exit alone; any other single word is the
// classic usage error.
TEST(TreeOptionParser, WhichInterface) {
  auto tree = [](std::vector<const char*> words) {
    words.insert(words.begin(), "q5upgrade");
    return wants_tree_interface(static_cast<int>(words.size()), words.data());
  };
  for (const char* word : {"--help", "-h", "--version", "-V", "--list-rules", "--explain=q5-x"})
    EXPECT_TRUE(tree({word})) << word;
  for (const char* word : {"--check", "-i", "--explain", "--list", "a.c", "-upgrade"})
    EXPECT_FALSE(tree({word})) << word;
  EXPECT_TRUE(tree({"--explain", "q5-macro-pairs"}));
  EXPECT_FALSE(tree({"-upgrade", "a.c"}));
  EXPECT_FALSE(tree({"-", "a.c"}));
  EXPECT_FALSE(tree({"a.c", "b.c"}));
}

}  // namespace
}  // namespace q5
