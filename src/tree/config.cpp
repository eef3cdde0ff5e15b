#include "tree/config.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string_view>

// toml++ as a header-only library, failures as values: this file is the
// only one that includes it.
#define TOML_HEADER_ONLY 1
#define TOML_EXCEPTIONS 0
#include <toml++/toml.h>

#include "base/fd_io.h"
#include "io/read_file.h"
#include "tree/patterns.h"

namespace q5 {

namespace {

// Every key the file may hold; the schema (schema/q5upgrade.schema.json)
// names the same ones.
constexpr std::string_view kConfigKeys[] = {
    "include", "exclude",      "extend-include", "include-dirs",     "jobs",
    "rules",   "unsafe-fixes", "force-exclude",  "per-file-ignores", "compile-commands",
};

std::string real_path(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  return real ? std::string(real.get()) : std::string();
}

std::string parent_of(const std::string& dir) {
  std::size_t slash = dir.rfind('/');
  return slash == 0 || slash == std::string::npos ? "/" : dir.substr(0, slash);
}

std::string dir_part(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool exists(const std::string& path, bool regular) {
  struct stat status {};
  if (regular) return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
  return ::lstat(path.c_str(), &status) == 0;
}

// `path` (absolute) as seen from the working directory: "sub/name" below
// it, "../name" above it, else as it is.
std::string shown_from_cwd(const std::string& dir, const std::string& name) {
  const std::string cwd = real_path(".");
  if (cwd.empty()) return dir == "/" ? "/" + name : dir + "/" + name;
  if (dir == cwd) return name;
  if (dir.starts_with(cwd) && (cwd == "/" || dir[cwd.size()] == '/'))
    return dir.substr(cwd == "/" ? 1 : cwd.size() + 1) + "/" + name;
  if (dir == "/" || (cwd.starts_with(dir) && cwd[dir.size()] == '/')) {
    std::string up;
    std::string_view rest = std::string_view(cwd).substr(dir == "/" ? 0 : dir.size());
    for (char c : rest)
      if (c == '/') up += "../";
    return up + name;
  }
  return (dir == "/" ? "" : dir) + "/" + name;
}

// One error: "q5upgrade: FILE:LINE: error: WHAT\n".
std::string config_error(const std::string& file, const toml::source_region& where,
                         std::string_view what) {
  return "q5upgrade: " + file + ":" + std::to_string(where.begin.line) +
         ": error: " + std::string(what) + "\n";
}

// An array of strings (of patterns, each checked, when `patterns`), or the
// error.
std::string string_list(const std::string& file, std::string_view key, const toml::node& node,
                        std::vector<std::string>& out, bool patterns = false) {
  const toml::array* array = node.as_array();
  if (array == nullptr)
    return config_error(file, node.source(),
                        "'" + std::string(key) + "' must be an array of strings");
  out.clear();
  for (const toml::node& item : *array) {
    const toml::value<std::string>* text = item.as_string();
    if (text == nullptr)
      return config_error(file, item.source(),
                          "'" + std::string(key) + "' must be an array of strings");
    if (std::string error = patterns ? pattern_error(text->get()) : ""; !error.empty())
      return config_error(
          file, item.source(),
          "invalid pattern '" + text->get() + "' in '" + std::string(key) + "': " + error);
    out.push_back(text->get());
  }
  return {};
}

// [per-file-ignores]: patterns, each to a list of rule names or starts of
// names.
std::string read_per_file_ignores(const std::string& file, const toml::node& node,
                                  std::vector<PerFileIgnore>& out) {
  const toml::table* table = node.as_table();
  if (table == nullptr)
    return config_error(file, node.source(), "'per-file-ignores' must be a table");
  out.clear();
  for (auto&& [key, value] : *table) {
    const std::string pattern(key.str());
    if (std::string error = pattern_error(pattern); !error.empty())
      return config_error(file, key.source(),
                          "invalid pattern '" + pattern + "' in 'per-file-ignores': " + error);
    std::vector<std::string> names;
    if (std::string error = string_list(file, pattern, value, names); !error.empty()) return error;
    PerFileIgnore ignore{make_pattern(pattern), {}};
    for (const std::string& name : names) {
      std::vector<Rule> rules = rules_named(name);
      if (rules.empty()) return config_error(file, value.source(), "unknown rule '" + name + "'");
      ignore.rules.insert(ignore.rules.end(), rules.begin(), rules.end());
    }
    out.push_back(std::move(ignore));
  }
  return {};
}

std::string read_rules(const std::string& file, const toml::node& node, RuleSettings& rules) {
  const toml::table* table = node.as_table();
  if (table == nullptr) return config_error(file, node.source(), "'rules' must be a table");
  for (auto&& [key, value] : *table) {
    const RuleInfo* info = nullptr;
    for (const RuleInfo& rule : rule_table())
      if (rule.id == key.str()) info = &rule;
    if (info == nullptr)
      return config_error(file, key.source(), "unknown rule '" + std::string(key.str()) + "'");
    const toml::value<std::string>* word = value.as_string();
    RuleSetting& setting = rules.rules[static_cast<std::size_t>(info->rule)];
    if (word == nullptr || !parse_severity_setting(word->get(), setting))
      return config_error(file, value.source(),
                          "rule '" + std::string(key.str()) +
                              "' must be \"error\", \"warning\", \"note\" or \"off\"");
  }
  return {};
}

}  // namespace

std::span<const std::string_view> config_keys() { return kConfigKeys; }

std::string find_config(const TreeOptions& options) {
  if (options.isolated) return {};
  if (!options.config.empty()) return options.config;
  std::string dir = real_path(".");
  if (!options.paths.empty() && options.paths.front() != "-") {
    const std::string& first = options.paths.front();
    struct stat status {};
    std::string real = real_path(
        ::stat(first.c_str(), &status) == 0 && S_ISDIR(status.st_mode) ? first : dir_part(first));
    if (!real.empty()) dir = real;
  }
  if (dir.empty()) return {};
  for (;;) {
    std::string base = dir == "/" ? "" : dir;
    if (exists(base + "/" + kConfigName, true)) return shown_from_cwd(dir, kConfigName);
    if (dir == "/" || exists(base + "/.git", false)) return {};
    dir = parent_of(dir);
  }
}

std::string apply_config(TreeOptions& options, const std::string& path) {
  RuleSettings from_file = default_rule_settings();
  if (path.empty()) {
    settle_rule_settings(options, from_file);
    return {};
  }
  std::string text, error;
  struct stat status {};
  int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
  } else {
    Descriptor guard(fd);
    read_whole(fd, text, status, error);
  }
  if (!error.empty()) return "q5upgrade: " + path + ": error: " + error + "\n";

