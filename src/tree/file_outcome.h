// One file of a tree run: read, converted by the safe default or the text
// rules, handed to its sink (diff, check list, converted text, or a new
// file waiting to be put in place), with everything to print about it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "diagnose/rules.h"
#include "tree/in_place.h"
#include "tree/options.h"
#include "tree/project_macros.h"
#include "tree/walk.h"

namespace q5 {

// What one file came to, ready to print.
struct FileOutcome {
  std::string out;  // for stdout: diff, name or converted text
  std::string err;  // for stderr: errors and diagnostics
  bool changed = false;
  bool failed = false;
  std::size_t size = 0;  // bytes read
  std::size_t calls = 0;
  std::size_t left = 0;                  // calls left as they stand for a finding
  std::size_t proven = 0, unproven = 0;  // --verify: of the calls converted
  std::vector<Diagnostic> diagnostics;   // warnings and notes
  std::vector<Diagnostic> errors;        // why the file failed
  std::string text;                      // the file as read, kept for a SARIF log
  PreparedReplacement prepared;          // with --in-place: the new file, not yet in place
  bool pending = false;
  bool done = false;
};

// Memory that runs out fails this file alone.
FileOutcome convert_one(const TreeOptions& options, const RunContext& context,
                        const WalkedFile& file);

// A file whose new content could not be put in place: the diagnostics
// already shown for it stay.
void fail_replacement(FileOutcome& outcome, const TreeOptions& options, const WalkedFile& file,
                      const std::string& trouble);

// A file that memory ran out for, told as "cannot alloc N bytes" with N its
// size: left as it is, and whatever was made beside it removed.
void fail_for_memory(FileOutcome& outcome, const TreeOptions& options, const WalkedFile& file);

// Test hook: with Q5UPGRADE_TEST_STOP=walked the process stops itself
// (SIGSTOP) once the walk is done, with =read after each file is read, so
// that a test can change the tree at a known point before it continues the
// run (SIGCONT).
void stop_for_test(const char* point);

}  // namespace q5
