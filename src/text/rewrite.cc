#include "text/rewrite.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <utility>

#include "text/edit_watch.h"
#include "text/rewrite_engine.h"
#include "text/text.h"
#include "text/text_search.h"

namespace zarn {

namespace {

// The edits of one scan, and where the text that every match holds stands in
// the scanned text: the edits' sweep need not read the whole text again.
struct Collected {
  std::vector<Edit> edits;
  std::string lead;
  std::vector<std::size_t> places;
  // None when the scan kept no places.
  LeadPlaces known() const { return lead.empty() ? LeadPlaces{} : LeadPlaces{lead, &places}; }
};

// Collects every match first; the callbacks see only the matched text, so
// calling them in scan order before any write-back changes nothing they see,
// and the scan can walk the live text itself.
Collected CollectEdits(const std::string& text, std::string_view pattern, MatchMode mode,
                       const std::function<void(std::string_view, std::vector<Edit>&)>& add) {
  Collected out;
  Matcher m(pattern, mode);
  m.KeepLeadPlaces();
  for (bool found = m.Scan(text); found; found = m.Next()) add(m.Matched(), out.edits);
  if (m.LeadPlacesKept()) {
    out.lead = std::string(m.Lead());
    out.places = m.TakeLeadPlaces();
  }
  return out;
}

void ApplyCollected(std::string& text, const Collected& collected) {
  ApplyEditsInOrder(text, collected.edits, collected.known());
}

// The changes of a loop that builds a new text `out` from `text`, for
// whoever watches `text`: the bytes [at, at + length) of `text` became
// out[begin, end).
class OutSplices {
 public:
  explicit OutSplices(const std::string& text) : on_(EditWatch::Watches(text)) {}

  void Add(std::size_t at, std::size_t length, std::size_t begin, std::size_t end) {
    if (on_) places_.push_back({at, length, begin, end});
  }

  // Replaces `text` by `out`, telling whoever watches it where it changed.
  void Commit(std::string& text, std::string& out) const {
    if (on_) {
      std::vector<Splice> splices;
      splices.reserve(places_.size());
      for (const Place& p : places_)
        splices.push_back({p.at, p.length, std::string_view(out).substr(p.begin, p.end - p.begin)});
      EditWatch::NoteSplices(text, splices);
    }
    text.swap(out);
  }

 private:
  struct Place {
    std::size_t at, length, begin, end;
  };
  bool on_;
  std::vector<Place> places_;
};

}  // namespace

void ReplaceEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                      const std::function<std::optional<std::string>(std::string_view)>& rewrite) {
  ApplyCollected(text, CollectEdits(text, pattern, mode, [&](std::string_view m, std::vector<Edit>& edits) {
                   std::optional<std::string> replacement = rewrite(m);
                   if (replacement && *replacement != m)
                     edits.push_back({std::string(m), std::move(*replacement), Edit::kEvery});
                 }));
}

void ReplaceEachMatchInPlace(std::string& text, std::string_view pattern, MatchMode mode,
                             const std::function<std::optional<std::string>(std::string_view)>& rewrite) {
  Matcher m(pattern, mode);
  if (!m.Scan(text)) return;
  std::string_view copy = text;  // replaced only once `out` is complete
  std::string out;
  out.reserve(copy.size());
  OutSplices splices(text);
  std::size_t rest = 0;
  do {
    std::optional<std::string> replacement = rewrite(m.Matched());
    if (!replacement) continue;
    out.append(copy, rest, m.Offset() - rest);
    splices.Add(m.Offset(), m.Matched().size(), out.size(), out.size() + replacement->size());
    out += *replacement;
    rest = m.Offset() + m.Matched().size();
  } while (m.Next());
  out.append(copy, rest);
  splices.Commit(text, out);
}

namespace {

inline bool IsBreak(char c) { return c == '\r' || c == '\n'; }

// The rewrites of one scan, found by the line beginnings they apply to.
class LineStartEdits {
 public:
  explicit LineStartEdits(std::vector<Edit> edits) : edits_(std::move(edits)) {
    for (std::size_t i = 0; i < edits_.size(); ++i) {
      by_text_[edits_[i].from].push_back(i);
      lengths_.push_back(edits_[i].from.size());
    }
    std::sort(lengths_.begin(), lengths_.end());
    lengths_.erase(std::unique(lengths_.begin(), lengths_.end()), lengths_.end());
  }

