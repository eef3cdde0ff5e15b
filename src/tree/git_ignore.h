// What git ignores (.gitignore files, .git/info/exclude, core.excludesFile),
// asked of libgit2. The library is loaded the first time a walk needs it,
// not linked: loading it and the libraries it needs at every start would
// cost the one-file classic form several times what its conversion does.
#pragma once

#include <memory>
#include <string>

namespace q5 {

struct GitRepository;

struct GitRepositoryClose {
  void operator()(GitRepository* repository) const;
};
using GitRepositoryHandle = std::unique_ptr<GitRepository, GitRepositoryClose>;

// Loads libgit2 (once) and holds it ready until end_git_ignore. Gives an
// empty string, or why it cannot be had (the walk then ignores nothing).
std::string begin_git_ignore();
void end_git_ignore();

// The work tree holding the directory `dir` (searched upwards from it with
// `search`, else `dir` must be its top), with `prefix` set to dir's path
// inside it ("" at the top, else ending in '/'); null when there is none.
GitRepositoryHandle open_git_work_tree(const std::string& dir, bool search, std::string& prefix);

// Whether git ignores the entry at `path` (relative to the work tree's top)
// or a directory holding it.
bool git_ignores(GitRepository& repository, const std::string& path, bool is_dir);

}  // namespace q5
