#include "classic/run.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <thread>

#include "base/byte_masks.h"
#include "base/fd_io.h"
#include "engine/text/output.h"
#include "engine/text/scanner.h"
#include "io/overwrite.h"
#include "io/replace.h"
#include "io/source.h"

namespace q5 {

namespace {

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

Failure cannot_open(const std::string& path) { return {ExitRefused, "Cannot open " + path + "\n"}; }

Failure cannot_write(const std::string& path) {
  return {ExitWriteFailed, "Cannot write to " + path + "\n"};
}

Failure no_memory(std::size_t bytes) {
  return {ExitNoMemory, "Cannot alloc " + std::to_string(bytes) + " bytes\n"};
}

Failure cannot_read(const std::string& path) {
  return {ExitBadInput, "Cannot read " + path + "\n"};
}

// Runs a step of the conversion; memory that runs out in it is a failure
// like the others, so the file being written is dealt with as after any.
template <typename Step>
MaybeFailure guarded(std::size_t size, Step step) {
  try {
    return step();
  } catch (const std::bad_alloc&) {
    return no_memory(size);
  }
}

// Runs the conversion into an open output and finishes it. After a failure
// what is pending is still written, so what was taken before it stays. A
// mapped input that lost pages meanwhile fails the run whatever else
// happened, since the output then holds zeros for them.
MaybeFailure write_conversion(Output& out, const SourceText& source, const std::string& input) {
  ScanOptions options;
  options.may_hold_nul = source.has_nul;
  MaybeFailure failure;
  try {
    failure = scan_source(source_view(source), out, options);
  } catch (const std::bad_alloc&) {
    failure = no_memory(source.length);  // the output's own allocations tell their size
  }
  MaybeFailure finished = finish_output(out);
  if (!source_intact(source)) return cannot_read(input);
  return failure ? failure : finished;
}

// Outputs are opened for writing only, created with 0666 less the umask: a
// pipe whose reader goes away is then a failed write, where a reader of its
// own pipe would wait forever.
int open_for_writing(const char* path) {
  return ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

MaybeFailure convert_to_new_file(const Invocation& invocation, const SourceText& source) {
  Output out = open_output(open_for_writing(invocation.output.c_str()), invocation.output);
  if (!output_opened(out)) return cannot_open(invocation.output);
  return write_conversion(out, source, invocation.input);
}

// Converts into a replacement through an output on a copy of its
// descriptor; the replacement stays open for its attributes and the flush
// to disk. With `unchanged`, tells whether the result equals the text.
MaybeFailure write_replacement(const Replacement& replacement, const std::string& path,
                               const SourceText& source, const std::string& input,
                               bool* unchanged) {
  Output out = open_output(::fcntl(replacement.fd, F_DUPFD_CLOEXEC, 0), path);
  if (!output_opened(out)) return cannot_open(path);
  if (unchanged != nullptr) out.original = source_view(source);
  MaybeFailure failure = write_conversion(out, source, input);
  if (!failure && unchanged != nullptr) *unchanged = output_matches_original(out);
  return failure;
}

// The output is the input, and it is written where it is: it has other hard
// links, which a replacement by rename would leave with the old content, or
// its directory takes no new file. The conversion goes to memory first (a
// memory file: out of the process's address space), so a failed conversion
// leaves the file alone; the file is then overwritten and cut to length,
// and if that fails the original text is written back. Meanwhile SIGINT,
// SIGTERM and SIGHUP wait, so they never stop the rewrite halfway.
MaybeFailure convert_in_place(const Invocation& invocation, const SourceText& source) {
  std::string_view text = source_view(source);
  Descriptor memory(::memfd_create("q5upgrade", MFD_CLOEXEC));
  if (memory.fd < 0)
    return errno == ENOMEM ? no_memory(text.size()) : cannot_open(invocation.output);
  Output out = open_output(::fcntl(memory.fd, F_DUPFD_CLOEXEC, 0), invocation.output);
  if (!output_opened(out)) return cannot_open(invocation.output);
  MaybeFailure failure = scan_source(text, out);
  int error = errno;
  MaybeFailure finished = finish_output(out);
  if (!failure && finished) {
    error = errno;
    failure = finished;
  }
  // Memory that runs out is no failure of the file.
  if (failure && failure->exit_code == ExitWriteFailed && (error == ENOMEM || error == ENOSPC))
    return no_memory(text.size());
  if (failure) return failure;
  off_t size = static_cast<off_t>(out.position);

  Descriptor file(::open(invocation.output.c_str(), O_WRONLY | O_CLOEXEC));
  if (file.fd < 0) return cannot_open(invocation.output);
  // An edit made since the file was read would be lost.
  if (!input_unchanged(source, invocation.input.c_str())) return cannot_read(invocation.input);
  OverwriteEnd end = overwrite_file_from(file.fd, memory.fd, size, text);
  if (end == OverwriteEnd::Done) return {};
  if (end == OverwriteEnd::Interrupted) return cannot_write(invocation.output);
  return Failure{ExitWriteFailed, "Cannot write to " + invocation.output +
                                      std::string(overwrite_outcome(end)) + "\n"};
}

// The output is the input, a file of one link: the result goes to a new
// hidden file in the file's own directory (the target's, for a symbolic
// link), which takes the file's owner, mode, ACL and attributes and is then
// renamed over it. The file is at every moment its old or its whole new
// content; its inode changes.
MaybeFailure convert_onto_itself(const Invocation& invocation, const SourceText& source,
                                 const struct stat& status) {
  std::string_view text = source_view(source);
  if (!S_ISREG(status.st_mode) || status.st_nlink > 1) return convert_in_place(invocation, source);
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(invocation.output.c_str(), nullptr),
                                                   &std::free);
  if (!real) return convert_in_place(invocation, source);
  std::string resolved = real.get();
  std::size_t slash = resolved.rfind('/');
  std::string directory = slash == 0 ? "/" : resolved.substr(0, slash);
  std::string name = resolved.substr(slash + 1);
  Descriptor dir(::open(directory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (dir.fd < 0) return convert_in_place(invocation, source);

  Replacement next;
  if (!create_hidden_replacement(dir.fd, name, next)) {
    if (errno == EACCES || errno == EPERM || errno == EROFS)
      return convert_in_place(invocation, source);
    return cannot_open(invocation.output);
  }
  // A file this process could not give its owner is better kept than
  // handed over to another owner.
  if (!carry_owner(next, status.st_uid, status.st_gid)) {
    discard_replacement(next);
    return convert_in_place(invocation, source);
  }
  MaybeFailure failure = guarded(text.size(), [&] {
    return write_replacement(next, invocation.output, source, invocation.input, nullptr);
  });
  if (!failure)
    failure = guarded(text.size(), [&] {
      return carry_attributes(next, resolved.c_str(), status.st_uid, status.st_gid, status.st_mode,
                              "the converted " + invocation.output, invocation.output);
    });
  if (!failure && !sync_replacement(next)) failure = cannot_write(invocation.output);
  // An edit made since the file was read would be lost.
  if (!failure && !input_unchanged(source, invocation.input.c_str()))
    failure = cannot_read(invocation.input);
  if (failure) {
    discard_replacement(next);
    return failure;
  }
  switch (put_replacement(next, dir.fd, name.c_str())) {
    case PutResult::Done:
      return {};
    case PutResult::NotOurs:
      keep_replacement(next);
      return Failure{ExitWriteFailed, "Cannot replace " + invocation.output +
                                          ": its converted copy " + next.name +
                                          " was changed by another program; " + invocation.output +
                                          " is untouched\n"};
    case PutResult::RenameFailed:
      break;
  }
  discard_replacement(next);
  return Failure{ExitWriteFailed, "Cannot replace " + invocation.output +
                                      " by its converted copy; " + invocation.output +
                                      " is untouched\n"};
}

// The working directory, locked against other upgrades from it, which would
// share its temp.c. The lock is an advisory one on the directory itself, so
// it leaves no file behind. Without read access to the directory there is
// no lock; the check before the rename still holds.
int open_working_directory() {
  int fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
  while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  return fd;
}

// The result goes to a new temp.c and is renamed onto the input in one
// step: the input is never gone before its whole replacement is in place.
// After a failure temp.c holds what was written before it.
MaybeFailure upgrade_in_place(const Invocation& invocation, const SourceText& source,
                              const struct stat& status, int workdir) {
  Replacement temp;
  if (workdir < 0 || !create_named_replacement(workdir, kUpgradeTemp, temp))
    return cannot_open(kUpgradeTemp);
  bool unchanged = false;
  MaybeFailure failure = guarded(source.length, [&] {
    return write_replacement(temp, kUpgradeTemp, source, invocation.input, &unchanged);
  });
  // The input edited meanwhile: the result is of a version it no longer
  // holds, and renaming it over the input would lose the edit.
  auto edited = [&] { return !input_unchanged(source, invocation.input.c_str()); };
  if (!failure && edited()) failure = cannot_read(invocation.input);
  // Nothing changed: leave the input as it was, timestamps included, so
  // build tools do not rebuild it.
  if (!failure && unchanged) {
    discard_replacement(temp);
    return {};
  }
  if (!failure)
    failure = guarded(source.length, [&] {
      return carry_attributes(temp, invocation.input.c_str(), status.st_uid, status.st_gid,
                              status.st_mode, kUpgradeTemp, invocation.input);
    });
  if (!failure && !sync_replacement(temp)) failure = cannot_write(kUpgradeTemp);
  if (!failure && edited()) failure = cannot_read(invocation.input);
  if (failure) {
    keep_replacement(temp);
    return failure;
  }
  switch (put_replacement(temp, AT_FDCWD, invocation.input.c_str())) {
    case PutResult::Done:
      return {};
    case PutResult::NotOurs:
      keep_replacement(temp);
      return Failure{ExitUpgradeFailed, std::string("Error: ") + kUpgradeTemp +
                                            " was replaced by another program; " +
                                            invocation.input + " is untouched\n"};
    case PutResult::RenameFailed:
      break;
  }
  keep_replacement(temp);
  return Failure{ExitUpgradeFailed, std::string("Error: unable to rename ") + kUpgradeTemp +
                                        " to " + invocation.input};
}

}  // namespace

MaybeFailure run_invocation(const Invocation& invocation) {
  struct stat input_status {};
  bool input_exists = ::stat(invocation.input.c_str(), &input_status) == 0;

  // Held until the run ends.
  Descriptor workdir(invocation.upgrade ? open_working_directory() : -1);

  // Upgrading temp.c itself would remove the input when temp.c is made
  // anew. A temp.c that merely links to the input is removed like any other.
  struct stat temp_status {};
  if (invocation.upgrade && input_exists &&
      ::fstatat(workdir.fd < 0 ? AT_FDCWD : workdir.fd, kUpgradeTemp, &temp_status,
                AT_SYMLINK_NOFOLLOW) == 0 &&
      same_file(input_status, temp_status))
    return Failure{ExitRefused, "Cannot upgrade " + invocation.input + ": it is " + kUpgradeTemp +
                                    ", the file upgrade mode writes its result to\n"};

  // The input may be mapped unless the run writes into the file itself.
  struct stat output_status {};
  bool onto_itself = !invocation.upgrade &&
                     ::stat(invocation.output.c_str(), &output_status) == 0 &&
                     same_file(input_status, output_status);
  SourceText source;
  const char* input = invocation.input.c_str();
  MaybeFailure failure;
  try {
    failure =
        onto_itself ? load_source(input, source) : load_source_for_reading_only(input, source);
  } catch (const std::bad_alloc&) {
    failure =
        Failure{ExitBadInput, "Cannot alloc " + std::to_string(input_status.st_size) + " bytes"};
  }
  if (failure) {
    failure->message += "Cannot read " + invocation.input + "\n";
    return failure;
  }
  if (source.converted_already)
    return Failure{ExitRefused, invocation.input + " is V8 file already\n"};

  // The steps that make files deal with memory that runs out themselves;
  // anything else that runs out of it ends the run the same way.
  return guarded(source.length, [&]() -> MaybeFailure {
    if (invocation.upgrade) return upgrade_in_place(invocation, source, input_status, workdir.fd);
    if (onto_itself) return convert_onto_itself(invocation, source, input_status);
    return convert_to_new_file(invocation, source);
  });
}

Failure run_command_line(int argc, const char* const* argv) {
  auto parsed = parse_command_line(argc, argv);
  if (auto* failure = std::get_if<Failure>(&parsed)) return std::move(*failure);
  if (MaybeFailure failure = run_invocation(std::get<Invocation>(parsed)))
    return std::move(*failure);
  return {ExitSuccess, {}};
}

}  // namespace q5
