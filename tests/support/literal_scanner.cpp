#include "literal_scanner.h"

#include <cstring>
#include <utility>

#include "engine/call_table.h"
#include "engine/text/splitter.h"
#include "engine/text/rewriters.h"

namespace q5::literal {

namespace {

// A C string search from `from`: it stops at the next NUL. The Fault that
// ignores NULs searches the whole rest of the text instead.
const char* find(const char* from, const char* needle, const char* end, Fault fault) {
  if (fault != Fault::SearchThroughNul) return std::strstr(from, needle);
  std::size_t at = std::string_view(from, end - from).find(needle);
  return at == std::string_view::npos ? nullptr : from + at;
}

// Where the scan resumes when the candidate stands inside a string literal,
// or nullptr when it does not.
const char* string_literal_end(const char* text, const char* candidate, const char* end,
                               Fault fault) {
  const char* first = fault == Fault::FirstByteExamined ? text : text + 1;
  int quotes = 0;
  for (const char* p = candidate; p > first;) {
    --p;
    if (*p == '\n' && fault != Fault::WalkPastNewline) break;
    std::size_t backslashes = 0;
    while (p - backslashes > text && *(p - 1 - backslashes) == '\\') ++backslashes;
    bool escaped = backslashes % 2 == 1 && fault != Fault::EscapedQuotesCounted;
    if (*p == '"' && !escaped) ++quotes;
  }
  if (quotes % 2 == 0) return nullptr;
  const char* quote = find(candidate, "\"", end, fault);
  return quote != nullptr ? quote + 1 : candidate + 1;
}

// Whether the candidate lies inside a block comment. Only the first "/*" at
// or after the scan position is looked at, unless the fault says otherwise.
const char* block_comment_end(const char* scan, const char* candidate, const char* end,
                              Fault fault) {
  const char* opener = find(scan, "/*", end, fault);
  while (opener != nullptr) {
    const char* closer = find(opener + 2, "*/", end, fault);
    if (closer != nullptr && opener < candidate && candidate < closer) return closer + 2;
    if (fault != Fault::AnyBlockComment || closer == nullptr || closer > candidate) break;
    opener = find(closer + 2, "/*", end, fault);
  }
  return nullptr;
}

const char* line_comment_end(const char* scan, const char* candidate, const char* end,
                             Fault fault) {
  if (fault == Fault::NoLineCommentTest) return nullptr;
  const char* opener = find(scan, "//", end, fault);
  if (opener == nullptr) return nullptr;
  const char* newline = find(opener + 2, "\n", end, fault);
  if (newline != nullptr && opener < candidate && candidate < newline) return newline;
  return nullptr;
}

}  // namespace

int lookup_literally(std::string_view text, std::size_t candidate) {
  std::string_view rest = text.substr(candidate);
  std::span<const CallEntry> table = call_table();
  for (std::size_t row = 0; row < table.size(); ++row) {
    if (!rest.starts_with(table[row].name)) continue;
    std::size_t p = table[row].name.size();
    while (p < rest.size() && is_call_blank(rest[p])) ++p;
    if (p < rest.size() && rest[p] == '(') return static_cast<int>(row);
  }
  return -1;
}

namespace {

template <typename Scan>
ScanRun run_with(Scan scan, const std::string& text, const std::string& path,
                 std::size_t write_limit) {
  Output out = memory_output(path);
  out.write_limit = write_limit;
  ScanRun run;
  run.failure = scan(std::string_view(text), out);
  run.bytes = std::move(out.memory);
  return run;
}

}  // namespace

MaybeFailure scan_source(std::string_view text, Output& out, Fault fault) {
  const char* const start = text.data();
  const char* const end = start + text.size();
  const char* scan = start;
  const char* copy = start;
  ArgumentList args;

  while (scan < end) {
    const char* q5 = find(scan, "Q5", end, fault);
    const char* xt = find(scan, "XtVa", end, fault);
    const char* candidate = q5 == nullptr ? xt : xt == nullptr ? q5 : q5 < xt ? q5 : xt;
    if (candidate == nullptr) break;

    if (const char* resume = string_literal_end(start, candidate, end, fault)) {
      scan = resume;
      continue;
    }
    if (fault == Fault::LineTestFirst) {
      if (const char* resume = line_comment_end(scan, candidate, end, fault)) {
        scan = resume;
        continue;
      }
    }
    if (const char* resume = block_comment_end(scan, candidate, end, fault)) {
      scan = resume;
      continue;
    }
    if (const char* resume = line_comment_end(scan, candidate, end, fault)) {
      scan = resume;
      continue;
    }

    int row = lookup_literally(text, candidate - start);
    if (row < 0) {
      scan = candidate + (fault == Fault::StepOneOnFailedLookup ? 1 : 3);
      continue;
    }

    if (copy < candidate && !put_source(out, std::string_view(copy, candidate - copy)))
      return out.failure;
    CallPlan plan;
    ConvertResult converted = convert_call(text, candidate - start, call_table()[row], args, plan, out);
    if (converted.failure) return converted.failure;
    if (out.failure) return out.failure;
    scan = copy = candidate + converted.consumed;
  }

  const char* tail_end = fault == Fault::TailUpToNul ? copy + std::strlen(copy) : end;
  if (copy < tail_end && !put_source(out, std::string_view(copy, tail_end - copy)))
    return out.failure;
  return {};
}

ScanRun run_in_memory(Scanner scan, const std::string& text, const std::string& path,
                      std::size_t write_limit) {
  return run_with(scan, text, path, write_limit);
}

ScanRun run_literal_in_memory(const std::string& text, const std::string& path, Fault fault,
                              std::size_t write_limit) {
  return run_with([fault](std::string_view t, Output& out) { return scan_source(t, out, fault); },
                  text, path, write_limit);
}

}  // namespace q5::literal
