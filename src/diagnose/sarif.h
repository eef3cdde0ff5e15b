// The --report=FILE log: every diagnostic and error of a run as SARIF 2.1.0,
// which code-scanning services and editors read.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "diagnose/rules.h"

namespace q5 {

// One file of the run: its path as given, its text (for lines, columns and
// snippets; may be empty when it could not be read) and its diagnostics,
// failures included (see failure_diagnostic).
struct FileReport {
  std::string path;
  std::string_view text;
  std::vector<Diagnostic> diagnostics;
};

// The whole log, pretty-printed, ending in a newline. Paths become URI
// references: relative ones stay relative, absolute ones become file URIs.
// A finding with a fix (q5-convertible) carries it as the result's "fixes".
std::string sarif_log(std::span<const FileReport> files, std::string_view tool_version,
                      std::string_view information_uri);

// A path as a URI reference: bytes other than unreserved ones and "/"
// percent-encoded.
std::string path_to_uri(std::string_view path);

}  // namespace q5
