#include "driver/output.h"

#include <cstring>
#include <new>
#include <utility>

namespace q5 {

namespace {

// Output goes through one large buffer: a few big writes, not thousands.
constexpr std::size_t kOutputBufferSize = 1 << 20;

// One write of `bytes` as a single item. On failure the message is
// head + subject + tail, built only then.
bool emit(Output& out, std::string_view bytes, std::string_view head,
          std::string_view subject, std::string_view tail) {
  if (out.failure) return false;
  if (bytes.empty()) return true;
  if (!out.original.empty() && !out.diverged) {
    if (out.compared + bytes.size() <= out.original.size() &&
        std::memcmp(out.original.data() + out.compared, bytes.data(), bytes.size()) == 0)
      out.compared += bytes.size();
    else
      out.diverged = true;
  }
  // The stream belongs to this thread alone: skip its lock on every write.
  if (::fwrite_unlocked(bytes.data(), bytes.size(), 1, out.file) == 1) {
    out.position += bytes.size();
    return true;
  }
  std::string message;
  message.reserve(head.size() + subject.size() + tail.size());
  message.append(head).append(subject).append(tail);
  out.failure = Failure{ExitWriteFailed, std::move(message)};
  return false;
}

}  // namespace

Output open_output(std::FILE* file, std::string path) {
  Output out;
  out.file = file;
  out.path = std::move(path);
  // The C library sizes a buffer it allocates itself by the file's block
  // size, whatever is asked: hand it one. Memory streams (no descriptor)
  // manage their own.
  if (file == nullptr || ::fileno(file) < 0) return out;
  out.buffer.reset(new (std::nothrow) char[kOutputBufferSize]);
  if (out.buffer) std::setvbuf(file, out.buffer.get(), _IOFBF, kOutputBufferSize);
  return out;
}

bool output_matches_original(const Output& out) {
  return !out.diverged && out.compared == out.original.size();
}

bool put_source(Output& out, std::string_view bytes) {
  return emit(out, bytes, "Cannot write to ", out.path, "\n");
}

bool put_text(Output& out, std::string_view text) {
  return emit(out, text, "Cannot write '", text, "'\n");
}

bool put_call_head(Output& out, std::string_view name) {
  if (name.empty()) return true;
  return emit(out, name, "Cannot write ", name, "\n") &&
         emit(out, "(", "Cannot write name ", name, "\n");
}

std::size_t leading_blank_length(std::string_view arg) {
  std::size_t i = 0;
  while (i < arg.size()) {
    char c = arg[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
      ++i;
    else if (c == '\\' && arg.substr(i + 1, 1) == "\n")
      i += 2;
    else if (c == '\\' && arg.substr(i + 1, 2) == "\r\n")
      i += 3;
    else
      break;
  }
  return i;
}

bool put_prefixed_arg(Output& out, std::string_view arg, std::string_view prefix) {
  if (arg.empty()) return true;
  std::size_t blanks = leading_blank_length(arg);
  return emit(out, arg.substr(0, blanks), "Cannot indent param ", arg, "\n") &&
         emit(out, prefix, "Cannot write param ", arg, "\n") &&
         put_text(out, arg.substr(blanks));
}

bool put_separator(Output& out) { return emit(out, ",", "Cannot write '", ",", "'\n"); }

bool put_pair_close(Output& out, std::string_view call_name) {
  return emit(out, ")", "Cannot write param ", call_name, "\n");
}

bool put_call_close(Output& out) { return emit(out, ")", "Cannot write ')'\n", "", ""); }

}  // namespace q5
