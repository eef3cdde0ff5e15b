#include "tree/git_ignore.h"

#include <dlfcn.h>
#include <git2.h>

#include <cstdlib>

namespace q5 {

struct GitRepository {
  git_repository* repository;
};

namespace {

// The functions used, found in the library once it is loaded.
struct GitLibrary {
  void* handle = nullptr;
  int users = 0;
  decltype(&git_libgit2_init) init = nullptr;
  decltype(&git_libgit2_shutdown) shutdown = nullptr;
  decltype(&git_repository_open_ext) open_ext = nullptr;
  decltype(&git_repository_free) free = nullptr;
  decltype(&git_repository_workdir) workdir = nullptr;
  decltype(&git_ignore_path_is_ignored) is_ignored = nullptr;
};

GitLibrary library;

template <typename Function>
bool find(Function& function, const char* name) {
  function = reinterpret_cast<Function>(::dlsym(library.handle, name));
  return function != nullptr;
}

std::string real_path(const char* path) {
  char* real = ::realpath(path, nullptr);
  if (real == nullptr) return {};
  std::string out = real;
  std::free(real);
  return out;
}

}  // namespace

void GitRepositoryClose::operator()(GitRepository* repository) const {
  library.free(repository->repository);
  delete repository;
}

std::string begin_git_ignore() {
  if (library.handle == nullptr) {
    library.handle = ::dlopen(Q5UPGRADE_LIBGIT2_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (library.handle == nullptr) {
      const char* why = ::dlerror();
      return why != nullptr ? why : "cannot load " Q5UPGRADE_LIBGIT2_SONAME;
    }
    if (!find(library.init, "git_libgit2_init") ||
        !find(library.shutdown, "git_libgit2_shutdown") ||
        !find(library.open_ext, "git_repository_open_ext") ||
        !find(library.free, "git_repository_free") ||
        !find(library.workdir, "git_repository_workdir") ||
        !find(library.is_ignored, "git_ignore_path_is_ignored")) {
      ::dlclose(library.handle);
      library.handle = nullptr;
      return Q5UPGRADE_LIBGIT2_SONAME " lacks a function this program uses";
    }
  }
  if (library.init() < 0) return "libgit2 cannot start";
  ++library.users;
  return {};
}

void end_git_ignore() {
  if (library.users == 0) return;
  --library.users;
  library.shutdown();
}

GitRepositoryHandle open_git_work_tree(const std::string& dir, bool search, std::string& prefix) {
  if (library.users == 0) return nullptr;
  const std::string real = real_path(dir.c_str());
  git_repository* opened = nullptr;
  if (real.empty() || library.open_ext(&opened, real.c_str(),
                                       search ? 0 : GIT_REPOSITORY_OPEN_NO_SEARCH, nullptr) != 0)
    return nullptr;
  GitRepositoryHandle repository(new GitRepository{opened});
  const char* workdir = library.workdir(opened);
  std::string top = workdir == nullptr ? std::string() : real_path(workdir);
  if (top.empty()) return nullptr;  // a bare repository: nothing to ignore
  if (top != "/") top += '/';
  std::string inside = real + '/';
  if (!inside.starts_with(top)) return nullptr;
  prefix = inside.substr(top.size());
  return repository;
}

bool git_ignores(GitRepository& repository, const std::string& path, bool is_dir) {
  int ignored = 0;
  std::string asked = is_dir ? path + '/' : path;
  return library.is_ignored(&ignored, repository.repository, asked.c_str()) == 0 && ignored == 1;
}

}  // namespace q5
