#include "verify/proof_text.h"

#include <charconv>

#include "base/bytes.h"
#include "engine/reader/argument_kinds.h"
#include "engine/reader/lexer.h"
#include "verify/preprocessed.h"

namespace q5 {

namespace {

constexpr std::size_t kShownPair = 60;

}  // namespace

std::string marker_prefix(std::span<const std::string_view> texts) {
  // A name reserved to the implementation, so no program defines it; made
  // longer in the unlikely case that some text holds it.
  std::string prefix = "__q5v";
  for (bool taken = true; taken;) {
    taken = false;
    for (std::string_view text : texts) taken |= text.find(prefix) != std::string_view::npos;
    if (taken) prefix += '_';
  }
  return prefix;
}

std::string line_directive(std::string_view line_name) {
  return "#line 1 \"" + quoted_for_line_marker(line_name) + "\"\n";
}

ProofText proof_text(std::string_view text, std::span<const Insertion> insertions,
                     std::span<const std::size_t> names, const std::vector<bool>& kept,
                     std::string_view prefix, std::string_view line_name) {
  ProofText proof;
  proof.pairs_of_call.assign(names.size(), 0);
  proof.cast_of_call.assign(names.size(), false);
  proof.text = line_directive(line_name);
  proof.text.reserve(text.size() + insertions.size() * 16 + 64);
  auto marker = [&](MarkerKind kind, std::size_t number) {
    return std::string(prefix) + static_cast<char>(kind) + std::to_string(number);
  };
  std::vector<std::size_t> open_pair(names.size(), npos);  // each call's pair being written
  std::vector<std::size_t> pair_start(names.size(), 0);
  std::vector<std::size_t> open_wrap(names.size(), npos);  // each call's wrapped half
  std::size_t copied = 0, next_name = 0;
  auto copy_to = [&](std::size_t offset) {
    proof.text.append(text.substr(copied, offset - copied));
    copied = offset;
  };
  // Name markers go after the insertions at their offset: a call that is
  // the tag of another goes inside that one's pair.
  auto names_before = [&](std::size_t offset, bool at_too) {
    for (; next_name < names.size() &&
           (names[next_name] < offset || (at_too && names[next_name] == offset));
         ++next_name) {
      if (!kept[next_name]) continue;
      copy_to(names[next_name]);
      proof.text += ' ' + marker(MarkerKind::Name, next_name) + ' ';
    }
  };
  for (const Insertion& insertion : insertions) {
    if (insertion.call >= kept.size() || !kept[insertion.call]) continue;
    names_before(insertion.offset, false);
    copy_to(insertion.offset);
    std::string_view piece = insertion.text;
    if (piece.starts_with("Q5") && piece.ends_with("(")) {
      const std::size_t pair = proof.pair_call.size();
      proof.pair_call.push_back(insertion.call);
      proof.pair_macro.push_back(piece.substr(0, piece.size() - 1));
      proof.pair_shown.emplace_back(piece);
      open_pair[insertion.call] = pair;
      pair_start[insertion.call] = insertion.offset;
      ++proof.pairs_of_call[insertion.call];
      proof.text += ' ' + marker(MarkerKind::Pair, pair) + '(';
      proof.header += "#define " + marker(MarkerKind::Pair, pair) + "(a, b) " +
                      marker(MarkerKind::Open, pair) + " a " + marker(MarkerKind::Middle, pair) +
                      " , b " + marker(MarkerKind::End, pair) + "\n";
    } else if (piece == "(") {
      open_wrap[insertion.call] = proof.wrap_call.size();
      proof.wrap_call.push_back(insertion.call);
      proof.text += ' ' + marker(MarkerKind::Wrap, open_wrap[insertion.call]) + " (";
    } else if (piece == ")" && open_wrap[insertion.call] != npos) {
      // A wrapped half closes before its pair.
      proof.text += ") " + marker(MarkerKind::Unwrap, open_wrap[insertion.call]) + ' ';
      open_wrap[insertion.call] = npos;
    } else if (piece == ")" && open_pair[insertion.call] != npos) {
      // The pair as written, for messages.
      std::string& shown = proof.pair_shown[open_pair[insertion.call]];
      shown +=
          show(text, lex(text, pair_start[insertion.call], insertion.offset, false), kShownPair);
      shown += ')';
      open_pair[insertion.call] = npos;
      proof.text.append(piece);
    } else if (piece == "(char *)") {
      proof.cast_of_call[insertion.call] = true;
      proof.text += ' ' + marker(MarkerKind::Cast, insertion.call) + " (char *)";
    } else if (piece != "S") {
      // The rename to Q5TagGetS is no part of the pairing: left out. Any
      // other piece is put in as it is, and must then match the original.
      proof.text.append(piece);
    }
  }
  names_before(text.size(), true);
  copy_to(text.size());
  return proof;
}

std::string unmarked(std::string_view shown, std::string_view prefix, const ProofText& proof) {
  std::string out;
  std::size_t copied = 0;
  for (std::size_t at = shown.find(prefix); at != std::string_view::npos;
       at = shown.find(prefix, at + 1)) {
    std::size_t end = at + prefix.size();
    while (end < shown.size() && is_identifier_byte(shown[end])) ++end;
    MarkerKind kind;
    std::size_t number = 0;
    if (at < copied || !read_marker(shown.substr(at, end - at), prefix, kind, number)) continue;
    out.append(shown.substr(copied, at - copied));
    if (kind == MarkerKind::Pair && number < proof.pair_macro.size()) {
      out.append(proof.pair_macro[number]);
    } else if (end < shown.size() && shown[end] == ' ') {
      ++end;  // the blank put in after a marker
    }
    copied = end;
  }
  out.append(shown.substr(copied));
  return out;
}

std::size_t marker_call(const ProofText& proof, MarkerKind kind, std::size_t number) {
  const std::vector<std::size_t>* calls = nullptr;
  switch (kind) {
    case MarkerKind::Name:
    case MarkerKind::Cast:
      return number < proof.pairs_of_call.size() ? number : npos;
    case MarkerKind::Wrap:
    case MarkerKind::Unwrap:
      calls = &proof.wrap_call;
      break;
    default:
      calls = &proof.pair_call;
      break;
  }
  return number < calls->size() ? (*calls)[number] : npos;
}

bool read_marker(std::string_view word, std::string_view prefix, MarkerKind& kind,
                 std::size_t& number) {
  if (word.size() < prefix.size() + 2 || !word.starts_with(prefix)) return false;
  const char letter = word[prefix.size()];
  if (std::string_view("ncpomewx").find(letter) == std::string_view::npos) return false;
  const char* first = word.data() + prefix.size() + 1;
  const char* last = word.data() + word.size();
  auto [end, error] = std::from_chars(first, last, number);
  if (error != std::errc{} || end != last) return false;
  kind = static_cast<MarkerKind>(letter);
  return true;
}

}  // namespace q5
