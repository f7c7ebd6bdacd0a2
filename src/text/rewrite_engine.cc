#include "text/rewrite_engine.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <string_view>
#include <unordered_map>

#include "text/text.h"
#include "text/text_search.h"

namespace zarn {

namespace {

thread_local bool plain_rewrites = false;

constexpr std::uint64_t kFnvBasis = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

inline std::uint64_t Step(std::uint64_t hash, char c) {
  return (hash ^ static_cast<unsigned char>(c)) * kFnvPrime;
}
inline std::uint64_t Key(std::uint64_t hash, std::size_t length) {
  return hash ^ (static_cast<std::uint64_t>(length) * 0x9E3779B97F4A7C15ull);
}
std::uint64_t HashOf(std::string_view s) {
  std::uint64_t hash = kFnvBasis;
  for (char c : s) hash = Step(hash, c);
  return hash;
}
inline bool IsBreak(char c) { return c == '\r' || c == '\n'; }

// The distinct texts the edits look for, and a search for every occurrence of
// any of them (overlapping ones included). Candidate places are those where a
// text's first bytes stand; there, either the texts' common terminator fixes
// the only possible length, or each length present is tried with a running
// hash, verified byte for byte on a hit.
class TextSet {
 public:
  explicit TextSet(std::vector<std::string_view> texts) : texts_(std::move(texts)) {
    std::size_t min_length = SIZE_MAX;
    for (std::string_view t : texts_) {
      min_length = std::min(min_length, t.size());
      max_length_ = std::max(max_length_, t.size());
      if (line_only_ && t.find_first_of("\r\n") != std::string_view::npos) line_only_ = false;
    }
    prefix_length_ = std::min<std::size_t>(4, min_length);
    if (!line_only_) ChooseTerminator();
    for (std::uint32_t id = 0; id < texts_.size(); ++id) {
      std::string_view t = texts_[id];
      auto [bucket, added] = buckets_.try_emplace(Prefix(t.data()));
      if (added) prefixes_.emplace_back(t.substr(0, prefix_length_));
      if (bucket->second.lengths.size() <= t.size()) bucket->second.lengths.resize(t.size() + 1, false);
      bucket->second.lengths[t.size()] = true;
      bucket->second.max_length = std::max(bucket->second.max_length, t.size());
      by_key_.emplace(Key(HashOf(t), t.size()), id);
      if (!terminator_.empty()) by_length_[t.size()].push_back(id);
      first_byte_[static_cast<unsigned char>(t[0])] = true;
    }
  }

  std::string_view text(std::uint32_t id) const { return texts_[id]; }
  std::size_t max_length() const { return max_length_; }
  bool line_only() const { return line_only_; }
  const std::string& terminator() const { return terminator_; }

  // Calls found(id, at) for every occurrence in `s` that starts in [lo, hi).
  template <class Found>
  void Find(std::string_view s, std::size_t lo, std::size_t hi, Found&& found) const {
    if (s.size() < prefix_length_) return;
    hi = std::min(hi, s.size() - prefix_length_ + 1);
    if (lo >= hi) return;
    std::vector<std::size_t> starts;
    if (prefixes_.size() <= 4) {
      for (const std::string& prefix : prefixes_)
        for (std::size_t at = FindText(s, prefix, lo); at != std::string_view::npos && at < hi;
             at = FindText(s, prefix, at + 1))
          starts.push_back(at);
      if (prefixes_.size() > 1) std::sort(starts.begin(), starts.end());
    } else {
      for (std::size_t at = lo; at < hi; ++at)
        if (first_byte_[static_cast<unsigned char>(s[at])] && buckets_.count(Prefix(s.data() + at)))
          starts.push_back(at);
    }
    std::size_t terminator_at = 0;
    bool terminator_known = false;
    for (std::size_t at : starts) {
      const Bucket& bucket = buckets_.find(Prefix(s.data() + at))->second;
      if (!terminator_.empty()) {
        // A text holds its terminator only at its end, so an occurrence
        // starting here ends with the first terminator at or after `at`.
        if (!terminator_known || terminator_at < at) {
          terminator_at = FindText(s, terminator_, at);
          terminator_known = true;
        }
        if (terminator_at == std::string_view::npos) return;
        std::size_t length = terminator_at + terminator_.size() - at;
        if (length <= bucket.max_length && bucket.lengths[length]) {
          // A few texts of one length are compared directly: long texts
          // differ early, and hashing the candidate would read all of it.
          // Many (thousands of bodies as long as one another) are looked up
          // by hash, or each candidate would be compared with all of them.
          const std::vector<std::uint32_t>& same_length = by_length_.find(length)->second;
          if (same_length.size() <= 8) {
            for (std::uint32_t id : same_length)
              if (std::memcmp(texts_[id].data(), s.data() + at, length) == 0) found(id, at);
          } else {
            Report(s, at, length, HashOf(s.substr(at, length)), found);
          }
        }
        continue;
      }
      std::uint64_t hash = kFnvBasis;
      std::size_t limit = std::min(bucket.max_length, s.size() - at);
      for (std::size_t length = 1; length <= limit; ++length) {
        char c = s[at + length - 1];
        if (line_only_ && IsBreak(c)) break;
        hash = Step(hash, c);
        if (bucket.lengths[length]) Report(s, at, length, hash, found);
      }
    }
  }

