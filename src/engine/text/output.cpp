#include "engine/text/output.h"

#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
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

// Room for one more pending piece; may throw std::bad_alloc.
void reserve_piece(Output& out) {
  if (out.pieces.size() < out.pieces.capacity()) return;
  out.asked = std::max<std::size_t>(2 * out.pieces.capacity(), 16) * sizeof(OutputPiece);
  out.pieces.reserve(out.asked / sizeof(OutputPiece));
}

// Makes room for `extra` more scratch bytes; may throw std::bad_alloc.
void reserve_scratch(Output& out, std::size_t extra) {
  std::size_t need = out.scratch_size + extra;
  if (need <= out.scratch_capacity) return;
  std::size_t capacity = std::max({need, 2 * out.scratch_capacity, std::size_t{4096}});
  out.asked = capacity;
  std::unique_ptr<char[]> grown(new char[capacity]);
  if (out.scratch_size != 0) std::memcpy(grown.get(), out.scratch.get(), out.scratch_size);
  out.scratch = std::move(grown);
  out.scratch_capacity = capacity;
}

// Counts `size` bytes just put at the end of the scratch buffer as pending.
void add_scratch_piece(Output& out, std::size_t size) {
  std::size_t offset = out.scratch_size;
  if (!out.pieces.empty()) {
    OutputPiece& last = out.pieces.back();
    if (last.data == nullptr && last.offset + last.size == offset) {
      out.scratch_size += size;
      last.size += size;
      return;
    }
  }
  reserve_piece(out);
  out.scratch_size += size;
  out.pieces.push_back({nullptr, offset, size});
}

void add_piece(Output& out, std::string_view bytes, bool stable) {
  if (bytes.empty()) return;
  if (stable && bytes.size() >= kLongSpan) {
    OutputPiece* last = out.pieces.empty() ? nullptr : &out.pieces.back();
    if (last != nullptr && last->data != nullptr && last->data + last->size == bytes.data()) {
      last->size += bytes.size();
    } else {
      reserve_piece(out);
      out.pieces.push_back({bytes.data(), 0, bytes.size()});
    }
    return;
  }
  reserve_scratch(out, bytes.size());
  std::memcpy(out.scratch.get() + out.scratch_size, bytes.data(), bytes.size());
  add_scratch_piece(out, bytes.size());
}

