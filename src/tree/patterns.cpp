#include "tree/patterns.h"

#include <utility>

namespace q5 {

namespace {

std::vector<std::string_view> split(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    std::size_t slash = path.find('/');
    if (slash != 0) parts.push_back(path.substr(0, slash));
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return parts;
}

// The POSIX classes, in ASCII: bytes are bytes here, whatever the locale.
bool in_named_class(std::string_view name, unsigned char c, bool& known) {
  const bool upper = c >= 'A' && c <= 'Z', lower = c >= 'a' && c <= 'z';
  const bool digit = c >= '0' && c <= '9', alpha = upper || lower;
  const bool graph = c > 0x20 && c < 0x7f;
  const std::pair<std::string_view, bool> kClasses[] = {
      {"alnum", alpha || digit},
      {"alpha", alpha},
      {"blank", c == ' ' || c == '\t'},
      {"cntrl", c < 0x20 || c == 0x7f},
      {"digit", digit},
      {"graph", graph},
      {"lower", lower},
      {"print", graph || c == ' '},
      {"punct", graph && !alpha && !digit},
      {"space", c == ' ' || (c >= '\t' && c <= '\r')},
      {"upper", upper},
      {"xdigit", digit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')},
  };
  known = false;
  for (auto [class_name, member] : kClasses)
    if (class_name == name) {
      known = true;
      return member;
    }
  return false;
}

// Reads the class that opens at text[i] == '[' into `set`; gives the index
// just past its ']', or npos with `error` set.
std::size_t read_class(std::string_view text, std::size_t i, std::bitset<256>& set,
                       std::string& error) {
  std::size_t k = i + 1;
  const bool negated = k < text.size() && (text[k] == '!' || text[k] == '^');
  if (negated) ++k;
  bool first = true;
  for (; k < text.size(); first = false) {
    unsigned char c = static_cast<unsigned char>(text[k]);
    if (c == ']' && !first) {
      if (negated) set.flip();
      return k + 1;
    }
    if (c == '[' && k + 1 < text.size() && text[k + 1] == ':') {
      std::size_t close = text.find(":]", k + 2);
      if (close == std::string_view::npos) break;
      std::string_view name = text.substr(k + 2, close - k - 2);
      bool known = false;
      in_named_class(name, 0, known);
      if (!known) {
        error = "unknown class '[:" + std::string(name) + ":]'";
        return std::string_view::npos;
      }
      for (int b = 0; b < 256; ++b)
        if (in_named_class(name, static_cast<unsigned char>(b), known)) set.set(b);
      k = close + 2;
      continue;
    }
    if (c == '\\') {
      if (++k == text.size()) break;
      c = static_cast<unsigned char>(text[k]);
    }
    ++k;
    // A range "a-z"; a '-' first or last is itself.
    if (k + 1 < text.size() && text[k] == '-' && text[k + 1] != ']') {
      unsigned char last = static_cast<unsigned char>(text[k + 1]);
      k += 2;
      if (last == '\\') {
        if (k == text.size()) break;
        last = static_cast<unsigned char>(text[k++]);
      }
      for (unsigned b = c; b <= last; ++b) set.set(b);
      continue;
    }
    set.set(c);
  }
  error = "unclosed '['";
  return std::string_view::npos;
}

// One part compiled, or the error.
std::string compile_part(std::string_view text, GlobPart& part) {
  part.any_dirs = text == "**";
  std::string error;
  for (std::size_t i = 0; i < text.size();) {
    GlobStep step{GlobStep::Byte, 0, {}};
    switch (text[i]) {
      case '*':
        step.kind = GlobStep::Star;
        ++i;
        if (!part.steps.empty() && part.steps.back().kind == GlobStep::Star) continue;
        break;
      case '?':
        step.kind = GlobStep::AnyByte;
        ++i;
        break;
      case '[':
        step.kind = GlobStep::Class;
        i = read_class(text, i, step.set, error);
        if (i == std::string_view::npos) return error;
        break;
      case '\\':
        if (i + 1 == text.size()) return "ends with '\\'";
        step.byte = static_cast<unsigned char>(text[i + 1]);
        i += 2;
        break;
      default:
        step.byte = static_cast<unsigned char>(text[i++]);
    }
    part.steps.push_back(step);
  }
  return {};
}

bool step_takes(const GlobStep& step, unsigned char c) {
  switch (step.kind) {
    case GlobStep::Byte:
      return step.byte == c;
    case GlobStep::AnyByte:
      return true;
    case GlobStep::Class:
      return step.set.test(c);
    case GlobStep::Star:
      break;
  }
  return false;
}

// What the pattern's parts are, once its '!' and trailing '/' are off.
struct Shape {
  std::string_view body;
  bool negated = false, dir_only = false, anchored = false;
};

Shape shape_of(std::string_view text) {
  Shape shape;
  if (text.starts_with('!')) {
    shape.negated = true;
    text.remove_prefix(1);
  }
  while (text.size() > 1 && text.back() == '/') {
    shape.dir_only = true;
    text.remove_suffix(1);
  }
  shape.anchored = text.find('/') != std::string_view::npos;
  shape.body = text;
  return shape;
}

std::string build(std::string_view text, Pattern* out) {
  const Shape shape = shape_of(text);
  if (shape.body.empty() || shape.body == "/") return "matches nothing";
  std::vector<std::string_view> names =
      shape.anchored ? split(shape.body) : std::vector<std::string_view>{shape.body};
  Pattern pattern;
  for (std::string_view name : names) {
    GlobPart part;
    if (std::string error = compile_part(name, part); !error.empty()) return error;
    pattern.parts.push_back(std::move(part));
  }
  if (out != nullptr) {
    pattern.text = text;
    pattern.anchored = shape.anchored;
    pattern.dir_only = shape.dir_only;
    pattern.negated = shape.negated;
    *out = std::move(pattern);
  }
  return {};
}

// The pattern's parts against the path's parts, "**" included, solved from
// the last parts back: row p says, for every k, whether pattern parts p..
// match path parts k...
bool parts_match(const std::vector<GlobPart>& pattern, const std::vector<std::string_view>& path) {
  const std::size_t n = path.size();
  std::vector<char> next(n + 1, 0), row(n + 1, 0);
  next[n] = 1;
  for (std::size_t p = pattern.size(); p-- > 0;) {
    const GlobPart& part = pattern[p];
    if (part.any_dirs && p + 1 == pattern.size()) {
      // Last: everything below, not the directory itself.
      for (std::size_t k = 0; k <= n; ++k) row[k] = k < n;
    } else if (part.any_dirs) {
      // Any number of whole parts, none included.
      row[n] = next[n];
      for (std::size_t k = n; k-- > 0;) row[k] = next[k] || row[k + 1];
    } else {
      row[n] = 0;
      for (std::size_t k = 0; k < n; ++k) row[k] = next[k + 1] && glob_matches(part, path[k]);
    }
    std::swap(row, next);
  }
  return next[0] != 0;
}

}  // namespace

bool glob_matches(const GlobPart& part, std::string_view name) {
  // Two pointers: on a mismatch, the last '*' takes one more byte. No
  // earlier '*' ever needs to be revisited, so this is at most
  // steps x bytes.
  const std::vector<GlobStep>& steps = part.steps;
  std::size_t s = 0, t = 0, star = std::string_view::npos, star_t = 0;
  while (t < name.size()) {
    if (s < steps.size() && steps[s].kind == GlobStep::Star) {
      star = ++s;
      star_t = t;
    } else if (s < steps.size() && step_takes(steps[s], static_cast<unsigned char>(name[t]))) {
      ++s;
      ++t;
    } else if (star != std::string_view::npos) {
      s = star;
      t = ++star_t;
    } else {
      return false;
    }
  }
  while (s < steps.size() && steps[s].kind == GlobStep::Star) ++s;
  return s == steps.size();
}

std::string pattern_error(std::string_view text) { return build(text, nullptr); }

Pattern make_pattern(std::string_view text) {
  Pattern pattern;
  build(text, &pattern);
  return pattern;
}

bool pattern_matches(const Pattern& pattern, std::string_view path, bool is_dir, bool anchored_ok) {
  if (pattern.dir_only && !is_dir) return false;
  if (pattern.parts.empty()) return false;
  if (!pattern.anchored) {
    std::size_t slash = path.rfind('/');
    return glob_matches(pattern.parts.front(),
                        slash == std::string_view::npos ? path : path.substr(slash + 1));
  }
  return anchored_ok && parts_match(pattern.parts, split(path));
}

}  // namespace q5
