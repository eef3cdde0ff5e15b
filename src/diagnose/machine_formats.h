// Diagnostics for programs rather than people, one line each:
//   JSON Lines: {"path": ..., "line": 3, "column": 5, "severity": "warning",
//                "rule": "q5-macro-pairs", "message": ..., "left": true}
//   GitHub Actions workflow commands:
//     ::warning file=PATH,line=3,col=5,title=q5-macro-pairs::MESSAGE
// Lines and columns count from 1 and columns are bytes, as in the text
// format; a diagnostic of the file as a whole has none (null in JSON, left
// out of the command).
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "diagnose/rules.h"

namespace q5 {

// Bytes that are not UTF-8 (in a path or a message) become U+FFFD.
std::string json_lines(std::string_view path, std::string_view text,
                       std::span<const Diagnostic> diagnostics);

// Notes are "notice" commands. In the message "%", "\r" and "\n" are
// percent-encoded, in the properties ",", ":" too, as the runner decodes
// them.
std::string github_commands(std::string_view path, std::string_view text,
                            std::span<const Diagnostic> diagnostics);

}  // namespace q5
