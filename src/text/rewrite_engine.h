// Applying a list of text edits, each acting on the live text by text: the
// result of applying them one after the other, computed without rebuilding or
// rescanning the whole text once per edit.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

struct Edit {
  enum Kind { kEvery, kFirst };
  std::string from;  // an empty `from` changes nothing
  std::string to;
  Kind kind = kEvery;  // replace every occurrence, or the leftmost one only
};

// The plain rule: one search-and-replace over the whole text per edit, from
// edit `first` on.
void ApplyEditsPlainly(std::string& text, const std::vector<Edit>& edits, std::size_t first = 0);

// Where a text stands in the text being edited: every place, overlapping
// ones too, in order.
struct LeadPlaces {
  std::string_view lead;
  const std::vector<std::size_t>* places = nullptr;
};

// Same result as ApplyEditsPlainly. Finds every occurrence of every edited
// text in one sweep of the original text and applies the edits at those
// places; after each edit it checks the text around the places it changed
// for new occurrences of texts that later edits look for, and when it finds
// one it finishes with the plain rule.
void ApplyEditsInOnePass(std::string& text, const std::vector<Edit>& edits, LeadPlaces known = {});

// ApplyEditsInOnePass, or the plain rule while a PlainRewritesForTesting
// lives on this thread. When every edited text begins with `known.lead`, the
// sweep looks only at its places instead of reading the whole text.
void ApplyEditsInOrder(std::string& text, const std::vector<Edit>& edits, LeadPlaces known = {});

// Selects the plain rule for every rewrite on this thread while it lives, so
// tests can compare both on the same inputs.
class PlainRewritesForTesting {
 public:
  PlainRewritesForTesting();
  ~PlainRewritesForTesting();
  PlainRewritesForTesting(const PlainRewritesForTesting&) = delete;
  PlainRewritesForTesting& operator=(const PlainRewritesForTesting&) = delete;

 private:
  bool saved_;
};

}  // namespace zarn
