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
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "diagnose/diagnose.h"
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
  std::size_t calls = 0;
  std::vector<Diagnostic> diagnostics;  // warnings and notes
  std::vector<Diagnostic> errors;       // for the SARIF log only
  std::string text;  // the file as read, kept for the SARIF log
  bool done = false;
};

// Reads a whole file, or standard input for "-".
bool read_whole(const std::string& path, std::string& text, struct stat& status, std::string& error) {
  int fd = path == "-" ? 0 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::fstat(fd, &status) != 0) {
    error = std::strerror(errno);
    if (fd > 0) ::close(fd);
    return false;
  }
  if (S_ISREG(status.st_mode)) text.reserve(static_cast<std::size_t>(status.st_size));
  char chunk[1 << 16];
  for (;;) {
    ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = std::strerror(errno);
      if (fd > 0) ::close(fd);
      return false;
    }
    if (got == 0) break;
    text.append(chunk, static_cast<std::size_t>(got));
  }
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

FileOutcome convert_one(const TreeOptions& options, const WalkedFile& file) {
  FileOutcome outcome;
  std::string before;
  struct stat status {};
  std::string error = file.error;
  if (error.empty() && !read_whole(file.path, before, status, error)) before.clear();
  if (!error.empty()) {
    fail_file(outcome, options, file, {}, Failure{ExitBadInput, error}, error);
    return outcome;
  }

  Conversion conversion = convert_text(before);
  if (conversion.failure) {
    fail_file(outcome, options, file, before, *conversion.failure, failure_text(*conversion.failure));
    if (!options.report.empty()) outcome.text = std::move(before);
    return outcome;
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
      if (outcome.changed) outcome.out = file.path + "\n";
      break;
    case TreeSink::Stdout:
      outcome.out = std::move(conversion.text);
      break;
    case TreeSink::InPlace:
      if (outcome.changed) {
        if (std::string trouble = replace_contents(file.path, conversion.text, before, status); !trouble.empty()) {
          std::string shown = std::move(outcome.err);
          fail_file(outcome, options, file, {}, Failure{ExitWriteFailed, trouble}, trouble);
          outcome.err = shown + outcome.err;
        }
      }
      break;
  }
  if (!options.report.empty() && !(outcome.diagnostics.empty() && outcome.errors.empty()))
    outcome.text = std::move(before);
  return outcome;
}

int available_processors() {
  cpu_set_t set;
  if (::sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return std::max(1u, std::thread::hardware_concurrency());
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

}  // namespace

int run_tree(int argc, const char* const* argv) {
  auto parsed = parse_tree_options(argc, argv);
  if (auto* exit = std::get_if<TreeExit>(&parsed)) {
    write_all(1, exit->out);
    write_all(2, exit->err);
    return exit->exit_code;
  }
  const TreeOptions& options = std::get<TreeOptions>(parsed);
  const std::vector<WalkedFile> files = walk_paths(options);

  // Workers take files in walk order; results are printed in that order as
  // soon as each one's turn comes, so the bytes do not depend on -j.
  std::vector<FileOutcome> reports(files.size());
  std::atomic<std::size_t> next{0};
  std::mutex mutex;
  std::condition_variable finished;
  auto work = [&] {
    for (std::size_t i = next++; i < files.size(); i = next++) {
      FileOutcome report = convert_one(options, files[i]);
      std::lock_guard lock(mutex);
      reports[i] = std::move(report);
      reports[i].done = true;
      finished.notify_all();
    }
  };
  int jobs = options.jobs > 0 ? options.jobs : available_processors();
  jobs = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(jobs), std::max<std::size_t>(files.size(), 1)));
  std::vector<std::thread> workers;
  for (int j = 1; j < jobs; ++j) workers.emplace_back(work);
  std::thread own_share;
  if (jobs >= 1) own_share = std::thread(work);

  const bool progress = !options.quiet && ::isatty(2) == 1;
  const double started = seconds_now();
  double shown = 0;
  std::size_t changed = 0, unchanged = 0, failed = 0, calls = 0;
  DiagnosticCounts counts;
  std::vector<FileReport> logged;
  std::vector<std::unique_ptr<std::string>> texts;
  for (std::size_t i = 0; i < files.size(); ++i) {
    FileOutcome report;
    {
      std::unique_lock lock(mutex);
      while (!reports[i].done) {
        finished.wait_for(lock, std::chrono::milliseconds(100));
        double now = seconds_now();
        if (progress && now - started > 1.0 && now - shown > 0.1) {
          shown = now;
          std::string line = "\rq5upgrade: " + std::to_string(i) + "/" + std::to_string(files.size()) + " files";
          write_all(2, line);
        }
      }
      report = std::move(reports[i]);
      reports[i] = FileOutcome{};
      reports[i].done = true;
    }
    if (shown > 0) write_all(2, "\r\033[K");
    write_all(1, report.out);
    write_all(2, report.err);
    add_counts(counts, report.diagnostics);
    if (!report.diagnostics.empty() || !report.errors.empty()) {
      // The log's entries view the texts: keep each where it will not move.
      texts.push_back(std::make_unique<std::string>(std::move(report.text)));
      report.diagnostics.insert(report.diagnostics.end(), report.errors.begin(), report.errors.end());
      logged.push_back({files[i].path, *texts.back(), std::move(report.diagnostics)});
    }
    if (report.failed)
      ++failed;
    else if (report.changed)
      ++changed;
    else
      ++unchanged;
    calls += report.calls;
  }
  for (std::thread& worker : workers) worker.join();
  if (own_share.joinable()) own_share.join();
  if (shown > 0) write_all(2, "\r\033[K");

  bool trouble = failed > 0 || (options.werror && counts.warnings > 0);
  if (!options.report.empty()) {
    std::string log = sarif_log(logged, Q5UPGRADE_VERSION);
    int fd = ::open(options.report.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 || !write_all(fd, log) || ::close(fd) != 0) {
      write_all(2, "q5upgrade: " + options.report + ": error: cannot write the report: " +
                       std::strerror(errno) + "\n");
      trouble = true;
    }
  }
  if (!options.quiet) {
    auto count = [](std::size_t n, const char* one, const char* many) {
      return std::to_string(n) + " " + (n == 1 ? one : many);
    };
    std::string summary = "q5upgrade: " + count(files.size(), "file", "files") + " examined, " +
                          std::to_string(changed) + " changed, " + std::to_string(unchanged) +
                          " unchanged, " + std::to_string(failed) + " failed, " +
                          count(calls, "call", "calls") + " converted";
    if (std::string diagnosed = format_counts(counts); !diagnosed.empty()) summary += "; " + diagnosed;
    write_all(2, summary + "\n");
  }
  if (trouble) return 2;
  bool would_change = options.sink == TreeSink::Diff || options.sink == TreeSink::Check;
  return would_change && changed > 0 ? 1 : 0;
}

}  // namespace q5
