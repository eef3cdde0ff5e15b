#include "driver/run.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "driver/output.h"
#include "driver/source.h"
#include "recognise/byte_masks.h"
#include "recognise/scanner.h"

namespace q5 {

// Searched up to the first NUL byte, like a C string. Sixteen positions at
// a time: a position can start "Q5T(" only if it holds "Q" and the byte
// three on holds "(", which both plain sources and sources full of Q5 tags
// rarely show together. The NUL is looked for only once a match is found.
bool is_converted_already(std::string_view text) {
  constexpr std::string_view kPairMacro = "Q5T(";
  const char* data = text.data();
  std::size_t match = std::string_view::npos;
  std::size_t i = 0;
  for (; match == std::string_view::npos && i + 3 + 16 <= text.size(); i += 16) {
    unsigned maybe = masks::equal(masks::load16(data + i), 'Q') &
                     masks::equal(masks::load16(data + i + 3), '(');
    for (; maybe != 0 && match == std::string_view::npos; maybe &= maybe - 1) {
      std::size_t k = i + static_cast<std::size_t>(__builtin_ctz(maybe));
      if (text.substr(k, kPairMacro.size()) == kPairMacro) match = k;
    }
  }
  if (match == std::string_view::npos) match = text.find(kPairMacro, i);
  return match != std::string_view::npos && std::memchr(data, '\0', match) == nullptr;
}

namespace {

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

Failure cannot_open(const std::string& path) { return {ExitRefused, "Cannot open " + path + "\n"}; }

Failure cannot_write(const std::string& path) {
  return {ExitWriteFailed, "Cannot write to " + path + "\n"};
}

// The replacement of a file keeps its permission bits. Only a regular file
// is touched: temp.c may be a link to a device.
void keep_permissions(int fd, mode_t permissions) {
  struct stat status {};
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) ::fchmod(fd, permissions);
}

// Runs the conversion into an open output and finishes it. After a failure
// what is pending is still written, so what was taken before it stays.
MaybeFailure write_conversion(Output& out, std::string_view text) {
  MaybeFailure failure = scan_source(text, out);
  MaybeFailure finished = finish_output(out);
  return failure ? failure : finished;
}

// Outputs are opened for writing only, created with 0666 less the umask.
int open_for_writing(const char* path) { return ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0666); }

MaybeFailure convert_to_new_file(const Invocation& invocation, std::string_view text) {
  Output out = open_output(open_for_writing(invocation.output.c_str()), invocation.output);
  if (!output_opened(out)) return cannot_open(invocation.output);
  return write_conversion(out, text);
}

// Output and input are one file: convert in memory first, so a failure of
// the conversion leaves the file untouched, then write the file in place,
// which keeps its inode, links and permissions. If that write fails, the
// original content is put back.
MaybeFailure convert_in_place(const Invocation& invocation, std::string_view text) {
  Output memory = memory_output(invocation.output);
  if (MaybeFailure failure = write_conversion(memory, text)) return failure;
  std::string_view converted = output_bytes(memory);

  auto write_whole = [&](std::string_view bytes) {
    std::FILE* file = std::fopen(invocation.output.c_str(), "w+");
    if (file == nullptr) return false;
    bool written = bytes.empty() || std::fwrite(bytes.data(), bytes.size(), 1, file) == 1;
    bool closed = std::fclose(file) == 0;
    return written && closed;
  };
  if (write_whole(converted)) return {};
  write_whole(text);
  return cannot_write(invocation.output);
}

// The result goes to temp.c and is renamed onto the input in one step: the
// input is never gone before its replacement is in place.
MaybeFailure upgrade_in_place(const Invocation& invocation, std::string_view text,
                              mode_t permissions) {
  // Opened as fopen's "w+" would: read and write, created or truncated.
  Output out = open_output(::open(kUpgradeTemp, O_RDWR | O_CREAT | O_TRUNC, 0666), kUpgradeTemp);
  if (!output_opened(out)) return cannot_open(kUpgradeTemp);
  keep_permissions(out.fd, permissions);
  out.original = text;
  if (MaybeFailure failure = write_conversion(out, text)) return failure;

  // Nothing changed: leave the input as it was, timestamps included, so
  // build tools do not rebuild it.
  if (output_matches_original(out)) {
    std::remove(kUpgradeTemp);
    return {};
  }
  if (std::rename(kUpgradeTemp, invocation.input.c_str()) != 0)
    return Failure{ExitUpgradeFailed,
                   std::string("Error: unable to rename ") + kUpgradeTemp + " to " + invocation.input};
  return {};
}

}  // namespace

MaybeFailure run_invocation(const Invocation& invocation) {
  struct stat input_status {};
  bool input_exists = ::stat(invocation.input.c_str(), &input_status) == 0;

  // Upgrading temp.c itself would truncate the input when the output opens.
  struct stat temp_status {};
  if (invocation.upgrade && input_exists && ::stat(kUpgradeTemp, &temp_status) == 0 &&
      same_file(input_status, temp_status))
    return Failure{ExitRefused, "Cannot upgrade " + invocation.input + ": it is " + kUpgradeTemp +
                                    ", the file upgrade mode writes its result to\n"};

  SourceText source;
  if (MaybeFailure failure = load_source(invocation.input.c_str(), source)) {
    failure->message += "Cannot read " + invocation.input + "\n";
    return failure;
  }
  std::string_view text = source_view(source);
  if (is_converted_already(text))
    return Failure{ExitRefused, invocation.input + " is V8 file already\n"};

  mode_t permissions = input_status.st_mode & 07777;
  if (invocation.upgrade) return upgrade_in_place(invocation, text, permissions);

  struct stat output_status {};
  if (::stat(invocation.output.c_str(), &output_status) == 0 &&
      same_file(input_status, output_status))
    return convert_in_place(invocation, text);
  return convert_to_new_file(invocation, text);
}

Failure run_command_line(int argc, const char* const* argv) {
  auto parsed = parse_command_line(argc, argv);
  if (auto* failure = std::get_if<Failure>(&parsed)) return std::move(*failure);
  if (MaybeFailure failure = run_invocation(std::get<Invocation>(parsed))) return std::move(*failure);
  return {ExitSuccess, {}};
}

}  // namespace q5