 private:
  struct Bucket {
    std::vector<bool> lengths;
    std::size_t max_length = 0;
  };

  std::uint32_t Prefix(const char* p) const {
    std::uint32_t value = 0;
    std::memcpy(&value, p, prefix_length_);
    return value;
  }

  template <class Found>
  void Report(std::string_view s, std::size_t at, std::size_t length, std::uint64_t hash, Found& found) const {
    auto [begin, end] = by_key_.equal_range(Key(hash, length));
    for (auto it = begin; it != end; ++it) {
      std::string_view t = texts_[it->second];
      if (t.size() == length && std::memcmp(t.data(), s.data() + at, length) == 0) found(it->second, at);
    }
  }

  // Texts spanning lines (function bodies, blocks) usually share an ending,
  // such as "endfunction", that each holds only at its end.
  void ChooseTerminator() {
    std::string_view first = texts_.front();
    std::size_t common = std::min<std::size_t>(first.size(), 16);
    for (std::string_view t : texts_) {
      std::size_t n = 0;
      while (n < common && n < t.size() && t[t.size() - 1 - n] == first[first.size() - 1 - n]) ++n;
      common = n;
    }
    if (common == 0) return;
    std::string_view ending = first.substr(first.size() - common);
    for (std::string_view t : texts_)
      if (t.find(ending) != t.size() - common) return;
    terminator_ = std::string(ending);
  }

  std::vector<std::string_view> texts_;
  std::size_t max_length_ = 0, prefix_length_ = 1;
  bool line_only_ = true;
  std::string terminator_;
  bool first_byte_[256] = {};
  std::unordered_map<std::uint32_t, Bucket> buckets_;
  std::vector<std::string> prefixes_;
  std::unordered_multimap<std::uint64_t, std::uint32_t> by_key_;
  std::unordered_map<std::size_t, std::vector<std::uint32_t>> by_length_;  // with a terminator only
};

// A place in the live text: an original position and whether the place puts
// text in before the original byte there (an insertion) or stands for the
// original bytes from there on (a replacement). At one position the
// insertion comes first.
struct PlaceKey {
  std::size_t at;
  bool replaces;
  bool operator<(const PlaceKey& o) const { return at != o.at ? at < o.at : replaces < o.replaces; }
  bool operator==(const PlaceKey& o) const { return at == o.at && replaces == o.replaces; }
};

// The live text as the original with non-overlapping replacements and with
// insertions between original bytes. An insertion never stands inside a
// replacement: both are made only where an occurrence that no place
// overlaps starts.
class SplicedText {
 public:
  explicit SplicedText(const std::string& original) : original_(original) {}

