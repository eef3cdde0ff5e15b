#include "verify/prover.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

#include "diagnose/format.h"
#include "verify/child_process.h"
#include "verify/compile_command.h"
#include "verify/proof_check.h"
#include "verify/proof_text.h"

namespace q5 {

namespace {

// At most this many proof runs for one file, then every call still kept is
// rolled back: each run that fails rolls back at least one call, so more
// than two happen only when calls fail one after another.
constexpr std::size_t kMostRuns = 8;

// The compiler's messages without colour (-fdiagnostics-color=always in the
// command): escape sequences taken out.
std::string without_escapes(std::string_view err) {
  std::string out;
  for (std::size_t i = 0; i < err.size(); ++i) {
    if (err[i] == '\x1b' && i + 1 < err.size() && err[i + 1] == '[') {
      i += 2;
      while (i < err.size() && !std::isalpha(static_cast<unsigned char>(err[i]))) ++i;
      continue;
    }
    out += err[i];
  }
  return out;
}

std::vector<std::string> command_for(const FileCompiler& compiler, bool definitions, bool header) {
  std::vector<std::string> argv = compiler.argv;
  // No warnings: they change no token, and under -Werror the proof's own
  // macro names (reserved ones) could fail it.
  argv.push_back("-w");
  argv.push_back("-E");
  if (definitions) argv.push_back("-dD");
  if (header) {
    argv.push_back("-include");
    argv.push_back(child_input_path(1));
  }
  if (!compiler.language.empty()) {
    argv.push_back("-x");
    argv.push_back(compiler.language);
  }
  argv.push_back(child_input_path(0));
  return argv;
}

std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    if (end > at) lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

// The first line of the compiler's messages that reports an error, or else
// the first line.
std::string first_message(std::string_view err) {
  std::vector<std::string_view> lines = lines_of(err);
  for (std::string_view line : lines)
    if (line.find("error:") != std::string_view::npos) return std::string(line);
  return lines.empty() ? std::string() : std::string(lines.front());
}

std::string run_trouble(const ChildRun& run, const VerifySettings& settings) {
  if (!run.trouble.empty()) return run.trouble;
  if (run.timed_out) {
    // (snprintf, not std::to_chars: a floating to_chars would bring libm
    // into every start of the program.)
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", settings.seconds);
    return "the compiler did not finish within " + std::string(seconds) + " s";
  }
  std::string message = first_message(without_escapes(run.err));
  if (message.empty()) message = "it exited with status " + std::to_string(run.status);
  return "the compiler fails: " + message;
}

// The markers a message names, each as its kind and number.
template <typename Found>
void markers_in(std::string_view line, std::string_view prefix, Found found) {
  for (std::size_t at = line.find(prefix); at != std::string_view::npos;
       at = line.find(prefix, at + 1)) {
    std::size_t end = at + prefix.size();
    while (end < line.size() && (std::isalnum(static_cast<unsigned char>(line[end])) != 0)) ++end;
    MarkerKind kind;
    std::size_t number = 0;
    if (read_marker(line.substr(at, end - at), prefix, kind, number)) found(kind, number, at, end);
  }
}

// The compiler's errors in the proof's text put on the calls they concern:
// those whose markers the error or its notes name, else those on the line
// it names in the file, else every call kept.
void blame_errors(std::string_view err, const ProofText& proof, std::string_view prefix,
                  const std::string& line_name, const std::vector<CallLines>& lines,
                  const std::vector<bool>& kept, std::vector<CallCheck>& checks) {
  std::vector<std::string_view> all = lines_of(err);
  auto heads = [](std::string_view line) {
    return line.find(": error: ") != std::string_view::npos ||
           line.find(": fatal error: ") != std::string_view::npos ||
           line.find(": warning: ") != std::string_view::npos;
  };
  for (std::size_t k = 0; k < all.size(); ++k) {
    std::string_view line = all[k];
    std::size_t said = line.find("error: ");
    if (said == std::string_view::npos || !heads(line)) continue;
    // The message, with the pair macros named as the file will spell them.
    std::string message;
    std::size_t copied = said + 7;
    markers_in(line, prefix, [&](MarkerKind kind, std::size_t n, std::size_t at, std::size_t end) {
      if (at < copied) return;
      message.append(line.substr(copied, at - copied));
      message.append(kind == MarkerKind::Pair && n < proof.pair_macro.size()
                         ? proof.pair_macro[n]
                         : line.substr(at, end - at));
      copied = end;
    });
    message.append(line.substr(copied));
    bool blamed = false;
    auto blame = [&](std::size_t call, std::string_view what) {
      if (call >= checks.size() || !kept[call]) return;
      blamed = true;
      if (!checks[call].failed)
        checks[call] = {true, "the compiler rejects " + std::string(what) + ": " + message};
    };
    for (std::size_t n = k; n < all.size() && (n == k || !heads(all[n])); ++n)
      markers_in(all[n], prefix,
                 [&](MarkerKind kind, std::size_t number, std::size_t, std::size_t) {
                   const bool pair = kind == MarkerKind::Pair || kind == MarkerKind::Open ||
                                     kind == MarkerKind::Middle || kind == MarkerKind::End;
                   blame(marker_call(proof, kind, number), pair && number < proof.pair_shown.size()
                                                               ? proof.pair_shown[number]
                                                               : std::string("it"));
                 });
    if (!blamed && line.starts_with(line_name + ":")) {
      std::uint32_t number = 0;
      const char* digits = line.data() + line_name.size() + 1;
      if (std::from_chars(digits, line.data() + line.size(), number).ec == std::errc{})
        for (std::size_t call = 0; call < lines.size(); ++call)
          if (lines[call].first <= number && number <= lines[call].last) blame(call, "it");
    }
    if (!blamed)
      for (std::size_t call = 0; call < checks.size(); ++call) blame(call, "the file");
  }
}

}  // namespace

std::string file_compiler(const CompileEntry& entry, FileCompiler& out) {
  PreprocessFlags flags = preprocess_flags(entry.argv, entry.directory, entry.file);
  if (flags.input.empty())
    return "its entry in the compilation database does not name it among the compiler's words";
  out.directory = entry.directory;
  out.line_name = flags.input;
  if (!flags.language_given) out.language = language_of(flags.input);
  // The file's own directory first for quoted includes, as when the
  // compiler reads the file where it lies.
  std::size_t slash = flags.input.rfind('/');
  std::string dir = slash == std::string::npos ? "." : flags.input.substr(0, slash);
  if (dir.empty()) dir = "/";
  // It goes before the command's own -iquote directories, else after every
  // flag, so that a wrapper (ccache gcc ...) still finds its compiler first.
  out.argv = flags.argv;
  auto first_quote = std::find_if(out.argv.begin() + 1, out.argv.end(),
                                  [](const std::string& w) { return w.starts_with("-iquote"); });
  const std::string quoted_dir = dir.starts_with('/') ? dir : entry.directory + "/" + dir;
  out.argv.insert(first_quote, {"-iquote", quoted_dir});
  return {};
}

bool same_compiler(const FileCompiler& a, const FileCompiler& b) {
  return a.argv == b.argv && a.directory == b.directory && a.line_name == b.line_name &&
         a.language == b.language;
}

OriginalRun run_original(const FileCompiler& compiler, std::string_view text,
                         const VerifySettings& settings) {
  OriginalRun original;
  const std::string input = line_directive(compiler.line_name) + std::string(text);
  const std::string_view inputs[] = {input};
  ChildRun run = run_child(command_for(compiler, true, false), compiler.directory, inputs,
                           settings.environment, settings.seconds);
  if (!run.started || run.timed_out || run.status != 0) {
    original.failure = run_trouble(run, settings);
    return original;
  }
  original.output = std::move(run.out);
  original.tokens = output_tokens(original.output, quoted_for_line_marker(compiler.line_name));
  output_macros(original.output, compiler.directory, settings.cwd, original.macros);
  return original;
}

FileProof prove_calls(const FileCompiler& compiler, std::string_view text,
                      const OriginalRun& original, std::span<const Insertion> insertions,
                      std::span<const CallSpan> calls, const VerifySettings& settings,
                      std::vector<bool> kept) {
  FileProof result;
  result.calls.resize(calls.size());
  if (kept.empty()) kept.assign(calls.size(), true);
  for (std::size_t call = 0; call < calls.size(); ++call)
    if (!kept[call]) result.calls[call].verdict = Verdict::Failed;
  if (calls.empty()) return result;
  std::vector<std::size_t> names;
  std::vector<CallLines> lines;
  const LineTable table = make_line_table(text);
  for (const CallSpan& call : calls) {
    names.push_back(call.name);
    lines.push_back({static_cast<std::uint32_t>(line_column(table, call.name).line),
                     static_cast<std::uint32_t>(line_column(table, call.end).line)});
  }
  std::string words;
  for (const std::string& word : compiler.argv) words += word + ' ';
  const std::string_view texts[] = {text, original.output, words};
  const std::string prefix = marker_prefix(texts);
  const std::string main_name = quoted_for_line_marker(compiler.line_name);

  for (;;) {
    bool any = false;
    for (bool k : kept) any |= k;
    if (!any) return result;
    if (result.runs == kMostRuns) {
      for (std::size_t call = 0; call < calls.size(); ++call)
        if (kept[call])
          result.calls[call] = {Verdict::Failed, "the proof still failed after " +
                                                     std::to_string(kMostRuns) +
                                                     " runs of the compiler"};
      return result;
    }
    const ProofText proof = proof_text(text, insertions, names, kept, prefix, compiler.line_name);
    const std::string_view inputs[] = {proof.text, proof.header};
    ChildRun run = run_child(command_for(compiler, false, true), compiler.directory, inputs,
                             settings.environment, settings.seconds);
    ++result.runs;
    if (!run.started || run.timed_out || run.status >= 128) {
      result.failure = run_trouble(run, settings);
      return result;
    }
    std::vector<CallCheck> checks(calls.size());
    if (run.status != 0) {
      blame_errors(without_escapes(run.err), proof, prefix, compiler.line_name, lines, kept,
                   checks);
    } else {
      check_proof(output_tokens(run.out, main_name), original.tokens, proof, prefix, lines, kept,
                  checks);
    }
    bool rolled_back = false;
    for (std::size_t call = 0; call < calls.size(); ++call) {
      if (!kept[call] || !checks[call].failed) continue;
      kept[call] = false;
      result.calls[call] = {Verdict::Failed, std::move(checks[call].reason)};
      rolled_back = true;
    }
    if (run.status != 0 && !rolled_back) {
      result.failure = run_trouble(run, settings);
      return result;
    }
    if (rolled_back) continue;
    for (std::size_t call = 0; call < calls.size(); ++call) {
      if (!kept[call]) continue;
      const CallCheck& seen = checks[call];
      const bool whole = seen.name_seen && seen.pairs_seen == proof.pairs_of_call[call] &&
                         (seen.cast_seen || !proof.cast_of_call[call]);
      const bool none = !seen.name_seen && seen.pairs_seen == 0 && !seen.cast_seen;
      result.calls[call].verdict = whole  ? Verdict::Proven
                                   : none ? Verdict::Unseen
                                          : Verdict::PartlySeen;
    }
    return result;
  }
}

}  // namespace q5
