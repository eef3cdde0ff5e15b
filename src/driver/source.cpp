#include "driver/source.h"

#include "driver/run.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace q5 {

namespace {

// Sizes are kept as signed 32-bit counts; larger files are not supported.
constexpr long long kMaxSourceSize = 0x7fffffffLL;

Failure load_failure(std::string note = {}) { return {ExitBadInput, std::move(note)}; }

// Large inputs go into memory of their own, backed by huge pages where the
// system allows: filling it then costs a few page faults instead of one per
// 4 KiB, a good part of the time of a whole run.
constexpr std::size_t kMappedFrom = std::size_t{4} << 20;

// Read in parts that stay in the cache for the looks taken at each.
constexpr std::size_t kReadPart = std::size_t{256} << 10;

std::unique_ptr<char[], SourceRelease> allocate_source(std::size_t size) {
  if (size < kMappedFrom) return {new (std::nothrow) char[size], SourceRelease{}};
  void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return {nullptr, SourceRelease{}};
  ::madvise(mapped, size, MADV_HUGEPAGE);
  return {static_cast<char*>(mapped), SourceRelease{size}};
}

}  // namespace

void SourceRelease::operator()(char* bytes) const {
  if (mapped_size != 0)
    ::munmap(bytes, mapped_size);
  else
    delete[] bytes;
}

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

  auto bytes = allocate_source(size + 1);
  if (!bytes) {
    std::fclose(file);
    return load_failure("Cannot alloc " + std::to_string(size) + " bytes");
  }

  std::size_t length = 0;
  bool nul_seen = false, converted = false;
  while (length < size) {
    std::size_t got = std::fread(bytes.get() + length, 1, std::min(size - length, kReadPart), file);
    // The part just read: a "Q5T(" may begin in the three bytes before it.
    if (got != 0 && !nul_seen && !converted) {
      const void* nul = std::memchr(bytes.get() + length, '\0', got);
      std::size_t limit = nul == nullptr ? length + got : static_cast<const char*>(nul) - bytes.get();
      std::size_t from = length < 3 ? 0 : length - 3;
      converted = is_converted_already(std::string_view(bytes.get() + from, limit - from));
      nul_seen = nul != nullptr;
    }
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
  source.converted_already = converted;
  return {};
}

}  // namespace q5
