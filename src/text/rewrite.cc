#include "text/rewrite.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>

#include "text/edit_watch.h"
#include "text/rewrite_engine.h"
#include "text/text.h"
#include "text/text_search.h"

namespace zarn {

namespace {

// Collects every match first; the callbacks see only the matched text, so
// calling them in scan order before any write-back changes nothing they see,
// and the scan can walk the live text itself.
std::vector<Edit> CollectEdits(const std::string& text, std::string_view pattern, MatchMode mode,
                               const std::function<void(std::string_view, std::vector<Edit>&)>& add) {
  std::vector<Edit> edits;
  Matcher m(pattern, mode);
  for (bool found = m.Scan(text); found; found = m.Next()) add(m.Matched(), edits);
  return edits;
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
  ApplyEditsInOrder(text, CollectEdits(text, pattern, mode, [&](std::string_view m, std::vector<Edit>& edits) {
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
    if (replacement && *replacement != m) out.push_back({std::string(m), std::move(*replacement), Edit::kEvery});
  });
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
  ApplyEditsInOrder(text, CollectEdits(text, pattern, mode, [&](std::string_view m, std::vector<Edit>& edits) {
                      edits.push_back({target(m), std::string(), Edit::kFirst});
                    }));
}

void ReplaceFirstForEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                              const std::function<std::string(std::string_view)>& replacement) {
  ApplyEditsInOrder(text, CollectEdits(text, pattern, mode, [&](std::string_view m, std::vector<Edit>& edits) {
                      edits.push_back({std::string(m), replacement(m), Edit::kFirst});
                    }));
}

void ApplyEditsForEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                            const std::function<std::vector<TextEdit>(std::string_view)>& edits) {
  ApplyEditsInOrder(text, CollectEdits(text, pattern, mode, [&](std::string_view m, std::vector<Edit>& out) {
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

// The live text while it is rebuilt left to right: `done` followed by the
// scanned text from `rest` on. The scanned text is only replaced once the
// rebuilt one is finished. Keeps, for every place in `done` where `lead`
// starts and the byte after it is also in `done`, that place under that byte.
class LiveText {
 public:
  LiveText(std::string_view copy, std::string_view lead) : copy_(copy), lead_(lead) { done_.reserve(copy.size()); }

  // Takes the copy up to `offset` into the finished part.
  void KeepUpTo(std::size_t offset) {
    done_.append(copy_, rest_, offset - rest_);
    AddPiece(rest_, offset - rest_);
    rest_ = offset;
    Index();
  }
  // Drops `length` bytes of the copy at the current place.
  void Skip(std::size_t length) { rest_ += length; }

  // Leftmost place before the current one where `what`, which stands at the
  // current place, also starts in the live text, if any.
  std::optional<std::size_t> EarlierOccurrence(std::string_view what) const {
    if (what.empty()) return std::nullopt;
    if (what.size() <= lead_.size() || what.substr(0, lead_.size()) != lead_) {
      // Not covered by the index: search the live text itself.
      std::string head = done_;
      head.append(copy_, rest_, what.size() - 1);
      std::size_t at = head.find(what);
      if (at == std::string::npos) return std::nullopt;
      return at;
    }
    unsigned char next = static_cast<unsigned char>(what[lead_.size()]);
    for (std::size_t at : starts_[next])
      if (OccursAt(what, at)) return at;
    for (std::size_t at = indexed_; at < done_.size(); ++at)
      if (OccursAt(what, at)) return at;
    return std::nullopt;
  }

  // Deletes `length` bytes at `at`, before the current place, and skips the
  // match of that length which stands at the current place in the copy.
  void DeleteEarlier(std::size_t at, std::size_t length) {
    std::string live = done_;
    live.append(copy_, rest_, length);
    live.erase(at, length);
    done_ = std::move(live);
    AddPiece(rest_, length);
    DropPieces(at, length);
    rest_ += length;
    for (auto& starts : starts_) starts.clear();
    indexed_ = 0;
    Index();
  }

  // The rebuilt text; whoever watches `text`, which the copy views, learns
  // which of its bytes were deleted.
  std::string Finish(const std::string& text) {
    done_.append(copy_, rest_);
    AddPiece(rest_, copy_.size() - rest_);
    if (EditWatch::Watches(text)) {
      std::vector<Splice> deleted;
      std::size_t kept_to = 0;
      for (auto [from, length] : pieces_) {
        if (from > kept_to) deleted.push_back({kept_to, from - kept_to, {}});
        kept_to = from + length;
      }
      if (kept_to < copy_.size()) deleted.push_back({kept_to, copy_.size() - kept_to, {}});
      EditWatch::NoteSplices(text, deleted);
    }
    return std::move(done_);
  }

 private:
  // The rebuilt text is the copy's bytes of `pieces_` (start, length), in order.
  void AddPiece(std::size_t from, std::size_t length) {
    if (length == 0) return;
    if (!pieces_.empty() && pieces_.back().first + pieces_.back().second == from)
      pieces_.back().second += length;
    else
      pieces_.emplace_back(from, length);
  }

  // The rebuilt text's bytes [at, at + length) are deleted.
  void DropPieces(std::size_t at, std::size_t length) {
    std::vector<std::pair<std::size_t, std::size_t>> kept;
    kept.reserve(pieces_.size() + 1);
    std::size_t offset = 0;  // of the current piece in the rebuilt text
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
  }

  char At(std::size_t i) const { return i < done_.size() ? done_[i] : copy_[rest_ + i - done_.size()]; }

  bool OccursAt(std::string_view what, std::size_t at) const {
    if (at + what.size() > done_.size() + copy_.size() - rest_) return false;
    for (std::size_t i = 0; i < what.size(); ++i)
      if (At(at + i) != what[i]) return false;
    return true;
  }

  void Index() {
    if (done_.size() < lead_.size() + 1) return;
    std::size_t limit = done_.size() - lead_.size();
    for (std::size_t at = done_.find(lead_, indexed_); at < limit; at = done_.find(lead_, at + 1))
      starts_[static_cast<unsigned char>(done_[at + lead_.size()])].push_back(at);
    if (limit > indexed_) indexed_ = limit;
  }

  std::string_view copy_;
  std::string_view lead_;
  std::string done_;
  std::size_t rest_ = 0;
  std::size_t indexed_ = 0;  // every place below this has been indexed
  std::array<std::vector<std::size_t>, 256> starts_;
  std::vector<std::pair<std::size_t, std::size_t>> pieces_;
};

}  // namespace

void DeleteFirstOccurrenceOfEachMatch(std::string& text, std::string_view pattern, MatchMode mode,
                                      std::string_view lead,
                                      const std::function<bool(std::string_view)>& at_own_place) {
  Matcher m(pattern, mode);
  if (!m.Scan(text)) return;
  LiveText live(text, lead);
  do {
    std::string_view matched = m.Matched();
    live.KeepUpTo(m.Offset());
    std::optional<std::size_t> earlier;
    if (!at_own_place(matched)) earlier = live.EarlierOccurrence(matched);
    if (earlier)
      live.DeleteEarlier(*earlier, matched.size());
    else
      live.Skip(matched.size());
  } while (m.Next());
  text = live.Finish(text);
}

void DeletePartOfEachMatchInPlace(std::string& text, std::string_view pattern, MatchMode mode,
                                  const std::function<MatchPart(std::string_view)>& part) {
  Matcher m(pattern, mode);
  if (!m.Scan(text)) return;
  std::string_view copy = text;  // replaced only once `out` is complete
  std::string out;
  out.reserve(copy.size());
  OutSplices splices(text);
  std::size_t rest = 0;
  do {
    MatchPart gone = part(m.Matched());
    std::size_t offset = std::min(gone.offset, m.Matched().size());
    std::size_t length = std::min(gone.length, m.Matched().size() - offset);
    out.append(copy, rest, m.Offset() + offset - rest);
    splices.Add(m.Offset() + offset, length, out.size(), out.size());
    rest = m.Offset() + offset + length;
  } while (m.Next());
  out.append(copy, rest);
  splices.Commit(text, out);
}

void DeleteEveryOccurrenceOfEachSpan(std::string& text, std::string_view pattern, MatchMode mode,
                                     std::string_view open) {
  Matcher m(pattern, mode);
  if (!m.Scan(text)) return;
  std::string_view copy = text;  // replaced only once `out` is complete
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
  std::string out;
  out.reserve(copy.size());
  OutSplices splices(text);
  std::size_t rest = 0;
  for (auto [begin, end] : spans) {
    out.append(copy, rest, begin - rest);
    splices.Add(begin, end - begin, out.size(), out.size());
    rest = end;
  }
  out.append(copy, rest);
  splices.Commit(text, out);
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
