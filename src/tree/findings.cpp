#include "tree/findings.h"

#include <stdlib.h>

#include <algorithm>
#include <iterator>
#include <memory>

#include "diagnose/diagnose.h"
#include "diagnose/rules/convertible.h"
#include "diagnose/rules/planned.h"

namespace q5 {

namespace {

std::string real_dir_of(const std::string& path) {
  std::size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(dir.c_str(), nullptr), &std::free);
  return real ? std::string(real.get()) : std::string();
}

// Whether a per-file pattern matches the file at `rel` (below its base when
// `below`), or a directory above it.
bool per_file_match(const Pattern& pattern, const std::string& rel, bool below) {
  if (pattern_matches(pattern, rel, false, below)) return true;
  for (std::size_t slash = rel.find('/'); below && slash != std::string::npos;
       slash = rel.find('/', slash + 1))
    if (pattern_matches(pattern, std::string_view(rel).substr(0, slash), true, below)) return true;
  return false;
}

void add_convertible(std::string_view text, const Migration& migration, Suppressions& suppressions,
                     std::vector<Diagnostic>& out) {
  std::vector<std::vector<TextEdit>> fixes(migration.calls.size());
  for (const Insertion& insertion : migration.insertions)
    fixes[insertion.call].push_back({insertion.offset, 0, std::string(insertion.text)});
  for (std::size_t k = 0; k < migration.calls.size(); ++k) {
    const std::size_t name = migration.calls[k].name;
    if (!silences(suppressions, text, Rule::Convertible, name, name))
      out.push_back(call_to_convert(text, name, std::move(fixes[k])));
  }
}

void add_convertible(std::string_view text, const Conversion& conversion,
                     const std::vector<std::size_t>& changed, Suppressions& suppressions,
                     std::vector<Diagnostic>& out) {
  auto call = conversion.calls.begin();
  for (std::size_t name : changed) {
    while (call != conversion.calls.end() && (call->begin != name || call->left_as_is)) ++call;
    if (call == conversion.calls.end()) break;
    if (silences(suppressions, text, Rule::Convertible, name, name)) continue;
    std::string now = conversion.text.substr(call->out_begin, call->out_end - call->out_begin);
    out.push_back(call_to_convert(text, name, {{call->begin, call->end - call->begin, now}}));
  }
}

// Drops the text rules' findings that a suppression silences: on the
// finding's line, or on the line of the name of the call it stands in.
void silence_text_rule_findings(std::string_view text, const Conversion& conversion,
                                Suppressions& suppressions, std::vector<Diagnostic>& findings) {
  if (suppressions.comments.empty()) return;
  const auto& calls = conversion.calls;
  std::erase_if(findings, [&](const Diagnostic& d) {
    // The call it stands in: the last that begins at or before it.
    auto after = std::upper_bound(calls.begin(), calls.end(), d.offset,
                                  [](std::size_t o, const CallRecord& c) { return o < c.begin; });
    std::size_t call = kNoOffset;
    if (after != calls.begin() && d.offset != kNoOffset && d.offset < std::prev(after)->end)
      call = std::prev(after)->begin;
    return silences(suppressions, text, d.rule, call, d.offset);
  });
}

// Made in every mode, whether reported or not, so that a suppression of
// q5-convertible is used alike in all of them.
std::vector<Diagnostic> settled(std::string_view text, std::vector<Diagnostic> found,
                                std::vector<Diagnostic>& convertible, Suppressions& suppressions,
                                bool with_convertible) {
  if (with_convertible)
    std::move(convertible.begin(), convertible.end(), std::back_inserter(found));
  for (Diagnostic& d : suppression_findings(suppressions, text)) found.push_back(std::move(d));
  std::stable_sort(found.begin(), found.end(),
                   [](const Diagnostic& a, const Diagnostic& b) { return a.offset < b.offset; });
  return found;
}

}  // namespace

bool reports_convertible(const TreeOptions& options) {
  return options.sink == TreeSink::Check || options.sink == TreeSink::Diff;
}

std::vector<Diagnostic> safe_findings(std::string_view text, Migration& migration,
                                      bool convertible) {
  std::vector<Diagnostic> calls;
  add_convertible(text, migration, migration.suppressions, calls);
  return settled(text, std::move(migration.diagnostics), calls, migration.suppressions,
                 convertible);
}

std::vector<Diagnostic> text_rule_findings(std::string_view text, const Conversion& conversion,
                                           const std::vector<std::size_t>& changed,
                                           bool convertible, Migration& reader) {
  Suppressions suppressions = find_suppressions(text);
  std::vector<Diagnostic> found = diagnose_conversion(text, conversion.calls, conversion.text);
  // The text rules know no macros: a call named by one is the reader's alone.
  for (const ConvertedCall& call : reader.calls) {
    if (call.alias != nullptr)
      found.push_back(finding(Rule::MissedCall, call.name,
                              "call '" + call.alias->name + "' names " + call.alias->target +
                                  " through a macro, which --unsafe-fixes does not read: "
                                  "convert it without --unsafe-fixes"));
    else if (call.empty_macro)
      found.push_back(finding(Rule::MissedCall, call.name,
                              "a macro that expands to nothing stands between the call's name "
                              "and its '(', which --unsafe-fixes does not read: convert it "
                              "without --unsafe-fixes"));
    else if (call.grouped)
      found.push_back(finding(Rule::MissedCall, call.name,
                              "the call's name stands alone in parentheses, which "
                              "--unsafe-fixes does not read: convert it without --unsafe-fixes"));
  }
  silence_text_rule_findings(text, conversion, suppressions, found);
  // The reader silenced its own findings with the same comments: what it
  // used counts as used here.
  add_reader_findings(std::move(reader.diagnostics), found);
  for (std::size_t k = 0; k < suppressions.comments.size(); ++k)
    for (std::size_t j = 0; j < suppressions.comments[k].names.size(); ++j)
      suppressions.comments[k].names[j].used |= reader.suppressions.comments[k].names[j].used;
  std::vector<Diagnostic> calls;
  add_convertible(text, conversion, changed, suppressions, calls);
  return settled(text, std::move(found), calls, suppressions, convertible);
}

RuleSettings settings_for_file(const TreeOptions& options, const std::string& path) {
  RuleSettings settings = options.rules;
  if (options.per_file_ignores.empty() || path == "-") return settings;
  const std::string& base = options.per_file_origin.dir;
  const std::string dir = real_dir_of(path);
  const std::string name = path.substr(path.rfind('/') + 1);
  std::string rel = name;
  bool below = false;
  if (!base.empty() && !dir.empty()) {
    if (dir == base) {
      below = true;
    } else if (dir.starts_with(base) && (base == "/" || dir[base.size()] == '/')) {
      below = true;
      rel = dir.substr(base == "/" ? 1 : base.size() + 1) + "/" + name;
    }
  }
  for (const PerFileIgnore& ignore : options.per_file_ignores) {
    if (per_file_match(ignore.pattern, rel, below) == ignore.pattern.negated) continue;
    for (Rule rule : ignore.rules) settings.rules[static_cast<std::size_t>(rule)].on = false;
  }
  return settings;
}

}  // namespace q5
