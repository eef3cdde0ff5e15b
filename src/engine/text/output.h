// Checked writes to the output. Every write is one piece of its whole
// length; the first failure is recorded with its message and every later
// write is skipped, so the file holds exactly what was written before it.
//
// A file output keeps pieces pending, as a stream with a 1 MiB buffer would,
// and writes them with gathered writes: unchanged source text is written
// straight from the input (which must outlive the output), converted text
// from one reused scratch buffer. A memory output keeps the whole result.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_masks.h"
#include "base/failure.h"

namespace q5 {

// A pending piece: `size` bytes at `data`, or, when `data` is null, at
// `offset` in the scratch buffer (which may move as it grows).
struct OutputPiece {
  const char* data;
  std::size_t offset;
  std::size_t size;
};

inline constexpr std::size_t kNoWriteLimit = static_cast<std::size_t>(-1);

struct Output {
  int fd = -1;  // file mode; -1 in memory mode or when opening failed
  bool in_memory = false;
  std::string path;  // named by "Cannot write to" messages
  MaybeFailure failure;
  std::size_t position = 0;  // bytes taken so far, pending ones included

  // When set, the writes are compared with this text as they go, so upgrade
  // mode can tell a conversion that changed nothing.
  std::string_view original;
  std::size_t compared = 0;
  bool diverged = false;

  // File mode: what is not written yet, in order. The scratch buffer's
  // first scratch_size bytes are in use; it is raw memory so that a block
  // (below) can be written into it without clearing it first.
  std::vector<OutputPiece> pieces;
  std::unique_ptr<char[]> scratch;
  std::size_t scratch_size = 0;
  std::size_t scratch_capacity = 0;
  std::size_t pending = 0;
  std::size_t written = 0;  // bytes the descriptor has taken

  std::string memory;  // memory mode: the whole result

  // What the allocation under way asks for: when memory runs out, the
  // failure is "Cannot alloc N bytes" (ExitNoMemory), not a failed write.
  std::size_t asked = 0;

  // Test hook: a device of this many bytes. A file output's device takes
  // what fits of the write that reaches past it, and fails; in memory mode
  // every piece is one write, and the piece that does not fit fails whole.
  std::size_t write_limit = kNoWriteLimit;
};

// Takes over an open descriptor (or none, when opening failed: fd < 0).
Output open_output(int fd, std::string path);

// An output that keeps the whole result in memory.
Output memory_output(std::string path);

inline bool output_opened(const Output& out) { return out.in_memory || out.fd >= 0; }

// The result of a memory output.
inline std::string_view output_bytes(const Output& out) { return out.memory; }

// Writes what is pending (unless a write failed already) and closes the
// descriptor. Returns the earlier failure if there was one (a write, or
// memory for the output), else "Cannot write to PATH" when the last writes
// or the close fail.
MaybeFailure finish_output(Output& out);

// True when everything written so far equals the whole of out.original.
bool output_matches_original(const Output& out);

// Copy-through of source text by the scanner and definition heads. The
// bytes must stay in place until the output is finished.
bool put_source(Output& out, std::string_view bytes);

bool put_text(Output& out, std::string_view text);
bool put_call_head(Output& out, std::string_view name);
bool put_prefixed_arg(Output& out, std::string_view arg, std::string_view prefix);
bool put_separator(Output& out);
bool put_pair_close(Output& out, std::string_view call_name);
bool put_call_close(Output& out);

// A block: many small writes taken at once. When no write within `bound`
// more bytes could fail (they stay short of the emulated buffer's flush, or
// of the test hook's limit, and the room is allocated), returns where to
// put them, straight into the scratch buffer; else nullptr, and the caller
// writes piece by piece with the put_* functions, so that a failure names
// the piece that failed. close_block takes the bytes up to `end`.
char* open_block(Output& out, std::size_t bound);
void close_block(Output& out, const char* end);

// Length of an argument's leading blanks: space, tab, newline and carriage
// return, and a backslash that continues the line (LF or CR LF).
inline std::size_t leading_blank_length(std::string_view arg) {
  const char* p = arg.data();
  std::size_t i = 0, n = arg.size();
  // Arguments on lines of their own start with long indents: sixteen bytes
  // at a time while they are plain blanks.
  for (; i + 16 <= n; i += 16) {
    masks::Bytes16 v = masks::load16(p + i);
    unsigned blanks = masks::equal(v, ' ') | masks::equal(v, '\t') | masks::equal(v, '\n') |
                      masks::equal(v, '\r');
    if (blanks != 0xffff) {
      i += static_cast<std::size_t>(__builtin_ctz(~blanks));
      break;
    }
  }
  while (i < n) {
    char c = p[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
      ++i;
    else if (c == '\\' && i + 1 < n && p[i + 1] == '\n')
      i += 2;
    else if (c == '\\' && i + 2 < n && p[i + 1] == '\r' && p[i + 2] == '\n')
      i += 3;
    else
      break;
  }
  return i;
}

}  // namespace q5
