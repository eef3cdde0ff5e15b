// A large text converted on two threads comes out as on one, through a file
// output, also when the device fills up partway. (The fuzzer does the same
// with small parts on small texts.)
#include "recognise/scanner.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace q5 {
namespace {

namespace fs = std::filesystem;

struct Run {
  std::string bytes;
  MaybeFailure failure;
};

Run convert(const std::string& text, bool two_threads, std::size_t limit,
            const TwoThreadSizes& sizes = {}, const ScanOptions& options = {}) {
  int fd = ::memfd_create("two_threads_test", MFD_CLOEXEC);
  Output out = open_output(::dup(fd), "out.c");
  out.write_limit = limit;
  MaybeFailure failure = two_threads ? scan_source_concurrently(text, out, options, sizes)
                                     : scan_source(text, out, options);
  MaybeFailure finished = finish_output(out);
  Run run{{}, failure ? failure : finished};
  char chunk[65536];
  for (ssize_t got; (got = ::pread(fd, chunk, sizeof chunk, static_cast<off_t>(run.bytes.size()))) > 0;)
    run.bytes.append(chunk, static_cast<std::size_t>(got));
  ::close(fd);
  return run;
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The golden inputs that convert, and the example, over and over to a few
// MiB, with a varying line between them so that nothing repeats in step.
// Not those with a NUL: every search stops at the first one.
std::string large_text() {
  std::vector<std::string> sources{read_file(fs::path(Q5_SOURCE_DIR) / "examples" / "dialog.c")};
  for (const auto& entry : fs::directory_iterator(fs::path(Q5_TEST_SOURCE_DIR) / "golden")) {
    if (!entry.is_directory() || fs::exists(entry.path() / "expected.status")) continue;
    std::string input = read_file(entry.path() / "input.c");
    if (input.find('\0') == std::string::npos) sources.push_back(input);
  }
  std::string text;
  for (int round = 0; text.size() < (std::size_t{3} << 20); ++round)
    for (const std::string& source : sources) text += source + "\nint pad_" + std::to_string(round) + ";\n";
  return text;
}

void expect_same(const std::string& text, std::size_t limit, const TwoThreadSizes& sizes,
                 const char* what) {
  Run one = convert(text, false, limit);
  Run two = convert(text, true, limit, sizes);
  EXPECT_TRUE(one.bytes == two.bytes) << what << ", limit " << limit;
  ASSERT_EQ(one.failure.has_value(), two.failure.has_value()) << what << ", limit " << limit;
  if (one.failure) {
    EXPECT_EQ(one.failure->message, two.failure->message) << what;
  }
}

TEST(TwoThreads, LargeTextComesOutAsOnOne) {
  const std::string text = large_text();
  ASSERT_NE(convert(text, false, kNoWriteLimit).bytes, text);  // it converts
  for (std::size_t limit : {kNoWriteLimit, (std::size_t{1} << 20) + 17, text.size() * 3 / 4})
    expect_same(text, limit, {}, "default sizes");
  // Parts of every size around the cut, which also lands anywhere.
  for (std::size_t cut : {std::size_t{1}, text.size() / 3, text.size() - 5})
    expect_same(text, kNoWriteLimit, {cut, 4096, 1024, 2, 4096}, "small parts");
}

TEST(TwoThreads, SmallPartsWaitingOnEachOther) {
  // A short log and frequent hand-overs keep each thread waiting for the
  // other, with the device filling up at points spread over the output.
  std::string text = large_text().substr(0, 300000);
  std::size_t full = convert(text, false, kNoWriteLimit).bytes.size();
  for (std::size_t round = 0; round < 24; ++round) {
    TwoThreadSizes sizes{1 + round * 12345 % text.size(), 1 + round * 97 % 8192, 1 + round % 300,
                         1 + round % 3, 1 + round * 31 % 2048};
    expect_same(text, round % 2 == 0 ? kNoWriteLimit : round * 7919 % full, sizes, "small parts");
  }
}

TEST(TwoThreads, CallsConvertedAlreadyAreKeptByBothThreads) {
  // A text converted once, and converted again keeping what is in pair form:
  // both threads must leave every call as it stands.
  const std::string once = convert(large_text().substr(0, 400000), false, kNoWriteLimit).bytes;
  ScanOptions keep;
  keep.keep_converted = true;
  const auto one = convert(once, false, kNoWriteLimit, {}, keep);
  const auto two = convert(once, true, kNoWriteLimit, {once.size() / 3, 4096, 1024, 2, 4096}, keep);
  EXPECT_TRUE(one.bytes == two.bytes);
}

TEST(TwoThreadsMeeting, CommentOverTheCutLeavesTheFirstThreadAlone) {
  // The second thread starts inside a comment longer than the stretch it
  // notes positions over: the two never meet, and the first goes on alone.
  std::string text = large_text();
  std::string comment = "/* " + std::string(200000, 'x') + " Q5SetAttrs(o, A, 1, Q5TAG_END); */\n";
  text.insert(text.size() / 2 - 1000, comment);
  expect_same(text, kNoWriteLimit, {text.size() / 2, 65536, 65536, 256, 1 << 20}, "comment");
}

}  // namespace
}  // namespace q5
