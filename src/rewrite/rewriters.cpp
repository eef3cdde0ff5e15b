#include "rewrite/rewriters.h"

#include <algorithm>

#include "recognise/splitter.h"

namespace q5 {

namespace {

// What sets the three families apart; the walk over the list is shared.
struct PairStyle {
  std::string_view head;  // written instead of the call's name text, if set
  std::string_view pair_prefix;
  bool has_class_marker;
  bool (*is_terminator)(std::string_view arg);
  std::string_view terminator_cast;
  // Where the terminator is found anywhere in an argument, a preprocessor
  // line such as "#if 0" would pass for one: test for the line first.
  bool directive_first;
};

std::string_view after_blanks(std::string_view arg) {
  return arg.substr(leading_blank_length(arg));
}

// "#if" also covers "#ifdef" and "#ifndef". Most arguments hold no "#":
// one search for it decides them.
bool is_directive(std::string_view arg) {
  for (std::size_t at = arg.find('#'); at != std::string_view::npos; at = arg.find('#', at + 1)) {
    std::string_view rest = arg.substr(at + 1);
    if (rest.starts_with("if") || rest.starts_with("else") || rest.starts_with("endif")) return true;
  }
  return false;
}

bool is_class_marker(std::string_view arg) {
  return after_blanks(arg).starts_with("Q5DEFAULTCLASSTAGS");
}

bool starts_tag_end(std::string_view arg) {
  std::string_view rest = after_blanks(arg);
  return rest.starts_with("Q5TAG_END") || rest.starts_with("Q5RA_Done");
}

// Any "0" digit or NULL in a resource position ends an Xt list.
bool holds_xt_end(std::string_view arg) {
  return arg.find('0') != std::string_view::npos || arg.find("NULL") != std::string_view::npos;
}

bool holds_tag_end(std::string_view arg) {
  return arg.find("Q5TAG_END") != std::string_view::npos ||
         arg.find("Q5RA_Done") != std::string_view::npos;
}

bool begins_with(std::string_view arg, std::string_view prefix) {
  return after_blanks(arg).starts_with(prefix);
}

constexpr std::string_view kCast = "(char *)";

// Walks the list once, deciding what each argument is.
void plan_pairs(const PairStyle& style, const ArgumentList& args, int fixed_count,
                CallPlan& plan) {
  plan.roles.assign(args.count, ArgRole::Fixed);
  plan.left_as_is = false;
  plan.cast_terminator = !style.terminator_cast.empty();
  bool tag_position = true;
  for (int i = std::min(fixed_count, args.count); i < args.count; ++i) {
    std::string_view arg = argument_at(args, i);
    ArgRole& role = plan.roles[i];
    if (!tag_position) {
      role = ArgRole::Value;
    } else if (style.has_class_marker && is_class_marker(arg)) {
      role = ArgRole::Marker;
      continue;  // still in tag position
    } else {
      bool directive = is_directive(arg);
      if (style.is_terminator(arg) && !(directive && style.directive_first)) {
        role = ArgRole::Terminator;
        for (int k = i + 1; k < args.count; ++k) plan.roles[k] = ArgRole::Dropped;
        break;  // whatever follows the terminator is dropped
      }
      if (directive) {
        role = ArgRole::Directive;
        continue;  // a preprocessor line keeps the list in tag position
      }
      role = ArgRole::Tag;
    }
    tag_position = !tag_position;
  }
  if (!plan.keep_converted) return;

  // A second run must change nothing: a call with a pair macro among its
  // list is converted already; a call without pairs would only gain
  // another empty line after each "#" line, or another comma.
  bool has_tag = false, has_hash_line = false;
  for (int i = 0; i < args.count; ++i) {
    std::string_view arg = argument_at(args, i);
    if (i >= fixed_count && begins_with(arg, style.pair_prefix)) plan.left_as_is = true;
    has_tag |= plan.roles[i] == ArgRole::Tag;
    has_hash_line |= arg.find('#') != std::string_view::npos;
  }
  if (args.count < fixed_count || (!has_tag && has_hash_line)) plan.left_as_is = true;
  for (int i = 0; i < args.count && plan.cast_terminator; ++i)
    if (plan.roles[i] == ArgRole::Terminator && begins_with(argument_at(args, i), kCast)) {
      plan.cast_terminator = false;  // cast already
      if (!has_tag) plan.left_as_is = true;
    }
}

void rewrite_pairs(const PairStyle& style, std::string_view call_name, const ArgumentList& args,
                   int fixed_count, CallPlan& plan, Output& out) {
  plan_pairs(style, args, fixed_count, plan);
  if (plan.left_as_is) return;

  put_call_head(out, style.head.empty() ? call_name : style.head);
  for (int i = 0; i < args.count && !out.failure; ++i) {
    std::string_view arg = argument_at(args, i);
    switch (plan.roles[i]) {
      case ArgRole::Fixed:
        // A call with fewer arguments than its fixed ones writes those it has.
        put_text(out, arg);
        put_separator(out);
        continue;
      case ArgRole::Marker:
        put_text(out, arg);
        put_separator(out);
        continue;
      case ArgRole::Directive:
        put_text(out, arg);
        continue;
      case ArgRole::Terminator:
        if (plan.cast_terminator) put_text(out, style.terminator_cast);
        put_text(out, arg);
        break;
      case ArgRole::Dropped:
        break;
      case ArgRole::Tag:
        put_prefixed_arg(out, arg, style.pair_prefix);
        break;
      case ArgRole::Value:
        put_text(out, arg);
        put_pair_close(out, call_name);
        break;
    }
    if (plan.roles[i] == ArgRole::Terminator || plan.roles[i] == ArgRole::Dropped) break;
    if (i < args.count - 1) put_separator(out);
  }
  put_call_close(out);
}

constexpr PairStyle kTagListStyle{"", "Q5T(", true, starts_tag_end, "", false};
constexpr PairStyle kXtListStyle{"", "Q5LT(", false, holds_xt_end, kCast, true};
constexpr PairStyle kTagGetStyle{"Q5TagGetS", "Q5ST(", false, holds_tag_end, "", true};

}  // namespace

void rewrite_tag_list(std::string_view call_name, const ArgumentList& args, int fixed_count,
                      CallPlan& plan, Output& out) {
  rewrite_pairs(kTagListStyle, call_name, args, fixed_count, plan, out);
}

void rewrite_xt_list(std::string_view call_name, const ArgumentList& args, int fixed_count,
                     CallPlan& plan, Output& out) {
  rewrite_pairs(kXtListStyle, call_name, args, fixed_count, plan, out);
}

void rewrite_tag_get(std::string_view call_name, const ArgumentList& args, int fixed_count,
                     CallPlan& plan, Output& out) {
  rewrite_pairs(kTagGetStyle, call_name, args, fixed_count, plan, out);
}

}  // namespace q5
