#include "tree/options.h"

#include <getopt.h>

#include <charconv>
#include <iterator>
#include <string_view>

namespace q5 {

namespace {

constexpr std::string_view kHelpText =
    "Usage: q5upgrade [OPTION]... PATH...\n"
    "Convert the varargs toolkit calls of C sources into the V8 pair-macro form.\n"
    "PATH is a file or a directory (walked for *.c and *.h); - is standard input.\n"
    "\n"
    "What to do (one of them):\n"
    "  -d, --diff           print a unified diff of every change; write nothing (the default)\n"
    "  -c, --check          write nothing; name each file that would change\n"
    "  -i, --in-place       convert the files in place\n"
    "      --stdout         write the converted text of each PATH to standard output\n"
    "\n"
    "Which files:\n"
    "      --include=PATTERN  files taken when walking a directory (default *.c and *.h;\n"
    "                       repeatable)\n"
    "      --extend-include=PATTERN  files taken besides those (repeatable)\n"
    "      --exclude=PATTERN  files and directories skipped when walking (repeatable)\n"
    "      --no-ignore      walk the files git ignores too\n"
    "      --files-from=FILE  convert the files FILE names, one a line (- for standard\n"
    "                       input), as if named on the command line\n"
    "  -0                   with --files-from: each name ends with a NUL byte instead\n"
    "  -I DIR               read the macros of the headers in DIR too (repeatable)\n"
    "  -j, --jobs=N         files converted at a time (default: the processors available;\n"
    "                       at most 256)\n"
    "PATTERNs are as in .gitignore: a name alone matches at any depth, one with a '/'\n"
    "matches the path below the PATH walked, ** any number of directories, and a\n"
    "trailing '/' directories only. Inside a git work tree the files git ignores are\n"
    "skipped. Files named on the command line are always taken.\n"
    "\n"
    "Rules and their findings:\n"
    "      --select=RULE    report only these rules (names or prefixes, comma-separated;\n"
    "                       repeatable)\n"
    "      --ignore=RULE    report none of these rules\n"
    "      --werror         warnings count as trouble (exit 2)\n"
    "      --unsafe-fixes   also convert the calls that are left as they stand by default,\n"
    "                       with the text rules alone\n"
    "      --verify         prove each conversion with the project's compiler first; calls\n"
    "                       it does not prove are left as they stand\n"
    "  -p DIR               with --verify: the directory holding compile_commands.json\n"
    "      --compile-commands=FILE  with --verify: the compilation database\n"
    "Calls a rule flags are left as they stand whether it is reported or not.\n"
    "\n"
    "Output:\n"
    "  -z, --null           with --check: names as they are, each followed by a NUL byte\n"
    "      --report=FILE    write every diagnostic and error as a SARIF 2.1.0 log (- for stdout)\n"
    "      --output-format=FORMAT  diagnostics as text, json, github or sarif\n"
    "      --color=WHEN     colour the output: auto, always or never\n"
    "      --verbose        with --check: name each call still to convert too\n"
    "      --statistics     count the diagnostics by rule at the end\n"
    "  -q, --quiet          no summary line and no notes\n"
    "\n"
    "Configuration:\n"
    "      --config=FILE    read the settings from FILE\n"
    "      --isolated       read no configuration file\n"
    "Without either, the settings come from the nearest .q5upgrade.toml in the first\n"
    "PATH's directory or above it, up to the repository's root. Options given here\n"
    "override the file's settings; a list given here replaces the file's list.\n"
    "\n"
    "  -h, --help           show this help and exit\n"
    "  -V, --version        show the version and exit\n"
    "\n"
    "Exit status: 0 nothing to change (with --in-place: every change made),\n"
    "1 some file would change (--diff, --check), 2 trouble.\n"
    "\n"
    "The classic forms convert one file:\n"
    "  q5upgrade infile outfile\n"
    "  q5upgrade -upgrade file\n";

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
  kFilesFrom,
  kFilesFromNul,
  kMacroDir,
  kVerify,
  kCompileDir,
  kCompileCommands,
  kSelect,
  kIgnore,
  kWerror,
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
    {kFilesFrom, "files-from", 0, true},
    {kFilesFromNul, nullptr, '0', false},
    {kMacroDir, nullptr, 'I', true},
    {kVerify, "verify", 0, false},
    {kCompileDir, nullptr, 'p', true},
    {kCompileCommands, "compile-commands", 0, true},
    {kSelect, "select", 0, true},
    {kIgnore, "ignore", 0, true},
    {kWerror, "werror", 0, false},
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
  if (argc == 2) return first == "--help" || first == "-h" || first == "--version" || first == "-V";
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
        break;
      case kJobs:
        if (!parse_jobs(value, options.jobs))
          return usage_error("invalid number of jobs: '" + std::string(value) + "'");
        options.given.jobs = true;
        break;
      case kInclude:
        options.includes.emplace_back(value);
        options.given.includes = true;
        break;
      case kExtendInclude:
        options.extend_includes.emplace_back(value);
        options.given.extend_includes = true;
        break;
      case kExclude:
        options.excludes.emplace_back(value);
        options.given.excludes = true;
        break;
      case kNoIgnore:
        options.no_ignore = true;
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
        return TreeExit{0, std::string(kHelpText), {}};
      case kVersion:
        return TreeExit{0, std::string(kVersionText), {}};
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
