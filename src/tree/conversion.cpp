#include "tree/conversion.h"

#include <utility>

#include "engine/text/output.h"

namespace q5 {

namespace {

bool call_changed(std::string_view before, const Conversion& conversion, const CallRecord& call) {
  return before.substr(call.begin, call.end - call.begin) !=
         std::string_view(conversion.text).substr(call.out_begin, call.out_end - call.out_begin);
}

}  // namespace

Conversion convert_text(std::string_view text) {
  Conversion conversion;
  Output out = memory_output("");
  ScanOptions options;
  options.keep_converted = true;
  options.calls = &conversion.calls;
  conversion.failure = scan_source(text, out, options);
  conversion.text = std::move(out.memory);
  return conversion;
}

std::vector<ReplacedSpan> replacements_of(const Conversion& conversion) {
  std::vector<ReplacedSpan> replacements;
  replacements.reserve(conversion.calls.size());
  for (const CallRecord& call : conversion.calls)
    if (!call.left_as_is)
      replacements.push_back({call.begin, call.end, call.out_begin, call.out_end});
  return replacements;
}

std::vector<std::size_t> changed_calls(std::string_view before, const Conversion& conversion) {
  std::vector<std::size_t> offsets;
  for (const CallRecord& call : conversion.calls)
    if (!call.left_as_is && call_changed(before, conversion, call)) offsets.push_back(call.begin);
  return offsets;
}

}  // namespace q5
