// The review diagnostics: what kinds there are (one row per kind), and one
// diagnostic as the checks produce it. Offsets are bytes into the input
// text; lines and columns are worked out only when a diagnostic is printed.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"

namespace q5 {

enum class Severity : unsigned char { Note, Warning, Error };

// In the order of the rule table. When several diagnostics fall on one spot
// they are merged into the one whose rule comes first.
enum class Rule : unsigned char {
  ConversionFailed,
  DroppedArguments,
  TerminatorGuess,
  TerminatorAsValue,
  UnclosedPair,
  DirectiveInList,
  XtSpecialArgument,
  CharLiteralSplit,
  Declaration,
  ShiftedPairing,
  LostTokens,
  MissedCall,
  CommentRemoved,
  // Found by the tree interface's own conversion, which leaves such calls
  // as they stand, or in calls converted before.
  MacroPairs,
  MalformedPair,
  UnterminatedList,
  TooComplex,
  // A call the tree would convert (--check, --diff), and the suppression
  // comments themselves.
  Convertible,
  UnusedSuppression,
  MalformedSuppression,
  // Found by the project's compiler under --verify.
  Unproven,
  // A call named by a macro (the tree interface's conversion).
  AliasedCall,
  StringizedCall,
};

inline constexpr std::size_t kRuleCount = static_cast<std::size_t>(Rule::StringizedCall) + 1;

inline constexpr std::size_t kNoOffset = npos;  // a diagnostic of the file as a whole

// One change of a fix: `length` bytes at `offset` of the input replaced by
// `text` (an insertion when `length` is 0).
struct TextEdit {
  std::size_t offset;
  std::size_t length;
  std::string text;
};

struct Diagnostic {
  Rule rule;
  Severity severity;
  std::size_t offset = kNoOffset;  // kNoOffset: the file as a whole
  std::string message;
  // Other rules whose findings at this spot were folded into this one.
  std::vector<Rule> merged;
  // The finding left its call as it stands (the tree's safe conversion).
  bool call_left = false;
  // What converts the call, in offset order (q5-convertible), for the
  // SARIF log's "fixes".
  std::vector<TextEdit> fix = {};
};

struct PlannedCall;

// A rule's check of a call the tree interface planned (see
// migrate/token_plan.h): adds its findings there.
using PlannedCheck = void (*)(std::string_view text, const PlannedCall& plan,
                              std::vector<Diagnostic>& out);

// One rule: its name and texts beside its checks, each in a file of its own
// under diagnose/rules/. The checks of the text-rule conversion are in
// diagnose.cpp. The texts are what --list-rules, --explain and the SARIF
// log say of the rule; the manual page and the README say the same.
struct RuleInfo {
  Rule rule;
  std::string_view id;  // "q5-..."
  Severity severity;
  std::string_view short_description;  // one sentence
  std::string_view help;               // what a finding means, and why it matters
  PlannedCheck check_planned = nullptr;
  std::string_view example = {};  // C that gets the finding, lines ending in "\n"
  std::string_view fix = {};      // what to do about it
};

std::span<const RuleInfo> rule_table();
const RuleInfo& rule_info(Rule rule);

std::string_view severity_name(Severity severity);  // "note", "warning", "error"

}  // namespace q5
