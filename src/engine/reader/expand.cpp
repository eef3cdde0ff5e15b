#include "engine/reader/expand.h"

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

#include "engine/reader/argument_kinds.h"

namespace q5 {

namespace {

constexpr int kMostNesting = 64;       // macro arguments expanded inside one another
constexpr std::size_t kMostRuns = 16;  // counts under the definitions that differ

// A token on its way through the expansion.
struct PTok {
  std::string_view s;  // its spelling
  TokenKind kind = TokenKind::Other;
  bool space = false;                     // blanks before it
  bool noexpand = false;                  // a macro name met inside its own expansion
  bool paste = false;                     // a replacement list's '##'
  bool placemarker = false;               // an empty argument next to '##'
  const MacroDefinition* from = nullptr;  // the replacement list it comes from
};

std::string_view punct(const PTok& t) {
  return t.kind == TokenKind::Punct ? undigraph(t.s) : std::string_view();
}

// What is being rescanned: the argument itself at the bottom, then the
// expansions in it. An object-like macro's list without '##' is read from
// its definition as it stands, so that a long chain of them makes no copies.
struct Context {
  std::vector<PTok> tokens;
  std::size_t pos = 0;
  const MacroDefinition* macro = nullptr;  // whose expansion this is
  bool as_defined = false;                 // read from `macro` itself, not `tokens`
  bool first_space = false;                // (then) whether a blank comes before its first token
  std::size_t size() const { return as_defined ? macro->tokens.size() : tokens.size(); }
};

// One count of an argument: the choice made for each name with differing
// definitions, and what was met.
struct Run {
  const MacroTable& table;
  ExpandBudget& budget;
  std::deque<std::string>& arena;  // spellings made here (pasted, stringized)
  const std::map<std::string_view, std::size_t>& choice;
  std::vector<std::string_view> differing;  // such names met without a choice
  std::unordered_map<const MacroDefinition*, int> active;
  int nesting = 0;
  ShapeStatus status = ShapeStatus::Known;
  std::string reason, first_macro, first_where;

