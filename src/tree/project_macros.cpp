#include "tree/project_macros.h"

#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <new>

#include "base/fd_io.h"
#include "base/parallel.h"
#include "diagnose/format.h"
#include "io/read_file.h"

namespace q5 {

RunContext prepare_context(const TreeOptions& options, const std::vector<WalkedFile>& files,
                           std::size_t jobs, bool& trouble) {
  RunContext context;
  if (char* cwd = ::getcwd(nullptr, 0)) {
    context.cwd = cwd;
    std::free(cwd);
  }
  std::vector<WalkedFile> sources = files;
  if (!options.macro_dirs.empty()) {
    TreeOptions headers;
    headers.includes = {"*.h"};
    headers.no_ignore = true;  // generated headers are often ignored, and count
    headers.paths = options.macro_dirs;
    for (WalkedFile& header : walk_paths(headers)) {
      if (!header.error.empty()) {
        write_all(2, quote_name(header.path) + ": error: " + header.error + "\n");
        trouble = true;
        continue;
      }
      sources.push_back(std::move(header));
    }
  }
  // Standard input can be read once only: its text is kept for converting.
  std::string error;
  struct stat status {};
  for (const WalkedFile& source : sources)
    if (source.path == "-" && !context.stdin_read)
      context.stdin_read = read_whole(0, context.stdin_text, status, error);
  std::vector<MacroSet> sets(sources.size());
  for_each_parallel(sources.size(), jobs, [&](std::size_t k) {
    const WalkedFile& source = sources[k];
    if (source.path == "-") {
      collect_macros(context.stdin_text, source.path, sets[k]);
      return;
    }
    // Opened as it will be for converting: links below a PATH not followed.
    // Memory that runs out here costs only this file's macros: converting
    // it reads it again and says what fails.
    OpenedFile opened;
    try {
      std::string text, trouble;
      struct stat seen {};
      if (source.error.empty() && open_walked(source, false, opened).empty() &&
          read_whole(opened.fd, text, seen, trouble))
        collect_macros(text, source.path, sets[k]);
    } catch (const std::bad_alloc&) {
      sets[k] = MacroSet{};
    }
    close_walked(opened);
  });
  MacroSet all;
  for (MacroSet& set : sets) {
    std::move(set.definitions.begin(), set.definitions.end(), std::back_inserter(all.definitions));
    std::move(set.undefined.begin(), set.undefined.end(), std::back_inserter(all.undefined));
  }
  if (options.verify) context.walked_macros = all;  // each file's table is built from it
  context.macros = resolve_macros(std::move(all));
  if (options.verify) context.stop = !prove_walked_files(options, files, jobs, context);
  return context;
}

}  // namespace q5
