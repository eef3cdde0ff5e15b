#include "memory_conversion.h"

#include <cstdio>
#include <cstdlib>

#include "driver/output.h"

namespace q5::testing {

Conversion convert_in_memory(const std::string& text) {
  Conversion result;
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* file = open_memstream(&buffer, &size);
  if (file == nullptr) std::abort();
  {
    Output out;
    out.file = file;
    out.path = "memory";
    ScanOptions options;
    options.calls = &result.calls;
    result.failure = scan_source(text, out, options);
    std::fclose(file);
  }
  result.output.assign(buffer, size);
  std::free(buffer);
  return result;
}

}  // namespace q5::testing
