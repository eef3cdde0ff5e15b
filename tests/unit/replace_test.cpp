// File replacement: a cleanup signal that lands while a thread is creating a
// new file still removes it before the process dies; the registry of files
// in flight grows on request, and says when it is full.
#include "io/replace.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace q5 {
namespace {

std::vector<std::string> entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path());
  return names;
}

// The child's worker threads create and discard files without pause; its
// main thread holds the signals off, so a worker handles each one, often in
// the middle of a create.
[[noreturn]] void create_until_killed(const std::string& dir) {
  install_cleanup_handlers();
  int dir_fd = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  auto churn = [dir_fd] {
    for (;;) {
      Replacement next;
      if (create_hidden_replacement(dir_fd, "f.c", next)) discard_replacement(next);
    }
  };
  std::thread(churn).detach();
  std::thread(churn).detach();
  sigset_t all;
  sigfillset(&all);
  ::pthread_sigmask(SIG_BLOCK, &all, nullptr);
  for (;;) ::pause();
}

TEST(CleanupSignals, RemoveFilesThatThreadsAreCreating) {
  char dir_template[] = "/tmp/q5replace_XXXXXX";
  std::string dir = ::mkdtemp(dir_template);
  for (int round = 0; round < 40; ++round) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) create_until_killed(dir);
    struct timespec pause {0, 2000000L + round * 100000L};
    ::nanosleep(&pause, nullptr);
    ::kill(child, round % 2 ? SIGTERM : SIGINT);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status)) << "round " << round;
    std::vector<std::string> left = entries(dir);
    EXPECT_TRUE(left.empty()) << "round " << round << " left " << left.front();
    for (const std::string& path : left) ::unlink(path.c_str());
    if (!left.empty()) break;
  }
  ::rmdir(dir.c_str());
}

// Creates hidden files until a create fails; gives its errno.
int create_until_full(int dir_fd, std::vector<Replacement>& made) {
  for (;;) {
    Replacement next;
    if (!create_hidden_replacement(dir_fd, "f.c", next)) return errno;
    made.push_back(std::move(next));
    if (made.size() > 5000) return 0;
  }
}

TEST(CleanupRegistry, FullIsNotADescriptorShortageAndGrowsOnRequest) {
  char dir_template[] = "/tmp/q5registry_XXXXXX";
  std::string dir = ::mkdtemp(dir_template);
  int dir_fd = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  std::vector<Replacement> made;
  EXPECT_EQ(create_until_full(dir_fd, made), ENOBUFS);
  std::size_t room = made.size();
  EXPECT_GE(room, 1u);
  for (Replacement& replacement : made) discard_replacement(replacement);
  made.clear();

  ASSERT_TRUE(reserve_cleanup_slots(room + 100));
  EXPECT_EQ(create_until_full(dir_fd, made), ENOBUFS);
  EXPECT_EQ(made.size(), room + 100);
  // The handler goes through the whole grown registry.
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    install_cleanup_handlers();
    ::raise(SIGTERM);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status));
  std::vector<std::string> left = entries(dir);
  EXPECT_TRUE(left.empty()) << left.size() << " files left";
  for (Replacement& replacement : made) keep_replacement(replacement);
  for (const std::string& path : left) ::unlink(path.c_str());
  ::close(dir_fd);
  ::rmdir(dir.c_str());
}

}  // namespace
}  // namespace q5