  bool fail(ShapeStatus s, std::string why) {
    if (status == ShapeStatus::Known) {
      status = s;
      reason = std::move(why);
    }
    return false;
  }
  bool spend() {
    if (budget.steps == 0)
      return fail(ShapeStatus::TooComplex, "its macros expand further than the reader follows");
    --budget.steps;
    return true;
  }
};

std::string quoted_name(std::string_view name) { return "'" + std::string(name) + "'"; }

// The definition of `s` used in this run, with the table's own copy of its
// name; none when `s` is no macro.
const MacroDefinition* lookup(Run& r, std::string_view s, std::string_view& name) {
  if (stands_for_itself(s)) return nullptr;
  auto found = r.table.known.find(s);
  if (found == r.table.known.end()) return nullptr;
  name = found->first;
  const std::vector<MacroDefinition>& defs = found->second;
  if (defs.size() == 1) return &defs[0];
  if (auto chosen = r.choice.find(name); chosen != r.choice.end()) return &defs[chosen->second];
  if (std::find(r.differing.begin(), r.differing.end(), name) == r.differing.end())
    r.differing.push_back(name);
  return &defs[0];
}

// Whether the definition that `s` names in this run is being expanded.
bool is_active(const Run& r, std::string_view s) {
  if (r.active.empty() || stands_for_itself(s)) return false;
  auto found = r.table.known.find(s);
  if (found == r.table.known.end()) return false;
  auto chosen = r.choice.find(found->first);
  const MacroDefinition* def = &found->second[chosen == r.choice.end() ? 0 : chosen->second];
  auto active = r.active.find(def);
  return active != r.active.end() && active->second > 0;
}

PTok body_token(const MacroDefinition& def, std::size_t k) {
  const Token& t = def.tokens[k];
  PTok p{token_raw(def.body, t), t.kind};
  p.from = &def;
  p.space = k > 0 && t.offset > token_end(def.tokens[k - 1]);
  p.paste = punct(p) == "##";
  return p;
}

std::vector<PTok> body_of(const MacroDefinition& def) {
  std::vector<PTok> body;
  body.reserve(def.tokens.size());
  for (std::size_t k = 0; k < def.tokens.size(); ++k) body.push_back(body_token(def, k));
  return body;
}

// The one token `joined` spells, or false when it spells none or several.
bool relex_one(Run& r, std::string joined, PTok& out) {
  r.arena.push_back(std::move(joined));
  std::string_view s = r.arena.back();
  std::size_t pos = 0;
  Token t{};
  if (!next_token(s, pos, s.size(), false, t) || t.offset != 0 || pos != s.size()) return false;
  out = PTok{s, t.kind};
  return true;
}

// Applies the '##' operators of a replacement list.
bool paste_all(Run& r, std::vector<PTok>& tokens) {
  if (std::none_of(tokens.begin(), tokens.end(), [](const PTok& t) { return t.paste; })) {
    std::erase_if(tokens, [](const PTok& t) { return t.placemarker; });
    return true;
  }
  std::vector<PTok> out;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (!tokens[i].paste) {
      out.push_back(tokens[i]);
      continue;
    }
    if (out.empty() || i + 1 >= tokens.size() || tokens[i + 1].paste)
      return r.fail(ShapeStatus::Unsure, "a '##' in it has nothing to paste");
    const PTok right = tokens[++i];
    PTok& left = out.back();
    if (right.placemarker) continue;
    if (left.placemarker) {
      const bool space = left.space;
      left = right;
      left.space = space;
      continue;
    }
    PTok made;
    if (!relex_one(r, std::string(left.s) + std::string(right.s), made))
      return r.fail(ShapeStatus::Unsure, "pasting '" + std::string(left.s) + "' and '" +
                                             std::string(right.s) + "' gives no single token");
    made.space = left.space;
    made.from = left.from;
    left = made;
  }
  std::erase_if(out, [](const PTok& t) { return t.placemarker; });
  tokens = std::move(out);
  return true;
}

PTok stringize(Run& r, const std::vector<PTok>& arg, bool space) {
  std::string s = "\"";
  for (std::size_t k = 0; k < arg.size(); ++k) {
    if (k > 0 && arg[k].space) s += ' ';
    const bool literal = arg[k].kind == TokenKind::String || arg[k].kind == TokenKind::Char;
    for (char c : arg[k].s) {
      if (literal && (c == '"' || c == '\\')) s += '\\';
      s += c;
    }
  }
  s += '"';
  r.arena.push_back(std::move(s));
  PTok t{r.arena.back(), TokenKind::String};
  t.space = space;
  return t;
}

bool expand_list(Run& r, std::vector<PTok> input, std::vector<PTok>& out);

// The next token, from the innermost context that has one; a context whose
// tokens are all read is left (its macro enabled again) only then, so that a
// macro stays disabled while what its expansion ends with is expanded.
bool read(Run& r, std::vector<Context>& stack, PTok& t, bool consume = true) {
  for (;;) {
    Context& top = stack.back();
    if (top.pos < top.size()) {
      if (!top.as_defined) {
        t = top.tokens[top.pos];
      } else {
        t = body_token(*top.macro, top.pos);
        if (top.pos == 0) t.space = top.first_space;
      }
      top.pos += consume;
      return true;
    }
    if (stack.size() == 1) return false;
    --r.active[top.macro];
    stack.pop_back();
  }
}

bool collect_args(Run& r, std::vector<Context>& stack, const MacroDefinition& def,
                  std::vector<std::vector<PTok>>& args) {
  const std::size_t n = def.parameters.size();
  args.assign(1, {});
  std::size_t depth = 0;
  for (PTok t;;) {
    if (!read(r, stack, t))
      return r.fail(ShapeStatus::Unsure,
                    "the use of macro " + quoted_name(def.name) + " does not end inside it");
    if (!r.spend()) return false;
    if (t.kind == TokenKind::Identifier && !t.noexpand && is_active(r, t.s))
      return r.fail(ShapeStatus::Unsure, "macro " + quoted_name(t.s) + " refers to itself");
    const std::string_view p = punct(t);
    if (p == "(") {
      ++depth;
    } else if (p == ")") {
      if (depth == 0) break;
      --depth;
    } else if (p == "," && depth == 0 && !(def.variadic && args.size() == n)) {
      args.emplace_back();
      continue;
    }
    args.back().push_back(t);
  }
  if (n == 0 && args.size() == 1 && args[0].empty()) args.clear();
  if (def.variadic && args.size() + 1 == n) args.emplace_back();  // no variable arguments
  if (args.size() == n) return true;
  return r.fail(ShapeStatus::Unsure, "macro " + quoted_name(def.name) + " is given " +
                                         std::to_string(args.size()) + " arguments, not " +
                                         std::to_string(n));
}

bool substitute(Run& r, const MacroDefinition& def, const std::vector<std::vector<PTok>>& args,
                std::vector<PTok>& out) {
  const std::vector<PTok> body = body_of(def);
  auto parameter = [&](const PTok& t) -> int {
    if (t.kind != TokenKind::Identifier) return -1;
    for (std::size_t k = 0; k < def.parameters.size(); ++k)
      if (def.parameters[k] == t.s) return static_cast<int>(k);
    return -1;
  };
  const int variadic = def.variadic ? static_cast<int>(def.parameters.size()) - 1 : -1;
  std::vector<std::optional<std::vector<PTok>>> expanded(args.size());
  for (std::size_t i = 0; i < body.size(); ++i) {
    const PTok& b = body[i];
    const bool next_paste = i + 1 < body.size() && body[i + 1].paste;
    if (punct(b) == "#" && i + 1 < body.size() && parameter(body[i + 1]) >= 0) {
      out.push_back(stringize(r, args[static_cast<std::size_t>(parameter(body[++i]))], b.space));
      continue;
    }
    if (b.s == "__VA_OPT__")
      return r.fail(ShapeStatus::Unsure, "macro " + quoted_name(def.name) + " uses __VA_OPT__");
    // GNU: in ", ## __VA_ARGS__" the comma goes when there are no variable
    // arguments, and the '##' does nothing when there are.
    if (punct(b) == "," && next_paste && variadic >= 0 && i + 2 < body.size() &&
        parameter(body[i + 2]) == variadic) {
      const std::vector<PTok>& rest = args[static_cast<std::size_t>(variadic)];
      if (!rest.empty()) {
        out.push_back(b);
        out.insert(out.end(), rest.begin(), rest.end());
      }
      i += 2;
      continue;
    }
    const int p = parameter(b);
    if (p < 0) {
      out.push_back(b);
      continue;
    }
    const std::size_t k = static_cast<std::size_t>(p);
    const bool operand = (i > 0 && body[i - 1].paste) || next_paste;
    const std::vector<PTok>* with = &args[k];
    if (!operand) {
      if (!expanded[k]) {
        std::vector<PTok> e;
        if (!expand_list(r, args[k], e)) return false;
        expanded[k] = std::move(e);
      }
      with = &*expanded[k];
    }
    if (with->empty()) {
      if (operand) out.push_back(PTok{{}, TokenKind::Other, false, false, false, true});
      continue;
    }
    const std::size_t at = out.size();
    out.insert(out.end(), with->begin(), with->end());
    out[at].space = b.space;
  }
  return paste_all(r, out);
}

// Expands `input` as the rest of a file would be: its own context at the
// bottom of a stack, the macros already being expanded still disabled.
bool expand_list(Run& r, std::vector<PTok> input, std::vector<PTok>& out) {
  if (r.nesting == kMostNesting)
    return r.fail(ShapeStatus::TooComplex, "its macro arguments nest deeper than " +
                                               std::to_string(kMostNesting) + " levels");
  ++r.nesting;
  std::vector<Context> stack;
  stack.push_back({std::move(input)});
  bool ok = true;
  for (PTok t; ok && read(r, stack, t);) {
    if (!(ok = r.spend())) break;
    std::string_view name;
    const MacroDefinition* def =
        t.kind == TokenKind::Identifier && !t.noexpand ? lookup(r, t.s, name) : nullptr;
    if (def == nullptr) {
      out.push_back(t);
      continue;
    }
    if (auto active = r.active.find(def); active != r.active.end() && active->second > 0) {
      ok = r.fail(ShapeStatus::Unsure, "macro " + quoted_name(name) + " refers to itself");
      break;
    }
    if (!def->valid) {
      ok = r.fail(ShapeStatus::Unsure,
                  "macro " + quoted_name(name) + " has a definition cpp does not accept");
      break;
    }
    std::vector<PTok> replaced;
    const bool as_defined =
        !def->function_like &&
        std::none_of(def->tokens.begin(), def->tokens.end(), [&](const Token& k) {
          return k.kind == TokenKind::Punct && undigraph(token_raw(def->body, k)) == "##";
        });
    if (def->function_like) {
      PTok next;
      if (!read(r, stack, next, false) || punct(next) != "(") {
        out.push_back(t);  // a function-like macro's name alone is a name
        continue;
      }
      read(r, stack, next);
      std::vector<std::vector<PTok>> args;
      if (!(ok = collect_args(r, stack, *def, args) && substitute(r, *def, args, replaced))) break;
    } else if (!as_defined) {
      replaced = body_of(*def);
      if (!(ok = paste_all(r, replaced))) break;
    }
    if (r.first_macro.empty() && r.nesting == 1 && stack.size() == 1) {
      r.first_macro = name;
      r.first_where = def->where;
    }
    if (!replaced.empty()) replaced.front().space = t.space;
    ++r.active[def];
    stack.push_back({std::move(replaced), 0, def, as_defined, t.space});
  }
  for (std::size_t k = 1; k < stack.size(); ++k) --r.active[stack[k].macro];
  --r.nesting;
  return ok;
}

// The list arguments an expansion makes: commas outside brackets separate
// them. The macro whose replacement list holds the first such comma is the
// one named.
ArgShape shape_of(const std::vector<PTok>& tokens) {
  ArgShape shape;
  const MacroDefinition* comma_from = nullptr;
  std::size_t depth = 0, commas = 0, first_end = tokens.size(), first_close = npos;
  bool balanced = true;
  for (std::size_t k = 0; k < tokens.size() && balanced; ++k) {
    const std::string_view p = punct(tokens[k]);
    if (p == "(" || p == "[" || p == "{") {
      ++depth;
    } else if (p == ")" || p == "]" || p == "}") {
      balanced = depth > 0;
      if (balanced && --depth == 0 && first_close == npos) first_close = k;
    } else if (p == "," && depth == 0 && commas++ == 0) {
      first_end = k;
      comma_from = tokens[k].from;
    }
  }
  if (!balanced || depth != 0) {
    shape.status = ShapeStatus::Unsure;
    shape.reason = "it expands to brackets that do not pair up";
    return shape;
  }
  shape.pieces = tokens.empty() ? 0 : static_cast<int>(commas) + 1;
  const std::string_view head = tokens.empty() ? std::string_view() : tokens[0].s;
  shape.pair = tokens.size() >= 3 && (head == "Q5T" || head == "Q5LT" || head == "Q5ST") &&
               punct(tokens[1]) == "(" && first_close == tokens.size() - 1;
  if (first_end == 1 && (head == "XtVaTypedArg" || head == "XtVaNestedList"))
    shape.special = head == "XtVaTypedArg" ? "XtVaTypedArg" : "XtVaNestedList";
  if (comma_from != nullptr) {
    shape.macro = comma_from->name;
    shape.where = comma_from->where;
  }
  return shape;
}

bool same_shape(const ArgShape& a, const ArgShape& b) {
  return a.pieces == b.pieces && a.pair == b.pair && a.special == b.special;
}

}  // namespace

