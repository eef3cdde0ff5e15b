// Arbitrary bytes through the conversion core, in memory. Besides finding
// crashes and sanitizer reports, it stops on any of these:
// - a failure whose exit code is not one the core documents;
// - a text with no candidate that does not come out byte for byte unchanged;
// - output larger than 4x the input plus 64 KiB;
// - any difference from the literal scanner, in bytes or in the failure.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "literal_scanner.h"
#include "recognise/scanner.h"

namespace {

constexpr char kPath[] = "fuzz.out";

[[noreturn]] void finding(const char* what, const q5::literal::ScanRun& run) {
  std::fprintf(stderr, "FINDING: %s\n", what);
  std::fprintf(stderr, "  output: %zu bytes\n", run.bytes.size());
  if (run.failure)
    std::fprintf(stderr, "  exit %d, message \"%s\"\n", run.failure->exit_code,
                 run.failure->message.c_str());
  std::abort();
}

bool documented_exit(int code) {
  return code == q5::ExitBadInput || code == q5::ExitWriteFailed ||
         code == q5::ExitUnterminated || code == q5::ExitNoMemory;
}

bool same_failure(const q5::MaybeFailure& a, const q5::MaybeFailure& b) {
  if (a.has_value() != b.has_value()) return false;
  return !a || (a->exit_code == b->exit_code && a->message == b->message);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A std::string keeps the NUL after the text that the scanners' searches
  // rely on, as the loaded source does.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const q5::literal::ScanRun run = q5::literal::run_in_memory(q5::scan_source, text, kPath);

  if (run.failure && !documented_exit(run.failure->exit_code)) finding("undocumented exit", run);
  if (run.failure && (run.failure->message.empty() || run.failure->message.back() != '\n'))
    finding("failure message without a line end", run);

  // Every search stops at the first NUL, and only a candidate can move the
  // scan past it: without "Q5" or "XtVa" before that NUL nothing changes.
  const std::string_view searched(text.c_str());
  if (searched.find("Q5") == std::string_view::npos &&
      searched.find("XtVa") == std::string_view::npos && (run.failure || run.bytes != text))
    finding("text without candidates changed", run);

  if (run.bytes.size() > 4 * size + 64 * 1024) finding("output out of proportion", run);

  const q5::literal::ScanRun expected = q5::literal::run_literal_in_memory(text, kPath);
  if (expected.bytes != run.bytes) finding("output differs from the literal scanner's", run);
  if (!same_failure(expected.failure, run.failure))
    finding("failure differs from the literal scanner's", run);
  return 0;
}
