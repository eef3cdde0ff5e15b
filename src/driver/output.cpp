#include "driver/output.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <utility>

namespace q5 {

namespace {

// The capacity of the stream buffer the output behaves like: a piece that
// takes the pending bytes past it writes floor(pending / C) * C of them
// (fill, flush, whole blocks straight through) and keeps the rest, which
// decides which piece reports a failing device.
constexpr std::size_t kBufferSize = std::size_t{1} << 20;

// Source spans shorter than this are copied into the scratch buffer: one
// gathered-write entry costs more than copying a few hundred bytes.
constexpr std::size_t kLongSpan = 1024;

constexpr int kMaxSegments = IOV_MAX;

void add_piece(Output& out, std::string_view bytes, bool stable) {
  if (bytes.empty()) return;
  OutputPiece* last = out.pieces.empty() ? nullptr : &out.pieces.back();
  if (stable && bytes.size() >= kLongSpan) {
    if (last != nullptr && last->data != nullptr && last->data + last->size == bytes.data())
      last->size += bytes.size();
    else
      out.pieces.push_back({bytes.data(), 0, bytes.size()});
    return;
  }
  std::size_t offset = out.scratch.size();
  out.scratch.append(bytes);
  if (last != nullptr && last->data == nullptr && last->offset + last->size == offset)
    last->size += bytes.size();
  else
    out.pieces.push_back({nullptr, offset, bytes.size()});
}

// Writes every pending piece, looping over partial writes, at most
// kMaxSegments pieces per call.
bool write_pending(Output& out) {
  if (out.pending == 0) return true;
  if (out.write_limit != kNoWriteLimit && out.written + out.pending > out.write_limit) return false;
  iovec segments[kMaxSegments];
  std::size_t first = 0, done = 0;  // bytes of the first piece already written
  while (first < out.pieces.size()) {
    int count = 0;
    for (std::size_t k = first; k < out.pieces.size() && count < kMaxSegments; ++k, ++count) {
      const OutputPiece& piece = out.pieces[k];
      const char* base = piece.data != nullptr ? piece.data : out.scratch.data() + piece.offset;
      std::size_t skip = k == first ? done : 0;
      segments[count] = {const_cast<char*>(base + skip), piece.size - skip};
    }
    ssize_t got = ::writev(out.fd, segments, count);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out.written += static_cast<std::size_t>(got);
    for (std::size_t left = static_cast<std::size_t>(got); left > 0;) {
      std::size_t rest = out.pieces[first].size - done;
      if (left < rest) {
        done += left;
        break;
      }
      left -= rest;
      ++first;
      done = 0;
    }
  }
  out.pieces.clear();
  out.scratch.clear();
  out.pending = 0;
  return true;
}

bool take_bytes(Output& out, std::string_view bytes, bool stable) {
  if (out.in_memory) {
    if (out.write_limit != kNoWriteLimit && out.memory.size() + bytes.size() > out.write_limit)
      return false;
    out.memory.append(bytes);
    return true;
  }
  std::size_t total = out.pending + bytes.size();
  if (total <= kBufferSize) {
    add_piece(out, bytes, stable);
    out.pending = total;
    return true;
  }
  std::size_t keep = total % kBufferSize;
  add_piece(out, bytes.substr(0, bytes.size() - keep), stable);
  out.pending = total - keep;
  if (!write_pending(out)) return false;
  add_piece(out, bytes.substr(bytes.size() - keep), stable);
  out.pending = keep;
  return true;
}

// Running out of memory for the result is a failed write, as it is for a
// memory stream.
bool take(Output& out, std::string_view bytes, bool stable) {
  try {
    return take_bytes(out, bytes, stable);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

// One write of `bytes` as a single piece. On failure the message is
// head + subject + tail, built only then. Stable bytes stay in place until
// the output is finished and need not be copied.
bool emit(Output& out, std::string_view bytes, std::string_view head, std::string_view subject,
          std::string_view tail, bool stable = false) {
  if (out.failure) return false;
  if (bytes.empty()) return true;
  if (!out.original.empty() && !out.diverged) {
    if (out.compared + bytes.size() <= out.original.size() &&
        std::memcmp(out.original.data() + out.compared, bytes.data(), bytes.size()) == 0)
      out.compared += bytes.size();
    else
      out.diverged = true;
  }
  if (take(out, bytes, stable)) {
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

Output open_output(int fd, std::string path) {
  Output out;
  out.fd = fd;
  out.path = std::move(path);
  return out;
}

Output memory_output(std::string path) {
  Output out;
  out.in_memory = true;
  out.path = std::move(path);
  return out;
}

MaybeFailure finish_output(Output& out) {
  if (out.fd < 0) return out.failure;
  bool written = out.failure || write_pending(out);
  bool closed = ::close(out.fd) == 0;
  out.fd = -1;
  if (!out.failure && !(written && closed))
    out.failure = Failure{ExitWriteFailed, "Cannot write to " + out.path + "\n"};
  return out.failure;
}

bool output_matches_original(const Output& out) {
  return !out.diverged && out.compared == out.original.size();
}

bool put_source(Output& out, std::string_view bytes) {
  return emit(out, bytes, "Cannot write to ", out.path, "\n", true);
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