bool stands_for_itself(std::string_view name) {
  return name == "Q5T" || name == "Q5LT" || name == "Q5ST" || name == "XtVaTypedArg" ||
         name == "XtVaNestedList";
}

ArgShape argument_shape(std::string_view text, Tokens tokens, const MacroTable& macros,
                        ExpandBudget& budget) {
  std::deque<std::string> arena;
  std::vector<PTok> input;
  input.reserve(tokens.size());
  std::string buffer;
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    std::string_view s = spelling(text, tokens[k], buffer);
    if (s.data() == buffer.data()) s = arena.emplace_back(buffer);
    PTok t{s, tokens[k].kind};
    t.space = k > 0 && tokens[k].offset > token_end(tokens[k - 1]);
    input.push_back(t);
  }
  // Each name with differing definitions is counted under each of them:
  // the choices form a tree, walked depth first.
  std::vector<std::map<std::string_view, std::size_t>> todo(1);
  std::optional<ArgShape> agreed;
  std::string_view differing;
  for (std::size_t runs = 0; !todo.empty(); ++runs) {
    if (runs == kMostRuns) {
      ArgShape shape;
      shape.status = ShapeStatus::Unsure;
      shape.macro = differing;
      shape.reason = "macro " + quoted_name(differing) + " has too many differing definitions";
      return shape;
    }
    const std::map<std::string_view, std::size_t> choice = std::move(todo.back());
    todo.pop_back();
    Run r{macros, budget, arena, choice, {}, {}, 0, ShapeStatus::Known, {}, {}, {}};
    std::vector<PTok> out;
    const bool ok = expand_list(r, input, out);
    ArgShape shape = ok ? shape_of(out) : ArgShape{};
    if (!ok) {
      shape.status = r.status;
      shape.reason = r.reason;
    }
    if (shape.macro.empty()) {
      shape.macro = r.first_macro;
      shape.where = r.first_where;
    }
    if (shape.status != ShapeStatus::Known) return shape;
    if (agreed && !same_shape(*agreed, shape)) {
      shape.status = ShapeStatus::Unsure;
      shape.macro = differing;
      shape.reason = "macro " + quoted_name(differing) +
                     " has definitions that make it different numbers of list arguments";
      return shape;
    }
    if (!agreed) agreed = shape;
    for (std::size_t j = 0; j < r.differing.size(); ++j) {
      const std::string_view name = r.differing[j];
      if (differing.empty()) differing = name;
      const std::size_t alternatives = find_macro(macros, name)->size();
      for (std::size_t k = 1; k < alternatives; ++k) {
        std::map<std::string_view, std::size_t> next = choice;
        for (std::size_t before = 0; before < j; ++before) next[r.differing[before]] = 0;
        next[name] = k;
        todo.push_back(std::move(next));
      }
    }
  }
  return *agreed;
}

}  // namespace q5
