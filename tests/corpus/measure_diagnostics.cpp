// Runs the conversion (as the tree interface does) and the review
// diagnostics over files and counts:
// calls converted, calls that lose tokens, how many of those carry a
// diagnostic, and warnings on calls that converted without loss.
//   q5diagnose_measure [--print] [--hazards TSV] FILE...
// --print also writes every diagnostic as the tool prints it. --hazards
// reads the generator's list of planted hazards (file name, line of the
// call) and splits the warnings on calls without loss into those on
// planted hazards and the others, which --print-others prints.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "diagnose/diagnose.h"
#include "diagnose/format.h"
#include "tree/conversion.h"

namespace {

struct Totals {
  std::size_t files = 0, failed = 0, calls = 0, losing = 0, losing_flagged = 0;
  std::size_t clean = 0, clean_warned = 0, clean_warnings = 0, missed = 0, notes = 0;
  std::map<std::string, std::size_t> clean_by_rule, all_by_rule;
  std::size_t clean_warned_planted = 0, clean_warned_other = 0, planted_losing = 0;
};

bool read_file(const char* path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  text = bytes.str();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool print = false, print_others = false;
  std::set<std::pair<std::string, std::size_t>> planted;
  Totals t;
  for (int a = 1; a < argc; ++a) {
    std::string arg = argv[a];
    if (arg == "--print" || arg == "--print-others") {
      (arg == "--print" ? print : print_others) = true;
      continue;
    }
    if (arg == "--hazards" && a + 1 < argc) {
      std::ifstream list(argv[++a]);
      std::string name, kind;
      std::size_t line = 0;
      while (list >> name >> line >> kind) planted.insert({name, line});
      continue;
    }
    const std::string base = arg.substr(arg.rfind('/') + 1);
    std::string text;
    if (!read_file(argv[a], text)) {
      std::fprintf(stderr, "cannot read %s\n", argv[a]);
      return 2;
    }
    ++t.files;
    q5::Conversion c = q5::convert_text(text);
    if (c.failure) {
      ++t.failed;
      const q5::LineTable lines = q5::make_line_table(text);
      std::fprintf(stderr, "%s: error: %s", q5::format_location(arg, lines, c.failure->offset).c_str(),
                   c.failure->message.c_str());
      continue;
    }
    std::vector<q5::Diagnostic> diagnostics = q5::diagnose_conversion(text, c.calls, c.text);
    const q5::LineTable lines = q5::make_line_table(text);
    if (print) std::fputs(q5::format_diagnostics(arg, text, diagnostics).c_str(), stdout);
    for (const q5::Diagnostic& d : diagnostics) {
      ++t.all_by_rule[std::string(q5::rule_info(d.rule).id)];
      t.missed += d.rule == q5::Rule::MissedCall;
      t.notes += d.severity == q5::Severity::Note;
    }
    for (const q5::CallRecord& call : c.calls) {
      if (call.left_as_is) continue;
      ++t.calls;
      // The diagnostics at this call's own input.
      std::size_t warnings = 0;
      std::vector<std::string> rules;
      std::vector<q5::Diagnostic> mine;
      for (const q5::Diagnostic& d : diagnostics)
        if (d.offset >= call.begin && d.offset < call.end && d.severity != q5::Severity::Note &&
            d.rule != q5::Rule::MissedCall) {
          ++warnings;
          rules.emplace_back(q5::rule_info(d.rule).id);
          mine.push_back(d);
        }
      const bool is_planted = planted.count({base, q5::line_column(lines, call.begin).line}) != 0;
      if (!q5::lost_tokens(text, call, c.text).empty()) {
        ++t.losing;
        t.losing_flagged += warnings > 0;
        t.planted_losing += is_planted;
        if (!is_planted && print_others)
          std::fputs(q5::format_diagnostics(arg, text, mine).c_str(), stdout);
      } else {
        ++t.clean;
        t.clean_warned += warnings > 0;
        t.clean_warnings += warnings;
        if (warnings > 0) (is_planted ? t.clean_warned_planted : t.clean_warned_other) += 1;
        if (warnings > 0 && !is_planted && print_others)
          std::fputs(q5::format_diagnostics(arg, text, mine).c_str(), stdout);
        for (const std::string& r : rules) ++t.clean_by_rule[r];
      }
    }
  }
  std::printf("files %zu (failed %zu)\n", t.files, t.failed);
  std::printf("calls converted %zu\n", t.calls);
  std::printf("calls losing tokens %zu, flagged %zu\n", t.losing, t.losing_flagged);
  std::printf("clean calls %zu, with warnings %zu (%zu warnings", t.clean, t.clean_warned, t.clean_warnings);
  for (const auto& [rule, n] : t.clean_by_rule) std::printf(", %zu %s", n, rule.c_str());
  std::printf(")\n");
  if (!planted.empty())
    std::printf("clean calls with warnings: %zu on planted hazards, %zu on other calls; "
                "losing calls on planted hazards %zu\n",
                t.clean_warned_planted, t.clean_warned_other, t.planted_losing);
  std::printf("missed calls %zu, notes %zu\n", t.missed, t.notes);
  std::printf("all diagnostics:");
  for (const auto& [rule, n] : t.all_by_rule) std::printf(" %s=%zu", rule.c_str(), n);
  std::printf("\n");
  return 0;
}
