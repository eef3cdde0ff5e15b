#include "tree/migrate.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_set>

#include "diagnose/rules/planned.h"
#include "diagnose/suppression.h"
#include "engine/reader/token_call.h"

namespace q5 {

namespace {

// The steps one file's macro expansions may take: far more than any real
// file needs, and linear in its size.
ExpandBudget budget_for(std::string_view text) { return {16 * text.size() + (1u << 20)}; }

}  // namespace

Migration migrate_text(std::string_view text, const MacroTable& macros) {
  Migration m;
  CallSearch search;
  TokenCall call;
  ExpandBudget budget = budget_for(text);
  m.suppressions = find_suppressions(text);
  // The names this file #defines, read when an alias defined in a source
  // file is first met.
  std::optional<std::unordered_set<std::string>> own_defines;
  while (next_token_call(text, macros, search, call)) {
    if (call.shape == CallShape::BrokenString) {
      m.failure = Failure{ExitUnterminated, "Unterminated string\n", call.stopped,
                          FailureKind::UnterminatedString};
      break;
    }
    if (call.shape == CallShape::BrokenList) {
      m.failure = Failure{ExitUnterminated, "Unterminated parameter list\n", call.name,
                          FailureKind::UnterminatedList};
      break;
    }
    if (call.alias != nullptr && !call.alias->in_header) {
      if (!own_defines) {
        own_defines.emplace();
        MacroSet set;
        collect_macros(text, "", set);
        for (MacroDefinition& def : set.definitions) own_defines->insert(std::move(def.name));
      }
      call.alias_elsewhere = !own_defines->contains(call.alias->name);
    }
    const PlannedCall plan = plan_token_call(text, call, macros, budget);
    std::vector<Diagnostic> found = check_planned_call(text, plan);
    auto silenced = [&](const Diagnostic& d) {
      return silences(m.suppressions, text, d.rule, call.name, d.offset);
    };
    if (plan.in_pair_form) {
      std::erase_if(found, silenced);
      std::move(found.begin(), found.end(), std::back_inserter(m.diagnostics));
      continue;
    }
    auto warning = std::find_if(found.begin(), found.end(),
                                [](const Diagnostic& d) { return d.severity != Severity::Note; });
    if (warning != found.end()) {
      // The first reason is the one given, unless the user silenced it; the
      // calls inside it are left too.
      warning->message = "call left as it stands: " + warning->message;
      warning->call_left = true;
      if (!silenced(*warning)) m.diagnostics.push_back(std::move(*warning));
      ++m.left;
      if (call.shape == CallShape::Call) skip_inside(search, call);
      continue;
    }
    const std::size_t before = m.insertions.size();
    add_insertions(text, plan, m.insertions);
    if (m.insertions.size() > before) {
      for (std::size_t k = before; k < m.insertions.size(); ++k)
        m.insertions[k].call = m.calls.size();
      m.calls.push_back({call.name, call.close + 1, call.alias, call.empty_macro, call.grouped});
    }
  }
  std::stable_sort(m.insertions.begin(), m.insertions.end(),
                   [](const Insertion& a, const Insertion& b) { return a.offset < b.offset; });
  std::stable_sort(m.diagnostics.begin(), m.diagnostics.end(),
                   [](const Diagnostic& a, const Diagnostic& b) { return a.offset < b.offset; });
  return m;
}

std::string apply_insertions(std::string_view text, const std::vector<Insertion>& insertions) {
  std::size_t added = 0;
  for (const Insertion& i : insertions) added += i.text.size();
  std::string out;
  out.reserve(text.size() + added);
  std::size_t copied = 0;
  for (const Insertion& i : insertions) {
    out.append(text.substr(copied, i.offset - copied));
    out.append(i.text);
    copied = i.offset;
  }
  out.append(text.substr(copied));
  return out;
}

}  // namespace q5
