#include "tree/options.h"

#include <getopt.h>

#include <charconv>
#include <iterator>
#include <string_view>

#include "diagnose/rule_help.h"
#include "tree/help.h"
#include "tree/patterns.h"

namespace q5 {

namespace {

constexpr std::string_view kVersionText = "q5upgrade " Q5UPGRADE_VERSION "\n";

TreeExit usage_error(std::string_view what) {
  std::string err = "q5upgrade: ";
  err.append(what);
  err += "\nTry 'q5upgrade --help' for more information.\n";
  return {2, {}, std::move(err)};
}

// Each option once: its long name (may be null), its short letter (0: none)
// and whether it takes a value. getopt_long is handed long options with
// values of their own (from 256 up), so that an error about a long option
// is never mistaken for one about its short letter.
enum Id : int {
  kDiff = 256,
  kCheck,
  kInPlace,
  kStdout,
  kNull,
  kJobs,
  kInclude,
  kExtendInclude,
  kExclude,
  kNoIgnore,
  kForceExclude,
  kFilesFrom,
  kFilesFromNul,
  kMacroDir,
  kVerify,
  kCompileDir,
  kCompileCommands,
  kSelect,
  kIgnore,
  kWerror,
  kExitZero,
  kUnsafeFixes,
  kReport,
  kOutputFormat,
  kColor,
  kVerbose,
  kStatistics,
  kQuiet,
  kConfig,
  kIsolated,
  kHelp,
  kVersion,
  kListRules,
  kExplain,
};

struct OptionRow {
  Id id;
  const char* long_name;
  char short_name;
  bool takes_value;
};

constexpr OptionRow kOptionRows[] = {
    {kDiff, "diff", 'd', false},
    {kCheck, "check", 'c', false},
    {kInPlace, "in-place", 'i', false},
    {kStdout, "stdout", 0, false},
    {kNull, "null", 'z', false},
    {kJobs, "jobs", 'j', true},
    {kInclude, "include", 0, true},
    {kExtendInclude, "extend-include", 0, true},
    {kExclude, "exclude", 0, true},
    {kNoIgnore, "no-ignore", 0, false},
    {kForceExclude, "force-exclude", 0, false},
    {kFilesFrom, "files-from", 0, true},
    {kFilesFromNul, nullptr, '0', false},
    {kMacroDir, nullptr, 'I', true},
    {kVerify, "verify", 0, false},
    {kCompileDir, nullptr, 'p', true},
    {kCompileCommands, "compile-commands", 0, true},
    {kSelect, "select", 0, true},
    {kIgnore, "ignore", 0, true},
    {kWerror, "werror", 0, false},
    {kExitZero, "exit-zero", 0, false},
    {kUnsafeFixes, "unsafe-fixes", 0, false},
    {kReport, "report", 0, true},
    {kOutputFormat, "output-format", 0, true},
    {kColor, "color", 0, true},
    {kVerbose, "verbose", 0, false},
    {kStatistics, "statistics", 0, false},
    {kQuiet, "quiet", 'q', false},
    {kConfig, "config", 0, true},
    {kIsolated, "isolated", 0, false},
    {kHelp, "help", 'h', false},
    {kVersion, "version", 'V', false},
    {kListRules, "list-rules", 0, false},
    {kExplain, "explain", 0, true},
};

const OptionRow* row_of(int value) {
  for (const OptionRow& row : kOptionRows)
    if (row.id == value || (row.short_name != 0 && row.short_name == value)) return &row;
  return nullptr;
}

// The option a failed long word tried: "option '--c' is ambiguous; ..." as
// GNU tools say it, else "unrecognized option".
std::string unknown_long(std::string_view word) {
  std::string_view name = word.substr(2);
  name = name.substr(0, name.find('='));
  std::string possible;
  for (const OptionRow& row : kOptionRows)
    if (row.long_name != nullptr && std::string_view(row.long_name).starts_with(name))
      possible += std::string(" '--") + row.long_name + "'";
  if (!name.empty() && possible.find(' ', 1) != std::string::npos)
    return "option '--" + std::string(name) + "' is ambiguous; possibilities:" + possible;
  return "unrecognized option '" + std::string(word) + "'";
}

bool parse_jobs(std::string_view text, int& jobs) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
  return error == std::errc{} && end == text.data() + text.size() && jobs >= 1;
}

// The rule --explain names: by its whole name, or a start only it has.
std::variant<const RuleInfo*, std::string> explained_rule(std::string_view word) {
  for (const RuleInfo& rule : rule_table())
    if (rule.id == word) return &rule;
  std::vector<Rule> found = rules_named(word);
  if (found.size() == 1) return &rule_info(found.front());
  if (found.empty()) return "unknown rule '" + std::string(word) + "' for '--explain'";
  std::string names;
  for (Rule rule : found)
    names += std::string(names.empty() ? "" : ", ") + std::string(rule_info(rule).id);
  return "'" + std::string(word) + "' names several rules for '--explain': " + names;
}

// "--select=q5-macro,q5-lost": each word a rule's name or the start of
// some; adds their rules to `into`. Gives the error, or empty.
std::string add_rules(std::string_view option, std::string_view list, std::vector<Rule>& into) {
  do {
    std::size_t comma = list.find(',');
    std::string_view word = list.substr(0, comma);
    std::vector<Rule> found = rules_named(word);
    if (found.empty())
      return "unknown rule '" + std::string(word) + "' for '" + std::string(option) + "'";
    into.insert(into.end(), found.begin(), found.end());
    list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
    if (comma != std::string_view::npos && list.empty())
      return "unknown rule '' for '" + std::string(option) + "'";
  } while (!list.empty());
  return {};
}

template <typename Value, std::size_t N>
bool pick(std::string_view word, const std::pair<std::string_view, Value> (&choices)[N],
          Value& out) {
  for (auto [name, value] : choices)
    if (name == word) {
      out = value;
      return true;
    }
  return false;
}

constexpr std::pair<std::string_view, OutputFormat> kFormats[] = {{"text", OutputFormat::Text},
                                                                  {"json", OutputFormat::Json},
                                                                  {"github", OutputFormat::Github},
                                                                  {"sarif", OutputFormat::Sarif}};
std::string_view format_name(OutputFormat format) {
  for (auto [name, value] : kFormats)
    if (value == format) return name;
  return "text";
}

constexpr std::pair<std::string_view, ColorMode> kColors[] = {
    {"auto", ColorMode::Auto}, {"always", ColorMode::Always}, {"never", ColorMode::Never}};

// How an option was written, for messages: "--check" or "-c".
std::string shown(const OptionRow& row, bool as_long) {
  if (as_long && row.long_name != nullptr) return std::string("--") + row.long_name;
  return std::string("-") + row.short_name;
}

}  // namespace

