#include "engine/reader/token_plan.h"

#include <algorithm>

#include "engine/reader/argument_kinds.h"

namespace q5 {

PairStyle pair_style(int row) {
  switch (call_table()[row].family) {
    case Family::Xt:
      return {Family::Xt, "Q5LT(", "resource"};
    case Family::TagGet:
      return {Family::TagGet, "Q5ST(", "tag"};
    default:
      return {Family::TagList, "Q5T(", "tag"};
  }
}

bool is_name(std::string_view text, Tokens tokens, std::string_view name) {
  return tokens.size() == 1 && tokens[0].kind == TokenKind::Identifier &&
         token_is(text, tokens[0], name);
}

bool is_pair_macro_use(std::string_view text, Tokens tokens) {
  if (tokens.size() < 3 || tokens[0].kind != TokenKind::Identifier) return false;
  return (token_is(text, tokens[0], "Q5T") || token_is(text, tokens[0], "Q5LT") ||
          token_is(text, tokens[0], "Q5ST")) &&
         is_punct(text, tokens[1], "(");
}

bool starts_with_cast(std::string_view text, Tokens tokens) {
  return tokens.size() >= 4 && is_punct(text, tokens[0], "(") &&
         token_is(text, tokens[1], "char") && is_punct(text, tokens[2], "*") &&
         is_punct(text, tokens[3], ")");
}

bool is_terminator(const PairStyle& style, std::string_view text, Tokens tokens) {
  return style.family == Family::Xt ? is_plain_null(text, tokens) : is_tag_end(text, tokens);
}

bool is_call_form(std::string_view text, const TokenCall& call, Tokens t) {
  if (t.size() < 3 || t[0].kind != TokenKind::Identifier || !is_punct(text, t[1], "("))
    return false;
  const std::size_t open = static_cast<std::size_t>(&t[1] - call.list->tokens.data());
  return call.list->partner[open] == open + t.size() - 2;
}

ArgShape shape_of_run(std::string_view text, const TokenCall& call, Tokens tokens,
                      const MacroTable& macros, ExpandBudget& budget) {
  const CallList& list = *call.list;
  const auto first = static_cast<std::size_t>(tokens.data() - list.tokens.data());
  if (list.macros_before[first + tokens.size()] != list.macros_before[first])
    return argument_shape(text, tokens, macros, budget);
  // A run that names no known macro becomes itself.
  ArgShape shape;
  shape.pair = is_pair_macro_use(text, tokens) && is_call_form(text, call, tokens);
  if (is_name(text, tokens, "XtVaTypedArg")) shape.special = "XtVaTypedArg";
  if (is_name(text, tokens, "XtVaNestedList")) shape.special = "XtVaNestedList";
  return shape;
}

namespace {

// An argument of a call in a macro's body that holds one of the macro's
// parameters outside parentheses (or a '##'): what it becomes depends on
// each use.
ArgShape parameter_shape(std::string_view text, const TokenCall& call, const TokenArg& arg) {
  const CallList& list = *call.list;
  const auto first = static_cast<std::size_t>(arg.tokens.data() - list.tokens.data());
  const std::size_t end = first + arg.tokens.size(), depth = list.depth[call.first_token - 1] + 1;
  std::size_t at = end;
  auto earliest = [&](const std::vector<std::size_t>& sorted) {
    auto found = std::lower_bound(sorted.begin(), sorted.end(), first);
    if (found != sorted.end() && *found < at) at = *found;
  };
  if (depth < list.parameters_at_depth.size()) earliest(list.parameters_at_depth[depth]);
  earliest(list.pastes);
  ArgShape shape;
  shape.status = ShapeStatus::Unsure;
  shape.macro = call.in_definition;
  std::string buffer;
  const std::string_view what = at < end ? spelling(text, list.tokens[at], buffer) : "##";
  shape.reason =
      what == "##" || what == "%:%:"
          ? "'##' in the body of macro '" + call.in_definition + "' pastes what each use passes"
          : "in the body of macro '" + call.in_definition + "', '" + std::string(what) +
                "' stands for what each use passes, outside parentheses";
  return shape;
}

struct Group {
  std::size_t start;         // the arguments before it, along one path
  std::size_t at;            // its opening line
  std::size_t first = npos;  // its first branch's length
  bool unequal = false, has_else = false;
};

// Where the pairs start among the flat arguments, following the directive
// lines among the leading ones: each conditional group there must give
// every branch the same number of arguments. Sets `plan.branch_trouble`.
std::size_t pairs_start(const TokenCall& call, std::size_t fixed, PlannedCall& plan) {
  const auto& directives = call.list->directives;
  std::vector<Group> groups;
  std::size_t path = 0, first = call.args.size();
  auto note = [&](std::size_t at, BranchTrouble why) {
    if (plan.branch_trouble != BranchTrouble::None) return;
    plan.branch_trouble = why;
    plan.branch_line = at;
  };
  auto close_branch = [&](Group& g) {
    const std::size_t length = path - g.start;
    if (g.first == npos) g.first = length;
    g.unequal |= length != g.first;
    path = g.start;
  };
  for (std::size_t i = 0; i < call.args.size(); ++i) {
    const TokenArg& arg = call.args[i];
    for (std::size_t d = arg.directives; d < arg.directives + arg.directive_count; ++d) {
      const ListDirective& line = directives[d];
      switch (line.kind) {
        case DirectiveKind::If:
          groups.push_back({path, line.at});
          break;
        case DirectiveKind::Elif:
        case DirectiveKind::Else:
          if (groups.empty()) {
            note(line.at, BranchTrouble::OpenedBefore);
            break;
          }
          close_branch(groups.back());
          groups.back().has_else |= line.kind == DirectiveKind::Else;
          break;
        case DirectiveKind::Endif: {
          if (groups.empty()) {
            note(line.at, BranchTrouble::OpenedBefore);
            break;
          }
          Group& g = groups.back();
          close_branch(g);
          // Without #else a path skips the group: it holds no argument then.
          if ((g.unequal || (!g.has_else && g.first != 0)) && g.start < fixed)
            note(g.at, BranchTrouble::Leading);
          path = g.start + g.first;
          groups.pop_back();
          break;
        }
        default:
          break;
      }
    }
    if (path == fixed && first == call.args.size()) {
      first = i;
      for (const Group& g : groups)
        if (g.start < fixed) note(g.at, BranchTrouble::Leading);  // leading arguments and pairs
    }
    ++path;
  }
  // A group the list opens and does not close.
  for (const Group& g : groups) note(g.at, BranchTrouble::NotClosed);
  return first;
}

}  // namespace

PlannedCall plan_token_call(std::string_view text, const TokenCall& call, const MacroTable& macros,
                            ExpandBudget& budget) {
  PlannedCall plan;
  plan.call = &call;
  plan.macros = &macros;
  plan.budget = &budget;
  plan.style = pair_style(call.row);
  const std::vector<TokenArg>& args = call.args;
  const std::size_t count = args.size();
  const auto fixed = static_cast<std::size_t>(call_table()[call.row].fixed_count);
  plan.first = pairs_start(call, fixed, plan);
  plan.in_pair_form =
      call.renamed ||
      std::any_of(args.begin() + static_cast<std::ptrdiff_t>(plan.first), args.end(),
                  [&](const TokenArg& a) { return is_pair_macro_use(text, a.tokens); });
  plan.roles.assign(count, TokenRole::Fixed);
  plan.shapes.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const TokenArg& a = args[i];
    plan.shapes[i] = a.has_parameters && i >= plan.first && !call.in_definition.empty()
                         ? parameter_shape(text, call, a)
                         : shape_of_run(text, call, a.tokens, macros, budget);
  }
  if (plan.in_pair_form || call.shape != CallShape::Call) return plan;

