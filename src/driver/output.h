// Checked writes to the output stream. Every write is one item of its whole
// length; the first failure is recorded with its message and every later
// write is skipped, so the file holds exactly what was written before it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "driver/failure.h"

namespace q5 {

struct Output {
  std::FILE* file = nullptr;
  std::unique_ptr<char[]> buffer;  // the stream's buffer; must outlive it
  std::string path;  // named by "Cannot write to" messages
  MaybeFailure failure;
  std::size_t position = 0;  // bytes written so far

  // When set, the writes are compared with this text as they go, so upgrade
  // mode can tell a conversion that changed nothing.
  std::string_view original;
  std::size_t compared = 0;
  bool diverged = false;
};

// Takes over an open stream (or none, when opening failed).
Output open_output(std::FILE* file, std::string path);

// True when everything written so far equals the whole of out.original.
bool output_matches_original(const Output& out);

// Copy-through of source text by the scanner and definition heads.
bool put_source(Output& out, std::string_view bytes);

bool put_text(Output& out, std::string_view text);
bool put_call_head(Output& out, std::string_view name);
bool put_prefixed_arg(Output& out, std::string_view arg, std::string_view prefix);
bool put_separator(Output& out);
bool put_pair_close(Output& out, std::string_view call_name);
bool put_call_close(Output& out);

// Length of an argument's leading blanks: space, tab, newline and carriage
// return, and a backslash that continues the line (LF or CR LF).
std::size_t leading_blank_length(std::string_view arg);

}  // namespace q5
