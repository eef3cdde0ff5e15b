// A file's findings beyond what the conversion itself reports: one
// q5-convertible finding per call to convert (with --check and --diff),
// the suppression comments silencing what they name and reporting on
// themselves, and the rules [per-file-ignores] turns off for the file.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "diagnose/rule_settings.h"
#include "diagnose/rules.h"
#include "diagnose/suppression.h"
#include "tree/conversion.h"
#include "tree/migrate.h"
#include "tree/options.h"

namespace q5 {

// Whether the run reports the calls to convert: --check and --diff do, the
// modes that convert them do not.
bool reports_convertible(const TreeOptions& options);

// Every finding of a file the safe conversion read, in offset order, as
// the rules' settings then take them: the conversion's own, one
// q5-convertible per call given insertions (with them as its fix) when
// `convertible`, and the suppressions' findings.
std::vector<Diagnostic> safe_findings(std::string_view text, Migration& migration,
                                      bool convertible);

// The same for the text rules' conversion, whose calls that changed start
// at `changed` (each with its new text as its fix), with the findings of
// the safe conversion (`reader`) beside the text rules' own.
std::vector<Diagnostic> text_rule_findings(std::string_view text, const Conversion& conversion,
                                           const std::vector<std::size_t>& changed,
                                           bool convertible, Migration& reader);

// The run's rule settings less the rules that [per-file-ignores] turns off
// for the file at `path` (as walked).
RuleSettings settings_for_file(const TreeOptions& options, const std::string& path);

}  // namespace q5
