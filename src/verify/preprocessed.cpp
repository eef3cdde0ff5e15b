#include "verify/preprocessed.h"

#include <charconv>
#include <cstring>

#include "engine/reader/lexer.h"
#include "verify/compile_command.h"

namespace q5 {

namespace {

// A line marker "# 12 "name" 1 3": its line and the name's quoted bytes.
bool read_line_marker(std::string_view line, std::uint32_t& number, std::string_view& name) {
  std::size_t i = 1;
  while (i < line.size() && line[i] == ' ') ++i;
  if (line.substr(i).starts_with("line ")) i += 5;
  const char* end = line.data() + line.size();
  auto [past, error] = std::from_chars(line.data() + i, end, number);
  if (error != std::errc{} || past == line.data() + i) return false;
  i = static_cast<std::size_t>(past - line.data());
  while (i < line.size() && line[i] == ' ') ++i;
  if (i >= line.size() || line[i] != '"') return false;
  std::size_t close = ++i;
  while (close < line.size() && line[close] != '"') close += line[close] == '\\' ? 2 : 1;
  name = line.substr(i, std::min(close, line.size()) - i);
  return true;
}

// Where the line that starts at `at` ends (its '\n' or the end).
std::size_t line_end(std::string_view text, std::size_t at) {
  const void* nl = std::memchr(text.data() + at, '\n', text.size() - at);
  return nl == nullptr ? text.size()
                       : static_cast<std::size_t>(static_cast<const char*>(nl) - text.data());
}

// Walks the output line by line, following the line markers: `code` gets
// each code line, `directive` each other directive line.
template <typename Code, typename Directive>
void walk_output(std::string_view output, std::string_view main_name, Code code,
                 Directive directive) {
  std::uint32_t line = 1;
  std::string_view file;
  bool in_main = false;
  for (std::size_t at = 0; at < output.size();) {
    const std::size_t end = line_end(output, at);
    std::string_view text = output.substr(at, end - at);
    std::uint32_t number = 0;
    std::string_view name;
    if (!text.empty() && text[0] == '#') {
      if (read_line_marker(text, number, name)) {
        line = number;
        file = name;
        in_main = name == main_name;
        at = end + 1;
        continue;
      }
      directive(text, file, line);
    } else {
      code(at, end, line, in_main);
    }
    ++line;
    at = end + 1;
  }
}

// The bytes a line marker's quoted name stands for.
std::string unquoted(std::string_view quoted) {
  std::string out;
  for (std::size_t i = 0; i < quoted.size(); ++i) {
    if (quoted[i] != '\\' || i + 1 >= quoted.size()) {
      out += quoted[i];
      continue;
    }
    char next = quoted[++i];
    if (next >= '0' && next <= '7') {
      int value = 0;
      for (int n = 0; n < 3 && i < quoted.size() && quoted[i] >= '0' && quoted[i] <= '7'; ++n, ++i)
        value = value * 8 + (quoted[i] - '0');
      --i;
      out += static_cast<char>(value);
    } else {
      out += next;
    }
  }
  return out;
}

// A file name from a line marker as messages show it.
std::string shown_name(std::string_view quoted, const std::string& directory,
                       const std::string& cwd) {
  std::string name = unquoted(quoted);
  if (name.empty() || name[0] == '<') return name;  // <built-in>, <command-line>
  std::string absolute = lexically_absolute(directory, name);
  if (!cwd.empty() && cwd != "/" && absolute.starts_with(cwd) && absolute.size() > cwd.size() &&
      absolute[cwd.size()] == '/')
    return absolute.substr(cwd.size() + 1);
  return absolute;
}

}  // namespace

std::string quoted_for_line_marker(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::vector<OutputToken> output_tokens(std::string_view output, std::string_view main_name) {
  std::vector<OutputToken> tokens;
  tokens.reserve(output.size() / 4);
  walk_output(
      output, main_name,
      [&](std::size_t at, std::size_t end, std::uint32_t line, bool in_main) {
        Token token;
        while (next_token(output, at, end, false, token))
          tokens.push_back({output.substr(token.offset, token.length), line, in_main});
      },
      [](std::string_view, std::string_view, std::uint32_t) {});
  return tokens;
}

void output_macros(std::string_view output, const std::string& directory, const std::string& cwd,
                   MacroSet& into) {
  // The definitions one a line, then named by where each came from.
  std::string lines;
  std::vector<std::pair<std::string_view, std::uint32_t>> places;
  walk_output(
      output, {}, [](std::size_t, std::size_t, std::uint32_t, bool) {},
      [&](std::string_view text, std::string_view file, std::uint32_t line) {
        if (!text.starts_with("#define ") && !text.starts_with("#undef ")) return;
        lines.append(text);
        lines += '\n';
        places.emplace_back(file, line);
      });
  const std::size_t first = into.definitions.size();
  collect_macros(lines, "", into);
  std::string last_quoted, last_shown;
  for (std::size_t k = first; k < into.definitions.size(); ++k) {
    std::string& where = into.definitions[k].where;
    std::size_t colon = where.rfind(':');
    std::size_t index = 0;
    if (colon == std::string::npos ||
        std::from_chars(where.data() + colon + 1, where.data() + where.size(), index).ec !=
            std::errc{} ||
        index == 0 || index > places.size())
      continue;
    auto [file, line] = places[index - 1];
    if (file != last_quoted) {
      last_quoted = std::string(file);
      last_shown = shown_name(file, directory, cwd);
    }
    // <built-in> and <command-line> have no lines worth showing.
    where = last_shown.starts_with('<') ? last_shown : last_shown + ":" + std::to_string(line);
  }
}

}  // namespace q5
