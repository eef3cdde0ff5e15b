#include "verify/compile_command.h"

#include <algorithm>
#include <array>
#include <span>

namespace q5 {

bool split_shell_words(std::string_view command, std::vector<std::string>& words,
                       std::string& error) {
  words.clear();
  std::string word;
  bool in_word = false;
  for (std::size_t i = 0; i < command.size(); ++i) {
    const char c = command[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
      continue;
    }
    if (c == '\\' && i + 1 < command.size() && command[i + 1] == '\n') {
      ++i;  // a line continued: both go
      continue;
    }
    in_word = true;
    if (c == '\\') {
      // A backslash keeps the next byte.
      if (++i < command.size()) word += command[i];
    } else if (c == '\'') {
      std::size_t close = command.find('\'', i + 1);
      if (close == std::string_view::npos) {
        error = "a single quote is not closed";
        return false;
      }
      word.append(command.substr(i + 1, close - i - 1));
      i = close;
    } else if (c == '"') {
      // Inside double quotes a backslash escapes only these.
      for (++i;; ++i) {
        if (i >= command.size()) {
          error = "a double quote is not closed";
          return false;
        }
        if (command[i] == '"') break;
        if (command[i] == '\\' && i + 1 < command.size() &&
            std::string_view("$`\"\\\n").find(command[i + 1]) != std::string_view::npos) {
          if (command[++i] != '\n') word += command[i];
          continue;
        }
        word += command[i];
      }
    } else {
      word += c;
    }
  }
  if (in_word) words.push_back(std::move(word));
  return true;
}

std::string lexically_absolute(std::string_view directory, std::string_view path) {
  std::string joined =
      path.starts_with('/') ? std::string(path) : std::string(directory) + "/" + std::string(path);
  std::vector<std::string_view> parts;
  std::string_view rest = joined;
  while (!rest.empty()) {
    std::size_t slash = rest.find('/');
    std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (std::string_view part : parts) (out += '/') += part;
  return out.empty() ? "/" : out;
}

namespace {

// Flags dropped: they compile, name an output or write dependency files.
// The first group takes a value, joined or as the next word.
constexpr std::array<std::string_view, 6> kDroppedWithValue = {"-o",  "-MF", "-MT",
                                                               "-MQ", "-MJ", "--output"};
constexpr std::array<std::string_view, 10> kDropped = {
    "-c", "-S", "-E", "-M", "-MM", "-MD", "-MMD", "-MP", "-MG", "-fsyntax-only"};

// Kept flags whose value may be the next word: that word is never the input.
constexpr std::array<std::string_view, 26> kKeptWithValue = {"-I",          "-D",
                                                             "-U",          "-include",
                                                             "-imacros",    "-isystem",
                                                             "-iquote",     "-idirafter",
                                                             "-iprefix",    "-iwithprefix",
                                                             "-isysroot",   "-x",
                                                             "-Xclang",     "-Xpreprocessor",
                                                             "-Xassembler", "-Xlinker",
                                                             "-target",     "-arch",
                                                             "-L",          "-l",
                                                             "-T",          "-u",
                                                             "-z",          "--sysroot",
                                                             "-imultilib",  "-iwithprefixbefore"};

bool one_of(std::string_view word, std::span<const std::string_view> names) {
  return std::find(names.begin(), names.end(), word) != names.end();
}

}  // namespace

PreprocessFlags preprocess_flags(const std::vector<std::string>& argv, std::string_view directory,
                                 std::string_view file) {
  PreprocessFlags out;
  if (argv.empty()) return out;
  const std::string wanted = lexically_absolute(directory, file);
  out.argv.push_back(argv[0]);
  std::string_view language;
  for (std::size_t i = 1; i < argv.size(); ++i) {
    const std::string& word = argv[i];
    const bool has_next = i + 1 < argv.size();
    if (one_of(word, kDroppedWithValue)) {
      ++i;
      continue;
    }
    bool joined_drop = false;
    for (std::string_view flag : kDroppedWithValue)
      joined_drop |= word.size() > flag.size() && word.starts_with(flag) &&
                     (flag.starts_with("--") ? word[flag.size()] == '=' : true);
    if (joined_drop || one_of(word, kDropped) || word.starts_with("-save-temps") ||
        word.starts_with("-Wp,-M")) {
      continue;
    }
    if (word == "-x" && has_next) language = argv[i + 1];
    if (word.starts_with("-x") && word.size() > 2) language = std::string_view(word).substr(2);
    if (one_of(word, kKeptWithValue) && has_next) {
      out.argv.push_back(word);
      out.argv.push_back(argv[++i]);
      continue;
    }
    if (out.input.empty() && !word.starts_with('-') &&
        (word == file || lexically_absolute(directory, word) == wanted)) {
      out.input = word;
      continue;
    }
    out.argv.push_back(word);
  }
  out.language_given = !language.empty() && language != "none";
  return out;
}

std::string_view language_of(std::string_view path) {
  std::size_t slash = path.rfind('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  std::size_t dot = name.rfind('.');
  std::string_view ext = dot == std::string_view::npos ? "" : name.substr(dot + 1);
  static constexpr std::pair<std::string_view, std::string_view> kByExtension[] = {
      {"c", "c"},
      {"h", "c-header"},
      {"i", "cpp-output"},
      {"cc", "c++"},
      {"cp", "c++"},
      {"cxx", "c++"},
      {"cpp", "c++"},
      {"CPP", "c++"},
      {"c++", "c++"},
      {"C", "c++"},
      {"hh", "c++-header"},
      {"H", "c++-header"},
      {"hp", "c++-header"},
      {"hxx", "c++-header"},
      {"hpp", "c++-header"},
      {"HPP", "c++-header"},
      {"h++", "c++-header"},
      {"m", "objective-c"},
      {"mm", "objective-c++"},
      {"M", "objective-c++"}};
  for (auto [extension, language] : kByExtension)
    if (extension == ext) return language;
  return "c";  // what the tool converts
}

}  // namespace q5