// Writes every pending piece, looping over partial writes, at most
// kMaxSegments pieces per call.
bool write_pending(Output& out) {
  if (out.pending == 0) return true;
  // The test hook's device takes what fits and fails the rest, as a file
  // at its size limit or a full disk does.
  std::size_t room = out.write_limit == kNoWriteLimit ? kNoWriteLimit
                     : out.write_limit > out.written  ? out.write_limit - out.written
                                                      : 0;
  iovec segments[kMaxSegments];
  std::size_t first = 0, done = 0;  // bytes of the first piece already written
  while (first < out.pieces.size()) {
    if (room == 0) return false;
    int count = 0;
    std::size_t offered = 0;
    for (std::size_t k = first; k < out.pieces.size() && count < kMaxSegments && offered < room;
         ++k, ++count) {
      const OutputPiece& piece = out.pieces[k];
      const char* base = piece.data != nullptr ? piece.data : out.scratch.get() + piece.offset;
      std::size_t skip = k == first ? done : 0;
      std::size_t size = std::min(piece.size - skip, room - offered);
      segments[count] = {const_cast<char*>(base + skip), size};
      offered += size;
    }
    ssize_t got = ::writev(out.fd, segments, count);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    if (room != kNoWriteLimit) room -= static_cast<std::size_t>(got);
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
  out.scratch_size = 0;
  out.pending = 0;
  return true;
}

// Room for `extra` more bytes of a memory output, grown as a string grows;
// may throw std::bad_alloc.
void reserve_memory(Output& out, std::size_t extra) {
  std::size_t need = out.memory.size() + extra;
  if (need <= out.memory.capacity()) return;
  out.asked = std::max(need, 2 * out.memory.capacity());
  out.memory.reserve(out.asked);
}

bool take_bytes(Output& out, std::string_view bytes, bool stable) {
  if (out.in_memory) {
    if (out.write_limit != kNoWriteLimit && out.memory.size() + bytes.size() > out.write_limit)
      return false;
    reserve_memory(out, bytes.size());
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

void fail_for_memory(Output& out) {
  out.failure = Failure{ExitNoMemory, "Cannot alloc " + std::to_string(out.asked) + " bytes\n",
                        static_cast<std::size_t>(-1), FailureKind::NoMemory, out.asked};
}

// Running out of memory for the result is told as such (the failure is
// set here), not as a failed write.
bool take(Output& out, std::string_view bytes, bool stable) {
  try {
    return take_bytes(out, bytes, stable);
  } catch (const std::bad_alloc&) {
    fail_for_memory(out);
    return false;
  }
}

// Follows the writes against out.original (upgrade mode's "unchanged").
inline void compare_with_original(Output& out, const char* bytes, std::size_t size) {
  if (out.original.empty() || out.diverged) return;
  if (out.compared + size <= out.original.size() &&
      std::memcmp(out.original.data() + out.compared, bytes, size) == 0)
    out.compared += size;
  else
    out.diverged = true;
}

// One write of `bytes` as a single piece. On failure the message is
// head + subject + tail, built only then. Stable bytes stay in place until
// the output is finished and need not be copied.
bool emit(Output& out, std::string_view bytes, std::string_view head, std::string_view subject,
          std::string_view tail, bool stable = false) {
  if (out.failure) return false;
  if (bytes.empty()) return true;
  compare_with_original(out, bytes.data(), bytes.size());
  if (take(out, bytes, stable)) {
    out.position += bytes.size();
    return true;
  }
  if (out.failure) return false;  // no memory
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
  // The usual case, a span that stays inside the emulated buffer, without
  // the general path's message arguments.
  if (!out.failure && !out.in_memory && out.pending + bytes.size() <= kBufferSize) {
    compare_with_original(out, bytes.data(), bytes.size());
    try {
      add_piece(out, bytes, true);
    } catch (const std::bad_alloc&) {
      fail_for_memory(out);
      return false;
    }
    out.pending += bytes.size();
    out.position += bytes.size();
    return true;
  }
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

char* open_block(Output& out, std::size_t bound) {
  if (out.failure) return nullptr;
  try {
    if (out.in_memory) {
      if (out.write_limit != kNoWriteLimit &&
          (out.memory.size() > out.write_limit || bound > out.write_limit - out.memory.size()))
        return nullptr;
      reserve_memory(out, bound);
    } else if (out.pending + bound > kBufferSize) {
      return nullptr;
    } else {
      reserve_piece(out);  // for close_block
    }
    reserve_scratch(out, bound);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return out.scratch.get() + out.scratch_size;
}

void close_block(Output& out, const char* end) {
  const char* begin = out.scratch.get() + out.scratch_size;
  std::size_t size = static_cast<std::size_t>(end - begin);
  if (size == 0) return;
  // Comparing the block whole says what comparing its pieces would: the
  // output matches only if every piece does.
  compare_with_original(out, begin, size);
  if (out.in_memory) {
    out.memory.append(begin, size);  // room reserved by open_block
  } else {
    add_scratch_piece(out, size);
    out.pending += size;
  }
  out.position += size;
}

bool put_prefixed_arg(Output& out, std::string_view arg, std::string_view prefix) {
  if (arg.empty()) return true;
  std::size_t blanks = leading_blank_length(arg);
  return emit(out, arg.substr(0, blanks), "Cannot indent param ", arg, "\n") &&
         emit(out, prefix, "Cannot write param ", arg, "\n") && put_text(out, arg.substr(blanks));
}

bool put_separator(Output& out) { return emit(out, ",", "Cannot write '", ",", "'\n"); }

bool put_pair_close(Output& out, std::string_view call_name) {
  return emit(out, ")", "Cannot write param ", call_name, "\n");
}

bool put_call_close(Output& out) { return emit(out, ")", "Cannot write ')'\n", "", ""); }

}  // namespace q5