  // Appends `line` (no line break in it) as the edits from `from` on leave it.
  void Apply(std::string_view line, std::size_t from, std::string& out) const {
    const std::size_t i = FirstFor(line, from);
    if (i == kNone) {
      out.append(line);
      return;
    }
    ChargeRewriteWork(edits_[i].to.size() + line.size());
    const std::string rewritten = edits_[i].to + std::string(line.substr(edits_[i].from.size()));
    // The rewrite may hold line breaks: each line it makes is a line of its
    // own for the later edits.
    std::size_t begin = 0;
    for (std::size_t at = 0; at <= rewritten.size(); ++at) {
      if (at < rewritten.size() && !IsBreak(rewritten[at])) continue;
      Apply(std::string_view(rewritten).substr(begin, at - begin), i + 1, out);
      if (at < rewritten.size()) out += rewritten[at];
      begin = at + 1;
    }
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // The first edit at or after `from` whose text begins `line`.
  std::size_t FirstFor(std::string_view line, std::size_t from) const {
    std::size_t best = kNone;
    for (std::size_t length : lengths_) {
      if (length > line.size()) break;
      auto it = by_text_.find(line.substr(0, length));
      if (it == by_text_.end()) continue;
      auto at = std::lower_bound(it->second.begin(), it->second.end(), from);
      if (at != it->second.end() && *at < best) best = *at;
    }
    return best;
  }

  std::vector<Edit> edits_;
  std::map<std::string, std::vector<std::size_t>, std::less<>> by_text_;
  std::vector<std::size_t> lengths_;
};

}  // namespace

void ReplaceEachMatchAtLineStarts(std::string& text, std::string_view pattern, MatchMode mode,
                                  const std::function<std::optional<std::string>(std::string_view)>& rewrite) {
  std::vector<Edit> edits = CollectEdits(text, pattern, mode, [&](std::string_view m, std::vector<Edit>& out) {
                              std::optional<std::string> replacement = rewrite(m);
                              if (replacement && *replacement != m)
                                out.push_back({std::string(m), std::move(*replacement), Edit::kEvery});
                            }).edits;
  if (edits.empty()) return;
  // Every edit's text begins with what they all begin with: other lines stay.
  std::string_view common = edits.front().from;
  for (const Edit& edit : edits) {
    std::size_t n = 0;
    while (n < common.size() && n < edit.from.size() && common[n] == edit.from[n]) ++n;
    common = common.substr(0, n);
  }
  const std::string lead(common.empty() ? std::string_view("\n") : common);
  const LineStartEdits lookup(std::move(edits));
  std::string out;
  out.reserve(text.size());
  OutSplices splices(text);
  std::size_t done = 0;  // text before this is in `out`
  auto line_end = [&](std::size_t at) {
    while (at < text.size() && !IsBreak(text[at])) ++at;
    return at;
  };
  if (common.empty() && !text.empty() && !IsBreak(text[0])) {
    // No shared beginning: the first line too is looked at.
    done = line_end(0);
    lookup.Apply(std::string_view(text).substr(0, done), 0, out);
    splices.Add(0, done, 0, out.size());
  }
  for (std::size_t at = FindText(text, lead, done); at != std::string::npos; at = FindText(text, lead, at + 1)) {
    std::size_t begin = at;
    if (common.empty()) {
      begin = at + 1;  // the line after the break found
    } else if (at > 0 && !IsBreak(text[at - 1])) {
      continue;
    }
    if (begin < done) continue;
    const std::size_t end = line_end(begin);
    out.append(text, done, begin - done);
    const std::size_t written = out.size();
    lookup.Apply(std::string_view(text).substr(begin, end - begin), 0, out);
    splices.Add(begin, end - begin, written, out.size());
    done = end;
    at = end > at ? end - 1 : at;
  }
  out.append(text, done);
  splices.Commit(text, out);
}

void DeleteFirstForEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                             const std::function<std::string(std::string_view)>& target) {
  ApplyCollected(text, CollectEdits(text, pattern, mode, [&](std::string_view m, std::vector<Edit>& edits) {
                   edits.push_back({target(m), std::string(), Edit::kFirst});
                 }));
}

void ReplaceFirstForEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                              const std::function<std::string(std::string_view)>& replacement) {
  ApplyCollected(text, CollectEdits(text, pattern, mode, [&](std::string_view m, std::vector<Edit>& edits) {
                   edits.push_back({std::string(m), replacement(m), Edit::kFirst});
                 }));
}

void ApplyEditsForEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                            const std::function<std::vector<TextEdit>(std::string_view)>& edits) {
  ApplyCollected(text, CollectEdits(text, pattern, mode, [&](std::string_view m, std::vector<Edit>& out) {
                   for (TextEdit& edit : edits(m))
                     out.push_back({std::move(edit.from), std::move(edit.to), Edit::kEvery});
                 }));
}

bool ReplaceFirstMatch(std::string& text, std::string_view pattern, MatchMode mode,
                       const std::function<std::string(std::string_view)>& replacement) {
  Matcher m(pattern, mode);
  if (!m.Scan(text)) return false;
  const std::string matched(m.Matched());  // the scan walks `text`, which changes next
  ReplaceFirstIn(text, matched, replacement(matched));
  return true;
}

namespace {

// The live text while it is rebuilt left to right within its own bytes: the
// finished part, the text's first `done` bytes, followed by the scanned text
// from `rest` on. Only bytes are deleted, so the finished part never reaches
// past the place being read. Keeps, for every place in the finished part
// where `lead` starts and the byte after it is also finished, that place
// under that byte.
class LiveText {
 public:
  // `deletions`: how many places the loop may delete, for the kept pieces'
  // room.
  LiveText(std::string& text, std::string_view lead, std::size_t deletions)
      : text_(text), size_(text.size()), lead_(lead) {
    pieces_.reserve(deletions + 1);
  }

  // Takes the scanned text up to `offset` into the finished part.
  void KeepUpTo(std::size_t offset) {
    Move(offset - rest_);
    Index();
  }
  // Drops `length` bytes of the scanned text at the current place.
  void Skip(std::size_t length) { rest_ += length; }

  // Leftmost place before the current one where `what`, which stands at the
  // current place, also starts in the live text, if any.
  std::optional<std::size_t> EarlierOccurrence(std::string_view what) const {
    if (what.empty()) return std::nullopt;
    if (what.size() <= lead_.size() || what.substr(0, lead_.size()) != lead_) {
      // Not covered by the index: search the live text itself.
      std::string head(text_, 0, done_);
      head.append(text_, rest_, what.size() - 1);
      std::size_t at = head.find(what);
      if (at == std::string::npos) return std::nullopt;
      return at;
    }
    unsigned char next = static_cast<unsigned char>(what[lead_.size()]);
    for (std::size_t at : starts_[next])
      if (OccursAt(what, at)) return at;
    for (std::size_t at = indexed_; at < done_; ++at)
      if (OccursAt(what, at)) return at;
    return std::nullopt;
  }

  // Deletes `length` bytes at `at`, before the current place, and keeps the
  // match of that length which stands at the current place.
  void DeleteEarlier(std::size_t at, std::size_t length) {
    Move(length);
    DropPieces(at, length);
    text_.erase(at, length);
    done_ -= length;
    rest_ -= length;
    size_ -= length;
    for (auto& starts : starts_) starts.clear();
    indexed_ = 0;
    Index();
  }

  // Takes the rest in and drops what was deleted. The bytes of `text` that
  // were deleted, as places in the text the loop was given.
  std::vector<Splice> Finish() {
    Move(size_ - rest_);
    text_.resize(done_);
    std::vector<Splice> deleted;
    std::size_t kept_to = 0;
    for (auto [from, length] : pieces_) {
      if (from > kept_to) deleted.push_back({kept_to, from - kept_to, {}});
      kept_to = from + length;
    }
    if (kept_to < original_size_) deleted.push_back({kept_to, original_size_ - kept_to, {}});
    return deleted;
  }

 private:
  // Moves `length` bytes from the current place to the end of the finished part.
  void Move(std::size_t length) {
    if (length == 0) return;
    if (done_ != rest_) std::memmove(&text_[done_], &text_[rest_], length);
    AddPiece(rest_ + shift_, length);
    done_ += length;
    rest_ += length;
  }

  char At(std::size_t i) const { return i < done_ ? text_[i] : text_[rest_ + i - done_]; }

  bool OccursAt(std::string_view what, std::size_t at) const {
    if (at + what.size() > done_ + size_ - rest_) return false;
    for (std::size_t i = 0; i < what.size(); ++i)
      if (At(at + i) != what[i]) return false;
    return true;
  }

