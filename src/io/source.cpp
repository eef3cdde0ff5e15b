#include "io/source.h"

#include "io/converted.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace q5 {

namespace {

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

// Files from this size on are mapped rather than read, where allowed: the
// copy a read makes, and the zeroing of the memory it goes to, cost more
// than the rest of a plain run.
constexpr long long kMapFrom = 256 << 10;

// The mapped source, for the bus-error handler: a page of the file that
// is gone (the file was cut short) or cannot be read faults on access.
std::atomic<std::uintptr_t> mapped_begin{0}, mapped_end{0};
std::uintptr_t page_size = 4096;
volatile sig_atomic_t mapping_damaged = 0;

// Puts a page of zeros where the fault was and notes the damage, so the run
// ends with a read failure instead of a crash. A fault anywhere else is a
// fault: the default action is restored and the access repeats.
void on_bus_error(int, siginfo_t* info, void*) {
  auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
  if (at >= mapped_begin.load() && at < mapped_end.load()) {
    void* page = reinterpret_cast<void*>(at & ~(page_size - 1));
    if (::mmap(page, page_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1,
               0) != MAP_FAILED) {
      mapping_damaged = 1;
      return;
    }
  }
  ::signal(SIGBUS, SIG_DFL);
}

void guard_mapping(const char* begin, std::size_t size) {
  page_size = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  mapping_damaged = 0;
  mapped_begin = reinterpret_cast<std::uintptr_t>(begin);
  mapped_end = reinterpret_cast<std::uintptr_t>(begin) + size;
  struct sigaction action {};
  action.sa_sigaction = on_bus_error;
  action.sa_flags = SA_SIGINFO;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGBUS, &action, nullptr);
}

// The whole pages a mapped file of `size` bytes takes, with room for the
// NUL after it.
std::size_t mapping_length(std::size_t size) {
  std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  return (size + 1 + page - 1) / page * page;
}

// Maps `size` bytes of the file and a zero byte after them (the page after
// a file that fills its last page is anonymous).
char* map_file(int fd, std::size_t size) {
  std::size_t reserved = mapping_length(size);
  void* area = ::mmap(nullptr, reserved, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (area == MAP_FAILED) return nullptr;
  if (::mmap(area, size, PROT_READ, MAP_PRIVATE | MAP_FIXED, fd, 0) == MAP_FAILED) {
    ::munmap(area, reserved);
    return nullptr;
  }
  guard_mapping(static_cast<char*>(area), reserved);
  return static_cast<char*>(area);
}

}  // namespace

SourceMapping::~SourceMapping() {
  if (fd >= 0) ::close(fd);
}

void SourceRelease::operator()(char* bytes) const {
  if (mapped_size == 0) {
    delete[] bytes;
    return;
  }
  if (reinterpret_cast<std::uintptr_t>(bytes) == mapped_begin.load()) {
    mapped_end = 0;
    mapped_begin = 0;
  }
  ::munmap(bytes, mapped_size);
}

FileStamp stamp_of(const struct stat& status) {
  return {status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
}

bool same_stamp(const FileStamp& a, const FileStamp& b) {
  auto same_time = [](const timespec& x, const timespec& y) {
    return x.tv_sec == y.tv_sec && x.tv_nsec == y.tv_nsec;
  };
  return a.device == b.device && a.inode == b.inode && a.size == b.size &&
         same_time(a.modified, b.modified) && same_time(a.changed, b.changed);
}

MaybeFailure load_source(const char* path, SourceText& source) {
  std::FILE* file = std::fopen(path, "r+");
  if (file == nullptr) return load_failure();

  struct stat status;
  if (::fstat(::fileno(file), &status) != 0 || status.st_size == 0) {
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
      std::size_t limit =
          nul == nullptr ? length + got : static_cast<const char*>(nul) - bytes.get();
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
  // Written to while it was read: the copy may hold parts of two versions.
  struct stat after;
  if (::fstat(::fileno(file), &after) != 0 || !same_stamp(stamp_of(after), stamp_of(status))) {
    std::fclose(file);
    return load_failure();
  }
  std::fclose(file);
  bytes[length] = '\0';
  source.bytes = std::move(bytes);
  source.length = length;
  source.converted_already = converted;
  source.has_nul = nul_seen || converted;
  source.stamp = stamp_of(status);
  return {};
}

MaybeFailure load_source_for_reading_only(const char* path, SourceText& source) {
  // Most files are small: they are read, without opening them twice.
  auto large = [](const struct stat& status) {
    return S_ISREG(status.st_mode) && status.st_size >= kMapFrom &&
           status.st_size <= kMaxSourceSize;
  };
  struct stat status;
  if (::stat(path, &status) != 0 || !large(status)) return load_source(path, source);
  auto mapping = std::make_unique<SourceMapping>();
  mapping->fd = ::open(path, O_RDWR | O_CLOEXEC);
  if (mapping->fd < 0 || ::fstat(mapping->fd, &status) != 0 || !large(status))
    return load_source(path, source);
  std::size_t size = static_cast<std::size_t>(status.st_size);
  char* bytes = map_file(mapping->fd, size);
  if (bytes == nullptr) return load_source(path, source);
  source.bytes = {bytes, SourceRelease{mapping_length(size)}};
  source.length = size;
  mapping->size = status.st_size;
  source.stamp = stamp_of(status);
  source.converted_already = is_converted_already(std::string_view(bytes, size));
  source.mapping = std::move(mapping);
  return {};
}

bool source_intact(const SourceText& source) {
  if (!source.mapping) return true;
  struct stat status;
  return mapping_damaged == 0 && ::fstat(source.mapping->fd, &status) == 0 &&
         status.st_size == source.mapping->size && same_stamp(stamp_of(status), source.stamp);
}

bool input_unchanged(const SourceText& source, const char* path) {
  struct stat status;
  return source_intact(source) && ::stat(path, &status) == 0 &&
         same_stamp(stamp_of(status), source.stamp);
}

}  // namespace q5