  // Whether the original bytes [at, at + length) are no longer together in
  // the live text: a replacement takes some of them, or an insertion stands
  // between two of them.
  bool Overlaps(std::size_t at, std::size_t length) const {
    auto next = places_.lower_bound(PlaceKey{at, true});
    if (next != places_.end() && next->first.at < at + length) return true;
    if (next == places_.begin()) return false;
    auto prev = std::prev(next);
    return prev->first.replaces && prev->second.end > at;
  }

  void Replace(std::size_t at, std::size_t length, const std::string* to) {
    places_.emplace(PlaceKey{at, true}, Place{at + length, to});
  }
  void Insert(std::size_t at, const std::string* text) { places_[PlaceKey{at, false}] = Place{at, text}; }
  bool Has(PlaceKey key) const { return places_.count(key) != 0; }
  const std::string& To(PlaceKey key) const { return *places_.at(key).to; }
  void SetTo(PlaceKey key, const std::string* to) { places_.at(key).to = to; }
  std::size_t OriginalLength(PlaceKey key) const { return places_.at(key).end - key.at; }

  // Up to `limit` bytes of the live text that end where the place begins,
  // stopping early after a line break (when `at_break`) or once they begin
  // with `stop`.
  std::string Before(PlaceKey key, std::size_t limit, bool at_break, std::string_view stop) const {
    std::string reversed;
    auto take = [&](char c) {
      if (at_break && IsBreak(c)) return false;
      reversed.push_back(c);
      return reversed.size() < limit && !EndsWithReversed(reversed, stop);
    };
    auto place = places_.find(key);
    std::size_t pos = key.at;
    bool going = limit > 0;
    while (going) {
      if (place == places_.begin()) {
        while (going && pos > 0) going = take(original_[--pos]);
        break;
      }
      auto prev = std::prev(place);
      if (prev->second.end == pos) {
        const std::string& to = *prev->second.to;
        for (std::size_t i = to.size(); going && i-- > 0;) going = take(to[i]);
        pos = prev->first.at;
        place = prev;
        continue;
      }
      while (going && pos > prev->second.end) going = take(original_[--pos]);
    }
    return std::string(reversed.rbegin(), reversed.rend());
  }

  // The same, forwards from where the place ends, stopping once they end
  // with `stop`.
  std::string After(PlaceKey key, std::size_t limit, bool at_break, std::string_view stop) const {
    std::string out;
    auto take = [&](char c) {
      if (at_break && IsBreak(c)) return false;
      out.push_back(c);
      return out.size() < limit && !(stop.size() && out.size() >= stop.size() &&
                                     std::string_view(out).substr(out.size() - stop.size()) == stop);
    };
    auto place = places_.find(key);
    std::size_t pos = place->second.end;
    auto next = std::next(place);
    bool going = limit > 0;
    while (going) {
      if (next != places_.end() && next->first.at == pos) {
        for (char c : *next->second.to)
          if (going) going = take(c);
        pos = next->second.end;
        ++next;
        continue;
      }
      if (pos >= original_.size()) break;
      std::size_t stretch_end = next != places_.end() ? next->first.at : original_.size();
      while (going && pos < stretch_end) going = take(original_[pos++]);
    }
    return out;
  }

  std::string Build() const {
    std::string out;
    std::size_t size = original_.size();
    for (const auto& [key, place] : places_) size += place.to->size() - (place.end - key.at);
    out.reserve(size);
    std::size_t done = 0;
    for (const auto& [key, place] : places_) {
      out.append(original_, done, key.at - done);
      out.append(*place.to);
      done = place.end;
    }
    out.append(original_, done);
    return out;
  }

 private:
  struct Place {
    std::size_t end;  // an insertion ends where it stands
    const std::string* to;
  };

  static bool EndsWithReversed(const std::string& reversed, std::string_view stop) {
    if (stop.empty() || reversed.size() < stop.size()) return false;
    for (std::size_t i = 0; i < stop.size(); ++i)
      if (reversed[reversed.size() - 1 - i] != stop[i]) return false;
    return true;
  }

