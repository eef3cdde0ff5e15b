#include "tree/diff.h"

#include <algorithm>

namespace q5 {

namespace {

// "a/PATH" as git writes it: in double quotes with C escapes when the name
// holds a control byte, a quote, a backslash or a byte from 0x80 up; with a
// tab after it when it holds a blank, so that patch finds where it ends.
std::string header_name(std::string_view prefix, std::string_view path) {
  std::string name = std::string(prefix) + std::string(path);
  bool quote = std::any_of(name.begin(), name.end(), [](char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u < 0x20 || u >= 0x7f || c == '"' || c == '\\';
  });
  if (!quote) return name.find(' ') == std::string::npos ? name : name + "\t";
  std::string out = "\"";
  for (char c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    switch (c) {
      case '\a':
        out += "\\a";
        continue;
      case '\b':
        out += "\\b";
        continue;
      case '\t':
        out += "\\t";
        continue;
      case '\n':
        out += "\\n";
        continue;
      case '\v':
        out += "\\v";
        continue;
      case '\f':
        out += "\\f";
        continue;
      case '\r':
        out += "\\r";
        continue;
      case '"':
        out += "\\\"";
        continue;
      case '\\':
        out += "\\\\";
        continue;
      default:
        break;
    }
    if (u < 0x20 || u >= 0x7f) {
      char octal[5] = {'\\', static_cast<char>('0' + (u >> 6)),
                       static_cast<char>('0' + ((u >> 3) & 7)), static_cast<char>('0' + (u & 7)),
                       0};
      out += octal;
    } else {
      out += c;
    }
  }
  out += '"';
  return name.find(' ') == std::string::npos ? out : out + "\t";
}

constexpr std::size_t kContext = 3;

// Start offsets of a text's lines; a final entry holds the text's size.
std::vector<std::size_t> line_starts(std::string_view text) {
  std::vector<std::size_t> starts{0};
  for (std::size_t at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', at + 1))
    if (at + 1 < text.size()) starts.push_back(at + 1);
  starts.push_back(text.size());
  return starts;
}

std::size_t line_of(const std::vector<std::size_t>& starts, std::size_t offset) {
  return std::upper_bound(starts.begin(), starts.end() - 1, offset) - starts.begin() - 1;
}

// Old lines [first, end) and the new lines that replace them.
struct LineChange {
  std::size_t first, end;
  std::vector<std::string_view> added;
};

void append_line(std::string& diff, char mark, std::string_view line) {
  diff += mark;
  diff.append(line);
  if (line.empty() || line.back() != '\n') diff += "\n\\ No newline at end of file\n";
}

std::vector<std::string_view> split_lines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  while (!bytes.empty()) {
    std::size_t end = bytes.find('\n');
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    lines.push_back(bytes.substr(0, end));
    bytes.remove_prefix(end);
  }
  return lines;
}

}  // namespace

std::string patch_path(std::string_view path, std::string_view cwd) {
  std::string out;
  if (!path.empty() && path[0] == '/' && !cwd.empty() && cwd != "/" && path.starts_with(cwd) &&
      path.size() > cwd.size() && path[cwd.size()] == '/')
    path.remove_prefix(cwd.size() + 1);
  // Component by component: empty ones and "." go.
  while (!path.empty()) {
    std::size_t slash = path.find('/');
    std::string_view part = path.substr(0, slash);
    if (!part.empty() && part != ".") {
      if (!out.empty()) out += '/';
      out.append(part);
    }
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return out;
}

std::string unified_diff(std::string_view path, std::string_view before, std::string_view after,
                         const std::vector<ReplacedSpan>& replacements) {
  const std::vector<std::size_t> starts = line_starts(before);
  auto line_text = [&](std::size_t line) {
    return before.substr(starts[line], starts[line + 1] - starts[line]);
  };

  // Replacements that touch a common line become one change of whole lines.
  // Outside replacements the texts agree, so an old offset maps to the new
  // text by the size difference of the replacements before it.
  std::vector<LineChange> changes;
  long long shift = 0;
  for (std::size_t k = 0; k < replacements.size();) {
    const ReplacedSpan& r = replacements[k];
    if (before.substr(r.begin, r.end - r.begin) ==
        after.substr(r.out_begin, r.out_end - r.out_begin)) {
      shift +=
          static_cast<long long>(r.out_end - r.out_begin) - static_cast<long long>(r.end - r.begin);
      ++k;
      continue;
    }
    std::size_t first = line_of(starts, r.begin);
    std::size_t last = line_of(starts, std::max(r.end, r.begin + 1) - 1);
    std::size_t out_begin = starts[first] + shift;
    for (;;) {
      const ReplacedSpan& in = replacements[k];
      shift += static_cast<long long>(in.out_end - in.out_begin) -
               static_cast<long long>(in.end - in.begin);
      last = std::max(last, line_of(starts, std::max(in.end, in.begin + 1) - 1));
      ++k;
      if (k == replacements.size() || line_of(starts, replacements[k].begin) > last) break;
    }
    // Lines the replacement left as they were stay context.
    LineChange change{first, last + 1,
                      split_lines(after.substr(out_begin, starts[last + 1] + shift - out_begin))};
    std::size_t lead = 0;
    while (change.first + lead < change.end && lead < change.added.size() &&
           line_text(change.first + lead) == change.added[lead])
      ++lead;
    change.first += lead;
    change.added.erase(change.added.begin(), change.added.begin() + lead);
    while (change.first < change.end && !change.added.empty() &&
           line_text(change.end - 1) == change.added.back()) {
      --change.end;
      change.added.pop_back();
    }
    changes.push_back(std::move(change));
  }
  if (changes.empty()) return {};

  std::string diff;
  diff.append("--- ")
      .append(header_name("a/", path))
      .append("\n+++ ")
      .append(header_name("b/", path))
      .append("\n");
  const std::size_t line_count = starts.size() - 1;
  long long line_shift = 0;  // new line number minus old, before the hunk
  for (std::size_t c = 0; c < changes.size();) {
    // Changes whose contexts meet share one hunk.
    std::size_t end_change = c + 1;
    while (end_change < changes.size() &&
           changes[end_change].first - changes[end_change - 1].end <= 2 * kContext)
      ++end_change;

    std::size_t from = changes[c].first >= kContext ? changes[c].first - kContext : 0;
    std::size_t to = std::min(line_count, changes[end_change - 1].end + kContext);
    std::string body;
    std::size_t old_count = 0, new_count = 0;
    std::size_t line = from;
    long long hunk_shift = 0;
    for (std::size_t k = c; k < end_change; ++k) {
      for (; line < changes[k].first; ++line, ++old_count, ++new_count)
        append_line(body, ' ', line_text(line));
      for (; line < changes[k].end; ++line, ++old_count) append_line(body, '-', line_text(line));
      for (std::string_view text : changes[k].added) append_line(body, '+', text);
      new_count += changes[k].added.size();
      hunk_shift += static_cast<long long>(changes[k].added.size()) -
                    static_cast<long long>(changes[k].end - changes[k].first);
    }
    for (; line < to; ++line, ++old_count, ++new_count) append_line(body, ' ', line_text(line));

    long long new_from = static_cast<long long>(from) + line_shift;
    diff.append("@@ -").append(std::to_string(old_count == 0 ? from : from + 1));
    if (old_count != 1) diff.append(",").append(std::to_string(old_count));
    diff.append(" +").append(std::to_string(new_count == 0 ? new_from : new_from + 1));
    if (new_count != 1) diff.append(",").append(std::to_string(new_count));
    diff.append(" @@\n").append(body);
    line_shift += hunk_shift;
    c = end_change;
  }
  return diff;
}

std::string colour_diff(std::string_view diff) {
  std::string out;
  out.reserve(diff.size() + diff.size() / 8);
  // The first two lines are the headers; after them each line says by its
  // first byte what it is.
  std::size_t line = 0;
  while (!diff.empty()) {
    std::size_t end = diff.find('\n');
    std::string_view text = diff.substr(0, end);
    std::string_view ending = end == std::string_view::npos ? "" : "\n";
    if (text.ends_with('\r')) {
      text.remove_suffix(1);
      ending = end == std::string_view::npos ? "\r" : "\r\n";
    }
    std::string_view colour;
    if (line < 2)
      colour = "\033[1m";
    else if (text.starts_with("@@"))
      colour = "\033[36m";
    else if (text.starts_with('-'))
      colour = "\033[31m";
    else if (text.starts_with('+'))
      colour = "\033[32m";
    if (colour.empty()) {
      out += text;
    } else {
      out += colour;
      out += text;
      out += "\033[m";
    }
    out += ending;
    ++line;
    diff = end == std::string_view::npos ? std::string_view{} : diff.substr(end + 1);
  }
  return out;
}

}  // namespace q5