  toml::parse_result parsed = toml::parse(text, path);
  if (!parsed) {
    std::string_view what = parsed.error().description();
    if (what.starts_with("Error while ")) what.remove_prefix(12);
    return config_error(path, parsed.error().source(), what);
  }
  const toml::table& table = parsed.table();
  // Patterns with a '/' match below the file's directory; -I directories
  // are named from it.
  const std::string shown_dir = dir_part(path);
  const PatternOrigin origin{path, real_path(shown_dir)};
  auto below_file = [&](const std::string& dir) {
    return dir.starts_with('/') || shown_dir == "." ? dir : shown_dir + "/" + dir;
  };

  struct ListKey {
    std::string_view key;
    std::vector<std::string>* list;
    PatternOrigin* origin;
    bool given;
  };
  const ListKey lists[] = {
      {"include", &options.includes, &options.include_origin, options.given.includes},
      {"exclude", &options.excludes, &options.exclude_origin, options.given.excludes},
      {"extend-include", &options.extend_includes, &options.extend_origin,
       options.given.extend_includes},
  };
  for (auto&& [key, value] : table) {
    const std::string_view name = key.str();
    std::string trouble;
    auto list = std::find_if(std::begin(lists), std::end(lists),
                             [&](const ListKey& k) { return k.key == name; });
    if (std::find(std::begin(kConfigKeys), std::end(kConfigKeys), name) == std::end(kConfigKeys)) {
      trouble = config_error(path, key.source(), "unknown key '" + std::string(name) + "'");
    } else if (list != std::end(lists)) {
      std::vector<std::string> patterns;
      trouble = string_list(path, name, value, patterns, true);
      if (trouble.empty() && !list->given) {
        *list->list = std::move(patterns);
        *list->origin = origin;
      }
    } else if (name == "include-dirs") {
      std::vector<std::string> dirs;
      trouble = string_list(path, name, value, dirs);
      if (trouble.empty() && !options.given.macro_dirs) {
        options.macro_dirs.clear();
        for (const std::string& dir : dirs) options.macro_dirs.push_back(below_file(dir));
      }
    } else if (name == "compile-commands") {
      const toml::value<std::string>* where = value.as_string();
      if (where == nullptr)
        trouble = config_error(path, value.source(),
                               "'compile-commands' must be a string (a file or a directory)");
      else if (!options.given.compile_commands)
        options.compile_commands = below_file(where->get());
    } else if (name == "jobs") {
      const toml::value<std::int64_t>* jobs = value.as_integer();
      if (jobs == nullptr || jobs->get() < 1 || jobs->get() > kMostJobs)
        trouble = config_error(path, value.source(),
                               "'jobs' must be an integer from 1 to " + std::to_string(kMostJobs));
      else if (!options.given.jobs)
        options.jobs = static_cast<int>(jobs->get());
    } else if (name == "unsafe-fixes" || name == "force-exclude") {
      const toml::value<bool>* on = value.as_boolean();
      if (on == nullptr)
        trouble =
            config_error(path, value.source(), "'" + std::string(name) + "' must be true or false");
      else if (name == "force-exclude")
        options.force_exclude |= on->get();
      else if (!options.given.unsafe_fixes && !options.verify)
        options.unsafe_fixes = on->get();  // --verify converts safely only
    } else if (name == "rules") {
      trouble = read_rules(path, value, from_file);
    } else if (name == "per-file-ignores") {
      trouble = read_per_file_ignores(path, value, options.per_file_ignores);
      options.per_file_origin = origin;
    } else {
      trouble = config_error(path, key.source(), "key '" + std::string(name) + "' is not read");
    }
    if (!trouble.empty()) return trouble;
  }
  settle_rule_settings(options, from_file);
  return {};
}

void settle_rule_settings(TreeOptions& options, const RuleSettings& from_file) {
  const RuleSettings own = default_rule_settings();
  options.rules = from_file;
  auto named = [](const std::vector<Rule>& rules, Rule rule) {
    return std::find(rules.begin(), rules.end(), rule) != rules.end();
  };
  for (std::size_t k = 0; k < kRuleCount; ++k) {
    const Rule rule = static_cast<Rule>(k);
    RuleSetting& setting = options.rules.rules[k];
    if (options.selecting) {
      if (!named(options.selected, rule))
        setting.on = false;
      else if (!setting.on)
        setting = own.rules[k];
    }
    if (named(options.ignored, rule)) setting.on = false;
  }
}

}  // namespace q5
