// --verify in a tree run: every file the compilation database compiles is
// proven by its compiler before any file is converted, so that with -i no
// proof can see a header that another worker has rewritten meanwhile (the
// files are proven as the tree stood when the run began, and written only
// after). Each file's conversion is then the proof's: calls proven, calls
// the compiler does not see (converted by the reader's rules, unproven),
// and calls rolled back with q5-unproven.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tree/migrate.h"
#include "tree/options.h"
#include "tree/walk.h"

namespace q5 {

struct RunContext;
struct FileOutcome;

// A call converted without proof, and why (for --verbose).
struct UnprovenCall {
  std::size_t offset;
  std::string_view why;
};

// One file as its proof left it.
struct VerifiedFile {
  std::size_t size = 0, hash = 0;  // of the text proven
  std::string failure;             // the file's error: the compiler's, or its reading
  Migration migration;
  std::size_t proven = 0;
  std::vector<UnprovenCall> unproven;
};

struct VerifiedFiles {
  std::unordered_map<std::string, VerifiedFile> by_path;  // by walked path
};

// Loads the database and proves every walked file it compiles, `jobs` at a
// time. False after printing why when the database cannot be read: the
// run then stops before anything is converted.
bool prove_walked_files(const TreeOptions& options, const std::vector<WalkedFile>& files,
                        std::size_t jobs, RunContext& context);

// The conversion of `text` (the file as read now) under --verify, with
// its counts in `outcome` and, before its diagnostics, what is said of it.
Migration verified_migration(const TreeOptions& options, const RunContext& context,
                             const WalkedFile& file, std::string_view text, FileOutcome& outcome);

}  // namespace q5
