#include "verify/proof_check.h"

#include <algorithm>

namespace q5 {

namespace {

constexpr std::size_t kShownBytes = 48;

// A token of the proof's output that stays once the markers are out, with
// the call whose pair it lies in (innermost), or -1.
struct Left {
  std::string_view spelling;
  std::uint32_t line;
  bool main_file;
  long owner;
  long last_call;  // the call whose marker came last before it
};

// A pair's half being read.
struct Frame {
  std::size_t pair;
  bool second = false;
  long base = 0;          // the bracket depth it started at
  std::size_t start = 0;  // its first token in `left`
  std::size_t count = 0;
  std::size_t commas = 0;  // at its own depth
  bool unbalanced = false;
};

// A parenthesis put around a half: its wrap number and the depth inside it.
struct Wrapped {
  std::size_t id;
  long depth;
};

bool opens(std::string_view s) { return s == "(" || s == "[" || s == "{"; }
bool closes(std::string_view s) { return s == ")" || s == "]" || s == "}"; }

void fail(std::vector<CallCheck>& calls, std::size_t call, std::string reason) {
  if (call >= calls.size() || calls[call].failed) return;
  calls[call].failed = true;
  calls[call].reason = std::move(reason);
}

// Tokens [from, to) shown with one blank between them, cut short; markers
// in them (in a string the call was made into) taken out.
std::string shown_left(const std::vector<Left>& left, std::size_t from, std::size_t to,
                       std::string_view prefix, const ProofText& text) {
  std::string out;
  for (std::size_t k = from; k < to && k < left.size() && out.size() <= 4 * kShownBytes; ++k) {
    if (!out.empty()) out += ' ';
    out.append(left[k].spelling);
  }
  out = unmarked(out, prefix, text);
  if (out.size() > kShownBytes) out = out.substr(0, kShownBytes - 3) + "...";
  return "'" + out + "'";
}

}  // namespace

std::string shown_tokens(const std::vector<OutputToken>& tokens, std::size_t from, std::size_t to) {
  std::string out;
  for (std::size_t k = from; k < to && k < tokens.size() && out.size() <= kShownBytes; ++k) {
    if (!out.empty()) out += ' ';
    out.append(tokens[k].spelling);
  }
  if (out.size() > kShownBytes) out = out.substr(0, kShownBytes - 3) + "...";
  return "'" + out + "'";
}

void check_proof(const std::vector<OutputToken>& proof, const std::vector<OutputToken>& original,
                 const ProofText& text, std::string_view prefix,
                 const std::vector<CallLines>& lines, const std::vector<bool>& kept,
                 std::vector<CallCheck>& calls) {
  const std::size_t pairs = text.pair_call.size();
  std::vector<bool> pair_seen(pairs, false);
  std::vector<Left> left;
  left.reserve(proof.size());
  std::vector<Frame> frames;
  std::vector<Wrapped> wraps;  // parentheses put in, open
  long depth = 0, last_call = -1;
  bool expect_comma = false;

  auto end_half = [&](Frame& f) {
    const std::size_t call = text.pair_call[f.pair];
    const std::string what = std::string("the ") + (f.second ? "second" : "first") +
                             " argument of " + text.pair_shown[f.pair];
    if (f.count == 0)
      fail(calls, call, what + " expands to nothing");
    else if (f.unbalanced || depth != f.base)
      fail(calls, call,
           what + " expands to unbalanced brackets: " +
               shown_left(left, f.start, left.size(), prefix, text));
    else if (f.commas > 0)
      fail(calls, call,
           what + " expands to " + std::to_string(f.commas + 1) +
               " arguments: " + shown_left(left, f.start, left.size(), prefix, text));
  };

  for (std::size_t i = 0; i < proof.size(); ++i) {
    const std::string_view spelling = proof[i].spelling;
    MarkerKind kind;
    std::size_t n = 0;
    if (read_marker(spelling, prefix, kind, n)) {
      const std::size_t call = marker_call(text, kind, n);
      if (call >= calls.size()) continue;
      last_call = static_cast<long>(call);
      switch (kind) {
        case MarkerKind::Wrap:
          // The parenthesis put in: it counts as a bracket, and is no token
          // of the original.
          if (i + 1 < proof.size() && proof[i + 1].spelling == "(") {
            ++i;
            if (!frames.empty()) ++frames.back().count;
            wraps.push_back({n, ++depth});
          } else {
            fail(calls, call, "after preprocessing its parentheses around a half are gone");
          }
          break;
        case MarkerKind::Unwrap:
          fail(calls, call, "after preprocessing its parentheses around a half do not pair up");
          break;
        case MarkerKind::Name:
          calls[call].name_seen = true;
          break;
        case MarkerKind::Cast:
          calls[call].cast_seen = true;
          if (i + 4 < proof.size() && proof[i + 1].spelling == "(" &&
              proof[i + 2].spelling == "char" && proof[i + 3].spelling == "*" &&
              proof[i + 4].spelling == ")")
            i += 4;
          break;
        case MarkerKind::Pair:
          fail(calls, call, "the compiler did not expand " + text.pair_shown[n]);
          break;
        case MarkerKind::Open:
          pair_seen[n] = true;
          if (!frames.empty() && depth == frames.back().base)
            fail(calls, text.pair_call[frames.back().pair],
                 "after preprocessing another pair lies among its pair's arguments");
          frames.push_back({n, false, depth, left.size()});
          break;
        case MarkerKind::Middle:
        case MarkerKind::End: {
          auto own = std::find_if(frames.rbegin(), frames.rend(),
                                  [&](const Frame& f) { return f.pair == n; });
          if (own == frames.rend() || own->second != (kind == MarkerKind::End)) {
            fail(calls, call, "after preprocessing its pairs do not nest as written");
            break;
          }
          for (auto k = frames.rbegin(); k != own; ++k)
            fail(calls, text.pair_call[k->pair],
                 "after preprocessing its pairs do not nest as written");
          frames.erase(own.base(), frames.end());
          end_half(frames.back());
          if (kind == MarkerKind::End) {
            frames.pop_back();
          } else {
            Frame& f = frames.back();
            f = Frame{f.pair, true, depth, left.size() + 1};
            expect_comma = true;
          }
          break;
        }
      }
      continue;
    }
    if (spelling == ")" && !wraps.empty() && depth == wraps.back().depth) {
      // The close of a parenthesis put in, with its marker after it; else
      // it is read as any other token, and the call fails.
      const Wrapped wrap = wraps.back();
      wraps.pop_back();
      MarkerKind next;
      std::size_t m = 0;
      if (i + 1 < proof.size() && read_marker(proof[i + 1].spelling, prefix, next, m) &&
          next == MarkerKind::Unwrap && m == wrap.id) {
        ++i;
        --depth;
        if (!frames.empty()) ++frames.back().count;
        continue;
      }
      fail(calls, text.wrap_call[wrap.id],
           "after preprocessing its parentheses around a half do not pair up");
    }
    const long owner = frames.empty() ? -1 : static_cast<long>(text.pair_call[frames.back().pair]);
    if (expect_comma) {
      // The comma the pair's own definition puts between its halves.
      expect_comma = false;
      if (spelling != ",") fail(calls, static_cast<std::size_t>(owner), "its pair lost its comma");
    } else if (!frames.empty()) {
      Frame& f = frames.back();
      if (closes(spelling) && depth == f.base) f.unbalanced = true;
      if (spelling == "," && depth == f.base) ++f.commas;
      ++f.count;
    }
    if (opens(spelling)) ++depth;
    if (closes(spelling)) --depth;
    left.push_back({spelling, proof[i].line, proof[i].main_file, owner, last_call});
  }
  for (const Frame& f : frames)
    fail(calls, text.pair_call[f.pair], "after preprocessing its pair is not closed");
  for (std::size_t j = 0; j < pairs; ++j)
    if (pair_seen[j]) ++calls[text.pair_call[j]].pairs_seen;

  // The tokens, one for one.
  const std::size_t common = std::min(left.size(), original.size());
  std::size_t at = 0;
  while (at < common && left[at].spelling == original[at].spelling) ++at;
  if (at == common && left.size() == original.size()) return;
  std::string reason = "after preprocessing its tokens differ from the original's: ";
  reason += at < left.size() ? shown_left(left, at, at + 4, prefix, text) : std::string("nothing");
  reason += " where the original has ";
  reason += at < original.size() ? shown_tokens(original, at, at + 4) : std::string("nothing");
  if (left.empty()) {
    for (std::size_t call = 0; call < calls.size(); ++call)
      if (kept[call]) fail(calls, call, reason);
    return;
  }
  const Left& spot = left[std::min(at, left.size() - 1)];
  if (spot.owner >= 0) {
    fail(calls, static_cast<std::size_t>(spot.owner), reason);
    return;
  }
  bool blamed = false;
  if (spot.main_file)
    for (std::size_t call = 0; call < calls.size() && call < lines.size(); ++call)
      if (kept[call] && lines[call].first <= spot.line && spot.line <= lines[call].last) {
        fail(calls, call, reason);
        blamed = true;
      }
  if (blamed) return;
  if (spot.last_call >= 0) {
    fail(calls, static_cast<std::size_t>(spot.last_call), reason);
    return;
  }
  for (std::size_t call = 0; call < calls.size(); ++call)
    if (kept[call]) fail(calls, call, reason);
}

}  // namespace q5
