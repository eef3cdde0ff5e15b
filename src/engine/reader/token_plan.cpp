#include "engine/reader/token_plan.h"

#include <algorithm>

#include "engine/call_table.h"
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
  std::string_view name = token_raw(text, tokens[0]);
  return (name == "Q5T" || name == "Q5LT" || name == "Q5ST") && is_punct(text, tokens[1], "(");
}

bool starts_with_cast(std::string_view text, Tokens tokens) {
  return tokens.size() >= 4 && is_punct(text, tokens[0], "(") &&
         token_is(text, tokens[1], "char") && is_punct(text, tokens[2], "*") &&
         is_punct(text, tokens[3], ")");
}

bool is_terminator(const PairStyle& style, std::string_view text, Tokens tokens) {
  return style.family == Family::Xt ? is_plain_null(text, tokens) : is_tag_end(text, tokens);
}

MacroUse macro_use(std::string_view text, Tokens tokens, const MacroTable& macros) {
  if (macros.known.empty() || tokens.empty()) return {};
  if (tokens[0].kind == TokenKind::Identifier) {
    bool called = is_macro_call(text, tokens);
    if (tokens.size() == 1 || called) {
      std::string_view name = token_raw(text, tokens[0]);
      if (const MacroShape* shape = find_macro(macros, name, called)) return {shape, name, true};
    }
  }
  if (!macros.any_not_one) return {};
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    if (tokens[k].kind != TokenKind::Identifier) continue;
    bool called = k + 1 < tokens.size() && is_punct(text, tokens[k + 1], "(");
    std::string_view name = token_raw(text, tokens[k]);
    const MacroShape* shape = find_macro(macros, name, called);
    if (shape != nullptr && shape->arguments != 1) return {shape, name, false};
  }
  return {};
}

PlannedCall plan_token_call(std::string_view text, const TokenCall& call,
                            const MacroTable& macros) {
  PlannedCall plan;
  plan.call = &call;
  plan.macros = &macros;
  plan.style = pair_style(call.row);
  const std::vector<TokenArg>& args = call.args;
  const std::size_t count = args.size();
  plan.first =
      std::min<std::size_t>(static_cast<std::size_t>(call_table()[call.row].fixed_count), count);
  plan.in_pair_form =
      call.renamed ||
      std::any_of(args.begin() + static_cast<std::ptrdiff_t>(plan.first), args.end(),
                  [&](const TokenArg& a) { return is_pair_macro_use(text, a.tokens); });
  plan.roles.assign(count, TokenRole::Fixed);
  plan.uses.resize(count);
  for (std::size_t i = 0; i < count; ++i) plan.uses[i] = macro_use(text, args[i].tokens, macros);
  if (plan.in_pair_form || call.shape != CallShape::Call) return plan;

  const PairStyle& style = plan.style;
  bool tag_position = true;
  for (std::size_t i = plan.first; i < count; ++i) {
    Tokens tokens = args[i].tokens;
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
    } else if (style.family == Family::Xt &&
               (is_name(text, tokens, "XtVaTypedArg") || is_name(text, tokens, "XtVaNestedList"))) {
      std::size_t group = is_name(text, tokens, "XtVaTypedArg") ? 4 : 1;
      if (count - i - 1 < group) {
        std::fill(plan.roles.begin() + static_cast<std::ptrdiff_t>(i), plan.roles.end(),
                  TokenRole::ShortGroup);
        break;
      }
      role = TokenRole::Group;
      for (std::size_t k = i + 1; k <= i + group; ++k) plan.roles[k] = TokenRole::GroupMember;
      i += group;
    } else if (plan.uses[i].whole && plan.uses[i].shape->whole_pair) {
      role = TokenRole::Pair;
    } else if (plan.uses[i].whole && style.family == Family::Xt &&
               is_special_group(*plan.uses[i].shape)) {
      role = TokenRole::Group;
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
    Tokens tokens = call.args[i].tokens;
    switch (plan.roles[i]) {
      case TokenRole::Tag:
        out.push_back({tokens.front().offset, plan.style.prefix});
        break;
      case TokenRole::Value:
        out.push_back({token_end(tokens.back()), ")"});
        break;
      case TokenRole::Terminator:
        if (plan.style.family == Family::Xt && !starts_with_cast(text, tokens))
          out.push_back({tokens.front().offset, "(char *)"});
        break;
      default:
        break;
    }
  }
}

}  // namespace q5