  void Index() {
    if (done_ < lead_.size() + 1) return;
    const std::string_view done(text_.data(), done_);
    std::size_t limit = done_ - lead_.size();
    for (std::size_t at = done.find(lead_, indexed_); at < limit; at = done.find(lead_, at + 1))
      starts_[static_cast<unsigned char>(done[at + lead_.size()])].push_back(at);
    if (limit > indexed_) indexed_ = limit;
  }

  // The finished part is the given text's bytes of `pieces_` (start, length),
  // in order.
  void AddPiece(std::size_t from, std::size_t length) {
    if (!pieces_.empty() && pieces_.back().first + pieces_.back().second == from)
      pieces_.back().second += length;
    else
      pieces_.emplace_back(from, length);
  }

  // The finished part's bytes [at, at + length) are deleted.
  void DropPieces(std::size_t at, std::size_t length) {
    std::vector<std::pair<std::size_t, std::size_t>> kept;
    kept.reserve(pieces_.size() + 1);
    std::size_t offset = 0;  // of the current piece in the finished part
    for (auto [from, size] : pieces_) {
      const std::size_t begin = std::max(offset, at), end = std::min(offset + size, at + length);
      if (begin >= end) {
        kept.emplace_back(from, size);
      } else {
        if (begin > offset) kept.emplace_back(from, begin - offset);
        if (end < offset + size) kept.emplace_back(from + (end - offset), offset + size - end);
      }
      offset += size;
    }
    pieces_ = std::move(kept);
    // The text is now `length` bytes shorter: places read from here on
    // stood that much further on in the given text.
    shift_ += length;
  }

  std::string& text_;
  std::size_t size_;  // of the text as it stands
  const std::size_t original_size_ = text_.size();
  std::string_view lead_;
  std::size_t done_ = 0, rest_ = 0;
  std::size_t shift_ = 0;    // bytes erased from before the current place
  std::size_t indexed_ = 0;  // every place below this has been indexed
  std::array<std::vector<std::size_t>, 256> starts_;
  std::vector<std::pair<std::size_t, std::size_t>> pieces_;
};

}  // namespace

void DeleteFirstOccurrenceOfEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                                      std::string_view lead,
                                      const std::function<bool(std::string_view)>& at_own_place) {
  // Every match is found before the text changes.
  FoundMatches matches;
  Matcher m(pattern, mode);
  for (bool found = m.Scan(text); found; found = m.Next()) matches.emplace_back(m.Offset(), m.Matched().size());
  DeleteFirstOccurrenceOfEachFound(text, matches, lead, at_own_place);
}

void DeleteFirstOccurrenceOfEachFound(std::string& text, const FoundMatches& matches, std::string_view lead,
                                      const std::function<bool(std::string_view)>& at_own_place) {
  if (matches.empty()) return;
  // Whoever watches the text learns where it changed: deletions that hold no
  // line feed leave every line where it was, but for the last one when it is
  // deleted whole; otherwise the places are worked out on a copy.
  const bool watched = EditWatch::Watches(text);
  const bool joins_lines = watched && std::any_of(matches.begin(), matches.end(), [&](auto match) {
                             return std::memchr(text.data() + match.first, '\n', match.second) != nullptr;
                           });
  const std::string before = joins_lines ? text : std::string();
  const bool ended_line = !text.empty() && text.back() == '\n';
  LiveText live(text, lead, matches.size());
  std::size_t erased = 0;  // by deletions of earlier places, which move the rest of the text
  for (auto [offset, length] : matches) {
    offset -= erased;
    live.KeepUpTo(offset);
    // The match's bytes still stand where it was found: the finished part
    // ends before them.
    const std::string_view matched(text.data() + offset, length);
    std::optional<std::size_t> earlier;
    if (!at_own_place(matched)) earlier = live.EarlierOccurrence(matched);
    if (earlier) {
      live.DeleteEarlier(*earlier, length);
      erased += length;
    } else {
      live.Skip(length);
    }
  }
  const std::vector<Splice> deleted = live.Finish();
  if (joins_lines)
    EditWatch::NoteSplices(text, before, deleted);
  else if (watched && !ended_line && (text.empty() || text.back() == '\n'))
    EditWatch::DropLastLine(text);
}

