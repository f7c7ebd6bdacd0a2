// A search for every occurrence of any of a set of texts, for the rewrite
// engine.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "text/text_search.h"

namespace zarn::rewrite_detail {

constexpr std::uint64_t kFnvBasis = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

inline std::uint64_t Step(std::uint64_t hash, char c) { return (hash ^ static_cast<unsigned char>(c)) * kFnvPrime; }
inline std::uint64_t Key(std::uint64_t hash, std::size_t length) {
  return hash ^ (static_cast<std::uint64_t>(length) * 0x9E3779B97F4A7C15ull);
}
inline std::uint64_t HashOf(std::string_view s) {
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
        if (IsStart(s, at)) starts.push_back(at);
    }
    Visit(s, starts, found);
  }

  // The same over the whole of `s`, when every text begins with a text that
  // stands exactly at `places` (in order): only those are looked at.
  template <class Found>
  void FindAmong(std::string_view s, const std::vector<std::size_t>& places, Found&& found) const {
    if (s.size() < prefix_length_) return;
    const std::size_t hi = s.size() - prefix_length_ + 1;
    std::vector<std::size_t> starts;
    for (std::size_t at : places) {
      if (at >= hi) break;
      if (IsStart(s, at)) starts.push_back(at);
    }
    Visit(s, starts, found);
  }

 private:
  struct Bucket {
    std::vector<bool> lengths;
    std::size_t max_length = 0;
  };

  bool IsStart(std::string_view s, std::size_t at) const {
    return first_byte_[static_cast<unsigned char>(s[at])] && buckets_.count(Prefix(s.data() + at)) != 0;
  }

  // Every occurrence starting at one of `starts`, places where some text's
  // first bytes stand, in order.
  template <class Found>
  void Visit(std::string_view s, const std::vector<std::size_t>& starts, Found& found) const {
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

}  // namespace zarn::rewrite_detail
