// The rewrite engine's live text: the original with replacements and
// insertions kept beside it instead of copied in.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "text/line_origins.h"

#include "text/text_search.h"
#include "text/text_set.h"

namespace zarn::rewrite_detail {

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
    reversed.reserve(std::min<std::size_t>(limit, 256));
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
    std::reverse(reversed.begin(), reversed.end());
    return reversed;
  }

  // The same, forwards from where the place ends, stopping once they end
  // with `stop`.
  std::string After(PlaceKey key, std::size_t limit, bool at_break, std::string_view stop) const {
    std::string out;
    out.reserve(std::min<std::size_t>(limit, 256));
    auto place = places_.find(key);
    std::size_t pos = place->second.end;
    auto next = std::next(place);
    bool going = limit > 0;
    while (going) {
      if (next != places_.end() && next->first.at == pos) {
        going = TakeForwards(*next->second.to, out, limit, at_break, stop);
        pos = next->second.end;
        ++next;
        continue;
      }
      if (pos >= original_.size()) break;
      const std::size_t stretch_end = next != places_.end() ? next->first.at : original_.size();
      const std::string_view stretch(original_.data() + pos, stretch_end - pos);
      going = TakeForwards(stretch, out, limit, at_break, stop);
      pos = stretch_end;
    }
    return out;
  }

  // Where the live text differs from the original, in order.
  std::vector<Splice> Splices() const {
    std::vector<Splice> out;
    out.reserve(places_.size());
    for (const auto& [key, place] : places_) out.push_back({key.at, place.end - key.at, *place.to});
    return out;
  }

  // Makes the live text the original's own bytes, within its buffer where
  // the places allow it: when no place makes the text before its end longer
  // than it was, left to right; when none makes it shorter and the buffer
  // holds the final size, right to left. Otherwise it is built anew.
  void BuildInPlace(std::string& text) const {
    long long growth = 0, most = 0, least = 0;
    for (const auto& [key, place] : places_) {
      growth += static_cast<long long>(place.to->size()) - static_cast<long long>(place.end - key.at);
      most = std::max(most, growth);
      least = std::min(least, growth);
    }
    // A text that outgrows its buffer is built anew at its size: a string
    // would double its buffer and copy it there first.
    if ((most > 0 && least < 0) || text.size() + static_cast<std::size_t>(std::max(growth, 0LL)) > text.capacity()) {
      text = Build();
      return;
    }
    const std::size_t size = text.size();
    const std::size_t final_size = static_cast<std::size_t>(static_cast<long long>(size) + growth);
    if (most <= 0) {
      char* s = text.data();
      std::size_t write = 0, read = 0;
      for (const auto& [key, place] : places_) {
        std::memmove(s + write, s + read, key.at - read);
        write += key.at - read;
        std::memcpy(s + write, place.to->data(), place.to->size());
        write += place.to->size();
        read = place.end;
      }
      std::memmove(s + write, s + read, size - read);
      text.resize(final_size);
      return;
    }
    text.resize(final_size);
    char* s = text.data();
    std::size_t write = final_size, read = size;
    for (auto it = places_.rbegin(); it != places_.rend(); ++it) {
      const auto& [key, place] = *it;
      write -= read - place.end;
      std::memmove(s + write, s + place.end, read - place.end);
      write -= place.to->size();
      std::memcpy(s + write, place.to->data(), place.to->size());
      read = key.at;
    }
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

  // Appends the bytes of `piece` to `out` as a byte loop would, one by one:
  // before a line break it stops (when `at_break`), and after the byte that
  // makes `out` `limit` long or end with `stop`. False once it has stopped.
  static bool TakeForwards(std::string_view piece, std::string& out, std::size_t limit, bool at_break,
                           std::string_view stop) {
    std::size_t take = std::min(piece.size(), limit - out.size());
    if (take < 64) {
      // A few bytes cost less one by one.
      for (char c : piece) {
        if (at_break && IsBreak(c)) return false;
        out.push_back(c);
        if (out.size() >= limit) return false;
        if (!stop.empty() && c == stop.back() && out.size() >= stop.size() &&
            std::string_view(out).substr(out.size() - stop.size()) == stop)
          return false;
      }
      return true;
    }
    bool stopped = take < piece.size() || out.size() + take == limit;
    if (at_break) {
      for (std::size_t i = 0; i < take; ++i) {
        if (IsBreak(piece[i])) {
          take = i;
          stopped = true;
          break;
        }
      }
    }
    if (!stop.empty()) {
      // The first place where `stop` ends among the bytes taken: first those
      // where it begins in what `out` already holds, then within the piece.
      std::size_t ends = std::string_view::npos;  // bytes of the piece up to the stop's end
      const std::string_view held(out);
      for (std::size_t k = 1; k < stop.size() && k <= take && ends == std::string_view::npos; ++k) {
        const std::size_t before = stop.size() - k;
        if (before <= held.size() && held.substr(held.size() - before) == stop.substr(0, before) &&
            piece.substr(0, k) == stop.substr(before))
          ends = k;
      }
      if (ends == std::string_view::npos) {
        const std::size_t at = FindText(piece.substr(0, take), stop);
        if (at != std::string_view::npos) ends = at + stop.size();
      }
      if (ends != std::string_view::npos) {
        take = ends;
        stopped = true;
      }
    }
    out.append(piece.substr(0, take));
    return !stopped && out.size() < limit;
  }

  static bool EndsWithReversed(const std::string& reversed, std::string_view stop) {
    if (stop.empty() || reversed.size() < stop.size()) return false;
    for (std::size_t i = 0; i < stop.size(); ++i)
      if (reversed[reversed.size() - 1 - i] != stop[i]) return false;
    return true;
  }

  const std::string& original_;
  std::map<PlaceKey, Place> places_;
};

}  // namespace zarn::rewrite_detail
