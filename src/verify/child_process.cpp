#include "verify/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/fd_io.h"

extern char** environ;

namespace q5 {

namespace {

constexpr int kFirstInputFd = 3;
// Descriptors handed to the child are first moved at or above this, so
// that putting them in place (0 to 2, and 3 up) never overwrites another.
constexpr int kHighFd = 16;
// More output than any preprocessed file: a runaway child.
constexpr std::size_t kMostOutput = std::size_t{1} << 30;

double now_seconds() {
  timespec t{};
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// `fd` moved above the standard and input descriptors, close-on-exec.
int moved_high(int fd) {
  if (fd < 0) return fd;
  int high = ::fcntl(fd, F_DUPFD_CLOEXEC, kHighFd);
  ::close(fd);
  return high;
}

// A text readable as a file by path (/dev/fd/N) in the child: held in
// memory, never on disk.
int memory_file(std::string_view text) {
  int fd = moved_high(::memfd_create("q5upgrade-verify", MFD_CLOEXEC));
  if (fd >= 0 && !write_all(fd, text)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

struct Fds {
  std::vector<int> fds;
  ~Fds() {
    for (int fd : fds)
      if (fd >= 0) ::close(fd);
  }
  int add(int fd) {
    fds.push_back(fd);
    return fd;
  }
  void close_one(int& fd) {
    for (int& held : fds)
      if (held == fd) held = -1;
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

std::string errno_text(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

std::string child_input_path(std::size_t k) {
  return "/dev/fd/" + std::to_string(kFirstInputFd + static_cast<int>(k));
}

std::vector<std::string> environment_for_messages() {
  std::vector<std::string> out;
  std::string all;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string_view item = *entry;
    if (item.starts_with("LC_ALL=")) {
      all = item.substr(7);
      continue;
    }
    if (item.starts_with("LC_MESSAGES=") || item.starts_with("LANGUAGE=")) continue;
    out.emplace_back(item);
  }
  // LC_ALL overrode every category: it still sets the character set.
  if (!all.empty()) {
    std::erase_if(out, [](const std::string& item) { return item.starts_with("LC_CTYPE="); });
    out.push_back("LC_CTYPE=" + all);
  }
  out.push_back("LC_MESSAGES=C");
  return out;
}

ChildRun run_child(const std::vector<std::string>& argv, const std::string& directory,
                   std::span<const std::string_view> inputs,
                   const std::vector<std::string>& environment, double seconds) {
  ChildRun run;
  Fds held;
  std::vector<int> input_fds;
  for (std::string_view text : inputs) {
    int fd = held.add(memory_file(text));
    if (fd < 0) {
      run.trouble = errno_text("cannot hold the compiler's input");
      return run;
    }
    input_fds.push_back(fd);
  }
  int out_pipe[2], err_pipe[2];
  if (::pipe2(out_pipe, O_CLOEXEC) != 0) {
    run.trouble = errno_text("cannot make a pipe");
    return run;
  }
  int out_r = held.add(moved_high(out_pipe[0])), out_w = held.add(moved_high(out_pipe[1]));
  if (::pipe2(err_pipe, O_CLOEXEC) != 0) {
    run.trouble = errno_text("cannot make a pipe");
    return run;
  }
  int err_r = held.add(moved_high(err_pipe[0])), err_w = held.add(moved_high(err_pipe[1]));
  if (out_r < 0 || out_w < 0 || err_r < 0 || err_w < 0) {
    run.trouble = errno_text("cannot make a pipe");
    return run;
  }

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawnattr_init(&attributes);
  ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_adddup2(&actions, out_w, 1);
  ::posix_spawn_file_actions_adddup2(&actions, err_w, 2);
  for (std::size_t k = 0; k < input_fds.size(); ++k)
    ::posix_spawn_file_actions_adddup2(&actions, input_fds[k], kFirstInputFd + static_cast<int>(k));
  if (!directory.empty()) ::posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  // Its own process group, so that a timeout kills what it started too; no
  // signal blocked, and SIGPIPE and SIGXFSZ (ignored here) back to default.
  sigset_t none, defaults;
  ::sigemptyset(&none);
  ::sigemptyset(&defaults);
  ::sigaddset(&defaults, SIGPIPE);
  ::sigaddset(&defaults, SIGXFSZ);
  ::posix_spawnattr_setsigmask(&attributes, &none);
  ::posix_spawnattr_setsigdefault(&attributes, &defaults);
  ::posix_spawnattr_setpgroup(&attributes, 0);
  ::posix_spawnattr_setflags(
      &attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  std::vector<char*> args, env;
  for (const std::string& word : argv) args.push_back(const_cast<char*>(word.c_str()));
  args.push_back(nullptr);
  for (const std::string& item : environment) env.push_back(const_cast<char*>(item.c_str()));
  env.push_back(nullptr);
  pid_t pid = -1;
  const bool search = argv[0].find('/') == std::string::npos;
  int spawned = search
                    ? ::posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), env.data())
                    : ::posix_spawn(&pid, args[0], &actions, &attributes, args.data(), env.data());
  ::posix_spawn_file_actions_destroy(&actions);
  ::posix_spawnattr_destroy(&attributes);
  if (spawned != 0) {
    run.trouble = "cannot run '" + argv[0] + "': " + std::strerror(spawned);
    return run;
  }
  run.started = true;
  held.close_one(out_w);
  held.close_one(err_w);
  for (int& fd : input_fds) held.close_one(fd);

  const double deadline = now_seconds() + seconds;
  char buffer[65536];
  pollfd polled[2] = {{out_r, POLLIN, 0}, {err_r, POLLIN, 0}};
  std::string* sinks[2] = {&run.out, &run.err};
  int open_pipes = 2;
  while (open_pipes > 0 && !run.timed_out) {
    double left = deadline - now_seconds();
    if (left <= 0) {
      run.timed_out = true;
      break;
    }
    int ready = ::poll(polled, 2, static_cast<int>(left * 1000) + 1);
    if (ready < 0 && errno != EINTR) break;
    for (int k = 0; k < 2 && ready > 0; ++k) {
      if (polled[k].fd < 0 || polled[k].revents == 0) continue;
      ssize_t got = ::read(polled[k].fd, buffer, sizeof buffer);
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (got <= 0) {
        held.close_one(k == 0 ? out_r : err_r);
        polled[k].fd = -1;
        --open_pipes;
        continue;
      }
      sinks[k]->append(buffer, static_cast<std::size_t>(got));
      if (sinks[k]->size() > kMostOutput) {
        run.trouble = "it wrote more than 1 GiB";
        run.timed_out = true;
      }
    }
  }
  // Reaped in any case; killed first when it ran out of time.
  int status = 0;
  for (;;) {
    if (!run.timed_out && now_seconds() > deadline) run.timed_out = true;
    if (run.timed_out) {
      ::kill(-pid, SIGKILL);
      ::kill(pid, SIGKILL);
      while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      break;
    }
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) break;
    timespec pause{0, 1000000};
    ::nanosleep(&pause, nullptr);
  }
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

}  // namespace q5
