#include "tree/messages.h"

#include <algorithm>
#include <cmath>

#include "diagnose/machine_formats.h"

namespace q5 {

ColorMode resolve_colour(ColorMode mode, bool terminal, const char* no_color) {
  if (mode != ColorMode::Auto) return mode;
  const bool refused = no_color != nullptr && no_color[0] != '\0';
  return terminal && !refused ? ColorMode::Always : ColorMode::Never;
}

std::string render_diagnostics(const TreeOptions& options, std::string_view path,
                               std::string_view text, std::span<const Diagnostic> diagnostics) {
  switch (options.output_format) {
    case OutputFormat::Text:
      return format_diagnostics(path, text, diagnostics, options.color == ColorMode::Always);
    case OutputFormat::Json:
      return json_lines(path, text, diagnostics);
    case OutputFormat::Github:
      return github_commands(path, text, diagnostics);
    case OutputFormat::Sarif:
      break;
  }
  return {};
}

bool findings_on_stdout(const TreeOptions& options) {
  return options.output_format != OutputFormat::Text;
}

bool keeps_sarif(const TreeOptions& options) {
  return !options.report.empty() || options.output_format == OutputFormat::Sarif;
}

std::string summary_line(const Tally& tally, bool written) {
  auto count = [](std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  std::string line = "q5upgrade: " + count(tally.files, "file", "files") + " examined, " +
                     std::to_string(tally.changed) + (written ? " changed, " : " would change, ") +
                     std::to_string(tally.unchanged) + " unchanged, " +
                     std::to_string(tally.failed) + " failed, ";
  if (tally.verified)
    line += std::to_string(tally.proven) + " proven, " + std::to_string(tally.unproven) +
            " converted unproven (not compiled in this configuration)";
  else
    line += count(tally.calls, "call", "calls") + (written ? " converted" : " to convert");
  if (tally.left > 0 || tally.verified)
    line += ", " + std::to_string(tally.left) + " left as they stand";
  if (std::string diagnosed = format_counts(tally.counts); !diagnosed.empty())
    line += "; " + diagnosed;
  return line + "\n";
}

std::string progress_text(std::size_t done, std::size_t total, double elapsed_seconds) {
  std::size_t share = total == 0 ? 100 : done * 100 / total;
  std::string line = "q5upgrade: " + std::to_string(done) + "/" + std::to_string(total) +
                     " files (" + std::to_string(share) + "%)";
  if (done == 0 || done >= total || !(elapsed_seconds > 0)) return line;
  double left =
      std::ceil(elapsed_seconds * static_cast<double>(total - done) / static_cast<double>(done));
  auto whole = static_cast<unsigned long long>(std::max(left, 1.0));
  if (whole < 100)
    line += ", about " + std::to_string(whole) + " s left";
  else if (whole < 100 * 60)
    line += ", about " + std::to_string((whole + 30) / 60) + " min left";
  else
    line += ", about " + std::to_string((whole + 1800) / 3600) + " h left";
  return line;
}

}  // namespace q5
