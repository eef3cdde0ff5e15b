#include "tree/run_tree.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "base/fd_io.h"
#include "base/processors.h"
#include "diagnose/format.h"
#include "diagnose/sarif.h"
#include "io/replace.h"
#include "tree/config.h"
#include "tree/file_list.h"
#include "tree/file_outcome.h"
#include "tree/in_place.h"
#include "tree/messages.h"
#include "tree/project_macros.h"
#include "tree/report.h"
#include "tree/walk.h"

namespace q5 {

namespace {

// How many workers run and how many new files each may keep waiting for
// its batch's sync. A worker holds up to four descriptors at a time (the
// way to a file, the file, its new copy), a waiting file two (itself and
// its directory); some are left for the standard streams, the report and
// the library.
struct Budget {
  std::size_t jobs, batch;
};

Budget descriptor_budget(std::size_t jobs) {
  constexpr std::size_t kReserved = 32, kPerWorker = 4, kPerWaiting = 2, kMostWaiting = 128;
  std::size_t open_max = 1024;
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0)
    open_max = limit.rlim_cur == RLIM_INFINITY ? std::size_t{1} << 20
                                               : static_cast<std::size_t>(limit.rlim_cur);
  std::size_t spare = open_max > kReserved ? open_max - kReserved : 0;
  jobs = std::clamp<std::size_t>(spare / (kPerWorker + kPerWaiting), 1, jobs);
  std::size_t left = spare - std::min(spare, jobs * kPerWorker);
  std::size_t waiting = std::min(kMostWaiting, left / kPerWaiting);
  return {jobs, std::max<std::size_t>(1, waiting / jobs)};
}

double seconds_now() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The progress line, on a terminal only and after the first second: drawn
// in place at most four times a second, and erased once, before anything
// else is printed to the terminal and at the end.
struct Progress {
  bool enabled = false;
  bool stdout_terminal = false;
  double started = 0, drawn_at = 0;
  bool on_screen = false;
  // Test hook: Q5UPGRADE_TEST_CLOCK=S makes the clock read S seconds per
  // file done, so that what is drawn does not depend on the machine's pace.
  double seconds_per_file = -1;
};

void draw_progress(Progress& progress, std::size_t done, std::size_t total) {
  if (!progress.enabled) return;
  const double now = progress.seconds_per_file >= 0
                         ? progress.seconds_per_file * static_cast<double>(done)
                         : seconds_now();
  if (now - progress.started < 1.0 || now - progress.drawn_at < 0.25) return;
  progress.drawn_at = now;
  progress.on_screen = true;
  write_all(2, "\r" + progress_text(done, total, now - progress.started) + "\033[K");
}

void erase_progress(Progress& progress) {
  if (!progress.on_screen) return;
  progress.on_screen = false;
  write_all(2, "\r\033[K");
}

int run_files(const TreeOptions& options) {
  int report_fd = -1;
  if (!options.report.empty() && (report_fd = open_report(options.report)) < 0) return 2;
  // With the log on standard output, it is all that goes there.
  const bool print_out = options.report != "-";
  WalkReport walked;
  const std::vector<WalkedFile> files = walk_paths(options, &walked);
  if (!options.quiet)
    for (const std::string& note : walked.notes) write_all(2, note);
  // A gate that checked nothing must not pass.
  const bool found_none = files.empty() && walked.walked_directory && walked.skipped_named == 0;
  if (found_none) write_all(2, "q5upgrade: warning: no C file found in the PATHs given\n");
  stop_for_test("walked");

  // Workers take files in walk order; results are printed in that order as
  // soon as each one's turn comes, so the bytes do not depend on -j.
  std::vector<FileOutcome> outcomes(files.size());
  std::atomic<std::size_t> next{0};
  std::mutex mutex;
  std::condition_variable finished;
  std::size_t jobs = options.jobs > 0 ? static_cast<std::size_t>(options.jobs)
                                      : static_cast<std::size_t>(available_processors());
  jobs = std::min(jobs, static_cast<std::size_t>(kMostJobs));
  // New files in place wait in batches, so that one sync flushes many of
  // them; the workers and the batches stay inside the descriptors this
  // process may open, and the signal handlers track every new file.
  const Budget budget = descriptor_budget(jobs);
  jobs = budget.jobs;
  const std::size_t batch_size = budget.batch;
  if (options.sink == TreeSink::InPlace) reserve_cleanup_slots(jobs * (batch_size + 1) + 16);
  bool trouble = false;
  bool stdout_closed = false;
  const RunContext context = prepare_context(options, files, jobs, trouble);
  if (context.stop) return 2;
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
          if (!troubles[k].empty())
            fail_replacement(waiting[k], options, files[held[k]], troubles[k]);
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
      FileOutcome outcome = convert_one(options, context, files[i]);
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

  Progress progress;
  progress.enabled = !options.quiet && ::isatty(2) == 1;
  progress.stdout_terminal = ::isatty(1) == 1;
  if (const char* step = std::getenv("Q5UPGRADE_TEST_CLOCK"))
    progress.seconds_per_file = std::atof(step);
  progress.started = progress.seconds_per_file >= 0 ? 0 : seconds_now();
  const bool keep_log = keeps_sarif(options);
  bool report_lost = false;
  Tally tally;
  tally.verified = options.verify;
  std::vector<FileReport> logged;
  std::vector<std::unique_ptr<std::string>> texts;
  for (std::size_t i = 0; i < files.size(); ++i) {
    FileOutcome outcome;
    {
      std::unique_lock lock(mutex);
      while (!outcomes[i].done) {
        finished.wait_for(lock, std::chrono::milliseconds(100));
        draw_progress(progress, i, files.size());
      }
      outcome = std::move(outcomes[i]);
    }
    if (!outcome.err.empty() || (progress.stdout_terminal && print_out && !outcome.out.empty()))
      erase_progress(progress);
    if (print_out && !write_all(1, outcome.out)) {
      // Nobody reads any more (a pipe into head): stop taking files, and
      // end quietly as the tools that do not ignore SIGPIPE end.
      erase_progress(progress);
      if (errno == EPIPE) {
        stdout_closed = true;
      } else {
        write_all(2, "q5upgrade: standard output: error: ");
        write_all(2, std::strerror(errno));
        write_all(2, "\n");
      }
      trouble = true;
      next = files.size();
      break;
    }
    write_all(2, outcome.err);
    ++tally.files;
    add_counts(tally.counts, outcome.diagnostics);
    for (const auto* found : {&outcome.diagnostics, &outcome.errors})
      for (const Diagnostic& d : *found) ++tally.by_rule[static_cast<std::size_t>(d.rule)];
    if (keep_log && !report_lost && (!outcome.diagnostics.empty() || !outcome.errors.empty())) {
      // The log's entries view the texts: keep each where it will not move.
      try {
        texts.push_back(std::make_unique<std::string>(std::move(outcome.text)));
        outcome.diagnostics.insert(outcome.diagnostics.end(), outcome.errors.begin(),
                                   outcome.errors.end());
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
      tally.proven += outcome.proven;
      tally.unproven += outcome.unproven;
      ++(outcome.changed ? tally.changed : tally.unchanged);
    }
    tally.left += outcome.left;
    draw_progress(progress, i + 1, files.size());
  }
  erase_progress(progress);
  for (std::thread& worker : workers) worker.join();
  if (stdout_closed) return kStdoutClosed;

  // Calls to convert are work to do, which exit 1 says already: --werror
  // does not count them.
  const std::size_t warnings =
      tally.counts.warnings - tally.counts.by_severity[static_cast<std::size_t>(Severity::Warning)]
                                                      [static_cast<std::size_t>(Rule::Convertible)];
  // What the findings make of the run: a rule set to "error" is trouble
  // whenever it fires; none of it with --exit-zero.
  const bool found_trouble = tally.counts.errors > 0 || (options.werror && warnings > 0);
  trouble |= tally.failed > 0 || (found_none && options.sink == TreeSink::Check) ||
             (found_trouble && !options.exit_zero);
  if (report_fd >= 0 && !write_report(report_fd, options.report, logged, report_lost))
    trouble = true;
  if (options.output_format == OutputFormat::Sarif && options.report != "-" &&
      !write_report(1, "standard output", logged, report_lost))
    trouble = true;
  if (!options.quiet) write_all(2, summary_line(tally, options.sink == TreeSink::InPlace));
  if (options.statistics) write_all(2, format_statistics(tally.by_rule));
  if (trouble) return 2;
  if (options.exit_zero) return 0;
  switch (options.sink) {
    case TreeSink::Diff:
    case TreeSink::Check:
      // By default a finding is work left to do, like a file still to convert.
      return tally.changed > 0 || (!options.unsafe_fixes && tally.counts.warnings > 0) ? 1 : 0;
    case TreeSink::InPlace:
      // Done only when nothing is left to look at: a call left as it
      // stands, or any other warning.
      return warnings > 0 ? 1 : 0;
    case TreeSink::Stdout:
      break;
  }
  return 0;
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
    TreeOptions& options = std::get<TreeOptions>(parsed);
    std::string trouble = read_file_list(options);
    if (trouble.empty()) trouble = apply_config(options, find_config(options));
    if (!trouble.empty()) {
      write_all(2, trouble);
      return 2;
    }
    // The diff is coloured for standard output as git colours it, the
    // findings for standard error.
    const char* no_color = std::getenv("NO_COLOR");
    options.diff_colour =
        resolve_colour(options.color, ::isatty(1) == 1, no_color) == ColorMode::Always;
    options.color = options.output_format != OutputFormat::Text
                        ? ColorMode::Never
                        : resolve_colour(options.color, ::isatty(2) == 1, no_color);
    return run_files(options);
  } catch (const std::bad_alloc&) {
    write_all(2, "q5upgrade: error: ");
    write_all(2, std::strerror(ENOMEM));
    write_all(2, "\n");
    return 2;
  }
}

}  // namespace q5
