// The compilation database (compile_commands.json, as CMake, Meson, Bear
// and others write it): for each file, the compiler, its flags and the
// directory it runs in.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace q5 {

struct CompileEntry {
  std::string directory;          // absolute: where the compiler runs
  std::string file;               // as the entry names it
  std::vector<std::string> argv;  // the compiler and its words, unchanged
};

struct CompileDatabase {
  std::vector<CompileEntry> entries;
  // A file's entries (several when it is built several ways), by its
  // canonical path (see canonical_path).
  std::unordered_map<std::string, std::vector<std::size_t>> by_path;
};

// Reads `path`: a compile_commands.json, or a directory holding one. Gives
// the message to print ("q5upgrade: PATH: error: ...\n"), or empty.
std::string load_compile_database(const std::string& path, CompileDatabase& out);

// `path` (relative to `directory`) absolute, with links resolved where it
// exists, so that one file has one name.
std::string canonical_path(const std::string& directory, const std::string& path);

// The entries that compile the file at canonical path `path`, in the
// database's order; none when it has none.
std::vector<const CompileEntry*> compile_entries(const CompileDatabase& db,
                                                 const std::string& path);

}  // namespace q5
