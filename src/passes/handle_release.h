// "free" releases a handle with the call that suits its type; "flush" sets a
// variable to null.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "passes/keyword_rule.h"
#include "passes/tables.h"

namespace zarn {

// Rewrites every free statement of one function or method body into its
// release call, or marks it when no release call is known.
std::string ExpandFreeStatements(std::string body, const ReturnTypeTable& return_types, const KeywordRule& rule = {});

// The first of a body's local names, in order, for which a free statement
// holds "free " + name; looked up where the statement's "free " stand rather
// than by trying every name.
class FreedNameLookup {
 public:
  // `names` must outlive it. With `leading_only`, only a "free " that begins
  // the statement counts.
  explicit FreedNameLookup(const std::vector<std::string_view>& names, bool leading_only = false);
  // Index of that name, or std::string::npos.
  std::size_t FirstIn(std::string_view stmt) const;

 private:
  std::unordered_map<std::string_view, std::size_t> first_;  // name -> its first index
  std::set<std::size_t> lengths_;
  bool leading_only_ = false;
};

// Rewrites every flush statement of the script into an assignment of null.
void ExpandFlushStatements(std::string& text, const KeywordRule& rule = {});

}  // namespace zarn
