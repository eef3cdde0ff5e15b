#include "classic/command_line.h"

#include <string_view>

namespace q5 {

std::variant<Invocation, Failure> parse_command_line(int argc, const char* const* argv) {
  std::string program = argc > 0 && argv[0] != nullptr ? argv[0] : "";
  if (argc < 3)
    return Failure{ExitUsage, "Usage: " + program + " infile outfile\n" + "       " + program +
                                  " -upgrade file\n"};

  constexpr std::string_view kSwitch = "-upgrade";
  if (argv[1] == kSwitch) return Invocation{argv[2], kUpgradeTemp, true};
  if (argv[2] == kSwitch) return Invocation{argv[1], kUpgradeTemp, true};
  return Invocation{argv[1], argv[2], false};
}

}  // namespace q5
