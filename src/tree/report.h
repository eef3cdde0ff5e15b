// The --report log (SARIF 2.1.0): opened before any file is converted, so
// that a report that cannot be written stops the run before anything is
// changed; written at the end.
#pragma once

#include <span>
#include <string>

#include "diagnose/sarif.h"

namespace q5 {

// The log's descriptor (standard output for "-"), or -1 after saying why.
int open_report(const std::string& path);

// Without the memory for the log (`lost`), nothing is written and the run
// reports it like a failed write. The standard descriptors stay open.
bool write_report(int fd, const std::string& path, std::span<const FileReport> files, bool lost);

}  // namespace q5
