// Loading: a large file mapped gives the same text as one read, and a file
// cut short under its mapping is a read failure, not a crash.
#include "io/source.h"

#include "engine/text/scanner.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace q5 {
namespace {

struct TempFile {
  std::string path;
  explicit TempFile(const std::string& bytes) {
    char name[] = "/tmp/q5source_XXXXXX";
    int fd = ::mkstemp(name);
    path = name;
    EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
  }
  ~TempFile() { std::remove(path.c_str()); }
};

std::string sample(std::size_t size) {
  std::string text;
  while (text.size() < size) text += "    Q5SetAttrs(obj, Q5A_Width, 10, Q5TAG_END);\n";
  text.resize(size);
  return text;
}

TEST(LoadSource, MappedAndReadAgree) {
  // A page-sized file too: the byte after it is still a NUL.
  for (std::size_t size : {std::size_t{1} << 20, (std::size_t{1} << 20) + 3}) {
    for (const std::string& tail : {std::string(""), std::string("Q5T(", 4),
                                    std::string("\0Q5T(", 5)}) {
      std::string bytes = sample(size - tail.size()) + tail;
      TempFile file(bytes);
      SourceText mapped, read;
      ASSERT_FALSE(load_source_for_reading_only(file.path.c_str(), mapped));
      ASSERT_FALSE(load_source(file.path.c_str(), read));
      EXPECT_TRUE(mapped.mapping != nullptr);
      EXPECT_EQ(source_view(mapped), bytes);
      EXPECT_EQ(mapped.bytes[mapped.length], '\0');
      EXPECT_EQ(mapped.converted_already, read.converted_already) << tail.size();
      EXPECT_TRUE(source_intact(mapped));
    }
  }
}

TEST(LoadSource, SmallFilesAreRead) {
  TempFile file(sample(1000));
  SourceText source;
  ASSERT_FALSE(load_source_for_reading_only(file.path.c_str(), source));
  EXPECT_TRUE(source.mapping == nullptr);
  EXPECT_EQ(source_view(source), sample(1000));
}

TEST(LoadSource, FileCutShortUnderItsMappingIsNotIntact) {
  TempFile file(sample(std::size_t{1} << 20));
  SourceText source;
  ASSERT_FALSE(load_source_for_reading_only(file.path.c_str(), source));
  ASSERT_EQ(::truncate(file.path.c_str(), 4096), 0);
  // Every page is read; the ones past the new end read as zeros.
  unsigned long sum = 0;
  for (std::size_t i = 0; i < source.length; ++i) sum += static_cast<unsigned char>(source.bytes[i]);
  EXPECT_GT(sum, 0u);
  EXPECT_EQ(source.bytes[source.length - 1], '\0');
  EXPECT_FALSE(source_intact(source));
}

}  // namespace
}  // namespace q5
