#include "engine/text/rewriters.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/call_table.h"
#include "engine/text/splitter.h"

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
    if (rest.starts_with("if") || rest.starts_with("else") || rest.starts_with("endif"))
      return true;
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

// Any "0" digit or NULL in a resource position ends an Xt list. Arguments
// are short: one walk over the bytes beats two searches.
bool holds_xt_end(std::string_view arg) {
  const char* p = arg.data();
  const char* end = p + arg.size();
  for (; p != end; ++p) {
    if (*p == '0') return true;
    if (*p == 'N' && end - p >= 4 && std::memcmp(p, "NULL", 4) == 0) return true;
  }
  return false;
}

bool holds_tag_end(std::string_view arg) {
  const char* p = arg.data();
  const char* end = p + arg.size();
  for (; end - p >= 9; ++p) {
    if (*p == 'Q' && p[1] == '5' &&
        (std::memcmp(p, "Q5TAG_END", 9) == 0 || std::memcmp(p, "Q5RA_Done", 9) == 0))
      return true;
  }
  return false;
}

bool begins_with(std::string_view arg, std::string_view prefix) {
  return after_blanks(arg).starts_with(prefix);
}

constexpr std::string_view kCast = "(char *)";

// The pair macro as a name of its own (not the end of a longer one).
bool holds_pair_macro(std::string_view arg, std::string_view macro) {
  for (std::size_t at = arg.find(macro); at != std::string_view::npos;
       at = arg.find(macro, at + 1)) {
    if (at == 0 || !is_name_byte(arg[at - 1])) return true;
  }
  return false;
}

