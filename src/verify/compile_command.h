// One compilation database entry's command, made into the command that
// preprocesses the same file the same way: the words split as a POSIX
// shell splits them (quotes and backslashes, nothing expanded), every flag
// that can change what the preprocessor sees kept, and the flags that
// compile, name an output or write dependency files dropped with the input.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace q5 {

// The words of `command`, or false with `error` set (an open quote).
bool split_shell_words(std::string_view command, std::vector<std::string>& words,
                       std::string& error);

struct PreprocessFlags {
  std::vector<std::string> argv;  // the compiler, then the flags kept
  std::string input;              // the input as the command wrote it
  bool language_given = false;    // a "-x LANG" (not "none") applies to the input
};

// `argv` is the entry's command; `directory` its working directory and
// `file` the file it compiles (as the entry names it), to tell the input
// from the other words.
PreprocessFlags preprocess_flags(const std::vector<std::string>& argv, std::string_view directory,
                                 std::string_view file);

// The "-x" language for a file name, by its extension as gcc reads it.
std::string_view language_of(std::string_view path);

// An absolute path from `path` (relative to `directory`), with "." and
// ".." and repeated slashes taken out by spelling alone.
std::string lexically_absolute(std::string_view directory, std::string_view path);

}  // namespace q5
