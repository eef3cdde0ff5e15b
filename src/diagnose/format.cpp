#include "diagnose/format.h"

#include <algorithm>

namespace q5 {

namespace {

// Very long lines (generated code) are shown around the spot only.
constexpr std::size_t kBefore = 80, kAfter = 120;

bool is_control(unsigned char c) { return (c < 0x20 && c != '\t') || c == 0x7f; }

// The SGR sequences compilers use: bold, and bold in a colour.
constexpr std::string_view kBold = "\033[1m", kGreen = "\033[1;32m", kReset = "\033[m";

std::string_view severity_colour(Severity severity) {
  switch (severity) {
    case Severity::Note:
      return "\033[1;36m";
    case Severity::Warning:
      return "\033[1;35m";
    case Severity::Error:
      return "\033[1;31m";
  }
  return kBold;
}

// `text` between `on` and a reset when colouring.
void append_styled(std::string& out, bool colour, std::string_view on, std::string_view text) {
  if (colour) out += on;
  out += text;
  if (colour) out += kReset;
}

}  // namespace

LineTable make_line_table(std::string_view text) {
  LineTable lines;
  lines.starts.push_back(0);
  for (std::size_t i = text.find('\n'); i != std::string_view::npos; i = text.find('\n', i + 1))
    lines.starts.push_back(i + 1);
  return lines;
}

LineColumn line_column(const LineTable& lines, std::size_t offset) {
  if (offset == kNoOffset || lines.starts.empty()) return {};
  auto after = std::upper_bound(lines.starts.begin(), lines.starts.end(), offset);
  std::size_t line = static_cast<std::size_t>(after - lines.starts.begin());
  return {line, offset - lines.starts[line - 1] + 1};
}

std::string_view line_text(const LineTable& lines, std::string_view text, std::size_t line) {
  std::size_t begin = lines.starts[line - 1];
  std::size_t end = line < lines.starts.size() ? lines.starts[line] - 1 : text.size();
  if (end > begin && text[end - 1] == '\r') --end;
  return text.substr(begin, end - begin);
}

std::string quote_name(std::string_view name) {
  auto plain = [](unsigned char c) { return c >= 0x20 && c < 0x7f && c != '"' && c != '\\'; };
  if (std::all_of(name.begin(), name.end(), plain)) return std::string(name);
  static constexpr std::string_view kEscaped = "\a\b\t\n\v\f\r\"\\", kLetters = "abtnvfr\"\\";
  std::string out = "\"";
  for (char c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    if (plain(u)) {
      out += c;
    } else if (std::size_t at = kEscaped.find(c); at != std::string_view::npos) {
      out += '\\';
      out += kLetters[at];
    } else {
      out += '\\';
      out += static_cast<char>('0' + (u >> 6));
      out += static_cast<char>('0' + ((u >> 3) & 7));
      out += static_cast<char>('0' + (u & 7));
    }
  }
  out += '"';
  return out;
}

std::string format_location(std::string_view path, const LineTable& lines, std::size_t offset) {
  std::string out = quote_name(path);
  if (offset == kNoOffset) return out;
  LineColumn at = line_column(lines, offset);
  out += ':' + std::to_string(at.line) + ':' + std::to_string(at.column);
  return out;
}

std::string format_diagnostic(std::string_view path, std::string_view text, const LineTable& lines,
                              const Diagnostic& diagnostic, bool colour) {
  const std::string_view tint = severity_colour(diagnostic.severity);
  std::string out;
  append_styled(out, colour, kBold, format_location(path, lines, diagnostic.offset) + ':');
  out += ' ';
  append_styled(out, colour, tint, std::string(severity_name(diagnostic.severity)) + ':');
  out += ' ';
  out += diagnostic.message;
  out += " [";
  append_styled(out, colour, tint, rule_info(diagnostic.rule).id);
  out += "]\n";
  if (diagnostic.offset == kNoOffset || diagnostic.offset > text.size()) return out;

  // The line's end comes from the table: searching for it would walk the
  // rest of a long line once for every diagnostic on it.
  LineColumn at = line_column(lines, diagnostic.offset);
  std::size_t begin = lines.starts[at.line - 1];
  std::size_t end = begin + line_text(lines, text, at.line).size();
  std::size_t spot = std::min(diagnostic.offset, end);
  std::size_t from = spot - begin > kBefore ? spot - kBefore : begin;
  std::size_t to = end - spot > kAfter ? spot + kAfter : end;

  std::string source = from > begin ? "..." : "";
  std::string caret(source.size(), ' ');
  for (std::size_t i = from; i < to; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    source += is_control(c) ? '?' : text[i];
    if (i >= spot) continue;
    // Tabs stay tabs so the caret lines up whatever the tab width; a UTF-8
    // character takes one column however many bytes it has.
    if (c == '\t')
      caret += '\t';
    else if ((c & 0xC0) != 0x80)
      caret += ' ';
  }
  if (to < end) source += "...";
  out += source;
  out += '\n';
  out += caret;
  append_styled(out, colour, kGreen, "^");
  out += '\n';
  return out;
}

std::string format_diagnostics(std::string_view path, std::string_view text,
                               std::span<const Diagnostic> diagnostics, bool colour) {
  if (diagnostics.empty()) return {};
  const LineTable lines = make_line_table(text);
  std::string out;
  for (const Diagnostic& d : diagnostics) out += format_diagnostic(path, text, lines, d, colour);
  return out;
}

void add_counts(DiagnosticCounts& counts, std::span<const Diagnostic> diagnostics) {
  for (const Diagnostic& d : diagnostics) {
    switch (d.severity) {
      case Severity::Note:
        ++counts.notes;
        break;
      case Severity::Warning:
        ++counts.warnings;
        break;
      case Severity::Error:
        ++counts.errors;
        break;
    }
    ++counts.by_rule[static_cast<std::size_t>(d.rule)];
    ++counts.by_severity[static_cast<std::size_t>(d.severity)][static_cast<std::size_t>(d.rule)];
  }
}

std::string format_counts(const DiagnosticCounts& counts) {
  std::string out;
  auto group = [&](std::size_t total, Severity severity, std::string_view one,
                   std::string_view many) {
    if (total == 0) return;
    if (!out.empty()) out += ", ";
    out += std::to_string(total) + ' ' + std::string(total == 1 ? one : many) + " (";
    bool first = true;
    for (const RuleInfo& rule : rule_table()) {
      std::size_t n =
          counts
              .by_severity[static_cast<std::size_t>(severity)][static_cast<std::size_t>(rule.rule)];
      if (n == 0) continue;
      if (!first) out += ", ";
      out += std::to_string(n) + ' ' + std::string(rule.id);
      first = false;
    }
    out += ')';
  };
  group(counts.errors, Severity::Error, "error", "errors");
  group(counts.warnings, Severity::Warning, "warning", "warnings");
  group(counts.notes, Severity::Note, "note", "notes");
  return out;
}

std::string format_statistics(const std::array<std::size_t, kRuleCount>& by_rule) {
  std::vector<const RuleInfo*> found;
  std::size_t count_width = 0, id_width = 0;
  for (const RuleInfo& rule : rule_table()) {
    std::size_t n = by_rule[static_cast<std::size_t>(rule.rule)];
    if (n == 0) continue;
    found.push_back(&rule);
    count_width = std::max(count_width, std::to_string(n).size());
    id_width = std::max(id_width, rule.id.size());
  }
  auto count_of = [&](const RuleInfo* rule) {
    return by_rule[static_cast<std::size_t>(rule->rule)];
  };
  std::stable_sort(found.begin(), found.end(),
                   [&](const RuleInfo* a, const RuleInfo* b) { return count_of(a) > count_of(b); });
  std::string out;
  for (const RuleInfo* rule : found) {
    std::string count = std::to_string(count_of(rule));
    out.append(count_width - count.size(), ' ') += count;
    out += "  ";
    out += rule->id;
    out.append(id_width - rule->id.size() + 2, ' ');
    out += rule->short_description;
    out += '\n';
  }
  return out;
}

}  // namespace q5
