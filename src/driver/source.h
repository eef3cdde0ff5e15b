// Loading the input file whole into memory.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "driver/failure.h"

namespace q5 {

// Frees a source buffer the way it was allocated.
struct SourceRelease {
  std::size_t mapped_size = 0;  // 0: from new[]
  void operator()(char* bytes) const;
};

// The input as read, followed by a NUL byte that is not part of it.
struct SourceText {
  std::unique_ptr<char[], SourceRelease> bytes;
  std::size_t length = 0;
  // Found while reading, each part while it is still in the cache:
  // whether "Q5T(" comes before any NUL byte (see is_converted_already).
  bool converted_already = false;
};

inline std::string_view source_view(const SourceText& source) {
  return {source.bytes.get(), source.length};
}

// Reads the file at `path`. The file must be writable as well as readable,
// since it may be replaced. A failure's message is the loader's own note,
// without a line end (often empty); the caller completes it.
MaybeFailure load_source(const char* path, SourceText& source);

}  // namespace q5
