#include "diagnose/machine_formats.h"

#include <nlohmann/json.hpp>

#include "diagnose/format.h"

namespace q5 {

namespace {

// The runner's escaping of a command's message, and of its properties.
std::string github_escape(std::string_view text, bool property) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '%':
        out += "%25";
        break;
      case '\r':
        out += "%0D";
        break;
      case '\n':
        out += "%0A";
        break;
      case ':':
        out += property ? "%3A" : ":";
        break;
      case ',':
        out += property ? "%2C" : ",";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string_view github_command(Severity severity) {
  switch (severity) {
    case Severity::Note:
      return "notice";
    case Severity::Warning:
      return "warning";
    case Severity::Error:
      return "error";
  }
  return "warning";
}

}  // namespace

std::string json_lines(std::string_view path, std::string_view text,
                       std::span<const Diagnostic> diagnostics) {
  if (diagnostics.empty()) return {};
  const LineTable lines = make_line_table(text);
  std::string out;
  for (const Diagnostic& d : diagnostics) {
    nlohmann::ordered_json entry{{"path", path}, {"line", nullptr}, {"column", nullptr}};
    if (d.offset != kNoOffset && d.offset <= text.size()) {
      LineColumn at = line_column(lines, d.offset);
      entry["line"] = at.line;
      entry["column"] = at.column;
    }
    entry["severity"] = severity_name(d.severity);
    entry["rule"] = rule_info(d.rule).id;
    entry["message"] = d.message;
    entry["left"] = d.call_left;
    out += entry.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
    out += '\n';
  }
  return out;
}

std::string github_commands(std::string_view path, std::string_view text,
                            std::span<const Diagnostic> diagnostics) {
  if (diagnostics.empty()) return {};
  const LineTable lines = make_line_table(text);
  std::string out;
  for (const Diagnostic& d : diagnostics) {
    out += "::";
    out += github_command(d.severity);
    out += " file=" + github_escape(path, true);
    if (d.offset != kNoOffset && d.offset <= text.size()) {
      LineColumn at = line_column(lines, d.offset);
      out += ",line=" + std::to_string(at.line) + ",col=" + std::to_string(at.column);
    }
    out += ",title=" + github_escape(rule_info(d.rule).id, true);
    out += "::" + github_escape(d.message, false) + '\n';
  }
  return out;
}

}  // namespace q5