  const PairStyle& style = plan.style;
  bool tag_position = true;
  for (std::size_t i = plan.first; i < count; ++i) {
    Tokens tokens = args[i].tokens;
    const ArgShape& shape = plan.shapes[i];
    const bool known = shape.status == ShapeStatus::Known;
    TokenRole& role = plan.roles[i];
    if (!tag_position) {
      role = TokenRole::Value;
      tag_position = true;
    } else if (is_terminator(style, text, tokens)) {
      role = TokenRole::Terminator;
      bool extra = true;
      for (std::size_t k = i + 1; k < count; ++k) {
        extra =
            extra && is_terminator(style, text, args[k].tokens) && args[k].directive_before == npos;
        plan.roles[k] = extra ? TokenRole::Extra : TokenRole::After;
      }
      break;
    } else if (style.family == Family::TagList && is_name(text, tokens, "Q5DEFAULTCLASSTAGS")) {
      role = TokenRole::Marker;
    } else if (style.family == Family::Xt && known && shape.pieces == 1 && !shape.special.empty()) {
      // XtVaTypedArg takes four arguments after it, XtVaNestedList one.
      const std::size_t group = shape.special == "XtVaTypedArg" ? 4 : 1;
      if (count - i - 1 < group) {
        std::fill(plan.roles.begin() + static_cast<std::ptrdiff_t>(i), plan.roles.end(),
                  TokenRole::ShortGroup);
        break;
      }
      role = TokenRole::Group;
      for (std::size_t k = i + 1; k <= i + group; ++k) plan.roles[k] = TokenRole::GroupMember;
      i += group;
    } else if (known && shape.pair) {
      role = TokenRole::Pair;
    } else if (style.family == Family::Xt && known &&
               ((shape.special == "XtVaTypedArg" && shape.pieces == 5) ||
                (shape.special == "XtVaNestedList" && shape.pieces == 2))) {
      role = TokenRole::Group;  // a macro that is the whole group
    } else {
      role = TokenRole::Tag;
      tag_position = false;
    }
  }
  return plan;
}

void add_insertions(std::string_view text, const PlannedCall& plan, std::vector<Insertion>& out) {
  const TokenCall& call = *plan.call;
  if (plan.style.family == Family::TagGet) out.push_back({call.name_end, "S"});
  for (std::size_t i = 0; i < call.args.size(); ++i) {
    const TokenArg& arg = call.args[i];
    Tokens tokens = arg.tokens;
    const TokenRole role = plan.roles[i];
    // A comma that no parenthesis of its own encloses (in braces, say) would
    // split the pair macro's argument: that half goes in parentheses.
    const bool wrap = arg.bare_comma && (role == TokenRole::Tag || role == TokenRole::Value);
    if (role == TokenRole::Tag) out.push_back({tokens.front().offset, plan.style.prefix});
    if (wrap) out.push_back({tokens.front().offset, "("});
    if (wrap) out.push_back({token_end(tokens.back()), ")"});
    if (role == TokenRole::Value) out.push_back({token_end(tokens.back()), ")"});
    if (role == TokenRole::Terminator && plan.style.family == Family::Xt &&
        !starts_with_cast(text, tokens))
      out.push_back({tokens.front().offset, "(char *)"});
  }
}

}  // namespace q5
