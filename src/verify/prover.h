// The proof of one file's conversion by its own compiler. The original is
// preprocessed once (-E -dD: its tokens, and the macros in effect); then
// the converted text, marked (see proof_text.h), until every call the
// compiler sees holds: a call that fails is rolled back and the file is
// preprocessed again without it. The compiler reads both texts from
// memory, as the file would be read where it lies: its directory is
// searched first for quoted includes, and #line keeps its name and lines.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/reader/macros.h"
#include "engine/reader/token_plan.h"
#include "verify/compile_db.h"
#include "verify/preprocessed.h"

namespace q5 {

struct VerifySettings {
  double seconds = 120;  // each run of the compiler
  std::string cwd;       // this process's, to show header names from
  std::vector<std::string> environment;
};

// How one file is preprocessed: its entry's command with the input and the
// flags that compile or write files taken out.
struct FileCompiler {
  std::vector<std::string> argv;  // the compiler, the flags kept, and -iquote the file's directory
  std::string directory;
  std::string line_name;  // the input as the command names it
  std::string language;   // for "-x", when the command gives none
};

// Empty, or why the entry cannot be used (its input is not among its words).
std::string file_compiler(const CompileEntry& entry, FileCompiler& out);

struct OriginalRun {
  std::string output;  // -E -dD of the file as it is
  std::vector<OutputToken> tokens;
  MacroSet macros;      // the definitions the compiler met
  std::string failure;  // the compiler failed: its first message
};

OriginalRun run_original(const FileCompiler& compiler, std::string_view text,
                         const VerifySettings& settings);

enum class Verdict : unsigned char {
  Proven,      // every piece of it was seen and holds
  Unseen,      // the compiler never sees it (a skipped branch, an unused macro)
  PartlySeen,  // some of its pairs are not compiled in this configuration
  Failed,      // rolled back: `reason` says why
};

struct CallProof {
  Verdict verdict = Verdict::Proven;
  std::string reason;
};

// A converted call: from its name to past its ")".
struct CallSpan {
  std::size_t name, end;
};

struct FileProof {
  std::vector<CallProof> calls;
  std::string failure;  // the compiler could not be run to the end
  std::size_t runs = 0;
};

// Proves the calls of `insertions` (each naming its call in `calls`) that
// `kept` names (all when it is empty); the others stay as they are written,
// and their verdicts say Failed with no reason.
FileProof prove_calls(const FileCompiler& compiler, std::string_view text,
                      const OriginalRun& original, std::span<const Insertion> insertions,
                      std::span<const CallSpan> calls, const VerifySettings& settings,
                      std::vector<bool> kept = {});

// Whether two compilers preprocess a file the same way.
bool same_compiler(const FileCompiler& a, const FileCompiler& b);

}  // namespace q5
