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
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tree/conversion.h"
#include "tree/diff.h"
#include "tree/in_place.h"
#include "tree/walk.h"

namespace q5 {

namespace {

// What one file came to, ready to print.
struct FileReport {
  std::string out;  // for stdout: diff, name or converted text
  std::string err;  // for stderr: errors and diagnostics
  bool changed = false;
  bool failed = false;
  std::size_t calls = 0;
  bool done = false;
};

std::string read_error(const std::string& path, const std::string& what) {
  return "q5upgrade: " + path + ": error: " + what + "\n";
}

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

// LINE:COL of a byte offset, 1-based, columns in bytes.
std::string line_column(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  std::size_t line = 1 + std::count(text.begin(), text.begin() + offset, '\n');
  std::size_t line_start = text.rfind('\n', offset == 0 ? 0 : offset - 1);
  line_start = (line_start == std::string_view::npos || offset == 0) ? 0 : line_start + 1;
  return std::to_string(line) + ":" + std::to_string(offset - line_start + 1);
}

// "Unterminated string\n" reads as "unterminated string"; the limit
// messages lose their "ERROR: " and the text they quote.
std::string failure_text(const Failure& failure) {
  std::string text = failure.message.substr(0, failure.message.find('\n'));
  if (text.starts_with("ERROR: ")) text.erase(0, 7);
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] - 'A' + 'a');
  return text;
}

FileReport convert_one(const TreeOptions& options, const WalkedFile& file) {
  FileReport report;
  if (!file.error.empty()) {
    report.failed = true;
    report.err = read_error(file.path, file.error);
    return report;
  }
  std::string before;
  struct stat status {};
  std::string error;
  if (!read_whole(file.path, before, status, error)) {
    report.failed = true;
    report.err = read_error(file.path, error);
    return report;
  }

  Conversion conversion = convert_text(before);
  if (conversion.failure) {
    std::size_t offset = conversion.failure->offset;
    std::string where = file.path;
    if (offset != static_cast<std::size_t>(-1)) where += ":" + line_column(before, offset);
    report.failed = true;
    report.err = "q5upgrade: " + where + ": error: " + failure_text(*conversion.failure) + "\n";
    return report;
  }
  report.changed = conversion.text != before;
  report.calls = changed_call_count(before, conversion);

  switch (options.sink) {
    case TreeSink::Diff:
      if (report.changed)
        report.out = unified_diff(file.path, before, conversion.text, replacements_of(conversion));
      break;
    case TreeSink::Check:
      if (report.changed) report.out = file.path + "\n";
      break;
    case TreeSink::Stdout:
      report.out = std::move(conversion.text);
      break;
    case TreeSink::InPlace:
      if (report.changed) {
        if (std::string trouble = replace_contents(file.path, conversion.text, status); !trouble.empty()) {
          report.failed = true;
          report.err = "q5upgrade: " + file.path + ": error: " + trouble + "\n";
        }
      }
      break;
  }
  return report;
}

int available_processors() {
  cpu_set_t set;
  if (::sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return std::max(1u, std::thread::hardware_concurrency());
}

void write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
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
  std::vector<FileReport> reports(files.size());
  std::atomic<std::size_t> next{0};
  std::mutex mutex;
  std::condition_variable finished;
  auto work = [&] {
    for (std::size_t i = next++; i < files.size(); i = next++) {
      FileReport report = convert_one(options, files[i]);
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
  for (std::size_t i = 0; i < files.size(); ++i) {
    FileReport report;
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
      reports[i] = FileReport{};
      reports[i].done = true;
    }
    if (shown > 0) write_all(2, "\r\033[K");
    write_all(1, report.out);
    write_all(2, report.err);
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

  if (!options.quiet) {
    std::string summary = "q5upgrade: " + std::to_string(files.size()) + " files examined, " +
                          std::to_string(changed) + " changed, " + std::to_string(unchanged) +
                          " unchanged, " + std::to_string(failed) + " failed, " +
                          std::to_string(calls) + " calls converted\n";
    write_all(2, summary);
  }
  if (failed > 0) return 2;
  bool would_change = options.sink == TreeSink::Diff || options.sink == TreeSink::Check;
  return would_change && changed > 0 ? 1 : 0;
}

}  // namespace q5
