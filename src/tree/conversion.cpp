#include "tree/conversion.h"

#include <algorithm>
#include <utility>

#include "engine/reader/code_scan.h"
#include "engine/text/output.h"
#include "tree/migrate.h"

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

void keep_calls_outside_code(std::string_view before, Conversion& conversion) {
  std::vector<std::size_t> names;
  CodeCursor cursor;
  for (std::size_t at; next_stop(before, cursor, before.size(), at) != CodeStop::End;
       cursor.pos = at + 1)
    if (before[at] == 'Q' || before[at] == 'X') names.push_back(at);
  auto in_code = [&](const CallRecord& call) {
    return std::binary_search(names.begin(), names.end(), call.begin);
  };
  if (std::all_of(conversion.calls.begin(), conversion.calls.end(),
                  [&](const CallRecord& c) { return c.left_as_is || in_code(c); }))
    return;
  std::string out;
  std::size_t copied = 0;  // in the old output
  for (CallRecord& call : conversion.calls) {
    out.append(conversion.text, copied, call.out_begin - copied);
    copied = call.out_end;
    const std::size_t begin = out.size();
    if (call.left_as_is || in_code(call)) {
      out.append(conversion.text, call.out_begin, call.out_end - call.out_begin);
    } else {
      out.append(before.substr(call.begin, call.end - call.begin));
      call.left_as_is = true;
    }
    call.out_begin = begin;
    call.out_end = out.size();
  }
  out.append(conversion.text, copied);
  conversion.text = std::move(out);
}

void add_reader_findings(std::string_view text, const MacroTable& macros,
                         std::vector<Diagnostic>& diagnostics) {
  Migration migration = migrate_text(text, macros);
  auto by_offset = [](const Diagnostic& a, const Diagnostic& b) { return a.offset < b.offset; };
  std::stable_sort(diagnostics.begin(), diagnostics.end(), by_offset);
  const std::size_t had = diagnostics.size();
  for (Diagnostic& d : migration.diagnostics) {
    // The text rules convert the call that the safe conversion leaves.
    constexpr std::string_view kLeft = "call left as it stands: ";
    if (d.message.starts_with(kLeft)) d.message.erase(0, kLeft.size());
    d.call_left = false;
    // Once per spot and rule: the text rules may have said the same.
    auto [from, to] = std::equal_range(
        diagnostics.begin(), diagnostics.begin() + static_cast<std::ptrdiff_t>(had), d, by_offset);
    const bool said = std::any_of(from, to, [&](const Diagnostic& e) {
      return e.rule == d.rule ||
             std::find(e.merged.begin(), e.merged.end(), d.rule) != e.merged.end();
    });
    if (!said) diagnostics.push_back(std::move(d));
  }
  std::stable_sort(diagnostics.begin(), diagnostics.end(), by_offset);
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
