#include "tree/file_list.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "base/fd_io.h"
#include "diagnose/format.h"
#include "io/read_file.h"

namespace q5 {

std::string read_file_list(TreeOptions& options) {
  if (options.files_from.empty()) return {};
  const bool from_stdin = options.files_from == "-";
  std::string text, error;
  struct stat status {};
  if (from_stdin) {
    read_whole(0, text, status, error);
  } else if (int fd = ::open(options.files_from.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC); fd < 0) {
    error = std::strerror(errno);
  } else {
    Descriptor guard(fd);
    read_whole(fd, text, status, error);
  }
  const std::string shown = from_stdin ? "standard input" : quote_name(options.files_from);
  if (!error.empty()) return "q5upgrade: " + shown + ": error: " + error + "\n";

  const char end = options.files_from_nul ? '\0' : '\n';
  std::string_view rest = text;
  while (!rest.empty()) {
    std::size_t stop = rest.find(end);
    std::string_view name = rest.substr(0, stop);
    rest = stop == std::string_view::npos ? std::string_view{} : rest.substr(stop + 1);
    if (end == '\n' && name.ends_with('\r')) name.remove_suffix(1);
    if (name.empty()) continue;
    if (name == "-" && from_stdin)
      return "q5upgrade: standard input: error: lists '-', but the list is standard input\n";
    if (name == "-" && options.sink == TreeSink::InPlace)
      return "q5upgrade: " + shown +
             ": error: lists '-': standard input cannot be converted in place\n";
    options.paths.emplace_back(name);
  }
  return {};
}

}  // namespace q5