// Walks the list once, deciding what each argument is.
void plan_pairs(const PairStyle& style, const ArgumentList& args, int fixed_count, CallPlan& plan) {
  plan.roles.assign(args.count, ArgRole::Fixed);
  plan.left_as_is = false;
  plan.cast_terminator = !style.terminator_cast.empty();
  // Without a "#" anywhere in the list no argument is a directive.
  std::string_view extent = arguments_extent(args);
  bool any_hash = std::memchr(extent.data(), '#', extent.size()) != nullptr;
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
      bool directive = any_hash && is_directive(arg);
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
  // list is converted already (also where the first run wrote an argument
  // it took for a "#" line without a comma after it, so that the macro now
  // stands inside the next argument); a call without pairs would only gain
  // another empty line after each "#" line, or another comma.
  bool has_tag = false, has_hash_line = false;
  for (int i = 0; i < args.count; ++i) {
    std::string_view arg = argument_at(args, i);
    if (i >= fixed_count && holds_pair_macro(arg, style.pair_prefix)) plan.left_as_is = true;
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

// The two ways a call's pieces are written: checked one by one through
// the output (each failure names its piece), or copied into a block that
// cannot fail. Both take the same pieces in the same order.
struct CheckedSink {
  Output& out;
};

struct BlockSink {
  char* at;
};

bool sink_failed(const CheckedSink& sink) { return static_cast<bool>(sink.out.failure); }
void put_head(CheckedSink& sink, std::string_view name) { put_call_head(sink.out, name); }
void put_arg(CheckedSink& sink, std::string_view text) { put_text(sink.out, text); }
void put_tag(CheckedSink& sink, std::string_view arg, std::string_view prefix) {
  put_prefixed_arg(sink.out, arg, prefix);
}
void put_comma(CheckedSink& sink) { put_separator(sink.out); }
void put_pair_end(CheckedSink& sink, std::string_view call_name) {
  put_pair_close(sink.out, call_name);
}
void put_end(CheckedSink& sink) { put_call_close(sink.out); }

bool sink_failed(const BlockSink&) { return false; }
// Most pieces are a few bytes: copied with two overlapping loads and
// stores of the widest size that fits, not a library call each.
inline void copy_bytes(BlockSink& sink, std::string_view bytes) {
  const char* from = bytes.data();
  char* to = sink.at;
  std::size_t n = bytes.size();
  sink.at += n;
  auto two = [&](auto word) {
    constexpr std::size_t w = sizeof word;
    decltype(word) head, tail;
    std::memcpy(&head, from, w);
    std::memcpy(&tail, from + n - w, w);
    std::memcpy(to, &head, w);
    std::memcpy(to + n - w, &tail, w);
  };
  if (n > 32) {
    std::memcpy(to, from, n);
  } else if (n >= 16) {
    struct Sixteen {
      std::uint64_t a, b;
    };
    two(Sixteen{});
  } else if (n >= 8) {
    two(std::uint64_t{});
  } else if (n >= 4) {
    two(std::uint32_t{});
  } else if (n >= 2) {
    two(std::uint16_t{});
  } else if (n == 1) {
    *to = *from;
  }
}
void put_head(BlockSink& sink, std::string_view name) {
  if (name.empty()) return;  // as put_call_head: no "(" either
  copy_bytes(sink, name);
  *sink.at++ = '(';
}
void put_arg(BlockSink& sink, std::string_view text) { copy_bytes(sink, text); }
void put_tag(BlockSink& sink, std::string_view arg, std::string_view prefix) {
  if (arg.empty()) return;
  std::size_t blanks = leading_blank_length(arg);
  copy_bytes(sink, arg.substr(0, blanks));
  copy_bytes(sink, prefix);
  copy_bytes(sink, arg.substr(blanks));
}
void put_comma(BlockSink& sink) { *sink.at++ = ','; }
void put_pair_end(BlockSink& sink, std::string_view) { *sink.at++ = ')'; }
void put_end(BlockSink& sink) { *sink.at++ = ')'; }

template <typename Sink>
void write_pairs(Sink& sink, const PairStyle& style, std::string_view call_name,
                 const ArgumentList& args, const CallPlan& plan) {
  put_head(sink, style.head.empty() ? call_name : style.head);
  for (int i = 0; i < args.count && !sink_failed(sink); ++i) {
    std::string_view arg = argument_at(args, i);
    switch (plan.roles[i]) {
      case ArgRole::Fixed:
        // A call with fewer arguments than its fixed ones writes those it has.
        put_arg(sink, arg);
        put_comma(sink);
        continue;
      case ArgRole::Marker:
        put_arg(sink, arg);
        put_comma(sink);
        continue;
      case ArgRole::Directive:
        put_arg(sink, arg);
        continue;
      case ArgRole::Terminator:
        if (plan.cast_terminator) put_arg(sink, style.terminator_cast);
        put_arg(sink, arg);
        break;
      case ArgRole::Dropped:
        break;
      case ArgRole::Tag:
        put_tag(sink, arg, style.pair_prefix);
        break;
      case ArgRole::Value:
        put_arg(sink, arg);
        put_pair_end(sink, call_name);
        break;
    }
    if (plan.roles[i] == ArgRole::Terminator || plan.roles[i] == ArgRole::Dropped) break;
    if (i < args.count - 1) put_comma(sink);
  }
  put_end(sink);
}

void rewrite_pairs(const PairStyle& style, std::string_view call_name, const ArgumentList& args,
                   int fixed_count, CallPlan& plan, Output& out) {
  plan_pairs(style, args, fixed_count, plan);
  if (plan.left_as_is) return;

  // The most the call can take: its head and "(", every argument with a
  // pair prefix and two more bytes (",", ")"), the cast and the last ")".
  std::string_view head = style.head.empty() ? call_name : style.head;
  std::size_t bound = head.size() + 1 + (args.starts[args.count] - args.starts[0]) +
                      static_cast<std::size_t>(args.count) * (style.pair_prefix.size() + 2) +
                      style.terminator_cast.size() + 1;
  if (char* block = open_block(out, bound)) {
    BlockSink sink{block};
    write_pairs(sink, style, call_name, args, plan);
    close_block(out, sink.at);
    return;
  }
  CheckedSink sink{out};
  write_pairs(sink, style, call_name, args, plan);
}

constexpr PairStyle kTagListStyle{"", "Q5T(", true, starts_tag_end, "", false};
constexpr PairStyle kXtListStyle{"", "Q5LT(", false, holds_xt_end, kCast, true};
constexpr PairStyle kTagGetStyle{"Q5TagGetS", "Q5ST(", false, holds_tag_end, "", true};

}  // namespace

void rewrite_call(Family family, std::string_view call_name, const ArgumentList& args,
                  int fixed_count, CallPlan& plan, Output& out) {
  switch (family) {
    case Family::TagList:
      return rewrite_pairs(kTagListStyle, call_name, args, fixed_count, plan, out);
    case Family::Xt:
      return rewrite_pairs(kXtListStyle, call_name, args, fixed_count, plan, out);
    case Family::TagGet:
      return rewrite_pairs(kTagGetStyle, call_name, args, fixed_count, plan, out);
    case Family::Converted:
      plan.left_as_is = true;
      return;
  }
}

}  // namespace q5
