#include "tree/run_tree.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "diagnose/diagnose.h"
#include "driver/run.h"
#include "driver/source.h"
#include "diagnose/format.h"
#include "diagnose/sarif.h"
#include "tree/conversion.h"
#include "tree/diff.h"
#include "tree/in_place.h"
#include "tree/walk.h"

namespace q5 {

namespace {

// What one file came to, ready to print.
struct FileOutcome {
  std::string out;  // for stdout: diff, name or converted text
  std::string err;  // for stderr: errors and diagnostics
  bool changed = false;
  bool failed = false;
  std::size_t size = 0;  // bytes read
  std::size_t calls = 0;
  std::vector<Diagnostic> diagnostics;  // warnings and notes
  std::vector<Diagnostic> errors;       // for the SARIF log only
  std::string text;  // the file as read, kept for the SARIF log
  PreparedReplacement prepared;  // with --in-place: the new file, not yet in place
  bool pending = false;
  bool done = false;
};

std::string cannot_alloc(std::size_t bytes) { return "cannot alloc " + std::to_string(bytes) + " bytes"; }

// Reads a whole file, or standard input for "-". As in the classic forms,
// a file of 2 GiB or more is refused before anything is read, and a file
// written to while it was read (its times moved) is refused: the copy may
// hold parts of two versions.
bool read_whole(const std::string& path, std::string& text, struct stat& status, std::string& error) {
  int fd = path == "-" ? 0 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  auto fail = [&](std::string why) {
    error = std::move(why);
    if (fd > 0) ::close(fd);
    return false;
  };
  if (fd < 0 || ::fstat(fd, &status) != 0) return fail(std::strerror(errno));
  const bool regular = S_ISREG(status.st_mode);
  if (regular && status.st_size > kMaxSourceSize) return fail(std::strerror(EFBIG));
  // Memory is taken ahead of the bytes, so that running out of it is
  // told apart and names the size asked for.
  auto room_for = [&](std::size_t size) {
    if (size <= text.capacity()) return true;
    std::size_t want = std::max(size, 2 * text.capacity());
    try {
      text.reserve(want);
      return true;
    } catch (const std::bad_alloc&) {
      error = cannot_alloc(want);
      return false;
    }
  };
  if (regular && !room_for(static_cast<std::size_t>(status.st_size))) return fail(error);
  char chunk[1 << 16];
  for (;;) {
    ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return fail(std::strerror(errno));
    if (got == 0) break;
    const std::size_t size = text.size() + static_cast<std::size_t>(got);
    if (size > static_cast<std::size_t>(kMaxSourceSize)) return fail(std::strerror(EFBIG));
    if (!room_for(size)) return fail(error);
    text.append(chunk, static_cast<std::size_t>(got));
  }
  struct stat after {};
  if (regular && (::fstat(fd, &after) != 0 || !same_stamp(stamp_of(after), stamp_of(status))))
    return fail("changed while it was read");
  if (fd > 0) ::close(fd);
  return true;
}

// "Unterminated string\n" reads as "unterminated string"; the limit
// messages lose their "ERROR: " and the text they quote.
std::string failure_text(const Failure& failure) {
  std::string text = failure.message.substr(0, failure.message.find('\n'));
  if (text.starts_with("ERROR: ")) text.erase(0, 7);
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
  return text;
}

// The error line of a file that could not be read or converted; with a
// report asked for, the error goes into it too.
void fail_file(FileOutcome& outcome, const TreeOptions& options, const WalkedFile& file,
               std::string_view text, const Failure& failure, std::string_view message) {
  outcome.failed = true;
  std::size_t offset = text.empty() ? kNoOffset : failure.offset;
  outcome.err = "q5upgrade: " + format_location(file.path, make_line_table(text), offset) +
                ": error: " + std::string(message) + "\n";
  if (!options.report.empty()) {
    Diagnostic error = failure_diagnostic(failure);
    error.offset = offset;
    error.message = message;
    outcome.errors.push_back(std::move(error));
  }
}

// A file whose new content could not be put in place: the diagnostics
// already shown for it stay.
void fail_replacement(FileOutcome& outcome, const TreeOptions& options, const WalkedFile& file,
                      const std::string& trouble) {
  std::string shown = std::move(outcome.err);
  fail_file(outcome, options, file, {}, Failure{ExitWriteFailed, trouble}, trouble);
  outcome.err = shown + outcome.err;
}

void convert_file(const TreeOptions& options, const WalkedFile& file, FileOutcome& outcome) {
  std::string before;
  struct stat status {};
  std::string error = file.error;
  if (error.empty() && !read_whole(file.path, before, status, error)) before.clear();
  if (!error.empty()) {
    fail_file(outcome, options, file, {}, Failure{ExitBadInput, error}, error);
    return;
  }
  outcome.size = before.size();

  Conversion conversion = convert_text(before);
  if (conversion.failure) {
    fail_file(outcome, options, file, before, *conversion.failure, failure_text(*conversion.failure));
    if (!options.report.empty()) outcome.text = std::move(before);
    return;
  }
  outcome.changed = conversion.text != before;
  outcome.calls = changed_call_count(before, conversion);

  outcome.diagnostics = diagnose_conversion(before, conversion.calls, conversion.text);
  outcome.err = format_diagnostics(file.path, before, outcome.diagnostics);

  switch (options.sink) {
    case TreeSink::Diff:
      if (outcome.changed)
        outcome.out = unified_diff(file.path, before, conversion.text, replacements_of(conversion));
      break;
    case TreeSink::Check:
      if (outcome.changed) outcome.out = options.null_separated ? file.path + '\0' : quote_name(file.path) + "\n";
      break;
    case TreeSink::Stdout:
      outcome.out = std::move(conversion.text);
      break;
    case TreeSink::InPlace:
      if (outcome.changed) {
        std::string trouble = prepare_replacement(file.path, conversion.text, before, status, outcome.prepared);
        if (!trouble.empty())
          fail_replacement(outcome, options, file, trouble);
        else
          outcome.pending = !outcome.prepared.in_place;
      }
      break;
  }
  if (!options.report.empty() && !(outcome.diagnostics.empty() && outcome.errors.empty()))
    outcome.text = std::move(before);
}

// Gives up a new file not yet in place: it is removed.
void abandon_prepared(PreparedReplacement& prepared) {
  if (prepared.next.fd >= 0) discard_replacement(prepared.next);
  if (prepared.dir_fd >= 0) ::close(prepared.dir_fd);
  prepared.dir_fd = -1;
}

// A file that memory ran out for, told as "cannot alloc N bytes" with N
// its size: left as it is, and whatever was made beside it removed. The
// message itself may find no memory either; the file still counts as
// failed.
void fail_for_memory(FileOutcome& outcome, const TreeOptions& options, const WalkedFile& file) {
  const std::size_t bytes = outcome.size;
  abandon_prepared(outcome.prepared);
  outcome = FileOutcome{};
  outcome.failed = true;
  try {
    std::string message = cannot_alloc(bytes);
    fail_file(outcome, options, file, {}, Failure{ExitNoMemory, message}, message);
  } catch (const std::bad_alloc&) {
  }
}

// Memory that runs out fails this file alone.
FileOutcome convert_one(const TreeOptions& options, const WalkedFile& file) {
  FileOutcome outcome;
  try {
    convert_file(options, file, outcome);
  } catch (const std::bad_alloc&) {
    fail_for_memory(outcome, options, file);
  }
  return outcome;
}

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

double seconds_now() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The summary line: files by what came of them, calls converted, and the
// diagnostics by kind.
struct Tally {
  std::size_t files = 0, changed = 0, unchanged = 0, failed = 0, calls = 0;
  DiagnosticCounts counts;
};

std::string summary_line(const Tally& tally) {
  auto count = [](std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  std::string line = "q5upgrade: " + count(tally.files, "file", "files") + " examined, " +
                     std::to_string(tally.changed) + " changed, " + std::to_string(tally.unchanged) +
                     " unchanged, " + std::to_string(tally.failed) + " failed, " +
                     count(tally.calls, "call", "calls") + " converted";
  if (std::string diagnosed = format_counts(tally.counts); !diagnosed.empty()) line += "; " + diagnosed;
  return line + "\n";
}

// Without the memory for the log (`lost`), nothing is written and the
// run reports it like a failed write.
bool write_report(const std::string& path, std::span<const FileReport> files, bool lost) {
  std::string log;
  int fd = -1;
  bool written = false;
  errno = ENOMEM;
  if (!lost) {
    try {
      log = sarif_log(files, Q5UPGRADE_VERSION);
      fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      written = fd >= 0 && write_all(fd, log);
    } catch (const std::bad_alloc&) {
      errno = ENOMEM;
    }
  }
  if (fd >= 0 && ::close(fd) != 0) written = false;
  if (!written)
    write_all(2, "q5upgrade: " + quote_name(path) + ": error: cannot write the report: " + std::strerror(errno) + "\n");
  return written;
}

// Threads enough for the largest machines; more only cost memory, and
// descriptors for the files they hold open.
constexpr std::size_t kMaxJobs = 256;

int run_files(const TreeOptions& options, const std::vector<WalkedFile>& files) {
  // Workers take files in walk order; results are printed in that order as
  // soon as each one's turn comes, so the bytes do not depend on -j.
  std::vector<FileOutcome> outcomes(files.size());
  std::atomic<std::size_t> next{0};
  std::mutex mutex;
  std::condition_variable finished;
  std::size_t jobs = options.jobs > 0 ? static_cast<std::size_t>(options.jobs)
                                      : static_cast<std::size_t>(available_processors());
  jobs = std::min(jobs, kMaxJobs);
  // New files in place wait in batches, so that one sync flushes many of
  // them; the batches stay well inside the files the signal handlers track.
  const std::size_t batch_size = std::max<std::size_t>(1, 128 / jobs);
  auto work = [&] {
    auto publish = [&](std::size_t i, FileOutcome&& outcome) {
      std::lock_guard lock(mutex);
      outcomes[i] = std::move(outcome);
      outcomes[i].done = true;
      finished.notify_all();
    };
    std::vector<std::size_t> held;
    std::vector<FileOutcome> waiting;
    auto put_in_place = [&] {
      std::vector<PreparedReplacement> batch;
      std::vector<std::string> troubles;
      try {
        batch.reserve(waiting.size());
        troubles.resize(waiting.size());
        for (FileOutcome& outcome : waiting) batch.push_back(std::move(outcome.prepared));
        put_prepared(batch, troubles);
        for (std::size_t k = 0; k < held.size(); ++k)
          if (!troubles[k].empty()) fail_replacement(waiting[k], options, files[held[k]], troubles[k]);
      } catch (const std::bad_alloc&) {
        // What is not in place yet stays out of it. (An outcome whose new
        // file went into the batch keeps a stale copy of its descriptors.)
        for (std::size_t k = 0; k < held.size(); ++k) {
          PreparedReplacement& p = k < batch.size() ? batch[k] : waiting[k].prepared;
          const bool pending = p.next.fd >= 0;
          abandon_prepared(p);
          waiting[k].prepared = PreparedReplacement{};
          if (pending) {
            fail_for_memory(waiting[k], options, files[held[k]]);
          } else if (!waiting[k].failed && k < troubles.size() && !troubles[k].empty()) {
            waiting[k].failed = true;
            try {
              fail_replacement(waiting[k], options, files[held[k]], troubles[k]);
            } catch (const std::bad_alloc&) {
            }
          }
        }
      }
      for (std::size_t k = 0; k < held.size(); ++k) publish(held[k], std::move(waiting[k]));
      held.clear();
      waiting.clear();
    };
    for (std::size_t i = next++; i < files.size(); i = next++) {
      FileOutcome outcome = convert_one(options, files[i]);
      if (outcome.pending) {
        try {
          held.reserve(batch_size);
          waiting.reserve(batch_size);
        } catch (const std::bad_alloc&) {
          fail_for_memory(outcome, options, files[i]);
        }
      }
      if (!outcome.pending || outcome.failed) {
        publish(i, std::move(outcome));
        continue;
      }
      held.push_back(i);
      waiting.push_back(std::move(outcome));
      if (held.size() >= batch_size) put_in_place();
    }
    put_in_place();
  };
  // As many workers as the system gives, down to none: this thread then
  // converts every file itself before printing.
  std::vector<std::thread> workers;
  for (std::size_t j = 0; j < std::min(jobs, files.size()); ++j) {
    try {
      workers.emplace_back(work);
    } catch (const std::exception&) {
      break;
    }
  }
  if (workers.empty()) work();

  const bool progress = !options.quiet && ::isatty(2) == 1;
  const double started = seconds_now();
  double shown = 0;
  bool trouble = false;
  bool report_lost = false;
  Tally tally;
  std::vector<FileReport> logged;
  std::vector<std::unique_ptr<std::string>> texts;
  for (std::size_t i = 0; i < files.size(); ++i) {
    FileOutcome outcome;
    {
      std::unique_lock lock(mutex);
      while (!outcomes[i].done) {
        finished.wait_for(lock, std::chrono::milliseconds(100));
        double now = seconds_now();
        if (progress && now - started > 1.0 && now - shown > 0.1) {
          shown = now;
          char line[64];
          int length = std::snprintf(line, sizeof line, "\rq5upgrade: %zu/%zu files", i, files.size());
          write_all(2, std::string_view(line, static_cast<std::size_t>(std::max(length, 0))));
        }
      }
      outcome = std::move(outcomes[i]);
    }
    if (shown > 0) write_all(2, "\r\033[K");
    if (!write_all(1, outcome.out)) {
      // Nobody reads any more (a pipe into head): stop taking files.
      write_all(2, "q5upgrade: standard output: error: ");
      write_all(2, std::strerror(errno));
      write_all(2, "\n");
      trouble = true;
      next = files.size();
      break;
    }
    write_all(2, outcome.err);
    ++tally.files;
    add_counts(tally.counts, outcome.diagnostics);
    if (!options.report.empty() && !report_lost && (!outcome.diagnostics.empty() || !outcome.errors.empty())) {
      // The log's entries view the texts: keep each where it will not move.
      try {
        texts.push_back(std::make_unique<std::string>(std::move(outcome.text)));
        outcome.diagnostics.insert(outcome.diagnostics.end(), outcome.errors.begin(), outcome.errors.end());
        logged.push_back({files[i].path, *texts.back(), std::move(outcome.diagnostics)});
      } catch (const std::bad_alloc&) {
        // No memory for the log: it is given up, and its memory with it.
        report_lost = true;
        std::vector<FileReport>().swap(logged);
        std::vector<std::unique_ptr<std::string>>().swap(texts);
      }
    }
    if (outcome.failed) {
      ++tally.failed;
    } else {
      // Calls count only where the file's change stands.
      tally.calls += outcome.calls;
      ++(outcome.changed ? tally.changed : tally.unchanged);
    }
  }
  for (std::thread& worker : workers) worker.join();

  trouble |= tally.failed > 0 || (options.werror && tally.counts.warnings > 0);
  if (!options.report.empty() && !write_report(options.report, logged, report_lost)) trouble = true;
  if (!options.quiet) write_all(2, summary_line(tally));
  if (trouble) return 2;
  bool would_change = options.sink == TreeSink::Diff || options.sink == TreeSink::Check;
  return would_change && tally.changed > 0 ? 1 : 0;
}

}  // namespace

int run_tree(int argc, const char* const* argv) {
  // Once the files are taken, each failure of memory is one file's; before
  // that, and for the summary, it ends the run.
  try {
    auto parsed = parse_tree_options(argc, argv);
    if (auto* exit = std::get_if<TreeExit>(&parsed)) {
      write_all(1, exit->out);
      write_all(2, exit->err);
      return exit->exit_code;
    }
    const TreeOptions& options = std::get<TreeOptions>(parsed);
    return run_files(options, walk_paths(options));
  } catch (const std::bad_alloc&) {
    write_all(2, "q5upgrade: error: ");
    write_all(2, std::strerror(ENOMEM));
    write_all(2, "\n");
    return 2;
  }
}

}  // namespace q5
