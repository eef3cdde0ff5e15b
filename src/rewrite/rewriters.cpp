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

// "#if" also covers "#ifdef" and "#ifndef".
bool is_directive(std::string_view arg) {
  return arg.find("#if") != std::string_view::npos ||
         arg.find("#else") != std::string_view::npos ||
         arg.find("#endif") != std::string_view::npos;
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

void rewrite_pairs(const PairStyle& style, std::string_view call_name, const ArgumentList& args,
                   int fixed_count, Output& out) {
  put_call_head(out, style.head.empty() ? call_name : style.head);

  // A call with fewer arguments than its fixed ones writes those it has.
  int fixed = std::min(fixed_count, args.count);
  for (int i = 0; i < fixed; ++i) {
    put_text(out, argument_at(args, i));
    put_separator(out);
  }

  bool tag_position = true;
  for (int i = fixed; i < args.count && !out.failure; ++i) {
    std::string_view arg = argument_at(args, i);
    if (!tag_position) {
      put_text(out, arg);
      put_pair_close(out, call_name);
    } else {
      if (style.has_class_marker && is_class_marker(arg)) {
        put_text(out, arg);
        put_separator(out);
        continue;  // still in tag position
      }
      bool directive = is_directive(arg);
      if (style.is_terminator(arg) && !(directive && style.directive_first)) {
        put_text(out, style.terminator_cast);
        put_text(out, arg);
        break;  // whatever follows the terminator is dropped
      }
      if (directive) {
        put_text(out, arg);
        continue;  // a preprocessor line keeps the list in tag position
      }
      put_prefixed_arg(out, arg, style.pair_prefix);
    }
    if (i < args.count - 1) put_separator(out);
    tag_position = !tag_position;
  }
  put_call_close(out);
}

constexpr PairStyle kTagListStyle{"", "Q5T(", true, starts_tag_end, "", false};
constexpr PairStyle kXtListStyle{"", "Q5LT(", false, holds_xt_end, "(char *)", true};
constexpr PairStyle kTagGetStyle{"Q5TagGetS", "Q5ST(", false, holds_tag_end, "", true};

}  // namespace

void rewrite_tag_list(std::string_view call_name, const ArgumentList& args, int fixed_count,
                      Output& out) {
  rewrite_pairs(kTagListStyle, call_name, args, fixed_count, out);
}

void rewrite_xt_list(std::string_view call_name, const ArgumentList& args, int fixed_count,
                     Output& out) {
  rewrite_pairs(kXtListStyle, call_name, args, fixed_count, out);
}

void rewrite_tag_get(std::string_view call_name, const ArgumentList& args, int fixed_count,
                     Output& out) {
  rewrite_pairs(kTagGetStyle, call_name, args, fixed_count, out);
}

}  // namespace q5
