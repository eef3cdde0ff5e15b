#include "driver/source.h"

#include <sys/stat.h>

#include <cstdio>
#include <new>
#include <string>

namespace q5 {

namespace {

// Sizes are kept as signed 32-bit counts; larger files are not supported.
constexpr long long kMaxSourceSize = 0x7fffffffLL;

Failure load_failure(std::string note = {}) { return {ExitBadInput, std::move(note)}; }

}  // namespace

MaybeFailure load_source(const char* path, SourceText& source) {
  std::FILE* file = std::fopen(path, "r+");
  if (file == nullptr) return load_failure();

  struct stat status;
  if (::stat(path, &status) != 0 || status.st_size == 0) {
    std::fclose(file);
    return load_failure(std::string("File size 0: ") + path);
  }
  if (status.st_size > kMaxSourceSize) {
    std::fclose(file);
    return load_failure();
  }
  std::size_t size = static_cast<std::size_t>(status.st_size);

  std::unique_ptr<char[]> bytes(new (std::nothrow) char[size + 1]);
  if (!bytes) {
    std::fclose(file);
    return load_failure("Cannot alloc " + std::to_string(size) + " bytes");
  }

  std::size_t length = 0;
  while (length < size) {
    std::size_t got = std::fread(bytes.get() + length, 1, size - length, file);
    length += got;
    // A read error, or a read that makes no progress short of the end,
    // must not pass for the whole file: upgrade mode would replace it.
    if (std::ferror(file) || (got == 0 && !std::feof(file))) {
      std::fclose(file);
      return load_failure();
    }
    if (std::feof(file)) break;
  }
  std::fclose(file);
  bytes[length] = '\0';
  source.bytes = std::move(bytes);
  source.length = length;
  return {};
}

}  // namespace q5
