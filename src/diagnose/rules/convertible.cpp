#include "diagnose/rules/convertible.h"

#include <string>

#include "diagnose/rules/planned.h"
#include "diagnose/rules/rule_list.h"
#include "engine/reader/splices.h"

namespace q5 {

Diagnostic call_to_convert(std::string_view text, std::size_t name, std::vector<TextEdit> fix) {
  auto in_name = [](char c) {
    return c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  };
  // The name as the compiler reads it: a line splice may fall inside it.
  std::string spelled;
  for (std::size_t i = past_splices(text, name, text.size()); i < text.size() && in_name(text[i]);
       i = past_splices(text, i + 1, text.size()))
    spelled += text[i];
  // Each pair gets its macro's opening ("Q5LT("); the cast and the ")" are
  // not counted.
  std::size_t pairs = 0;
  for (const TextEdit& edit : fix)
    if (edit.length == 0 && edit.text.size() > 1 && edit.text.back() == '(') ++pairs;
  std::string message = "call to '" + spelled + "' to convert to the pair form";
  if (pairs > 0)
    message += ": " + std::to_string(pairs) + (pairs == 1 ? " pair" : " pairs") + " to wrap";
  Diagnostic d = finding(Rule::Convertible, name, std::move(message));
  d.fix = std::move(fix);
  return d;
}

extern const RuleInfo kRuleConvertible = {
    Rule::Convertible,
    "q5-convertible",
    Severity::Warning,
    "A call still to convert to the pair form.",
    "The call's pairing is certain, and converting it (-i) wraps each pair in its pair macro by "
    "insertions alone. --check and --diff report each such call, so that a CI gate shows where "
    "the work is (the SARIF log carries the insertions as the result's fix); -i and --stdout "
    "convert it instead. It is work to do rather than trouble: --werror does not count it, and "
    "it makes the exit status 1 as a file that would change does, unless its severity is set to "
    "error.",
    nullptr,
    "XtVaSetValues(w, XmNwidth, 10, NULL);\n",
    "Convert it: q5upgrade -i PATH."};

}  // namespace q5
