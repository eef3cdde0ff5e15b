// Loading the input file whole into memory.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "base/failure.h"

namespace q5 {

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
};

inline std::string_view source_view(const SourceText& source) {
  return {source.bytes.get(), source.length};
}

// Reads the file at `path`. The file must be writable as well as readable,
// since it may be replaced. A failure's message is the loader's own note,
// without a line end (often empty); the caller completes it.
MaybeFailure load_source(const char* path, SourceText& source);

// As load_source; a large regular file may instead be mapped, which saves
// copying it, when nothing will write to the file while the source lives
// (the output goes elsewhere or replaces the file by renaming).
MaybeFailure load_source_for_reading_only(const char* path, SourceText& source);

// Whether a mapped source still holds the whole file as it was mapped: a
// file cut short meanwhile, or a page that could not be read, leaves zeros
// in its place instead of stopping the process, and is reported here.
// Always true for a source that was read.
bool source_intact(const SourceText& source);

}  // namespace q5
