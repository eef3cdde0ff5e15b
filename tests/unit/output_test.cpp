// The file output against the stream it replaces: a C stream with a 1 MiB
// buffer over a device that fails past a given size. Both must take the same
// pieces, report the same failure message and write a prefix of the same
// bytes; without a failure, the same bytes.
#include "engine/text/output.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace q5 {
namespace {

struct Step {
  bool source;  // put_source from the input, else put_text of a copy
  std::size_t begin, size;
};

std::vector<Step> random_steps(std::mt19937& random, std::size_t input_size) {
  std::vector<Step> steps;
  std::size_t at = 0;
  while (at < input_size) {
    // Mostly short pieces, now and then a source span of several MiB.
    bool source = random() % 3 != 0;
    std::size_t size = source && random() % 8 == 0 ? random() % (3 << 20) : random() % 3000;
    size = std::min(size, input_size - at);
    steps.push_back({source, at, size});
    at += size;
  }
  return steps;
}

// Writes the steps through `out`; stops at the first failure.
void put_steps(Output& out, const std::string& input, const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    std::string_view bytes = std::string_view(input).substr(step.begin, step.size);
    std::string copy(bytes);  // put_text's bytes need not outlive the call
    if (!(step.source ? put_source(out, bytes) : put_text(out, copy))) return;
  }
}

struct Outcome {
  std::string bytes;
  MaybeFailure failure;
};

// The reference: an item write per piece through a 1 MiB stream buffer, to
// a device of `limit` bytes that takes what fits, as a file at its size
// limit does, then fails.
struct Device {
  std::string bytes;
  std::size_t limit;
};

ssize_t device_write(void* cookie, const char* data, std::size_t size) {
  auto* device = static_cast<Device*>(cookie);
  std::size_t room = device->limit - device->bytes.size();
  if (room == 0) return 0;  // an error, for a cookie stream
  size = std::min(size, room);
  device->bytes.append(data, size);
  return static_cast<ssize_t>(size);
}

Outcome through_stream(const std::string& input, const std::vector<Step>& steps,
                       std::size_t limit) {
  Device device{{}, limit};
  std::FILE* file = fopencookie(&device, "w", {nullptr, device_write, nullptr, nullptr});
  std::vector<char> buffer(std::size_t{1} << 20);
  std::setvbuf(file, buffer.data(), _IOFBF, buffer.size());
  Outcome outcome;
  for (const Step& step : steps) {
    std::string_view bytes = std::string_view(input).substr(step.begin, step.size);
    if (bytes.empty() || std::fwrite(bytes.data(), bytes.size(), 1, file) == 1) continue;
    outcome.failure = Failure{ExitWriteFailed, step.source ? "Cannot write to out.c\n"
                                                           : "Cannot write '" + std::string(bytes) + "'\n"};
    break;
  }
  bool failed = std::ferror(file) != 0;
  if (std::fclose(file) != 0 || failed) {
    if (!outcome.failure) outcome.failure = Failure{ExitWriteFailed, "Cannot write to out.c\n"};
  }
  outcome.bytes = device.bytes;
  return outcome;
}

Outcome through_output(const std::string& input, const std::vector<Step>& steps,
                       std::size_t limit) {
  std::FILE* file = std::tmpfile();
  Output out = open_output(::dup(::fileno(file)), "out.c");
  out.write_limit = limit;
  put_steps(out, input, steps);
  Outcome outcome;
  outcome.failure = finish_output(out);
  std::rewind(file);
  char chunk[65536];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
    outcome.bytes.append(chunk, got);
  std::fclose(file);
  return outcome;
}

TEST(Output, FileOutputWritesAndFailsLikeABufferedStream) {
  std::mt19937 random(12);
  for (int round = 0; round < 12; ++round) {
    std::string input(random() % (6 << 20), '\0');
    for (char& c : input) c = static_cast<char>('a' + random() % 26);
    std::vector<Step> steps = random_steps(random, input.size());
    // No limit, and limits around the 1 MiB flushes and inside the last one.
    std::vector<std::size_t> limits = {kNoWriteLimit, 0, (1 << 20) - 1, 1 << 20,
                                       (2 << 20) + 17, input.size() - input.size() % (1 << 20),
                                       input.size() - 1, random() % (input.size() + 1)};
    for (std::size_t limit : limits) {
      SCOPED_TRACE("round " + std::to_string(round) + ", limit " + std::to_string(limit));
      Outcome expected = through_stream(input, steps, limit);
      Outcome actual = through_output(input, steps, limit);
      ASSERT_EQ(actual.failure.has_value(), expected.failure.has_value());
      if (!expected.failure) {
        EXPECT_TRUE(actual.bytes == input);
        continue;
      }
      EXPECT_EQ(actual.failure->message, expected.failure->message);
      EXPECT_EQ(actual.failure->exit_code, ExitWriteFailed);
      EXPECT_TRUE(actual.bytes == expected.bytes);
    }
  }
}

TEST(Output, PositionCountsPendingBytesAndMemoryKeepsTheResult) {
  std::string input = "unchanged Q5SetAttrs(o, A, 1, Q5TAG_END);";
  Output out = memory_output("mem.c");
  out.original = input;
  EXPECT_TRUE(put_source(out, std::string_view(input).substr(0, 10)));
  EXPECT_EQ(out.position, 10u);
  EXPECT_TRUE(output_matches_original(out) == false);  // not all of it yet
  EXPECT_TRUE(put_text(out, std::string_view(input).substr(10)));
  EXPECT_TRUE(output_matches_original(out));
  EXPECT_TRUE(put_separator(out));
  EXPECT_FALSE(output_matches_original(out));
  EXPECT_FALSE(finish_output(out));
  EXPECT_EQ(output_bytes(out), input + ",");
}

TEST(Output, FailedFinalWriteNamesTheFile) {
  std::FILE* file = std::tmpfile();
  Output out = open_output(::dup(::fileno(file)), "small.c");
  out.write_limit = 3;
  EXPECT_TRUE(put_text(out, "four"));  // pending: the device sees it only at the end
  EXPECT_EQ(out.position, 4u);
  MaybeFailure failure = finish_output(out);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->message, "Cannot write to small.c\n");
  EXPECT_EQ(failure->exit_code, ExitWriteFailed);
  std::fclose(file);
}

}  // namespace
}  // namespace q5
