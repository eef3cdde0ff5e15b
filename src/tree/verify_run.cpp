#include "tree/verify_run.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <new>

#include "base/fd_io.h"
#include "base/parallel.h"
#include "diagnose/format.h"
#include "diagnose/rules/planned.h"
#include "diagnose/suppression.h"
#include "io/read_file.h"
#include "tree/file_outcome.h"
#include "tree/project_macros.h"
#include "verify/child_process.h"
#include "verify/compile_db.h"
#include "verify/file_macros.h"
#include "verify/prover.h"

namespace q5 {

namespace {

constexpr std::string_view kNotCompiled = "not compiled in this configuration";
constexpr std::string_view kPartlyCompiled = "partly not compiled in this configuration";
constexpr std::string_view kNoEntry = "no entry in the compilation database";

std::size_t text_hash(std::string_view text) { return std::hash<std::string_view>{}(text); }

std::string current_directory() {
  std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
  return cwd ? std::string(cwd.get()) : std::string();
}

// Test hook: Q5UPGRADE_TEST_VERIFY_SECONDS sets the compiler's time limit.
double time_limit() {
  const char* set = std::getenv("Q5UPGRADE_TEST_VERIFY_SECONDS");
  double seconds = set != nullptr ? std::atof(set) : 0;
  return seconds > 0 ? seconds : 120;
}

// The migration with the calls that failed their proof taken back, each
// left with its finding.
void keep_proven(std::string_view text, const FileProof& proof, Migration& m) {
  std::vector<std::size_t> renumbered(m.calls.size(), npos);
  std::vector<ConvertedCall> calls;
  for (std::size_t k = 0; k < m.calls.size(); ++k) {
    if (proof.calls[k].verdict != Verdict::Failed) {
      renumbered[k] = calls.size();
      calls.push_back(m.calls[k]);
      continue;
    }
    ++m.left;
    const std::size_t name = m.calls[k].name;
    if (silences(m.suppressions, text, Rule::Unproven, name, name)) continue;
    Diagnostic found = finding(Rule::Unproven, name,
                               "call left as it stands: the compiler does not prove its "
                               "conversion: " +
                                   proof.calls[k].reason);
    found.call_left = true;
    m.diagnostics.push_back(std::move(found));
  }
  std::erase_if(m.insertions, [&](const Insertion& i) { return renumbered[i.call] == npos; });
  for (Insertion& i : m.insertions) i.call = renumbered[i.call];
  m.calls = std::move(calls);
  std::stable_sort(m.diagnostics.begin(), m.diagnostics.end(),
                   [](const Diagnostic& a, const Diagnostic& b) { return a.offset < b.offset; });
}

struct Shared {
  CompileDatabase db;
  IndexedMacros walked;
  VerifySettings settings;
};

// The verdict of each call over every way the file is built: rolled back
// if any build disproves it, proven if some build sees all of it.
Verdict overall(const std::vector<FileProof>& proofs, std::size_t call) {
  Verdict best = Verdict::Unseen;
  for (const FileProof& proof : proofs) {
    const Verdict v = proof.calls[call].verdict;
    if (v == Verdict::Failed) return v;
    if (v == Verdict::Proven || (v == Verdict::PartlySeen && best == Verdict::Unseen)) best = v;
  }
  return best;
}

VerifiedFile prove_file(const Shared& shared, const WalkedFile& file,
                        const std::vector<const CompileEntry*>& entries) {
  VerifiedFile out;
  std::string text, error;
  OpenedFile opened;
  struct stat seen {};
  error = open_walked(file, false, opened);
  if (error.empty() && !read_whole(opened.fd, text, seen, error)) text.clear();
  close_walked(opened);
  if (!error.empty()) {
    out.failure = "cannot be read to be proven: " + error;
    return out;
  }
  out.size = text.size();
  out.hash = text_hash(text);
  // Each way the file is preprocessed once, however many entries share it.
  std::vector<FileCompiler> compilers;
  for (const CompileEntry* entry : entries) {
    FileCompiler compiler;
    out.failure = file_compiler(*entry, compiler);
    if (!out.failure.empty()) return out;
    if (std::none_of(compilers.begin(), compilers.end(),
                     [&](const FileCompiler& c) { return same_compiler(c, compiler); }))
      compilers.push_back(std::move(compiler));
  }
  std::vector<OriginalRun> originals;
  for (const FileCompiler& compiler : compilers) {
    originals.push_back(run_original(compiler, text, shared.settings));
    if (!originals.back().failure.empty()) {
      out.failure = std::move(originals.back().failure);
      return out;
    }
  }
  // The first build's macros plan the conversion; every build proves it.
  const IndexedMacros seen_by_compiler = index_macros(originals.front().macros);
  const MacroTable macros = resolve_macros(file_macro_set(text, seen_by_compiler, shared.walked));
  out.migration = migrate_text(text, macros);
  if (out.migration.failure) return out;
  std::vector<CallSpan> spans;
  for (const ConvertedCall& call : out.migration.calls) spans.push_back({call.name, call.end});
  // Until every build has proven the calls still kept.
  std::vector<bool> kept(spans.size(), true);
  std::vector<std::string> reasons(spans.size());
  std::vector<FileProof> proofs(compilers.size());
  std::vector<std::size_t> proven_at(compilers.size(), npos);
  for (std::size_t round = 0, k = 0; std::count(proven_at.begin(), proven_at.end(), round) <
                                     static_cast<std::ptrdiff_t>(compilers.size());
       k = (k + 1) % compilers.size()) {
    if (proven_at[k] == round) continue;
    proofs[k] = prove_calls(compilers[k], text, originals[k], out.migration.insertions, spans,
                            shared.settings, kept);
    if (!proofs[k].failure.empty()) {
      out.failure = std::move(proofs[k].failure);
      return out;
    }
    for (std::size_t call = 0; call < spans.size(); ++call)
      if (kept[call] && proofs[k].calls[call].verdict == Verdict::Failed) {
        kept[call] = false;
        reasons[call] = proofs[k].calls[call].reason;
        ++round;
      }
    proven_at[k] = round;
  }
  FileProof verdicts;
  for (std::size_t call = 0; call < spans.size(); ++call) {
    const Verdict verdict = kept[call] ? overall(proofs, call) : Verdict::Failed;
    verdicts.calls.push_back({verdict, reasons[call]});
    if (verdict == Verdict::Proven) ++out.proven;
    if (verdict == Verdict::Unseen || verdict == Verdict::PartlySeen)
      out.unproven.push_back(
          {spans[call].name, verdict == Verdict::Unseen ? kNotCompiled : kPartlyCompiled});
  }
  keep_proven(text, verdicts, out.migration);
  return out;
}

// --verbose: each call converted unproven, a line each.
std::string unproven_lines(const std::string& path, std::string_view text,
                           const std::vector<UnprovenCall>& calls) {
  std::string out;
  if (calls.empty()) return out;
  const LineTable lines = make_line_table(text);
  for (const UnprovenCall& call : calls)
    out += format_location(path, lines, call.offset) + ": converted unproven (" +
           std::string(call.why) + ")\n";
  return out;
}

}  // namespace

bool prove_walked_files(const TreeOptions& options, const std::vector<WalkedFile>& files,
                        std::size_t jobs, RunContext& context) {
  Shared shared;
  if (options.compile_commands.empty()) {
    write_all(2,
              "q5upgrade: error: --verify needs a compilation database: give -p DIR or "
              "--compile-commands=FILE, or set compile-commands in " +
                  std::string(".q5upgrade.toml") + "\n");
    return false;
  }
  if (std::string trouble = load_compile_database(options.compile_commands, shared.db);
      !trouble.empty()) {
    write_all(2, trouble);
    return false;
  }
  shared.walked = index_macros(context.walked_macros);
  shared.settings.cwd = current_directory();
  shared.settings.seconds = time_limit();
  shared.settings.environment = environment_for_messages();
  std::vector<std::vector<const CompileEntry*>> entries(files.size());
  for (std::size_t k = 0; k < files.size(); ++k)
    if (files[k].path != "-" && files[k].error.empty())
      entries[k] = compile_entries(shared.db, canonical_path(shared.settings.cwd, files[k].path));
  std::vector<VerifiedFile> proven(files.size());
  for_each_parallel(files.size(), jobs, [&](std::size_t k) {
    if (entries[k].empty()) return;
    try {
      proven[k] = prove_file(shared, files[k], entries[k]);
    } catch (const std::bad_alloc&) {
      proven[k] = VerifiedFile{};
      proven[k].failure = cannot_alloc(0);
    }
  });
  for (std::size_t k = 0; k < files.size(); ++k)
    if (!entries[k].empty()) context.verified.by_path[files[k].path] = std::move(proven[k]);
  return true;
}

Migration verified_migration(const TreeOptions& options, const RunContext& context,
                             const WalkedFile& file, std::string_view text, FileOutcome& outcome) {
  // The JSON and SARIF formats leave standard error to their data.
  const bool say =
      options.output_format == OutputFormat::Text || options.output_format == OutputFormat::Github;
  auto found = context.verified.by_path.find(file.path);
  if (found == context.verified.by_path.end()) {
    // No entry: the reader's rules alone, and said so when it converts.
    Migration m = migrate_text(text, context.macros);
    if (m.failure || m.calls.empty()) return m;
    outcome.unproven = m.calls.size();
    if (!say) return m;
    outcome.err +=
        quote_name(file.path) + ": warning: " + std::string(kNoEntry) + ": " +
        std::to_string(m.calls.size()) +
        (m.calls.size() == 1 ? " call converted unproven\n" : " calls converted unproven\n");
    if (options.verbose) {
      std::vector<UnprovenCall> calls;
      for (const ConvertedCall& call : m.calls) calls.push_back({call.name, kNoEntry});
      outcome.err += unproven_lines(file.path, text, calls);
    }
    return m;
  }
  const VerifiedFile& proven = found->second;
  Migration m;
  if (!proven.failure.empty()) {
    m.failure = Failure{ExitBadInput, proven.failure};
    return m;
  }
  if (text.size() != proven.size || text_hash(text) != proven.hash) {
    m.failure = Failure{ExitBadInput, "changed while it was being proven"};
    return m;
  }
  outcome.proven = proven.proven;
  outcome.unproven = proven.unproven.size();
  if (options.verbose && say) outcome.err += unproven_lines(file.path, text, proven.unproven);
  return proven.migration;
}

}  // namespace q5
