#include "diagnose/sarif.h"

#include <nlohmann/json.hpp>

#include "diagnose/format.h"

namespace q5 {

namespace {

using Json = nlohmann::ordered_json;

// The rule's texts as --explain gives them: its help says what a finding
// means, shows an example and says what to do.
Json rule_object(const RuleInfo& rule) {
  std::string text(rule.help), markdown(rule.help);
  if (!rule.example.empty()) {
    text += "\n\nExample:\n" + std::string(rule.example);
    markdown += "\n\nExample:\n\n```c\n" + std::string(rule.example) + "```";
  }
  if (!rule.fix.empty()) {
    text += "\n\n" + std::string(rule.fix);
    markdown += "\n\n" + std::string(rule.fix);
  }
  return Json{{"id", rule.id},
              {"shortDescription", {{"text", rule.short_description}}},
              {"fullDescription", {{"text", rule.help}}},
              {"help", {{"text", text}, {"markdown", markdown}}},
              {"defaultConfiguration", {{"level", severity_name(rule.severity)}}}};
}

// Where the last column was counted: the diagnostics of a file come in
// offset order, so the count goes on from there on the same line, and a
// long line is walked once rather than once for every diagnostic on it.
struct ColumnCursor {
  std::size_t line = 0, offset = 0, column = 1;
};

// The log's columns count Unicode code points, as its "columnKind" says:
// a UTF-8 character is one column however many bytes it has.
LineColumn place(std::string_view text, const LineTable& lines, std::size_t offset,
                 ColumnCursor& cursor) {
  LineColumn at = line_column(lines, offset);
  std::size_t begin = lines.starts[at.line - 1];
  if (cursor.line != at.line || cursor.offset > offset) cursor = {at.line, begin, 1};
  for (std::size_t i = cursor.offset; i < offset; ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++cursor.column;
  cursor.offset = offset;
  return {at.line, cursor.column};
}

Json region(std::string_view text, const LineTable& lines, std::size_t offset,
            ColumnCursor& cursor) {
  LineColumn at = place(text, lines, offset, cursor);
  std::string_view line = line_text(lines, text, at.line);
  Json r{{"startLine", at.line}, {"startColumn", at.column}};
  if (line.size() <= 500) r["snippet"] = {{"text", std::string(line)}};
  return r;
}

// A finding's fix as SARIF says it: one change of the file, each edit a
// replacement of a region (empty for an insertion) by new text. The edits
// come in offset order, so they have a cursor of their own.
Json fix_object(std::string_view text, const LineTable& lines, const std::vector<TextEdit>& fix,
                const Json& artifact, ColumnCursor& cursor) {
  Json replacements = Json::array();
  for (const TextEdit& edit : fix) {
    if (edit.offset + edit.length > text.size()) return nullptr;
    LineColumn from = place(text, lines, edit.offset, cursor);
    LineColumn to = edit.length == 0 ? from : place(text, lines, edit.offset + edit.length, cursor);
    replacements.push_back({{"deletedRegion",
                             {{"startLine", from.line},
                              {"startColumn", from.column},
                              {"endLine", to.line},
                              {"endColumn", to.column}}},
                            {"insertedContent", {{"text", edit.text}}}});
  }
  Json change{{"artifactLocation", artifact}, {"replacements", std::move(replacements)}};
  return Json{{"description", {{"text", "Convert the call to the pair form."}}},
              {"artifactChanges", Json::array({std::move(change)})}};
}

}  // namespace

std::string path_to_uri(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = path.starts_with('/') ? "file://" : "";
  for (char c : path) {
    unsigned char u = static_cast<unsigned char>(c);
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[u >> 4];
      uri += kHex[u & 15];
    }
  }
  return uri;
}

std::string sarif_log(std::span<const FileReport> files, std::string_view tool_version,
                      std::string_view information_uri) {
  Json rules = Json::array();
  for (const RuleInfo& rule : rule_table()) rules.push_back(rule_object(rule));

  Json artifacts = Json::array();
  Json results = Json::array();
  for (const FileReport& file : files) {
    const std::string uri = path_to_uri(file.path);
    const std::size_t artifact = artifacts.size();
    if (!file.path.empty()) artifacts.push_back({{"location", {{"uri", uri}}}});
    const LineTable lines = make_line_table(file.text);
    ColumnCursor cursor, fix_cursor;
    for (const Diagnostic& d : file.diagnostics) {
      Json result{{"ruleId", rule_info(d.rule).id},
                  {"ruleIndex", static_cast<int>(d.rule)},
                  {"level", severity_name(d.severity)},
                  {"message", {{"text", d.message}}}};
      if (!file.path.empty()) {
        Json physical{{"artifactLocation", {{"uri", uri}, {"index", artifact}}}};
        if (d.offset != kNoOffset && d.offset <= file.text.size())
          physical["region"] = region(file.text, lines, d.offset, cursor);
        Json location;
        location["physicalLocation"] = std::move(physical);
        result["locations"] = Json::array();
        result["locations"].push_back(std::move(location));
        if (!d.fix.empty()) {
          Json fix =
              fix_object(file.text, lines, d.fix, {{"uri", uri}, {"index", artifact}}, fix_cursor);
          if (!fix.is_null()) result["fixes"] = Json::array({std::move(fix)});
        }
      }
      results.push_back(std::move(result));
    }
  }

  Json driver{{"name", "q5upgrade"},
              {"informationUri", information_uri},
              {"version", tool_version},
              {"semanticVersion", tool_version},
              {"rules", std::move(rules)}};
  Json run{{"tool", {{"driver", std::move(driver)}}},
           {"columnKind", "unicodeCodePoints"},
           {"artifacts", std::move(artifacts)},
           {"results", std::move(results)}};
  Json log{{"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
           {"version", "2.1.0"},
           {"runs", Json::array({std::move(run)})}};
  // Source text is bytes: anything that is not UTF-8 is replaced, not fatal.
  return log.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace q5
