// Loading the input file whole into memory.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <memory>
#include <string_view>

#include "base/failure.h"

namespace q5 {

// Sizes are kept as signed 32-bit counts: files larger than this are
// refused without being read.
inline constexpr long long kMaxSourceSize = 0x7fffffffLL;

// Frees a source buffer the way it was allocated.
struct SourceRelease {
  std::size_t mapped_size = 0;  // 0: from new[]
  void operator()(char* bytes) const;
};

// The input file itself, mapped, while the source is read from it.
struct SourceMapping {
  int fd = -1;
  long long size = 0;  // as it was when mapped
  SourceMapping() = default;
  SourceMapping(const SourceMapping&) = delete;
  SourceMapping& operator=(const SourceMapping&) = delete;
  ~SourceMapping();
};

// Which file, and which version of its content: a rewrite, even one that
// keeps the size (truncated and refilled, or written over), changes the
// modification or change time.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{}, changed{};
};

FileStamp stamp_of(const struct stat& status);
bool same_stamp(const FileStamp& a, const FileStamp& b);

// The input as read, followed by a NUL byte that is not part of it.
struct SourceText {
  std::unique_ptr<char[], SourceRelease> bytes;
  std::size_t length = 0;
  // Found while reading, each part while it is still in the cache:
  // whether "Q5T(" comes before any NUL byte (see is_converted_already).
  bool converted_already = false;
  bool has_nul = true;  // whether the text holds a NUL byte; true when unknown
  // Set when the bytes are the file's own pages rather than a copy.
  std::unique_ptr<SourceMapping> mapping;
  // The file as it was when opened, before the first byte was read.
  FileStamp stamp;
};

inline std::string_view source_view(const SourceText& source) {
  return {source.bytes.get(), source.length};
}

// Reads the file at `path`. The file must be writable as well as readable,
// since it may be replaced. A file that changed while it was read fails.
// A failure's message is the loader's own note, without a line end (often
// empty); the caller completes it.
MaybeFailure load_source(const char* path, SourceText& source);

// As load_source; a large regular file may instead be mapped, which saves
// copying it, when nothing will write to the file while the source lives
// (the output goes elsewhere or replaces the file by renaming).
MaybeFailure load_source_for_reading_only(const char* path, SourceText& source);

// Whether a mapped source still holds the whole file as it was mapped: a
// file cut short meanwhile, or a page that could not be read, leaves zeros
// in its place instead of stopping the process, and a file rewritten
// meanwhile may give some pages of each version; both are reported here.
// Always true for a source that was read.
bool source_intact(const SourceText& source);

// Whether `path` is still the file the source came from, unchanged since
// it was opened: checked before the file is written over or replaced, so
// that an edit made during the run is not lost.
bool input_unchanged(const SourceText& source, const char* path);

}  // namespace q5
