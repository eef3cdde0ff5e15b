#include "verify/compile_db.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>

#include "base/fd_io.h"
#include "diagnose/format.h"
#include "io/read_file.h"
#include "verify/compile_command.h"

namespace q5 {

namespace {

std::string current_directory() {
  std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
  return cwd ? std::string(cwd.get()) : std::string("/");
}

std::string error_of(const std::string& path, std::string_view what) {
  return "q5upgrade: " + quote_name(path) + ": error: " + std::string(what) + "\n";
}

// One entry from its JSON object, or the reason it is none.
std::string read_entry(const nlohmann::json& item, const std::string& db_dir, CompileEntry& entry) {
  if (!item.is_object()) return "is not an object";
  auto text = [&](const char* key, std::string& out) {
    auto found = item.find(key);
    if (found == item.end() || !found->is_string()) return false;
    out = found->get<std::string>();
    return true;
  };
  if (!text("directory", entry.directory)) return "has no \"directory\" string";
  if (!text("file", entry.file)) return "has no \"file\" string";
  entry.directory = lexically_absolute(db_dir, entry.directory);
  if (auto arguments = item.find("arguments"); arguments != item.end()) {
    if (!arguments->is_array() || arguments->empty()) return "has an empty \"arguments\"";
    for (const nlohmann::json& word : *arguments) {
      if (!word.is_string()) return "has a non-string in \"arguments\"";
      entry.argv.push_back(word.get<std::string>());
    }
    return {};
  }
  std::string command, trouble;
  if (!text("command", command)) return "has neither \"arguments\" nor \"command\"";
  if (!split_shell_words(command, entry.argv, trouble)) return "has a \"command\" where " + trouble;
  if (entry.argv.empty()) return "has an empty \"command\"";
  return {};
}

}  // namespace

std::string canonical_path(const std::string& directory, const std::string& path) {
  std::string absolute = lexically_absolute(directory, path);
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(absolute.c_str(), nullptr),
                                                   &std::free);
  return real ? std::string(real.get()) : absolute;
}

std::string load_compile_database(const std::string& path, CompileDatabase& out) {
  std::string file = path;
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
    file = (path.ends_with('/') ? path : path + "/") + "compile_commands.json";
  std::string text, trouble;
  int fd = ::open(file.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0)
    return error_of(file,
                    std::string("cannot read the compilation database: ") + std::strerror(errno));
  {
    Descriptor guard(fd);
    if (!read_whole(fd, text, status, trouble))
      return error_of(file, "cannot read the compilation database: " + trouble);
  }
  nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
  if (parsed.is_discarded() || !parsed.is_array())
    return error_of(file, "not a compilation database (a JSON array of entries)");
  const std::string cwd = current_directory();
  std::string db_dir = lexically_absolute(cwd, file);
  db_dir = db_dir.substr(0, db_dir.rfind('/'));
  if (db_dir.empty()) db_dir = "/";
  for (std::size_t k = 0; k < parsed.size(); ++k) {
    CompileEntry entry;
    std::string why = read_entry(parsed[k], db_dir, entry);
    if (!why.empty())
      return error_of(file,
                      "entry " + std::to_string(k + 1) + " of the compilation database " + why);
    out.by_path[canonical_path(entry.directory, entry.file)].push_back(out.entries.size());
    out.entries.push_back(std::move(entry));
  }
  return {};
}

std::vector<const CompileEntry*> compile_entries(const CompileDatabase& db,
                                                 const std::string& path) {
  std::vector<const CompileEntry*> out;
  if (auto found = db.by_path.find(path); found != db.by_path.end())
    for (std::size_t k : found->second) out.push_back(&db.entries[k]);
  return out;
}

}  // namespace q5