  const std::string& original_;
  std::map<PlaceKey, Place> places_;
};

}  // namespace

void ApplyEditsPlainly(std::string& text, const std::vector<Edit>& edits, std::size_t first) {
  for (std::size_t i = first; i < edits.size(); ++i) {
    const Edit& edit = edits[i];
    if (edit.from.empty() || edit.from == edit.to) continue;
    if (edit.kind == Edit::kEvery) ReplaceAllIn(text, edit.from, edit.to);
    else ReplaceFirstIn(text, edit.from, edit.to);
  }
}

void ApplyEditsInOnePass(std::string& text, const std::vector<Edit>& edits) {
  // Edits that can change anything, each with the id of its text.
  std::vector<std::size_t> active;
  std::vector<std::uint32_t> text_of;
  std::vector<std::size_t> last_use;  // last position in `active` of each text
  std::unordered_map<std::string_view, std::uint32_t> ids;
  std::vector<std::string_view> texts;
  for (std::size_t i = 0; i < edits.size(); ++i) {
    if (edits[i].from.empty() || edits[i].from == edits[i].to) continue;
    auto [it, added] = ids.try_emplace(edits[i].from, static_cast<std::uint32_t>(texts.size()));
    if (added) {
      texts.push_back(edits[i].from);
      last_use.push_back(0);
    }
    text_of.push_back(it->second);
    last_use[it->second] = active.size();
    active.push_back(i);
  }
  if (active.empty()) return;

  const TextSet set(std::move(texts));
  // Every occurrence of every text in the original, in order. While no edit
  // has made a new occurrence of a text still to come, the live occurrences
  // of a text are exactly its original ones that no replaced place overlaps.
  std::vector<std::vector<std::size_t>> occurrences(last_use.size());
  set.Find(text, 0, text.size(), [&](std::uint32_t id, std::size_t at) { occurrences[id].push_back(at); });
  std::vector<std::size_t> cursor(last_use.size(), 0);

  SplicedText live(text);
  const std::size_t context = set.max_length() - 1;
  const std::string& stop = set.terminator();
  // Places that hold texts still to be edited, wholly inside them (as a
  // replaced body may hold a statement a later edit replaces): later edits
  // act on those places too. Each keeps the occurrences of every text inside
  // it, so that finding them costs nothing per edit, and a place that keeps
  // growing at its end is only searched there.
  struct Occurrence {
    std::size_t start;
    std::uint32_t id;
    bool operator<(const Occurrence& o) const { return start != o.start ? start < o.start : id < o.id; }
  };
  struct Hot {
    std::vector<Occurrence> inside;  // by start
  };
  std::map<PlaceKey, Hot> hot;
  std::vector<std::size_t> hot_count(last_use.size(), 0);  // occurrences in all hot places, by text
  auto forget = [&](Hot& h) {
    for (const Occurrence& o : h.inside) --hot_count[o.id];
    h.inside.clear();
  };
  auto search_whole = [&](Hot& h, const std::string& to) {
    forget(h);
    set.Find(to, 0, to.size(), [&](std::uint32_t id, std::size_t at) {
      h.inside.push_back({at, id});
      ++hot_count[id];
    });
  };
  // `to` has just had its bytes from `first` on replaced: drop what stood
  // across or after `first`, search only the bytes a new occurrence can use.
  auto search_tail = [&](Hot& h, const std::string& to, std::size_t first) {
    const std::size_t from = first > context ? first - context : 0;
    std::vector<Occurrence> tail;
    while (!h.inside.empty() && h.inside.back().start >= from) {
      const Occurrence o = h.inside.back();
      h.inside.pop_back();
      if (o.start + set.text(o.id).size() <= first) tail.push_back(o);
      else --hot_count[o.id];
    }
    std::string_view window = std::string_view(to).substr(from);
    set.Find(window, 0, window.size(), [&](std::uint32_t id, std::size_t at) {
      if (from + at + set.text(id).size() <= first) return;  // kept above
      tail.push_back({from + at, id});
      ++hot_count[id];
    });
    std::sort(tail.begin(), tail.end());
    h.inside.insert(h.inside.end(), tail.begin(), tail.end());
  };
  // Texts of places changed after they were made, one slot per place: each
  // new version takes the place of the last, so a place that keeps growing
  // (one declaration after another before "endglobals") holds one copy.
  std::map<PlaceKey, std::string> rewritten;
  // What an insertion edit puts in, one copy per edit.
  std::deque<std::string> inserted;
  struct Changed {
    PlaceKey key;
    std::size_t kept;  // leading bytes of the place's text unchanged since its last check
  };
  std::vector<Changed> changed;
  auto finish_plainly = [&](std::size_t from_edit) {
    text = live.Build();
    ApplyEditsPlainly(text, edits, from_edit);
  };
  std::size_t grown = 0;  // bytes the live text has gained so far
  auto grow = [&](std::size_t from_size, std::size_t to_size) {
    if (to_size <= from_size) return;
    grown += to_size - from_size;
    ChargeRewriteGrowth(grown, text.size());
  };
  for (std::size_t k = 0; k < active.size(); ++k) {
    const Edit& edit = edits[active[k]];
    const std::uint32_t id = text_of[k];
    const std::size_t length = edit.from.size();
    const std::vector<std::size_t>& list = occurrences[id];
    std::size_t& next = cursor[id];
    changed.clear();
    const bool in_hot = hot_count[id] > 0;
    // Replacing every occurrence by a text that ends with it puts text in
    // before each: the occurrence's own bytes stay original, and so stay
    // available to later edits that look for them (a marker put in front of
    // "free a1" leaves "free a10" whole).
    const bool inserts = edit.kind == Edit::kEvery && edit.to.size() > length &&
                         std::string_view(edit.to).substr(edit.to.size() - length) == edit.from;
    std::vector<std::size_t> places;
    if (edit.kind == Edit::kFirst) {
      // Which comes first, an original place or one inside a replacement,
      // is not tracked: finish by the plain rule.
      if (in_hot) return finish_plainly(active[k]);
      while (next < list.size() && live.Overlaps(list[next], length)) ++next;
      if (next < list.size()) places.push_back(list[next++]);
    } else {
      // Leftmost first, never overlapping, as one search-and-replace does.
      // A replaced occurrence is gone; one with text put in before it stays
      // for the next edit of the same text, and so do those it overlapped.
      std::size_t free_from = 0;
      while (next < list.size() && live.Overlaps(list[next], length)) ++next;
      for (std::size_t i = next; i < list.size(); ++i)
        if (list[i] >= free_from && !live.Overlaps(list[i], length)) {
          places.push_back(list[i]);
          free_from = list[i] + length;
        }
      if (!inserts) next = list.size();
    }
    // Places that hold the text change first: their text stood before what
    // this edit puts in front of an original occurrence.
    if (in_hot) {
      for (auto& [key, h] : hot) {
        auto occurrence = std::find_if(h.inside.begin(), h.inside.end(),
                                       [&](const Occurrence& o) { return o.id == id; });
        if (occurrence == h.inside.end()) continue;
        const std::size_t first = occurrence->start;
        const std::string& to = live.To(key);
        std::string& slot = rewritten[key];
        const std::size_t size_before = to.size();
        if (first + length == to.size()) {
          // The only occurrence closes the place's text: extend it in place.
          if (&slot != &to) slot = to;
          slot.resize(first);
          slot += edit.to;
          ChargeRewriteWork(edit.to.size() + length);
          search_tail(h, slot, first);
        } else {
          std::string next_version = ReplaceAll(to, edit.from, edit.to);
          slot = std::move(next_version);
          search_whole(h, slot);
        }
        grow(size_before, slot.size());
        live.SetTo(key, &slot);
        changed.push_back({key, 0});
      }
    }
    if (inserts && !places.empty()) {
      inserted.emplace_back(edit.to, 0, edit.to.size() - length);
      const std::string& put = inserted.back();
      for (std::size_t at : places) {
        const PlaceKey key{at, false};
        grow(0, put.size());
        if (!live.Has(key)) {
          live.Insert(at, &put);
          changed.push_back({key, 0});
          continue;
        }
        // Another insertion stands there already: this one follows it.
        const std::string& before_now = live.To(key);
        std::string& slot = rewritten[key];
        if (&slot != &before_now) slot = before_now;
        const std::size_t kept = slot.size();
        slot += put;
        ChargeRewriteWork(put.size());
        live.SetTo(key, &slot);
        if (auto h = hot.find(key); h != hot.end()) search_tail(h->second, slot, kept);
        changed.push_back({key, kept});
      }
    } else {
      for (std::size_t at : places) {
        live.Replace(at, length, &edit.to);
        grow(length, edit.to.size());
        changed.push_back({PlaceKey{at, true}, 0});
      }
    }
    if (k + 1 == active.size()) break;

    // Texts still to be edited, newly standing across or inside a changed
    // place (or across the point where a deletion joined two stretches).
    auto later = [&](std::uint32_t other) { return last_use[other] > k; };
    for (const Changed& change : changed) {
      const PlaceKey key = change.key;
      const std::string& to = live.To(key);
      bool across = false, inside = false;
      auto known = hot.find(key);
      if (known != hot.end() && to.size() > 2 * context) {
        // A long place whose inside is known: only its two edges can hold a
        // text across them.
        const std::string before = live.Before(key, context, set.line_only(), stop);
        std::string head = before + to.substr(0, context);
        set.Find(head, 0, before.size(), [&](std::uint32_t other, std::size_t start) {
          if (start + set.text(other).size() > before.size() && later(other)) across = true;
        });
        std::string tail = to.substr(to.size() - context) + live.After(key, context, set.line_only(), stop);
        set.Find(tail, 0, context, [&](std::uint32_t other, std::size_t start) {
          if (start + set.text(other).size() > context && later(other)) across = true;
        });
        for (const Occurrence& o : known->second.inside) inside = inside || later(o.id);
      } else if (known == hot.end() && change.kept > context) {
        // An insertion that grew at its end: its first bytes, and the bytes
        // before them, held no text still to come at its last check, so only
        // texts reaching into the new bytes can be new.
        const std::size_t from = change.kept - context;
        std::string window = to.substr(from) + live.After(key, context, set.line_only(), stop);
        const std::size_t end_of_place = to.size() - from;
        set.Find(window, 0, end_of_place, [&](std::uint32_t other, std::size_t start) {
          std::size_t end = start + set.text(other).size();
          if (from + end <= change.kept || !later(other)) return;
          if (end <= end_of_place) inside = true;
          else across = true;
        });
      } else {
        const std::string before = live.Before(key, context, set.line_only(), stop);
        std::string window = before + to + live.After(key, context, set.line_only(), stop);
        const std::size_t joint = before.size();
        const std::size_t last_start = to.empty() ? joint : joint + to.size();
        set.Find(window, 0, last_start, [&](std::uint32_t other, std::size_t start) {
          std::size_t end = start + set.text(other).size();
          if (end <= joint || !later(other)) return;
          if (start >= joint && end <= joint + to.size()) inside = true;
          else across = true;
        });
      }
      if (across || (inside && known == hot.end() && hot.size() >= 64)) return finish_plainly(active[k] + 1);
      if (inside && known == hot.end()) {
        search_whole(hot[key], to);
      } else if (!inside && known != hot.end()) {
        forget(known->second);
        hot.erase(known);
      }
    }
  }
  text = live.Build();
  ChargeRewriteWork(text.size());
}

void ApplyEditsInOrder(std::string& text, const std::vector<Edit>& edits) {
  // A handful of edits, or a short text, costs less by the plain rule.
  if (plain_rewrites || edits.size() <= 2 || edits.size() * text.size() <= (1u << 16))
    ApplyEditsPlainly(text, edits);
  else
    ApplyEditsInOnePass(text, edits);
}

PlainRewritesForTesting::PlainRewritesForTesting() : saved_(plain_rewrites) { plain_rewrites = true; }
PlainRewritesForTesting::~PlainRewritesForTesting() { plain_rewrites = saved_; }

}  // namespace zarn