namespace {

// Deletes the byte ranges [begin, end) of `text` (in order, not overlapping)
// within its own buffer, telling whoever watches it first.
void DeleteSpans(std::string& text, const std::vector<std::pair<std::size_t, std::size_t>>& spans) {
  if (EditWatch::Watches(text)) {
    std::vector<Splice> splices;
    splices.reserve(spans.size());
    for (auto [begin, end] : spans) splices.push_back({begin, end - begin, std::string_view()});
    EditWatch::NoteSplices(text, splices);
  }
  char* s = text.data();
  std::size_t write = 0, rest = 0;
  for (auto [begin, end] : spans) {
    std::memmove(s + write, s + rest, begin - rest);
    write += begin - rest;
    rest = end;
  }
  std::memmove(s + write, s + rest, text.size() - rest);
  text.resize(write + text.size() - rest);
}

}  // namespace

void DeletePartOfEachMatchInPlace(std::string& text, std::string_view pattern, MatchMode mode,
                                  const std::function<MatchPart(std::string_view)>& part) {
  Matcher m(pattern, mode);
  if (!m.Scan(text)) return;
  // The scan reads the text, which changes only once every part is known.
  std::vector<std::pair<std::size_t, std::size_t>> spans;
  do {
    MatchPart gone = part(m.Matched());
    std::size_t offset = std::min(gone.offset, m.Matched().size());
    std::size_t length = std::min(gone.length, m.Matched().size() - offset);
    spans.emplace_back(m.Offset() + offset, m.Offset() + offset + length);
  } while (m.Next());
  DeleteSpans(text, spans);
}

void DeleteEveryOccurrenceOfEachSpan(std::string& text, std::string_view pattern, MatchMode mode,
                                     std::string_view open) {
  Matcher m(pattern, mode);
  if (!m.Scan(text)) return;
  const std::string_view copy = text;
  // Under these conditions the live text never holds `open` anywhere but at
  // the start of a match not yet deleted, so each deletion of every
  // occurrence deletes just the matches of that text.
  bool only_matches = open.size() == 2;
  std::vector<std::pair<std::size_t, std::size_t>> spans;
  do {
    std::string_view matched = m.Matched();
    std::size_t end = m.Offset() + matched.size();
    if (matched.substr(0, open.size()) != open || matched.find(open, 1) != std::string_view::npos ||
        (end < copy.size() && open.size() == 2 && copy[end] == open[1]))
      only_matches = false;
    spans.emplace_back(m.Offset(), end);
  } while (only_matches && m.Next());
  if (!only_matches) {
    ReplaceEachMatch(text, pattern, mode, [](std::string_view) { return std::string(); });
    return;
  }
  DeleteSpans(text, spans);
}

void RewriteLinesHolding(std::string& text, std::string_view needle, const std::function<void(std::string&)>& pass) {
  auto is_break = [](char c) { return c == '\r' || c == '\n'; };
  struct Span {
    std::size_t begin, end;
  };
  std::vector<Span> spans;
  std::string lines;
  for (std::size_t from = 0;;) {
    std::size_t at = FindText(text, needle, from);
    if (at == std::string::npos) break;
    std::size_t begin = at, end = at + needle.size();
    while (begin > from && !is_break(text[begin - 1])) --begin;
    while (end < text.size() && !is_break(text[end])) ++end;
    if (!spans.empty()) lines += '\n';
    lines.append(text, begin, end - begin);
    spans.push_back({begin, end});
    from = end;
  }
  if (spans.empty()) return;
  const std::string before = lines;
  pass(lines);
  if (lines == before) return;
  if (static_cast<std::size_t>(std::count(lines.begin(), lines.end(), '\n')) + 1 != spans.size()) {
    pass(text);
    return;
  }
  std::string out;
  out.reserve(text.size() + lines.size() - before.size());
  OutSplices splices(text);
  std::size_t done = 0, line_begin = 0;
  for (const Span& span : spans) {
    std::size_t line_end = std::min(lines.find('\n', line_begin), lines.size());
    out.append(text, done, span.begin - done);
    splices.Add(span.begin, span.end - span.begin, out.size(), out.size() + line_end - line_begin);
    out.append(lines, line_begin, line_end - line_begin);
    done = span.end;
    line_begin = line_end + 1;
  }
  out.append(text, done);
  splices.Commit(text, out);
}

}  // namespace zarn