bool wants_tree_interface(int argc, const char* const* argv) {
  if (argc < 2) return false;
  std::string_view first = argv[1];
  if (argc == 2)
    return first == "--help" || first == "-h" || first == "--version" || first == "-V" ||
           first == "--list-rules" || first.starts_with("--explain=");
  return first.size() > 1 && first[0] == '-' && first != "-upgrade";
}

std::variant<TreeOptions, TreeExit> parse_tree_options(int argc, const char* const* argv) {
  // getopt_long takes the words in order ("-" first: a PATH comes back as
  // 1), whatever POSIXLY_CORRECT says; ':' makes a missing value ':'. It
  // may reorder the array it is given, so it gets a copy.
  std::string short_options = "-:";
  std::vector<option> long_options;
  for (const OptionRow& row : kOptionRows) {
    if (row.short_name != 0) {
      short_options += row.short_name;
      if (row.takes_value) short_options += ':';
    }
    if (row.long_name != nullptr)
      long_options.push_back(
          {row.long_name, row.takes_value ? required_argument : no_argument, nullptr, row.id});
  }
  long_options.push_back({});
  std::vector<char*> words;
  for (int i = 0; i < argc; ++i) words.push_back(const_cast<char*>(argv[i]));
  words.push_back(nullptr);

  TreeOptions options;
  const OptionRow* mode = nullptr;
  bool mode_long = false;
  bool null_long = false;
  std::string database_option;  // -p or --compile-commands, as given
  ::optind = 0;                 // start afresh
  ::opterr = 0;
  for (int got; (got = ::getopt_long(argc, words.data(), short_options.c_str(), long_options.data(),
                                     nullptr)) != -1;) {
    if (got == 1) {
      options.paths.emplace_back(::optarg);
      continue;
    }
    if (got == '?' || got == ':') {
      const OptionRow* row = row_of(::optopt);
      std::string_view word = ::optind > 0 ? words[::optind - 1] : "";
      if (got == ':' && ::optopt >= kDiff)
        return usage_error("option '" + shown(*row, true) + "' requires an argument");
      if (got == ':')
        return usage_error(std::string("option requires an argument -- '") +
                           static_cast<char>(::optopt) + "'");
      if (::optopt >= kDiff)
        return usage_error("option '" + shown(*row, true) + "' doesn't allow an argument");
      if (::optopt == 0) return usage_error(unknown_long(word));
      return usage_error(std::string("invalid option -- '") + static_cast<char>(::optopt) + "'");
    }
    const OptionRow& row = *row_of(got);
    const bool as_long = got >= kDiff;
    const std::string_view value = row.takes_value ? ::optarg : "";
    auto set_mode = [&](TreeSink sink) -> bool {
      if (mode != nullptr && mode->id != row.id) return false;
      mode = &row;
      mode_long = as_long;
      options.sink = sink;
      return true;
    };
    bool fine = true;
    switch (row.id) {
      case kDiff:
        fine = set_mode(TreeSink::Diff);
        break;
      case kCheck:
        fine = set_mode(TreeSink::Check);
        break;
      case kInPlace:
        fine = set_mode(TreeSink::InPlace);
        break;
      case kStdout:
        fine = set_mode(TreeSink::Stdout);
        break;
      case kNull:
        options.null_separated = true;
        null_long = as_long;
        break;
      case kJobs:
        if (!parse_jobs(value, options.jobs))
          return usage_error("invalid number of jobs: '" + std::string(value) + "'");
        if (options.jobs > kMostJobs)
          return usage_error("invalid number of jobs: '" + std::string(value) + "' (at most " +
                             std::to_string(kMostJobs) + ")");
        options.given.jobs = true;
        break;
      case kInclude:
      case kExtendInclude:
      case kExclude: {
        if (std::string error = pattern_error(value); !error.empty())
          return usage_error("invalid pattern '" + std::string(value) + "' for '" +
                             shown(row, true) + "': " + error);
        const bool include = row.id == kInclude, extend = row.id == kExtendInclude;
        (include  ? options.includes
         : extend ? options.extend_includes
                  : options.excludes)
            .emplace_back(value);
        (include  ? options.given.includes
         : extend ? options.given.extend_includes
                  : options.given.excludes) = true;
        break;
      }
      case kNoIgnore:
        options.no_ignore = true;
        break;
      case kForceExclude:
        options.force_exclude = true;
        break;
      case kFilesFrom:
        options.files_from = value;
        break;
      case kFilesFromNul:
        options.files_from_nul = true;
        break;
      case kMacroDir:
        options.macro_dirs.emplace_back(value);
        options.given.macro_dirs = true;
        break;
      case kVerify:
        options.verify = true;
        break;
      case kCompileDir:
      case kCompileCommands:
        options.compile_commands = value;
        options.given.compile_commands = true;
        database_option = shown(row, as_long);
        break;
      case kSelect:
      case kIgnore: {
        bool select = row.id == kSelect;
        std::string error =
            add_rules(shown(row, true), value, select ? options.selected : options.ignored);
        if (!error.empty()) return usage_error(error);
        options.selecting |= select;
        break;
      }
      case kWerror:
        options.werror = true;
        break;
      case kExitZero:
        options.exit_zero = true;
        break;
      case kUnsafeFixes:
        options.unsafe_fixes = true;
        options.given.unsafe_fixes = true;
        break;
      case kReport:
        options.report = value;
        break;
      case kOutputFormat:
      case kColor:
        if (row.id == kOutputFormat ? !pick(value, kFormats, options.output_format)
                                    : !pick(value, kColors, options.color))
          return usage_error("invalid argument '" + std::string(value) + "' for '" +
                             shown(row, true) + "'");
        break;
      case kVerbose:
        options.verbose = true;
        break;
      case kStatistics:
        options.statistics = true;
        break;
      case kQuiet:
        options.quiet = true;
        break;
      case kConfig:
        options.config = value;
        break;
      case kIsolated:
        options.isolated = true;
        break;
      case kHelp:
        return TreeExit{0, std::string(tree_help_text()), {}};
      case kVersion:
        return TreeExit{0, std::string(kVersionText), {}};
      case kListRules:
        return TreeExit{0, list_rules_text(), {}};
      case kExplain: {
        auto rule = explained_rule(value);
        if (auto* error = std::get_if<std::string>(&rule)) return usage_error(*error);
        return TreeExit{0, explain_rule_text(*std::get<const RuleInfo*>(rule)), {}};
      }
    }
    if (!fine)
      return usage_error("options '" + shown(*mode, mode_long) + "' and '" + shown(row, as_long) +
                         "' cannot be used together");
  }
  for (int i = ::optind; i < argc; ++i) options.paths.emplace_back(argv[i]);

  if (!options.config.empty() && options.isolated)
    return usage_error("options '--config' and '--isolated' cannot be used together");
  if (options.files_from_nul && options.files_from.empty())
    return usage_error("option '-0' needs '--files-from'");
  // What only the --check list takes, or the text format.
  const std::string null_shown = null_long ? "--null" : "-z";
  for (auto [given, name] : {std::pair{options.verbose, std::string("--verbose")},
                             std::pair{options.null_separated, null_shown}})
    // Under --verify, --verbose lists the calls not proven in any mode.
    if (given && options.sink != TreeSink::Check && !(options.verify && name == "--verbose"))
      return usage_error("option '" + name + "' needs '--check'");
  if (options.output_format != OutputFormat::Text) {
    const std::string format = "--output-format=" + std::string(format_name(options.output_format));
    for (auto [given, name] :
         {std::pair{options.verbose, std::string("--verbose")},
          std::pair{options.null_separated, null_shown},
          std::pair{options.sink == TreeSink::Stdout, std::string("--stdout")},
          std::pair{options.report == "-" && options.output_format != OutputFormat::Sarif,
                    std::string("--report=-")}})
      if (given)
        return usage_error("options '" + name + "' and '" + format +
                           "' cannot be used together: the findings alone go to standard output");
  }
  if (options.given.compile_commands && !options.verify)
    return usage_error("option '" + database_option + "' needs '--verify'");
  if (options.verify && options.unsafe_fixes)
    return usage_error("options '--verify' and '--unsafe-fixes' cannot be used together");
  if (options.paths.empty() && options.files_from.empty()) return usage_error("no PATH given");
  for (const std::string& path : options.paths) {
    if (path != "-") continue;
    if (options.sink == TreeSink::InPlace)
      return usage_error("standard input (-) cannot be converted in place");
    if (options.files_from == "-")
      return usage_error("standard input (-) cannot be both a PATH and the list of files");
  }
  return options;
}

}  // namespace q5
