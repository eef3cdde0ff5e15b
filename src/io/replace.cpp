#include "io/replace.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <new>
#include <vector>

namespace q5 {

namespace {

// The cleanup registry. The signal handler may only read what a lock-free
// atomic publishes, so each slot's fields are filled while it is Busy and
// published by one store of its state.
enum SlotState : int {
  Free = 0,
  Busy,     // being filled, or its file being created: the handler waits
  Claimed,  // the entry by this name is to go, whatever it is (a fixed name about to be re-created)
  Armed     // the entry by this name is to go if it is still the file recorded
};

struct Slot {
  std::atomic<int> state{Free};
  int dir_fd = -1;
  dev_t device = 0;
  ino_t inode = 0;
  char name[NAME_MAX + 1] = {};
};

static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the signal handler may touch lock-free atomics only");

// The slots, one per file in flight. A run of many threads makes room for
// as many as it may have at once before it starts them; the handler reads
// whichever array is published, and none is ever freed.
struct Registry {
  std::size_t count;
  Slot* slots;
};
constexpr std::size_t kDefaultSlots = 256;
Slot g_default_slots[kDefaultSlots];
const Registry g_default_registry{kDefaultSlots, g_default_slots};
std::atomic<const Registry*> g_registry{&g_default_registry};
static_assert(std::atomic<const Registry*>::is_always_lock_free);

std::atomic<int> g_rewrites{0};    // in-place rewrites under way
std::atomic<bool> g_dying{false};  // a cleanup signal is being handled

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void on_cleanup_signal(int signo) {
  int saved_errno = errno;
  g_dying.store(true);
  const Registry* registry = g_registry.load();
  for (std::size_t i = 0; i < registry->count; ++i) {
    Slot& slot = registry->slots[i];
    int state = slot.state.load();
    // Another thread is between claiming a slot and creating its file (this
    // one cannot be: it holds these signals off meanwhile). Let it finish,
    // new claims now fail; a create can stall on a busy disk, so the bound
    // is as generous as for the rewrites below.
    for (int waited = 0; state == Busy && waited < 300000; ++waited) {
      struct timespec pause {
        0, 100000
      };
      ::nanosleep(&pause, nullptr);
      state = slot.state.load();
    }
    struct stat status {};
    if (state == Claimed ||
        (state == Armed && ::fstatat(slot.dir_fd, slot.name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
         status.st_dev == slot.device && status.st_ino == slot.inode))
      ::unlinkat(slot.dir_fd, slot.name, 0);
  }
  // A file being rewritten in place by another thread is let finish (it
  // blocks these signals meanwhile), for at most half a minute.
  for (int waited = 0; waited < 30000 && g_rewrites.load() > 0; ++waited) {
    struct timespec pause {
      0, 1000000
    };
    ::nanosleep(&pause, nullptr);
  }
  // Die of the signal as if it had not been caught: blocked until this
  // handler returns, then the default action.
  ::signal(signo, SIG_DFL);
  ::raise(signo);
  errno = saved_errno;
}

// Holds the cleanup signals off in this thread; `saved` keeps its mask.
void hold_cleanup_signals(sigset_t& saved) {
  sigset_t block;
  sigemptyset(&block);
  for (int signo : kCleanupSignals) sigaddset(&block, signo);
  ::pthread_sigmask(SIG_BLOCK, &block, &saved);
}

void release_cleanup_signals(const sigset_t& saved) {
  ::pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

int claim_slot(int dir_fd, std::string_view name, int state) {
  if (name.size() > NAME_MAX) {
    errno = ENAMETOOLONG;
    return -1;
  }
  const Registry* registry = g_registry.load();
  for (std::size_t i = 0; i < registry->count; ++i) {
    Slot& slot = registry->slots[i];
    int expected = Free;
    if (!slot.state.compare_exchange_strong(expected, Busy)) continue;
    // The process is being ended: a file made now could outlive the cleanup.
    if (g_dying.load()) {
      slot.state.store(Free);
      errno = EINTR;
      return -1;
    }
    slot.dir_fd = dir_fd;
    slot.device = 0;
    slot.inode = 0;
    std::memcpy(slot.name, name.data(), name.size());
    slot.name[name.size()] = '\0';
    slot.state.store(state);
    return static_cast<int>(i);
  }
  errno = ENOBUFS;  // not the descriptors: see reserve_cleanup_slots
  return -1;
}

void arm_slot(int i, const struct stat& created) {
  Slot& slot = g_registry.load()->slots[i];
  slot.state.store(Busy);
  slot.device = created.st_dev;
  slot.inode = created.st_ino;
  slot.state.store(Armed);
}

void free_slot(int& i) {
  if (i >= 0) g_registry.load()->slots[i].state.store(Free);
  i = -1;
}

// Opens the new file and records it; on failure forgets the slot.
bool open_exclusive(int dir_fd, const std::string& name, Replacement& out) {
  // The callers have given `out.name` its room: nothing allocates here.
  out.name = name;
  int fd =
      ::openat(dir_fd, name.c_str(), O_CREAT | O_EXCL | O_NOFOLLOW | O_WRONLY | O_CLOEXEC, 0600);
  struct stat created {};
  if (fd >= 0 && ::fstat(fd, &created) != 0) {
    int saved = errno;
    ::unlinkat(dir_fd, name.c_str(), 0);
    ::close(fd);
    errno = saved;
    fd = -1;
  }
  if (fd < 0) return false;
  arm_slot(out.slot, created);
  out.dir_fd = dir_fd;
  out.fd = fd;
  out.device = created.st_dev;
  out.inode = created.st_ino;
  return true;
}

void forget(Replacement& replacement) {
  free_slot(replacement.slot);
  if (replacement.fd >= 0) ::close(replacement.fd);
  replacement.fd = -1;
}

// Six letters or digits, different for every call.
std::string random_suffix() {
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::atomic<unsigned long long> counter{0};
  unsigned char bytes[6] = {};
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    struct timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    unsigned long long mix = static_cast<unsigned long long>(now.tv_nsec) * 0x9E3779B97F4A7C15ULL ^
                             static_cast<unsigned long long>(::getpid()) << 32 ^
                             counter.fetch_add(1);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(mix >>= 8);
  }
  std::string suffix;
  for (unsigned char b : bytes) suffix += kAlphabet[b % (sizeof kAlphabet - 1)];
  return suffix;
}

// The original whose attributes are carried over: by path (following a
// link) or, where fd >= 0, by an open descriptor.
struct Original {
  const char* path;
  int fd;
};

ssize_t get_attribute(Original original, const char* name, void* value, std::size_t size) {
  return original.fd >= 0 ? ::fgetxattr(original.fd, name, value, size)
                          : ::getxattr(original.path, name, value, size);
}

ssize_t list_names(Original original, char* names, std::size_t size) {
  return original.fd >= 0 ? ::flistxattr(original.fd, names, size)
                          : ::listxattr(original.path, names, size);
}

// Reads one attribute of the original; false with errno set when it cannot.
bool read_attribute(Original original, const char* name, std::vector<char>& value) {
  for (int tries = 0; tries < 4; ++tries) {
    ssize_t size = get_attribute(original, name, nullptr, 0);
    if (size < 0) return false;
    value.resize(static_cast<std::size_t>(size));
    ssize_t got = get_attribute(original, name, value.data(), value.size());
    if (got >= 0) {
      value.resize(static_cast<std::size_t>(got));
      return true;
    }
    if (errno != ERANGE) return false;  // it grew meanwhile: ask again
  }
  return false;
}

// The names of the attributes of the original, NUL-separated; none on a
// file system without them.
bool list_attributes(Original original, std::vector<char>& names) {
  for (int tries = 0; tries < 4; ++tries) {
    ssize_t size = list_names(original, nullptr, 0);
    if (size < 0) {
      names.clear();
      return errno == ENOTSUP;
    }
    names.resize(static_cast<std::size_t>(size));
    ssize_t got = list_names(original, names.data(), names.size());
    if (got >= 0) {
      names.resize(static_cast<std::size_t>(got));
      return true;
    }
    if (errno != ERANGE) return false;
  }
  return false;
}

constexpr char kAccessAcl[] = "system.posix_acl_access";
constexpr char kDefaultAcl[] = "system.posix_acl_default";

}  // namespace

void install_cleanup_handlers() {
  struct sigaction action {};
  action.sa_handler = on_cleanup_signal;
  sigemptyset(&action.sa_mask);
  for (int signo : kCleanupSignals) sigaddset(&action.sa_mask, signo);
  for (int signo : kCleanupSignals) {
    struct sigaction previous {};
    // An ignored signal stays ignored: the caller meant it (nohup, `&`).
    if (::sigaction(signo, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
    ::sigaction(signo, &action, nullptr);
  }
}

bool reserve_cleanup_slots(std::size_t count) {
  if (count <= g_registry.load()->count) return true;
  Slot* slots = new (std::nothrow) Slot[count];
  auto* registry = slots == nullptr ? nullptr : new (std::nothrow) Registry{count, slots};
  if (registry == nullptr) {
    delete[] slots;
    return false;
  }
  g_registry.store(registry);  // kept for the life of the process
  return true;
}

void prepare_process_signals() {
  install_cleanup_handlers();
  ::signal(SIGPIPE, SIG_IGN);
  ::signal(SIGXFSZ, SIG_IGN);
}

namespace {

bool create_named(int dir_fd, std::string_view name, Replacement& out) {
  std::string path(name);
  out.name = path;  // allocated now, not once the slot is taken
  out.slot = claim_slot(dir_fd, name, Claimed);
  if (out.slot < 0) return false;
  // Never write through what is there: a link, a FIFO, another user's file.
  if (::unlinkat(dir_fd, path.c_str(), 0) != 0 && errno != ENOENT) {
    free_slot(out.slot);
    return false;
  }
  if (open_exclusive(dir_fd, path, out)) return true;
  free_slot(out.slot);
  return false;
}

bool create_hidden(int dir_fd, std::string_view beside, Replacement& out) {
  constexpr std::string_view kMark = ".q5upgrade-";
  constexpr std::size_t kSuffix = 6;
  std::string stem = ".";
  if (beside.size() + 1 + kMark.size() + kSuffix <= NAME_MAX) stem.append(beside);
  stem.append(kMark);
  for (int tries = 0; tries < 100; ++tries) {
    std::string name = stem + random_suffix();
    out.name = name;  // allocated now, not once the slot is taken
    // Claimed only once created: a name that is taken belongs to another.
    out.slot = claim_slot(dir_fd, name, Busy);
    if (out.slot < 0) return false;
    if (open_exclusive(dir_fd, name, out)) return true;
    int saved = errno;
    free_slot(out.slot);
    errno = saved;
    if (errno != EEXIST) return false;
  }
  return false;
}

// Runs a create with the cleanup signals held off, so that its slot is never
// Busy under a handler in this same thread, which would wait for it in vain
// and leave the new file behind.
template <typename Create>
bool create_held(Create create, int dir_fd, std::string_view name, Replacement& out) {
  sigset_t saved;
  hold_cleanup_signals(saved);
  bool created = false;
  try {
    created = create(dir_fd, name, out);
  } catch (...) {
    // Memory ran out before a slot was taken (names are made first): the
    // signals must not stay held off.
    release_cleanup_signals(saved);
    throw;
  }
  int error = errno;
  release_cleanup_signals(saved);
  errno = error;
  return created;
}

}  // namespace

bool create_named_replacement(int dir_fd, std::string_view name, Replacement& out) {
  return create_held(create_named, dir_fd, name, out);
}

bool create_hidden_replacement(int dir_fd, std::string_view beside, Replacement& out) {
  return create_held(create_hidden, dir_fd, beside, out);
}

bool carry_owner(const Replacement& replacement, uid_t owner, gid_t group) {
  if (::fchown(replacement.fd, owner, group) != 0) {
    // Keep at least the group when the owner cannot be given; fstat says what stuck.
    [[maybe_unused]] int group_only = ::fchown(replacement.fd, static_cast<uid_t>(-1), group);
  }
  struct stat status {};
  return ::fstat(replacement.fd, &status) == 0 && status.st_uid == owner && status.st_gid == group;
}

namespace {

MaybeFailure carry_from(const Replacement& replacement, Original original, uid_t owner, gid_t group,
                        mode_t mode, std::string_view shown, std::string_view shown_original) {
  auto refuse = [&](std::string what) {
    return Failure{ExitWriteFailed, "Cannot give " + std::string(shown) + " " + what + " of " +
                                        std::string(shown_original) + "; " +
                                        std::string(shown_original) + " is untouched\n"};
  };
  // The owner first: a change of owner clears setuid, setgid and file
  // capabilities, which the steps after it set.
  carry_owner(replacement, owner, group);

  std::vector<char> names;
  if (!list_attributes(original, names)) return refuse("the extended attributes");
  bool has_acl = false;
  std::vector<char> value;
  for (std::size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
    const char* name = names.data() + at;
    std::string_view view(name);
    if (view == kDefaultAcl) continue;  // for directories only
    bool is_acl = view == kAccessAcl;
    has_acl = has_acl || is_acl;
    // The ACL and the user's own attributes are part of the file; other
    // namespaces (security labels, trusted) are the system's to give.
    bool required = is_acl || view.starts_with("user.");
    bool copied = read_attribute(original, name, value) &&
                  ::fsetxattr(replacement.fd, name, value.data(), value.size(), 0) == 0;
    if (!copied && required)
      return refuse(is_acl ? std::string("the access ACL") : "the attribute " + std::string(view));
  }
  // A default ACL of the replacement's directory gave it an access ACL of
  // its own: it would grant what the original did not.
  if (!has_acl && ::fremovexattr(replacement.fd, kAccessAcl) != 0 && errno != ENODATA &&
      errno != ENOTSUP)
    return refuse("the access rights (no ACL)");
  // Last: the mode, all 12 bits. Writing clears setuid and setgid, and the
  // group bits of a file with an ACL are its mask, set from these.
  if (::fchmod(replacement.fd, mode & 07777) != 0) return refuse("the mode");
  return {};
}

}  // namespace

MaybeFailure carry_attributes(const Replacement& replacement, const char* original_path,
                              uid_t owner, gid_t group, mode_t mode, std::string_view shown,
                              std::string_view shown_original) {
  return carry_from(replacement, {original_path, -1}, owner, group, mode, shown, shown_original);
}

MaybeFailure carry_attributes(const Replacement& replacement, int original_fd, uid_t owner,
                              gid_t group, mode_t mode, std::string_view shown,
                              std::string_view shown_original) {
  return carry_from(replacement, {nullptr, original_fd}, owner, group, mode, shown, shown_original);
}

bool sync_replacement(const Replacement& replacement) { return ::fdatasync(replacement.fd) == 0; }

bool replacement_is_ours(const Replacement& replacement) {
  struct stat status {};
  return ::fstatat(replacement.dir_fd, replacement.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) ==
             0 &&
         status.st_dev == replacement.device && status.st_ino == replacement.inode;
}

PutResult put_replacement(Replacement& replacement, int target_dir, const char* target) {
  if (!replacement_is_ours(replacement)) return PutResult::NotOurs;
  if (::renameat(replacement.dir_fd, replacement.name.c_str(), target_dir, target) != 0)
    return PutResult::RenameFailed;
  forget(replacement);
  return PutResult::Done;
}

void discard_replacement(Replacement& replacement) {
  if (replacement.slot >= 0 && replacement_is_ours(replacement))
    ::unlinkat(replacement.dir_fd, replacement.name.c_str(), 0);
  forget(replacement);
}

void keep_replacement(Replacement& replacement) { forget(replacement); }

bool begin_in_place_rewrite(sigset_t& saved) {
  hold_cleanup_signals(saved);
  g_rewrites.fetch_add(1);
  if (!g_dying.load()) return true;
  end_in_place_rewrite(saved);
  return false;
}

void end_in_place_rewrite(const sigset_t& saved) {
  g_rewrites.fetch_sub(1);
  release_cleanup_signals(saved);
}

}  // namespace q5
