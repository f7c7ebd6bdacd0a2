// The parameters and locals of the function being read. Functions have few,
// so they are searched in a row; past a few dozen an index takes over.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "check/jass_symbols.h"

namespace zarn::jass {

class FunctionScope {
 public:
  void Clear();
  // False when the function already has this name.
  bool Declare(std::string_view name, const Variable& variable);
  // With `index`, the name's place in declaration order goes there.
  const Variable* Find(std::string_view name, std::size_t* index = nullptr) const;
  std::size_t size() const { return entries_.size(); }
  std::string_view NameAt(std::size_t index) const { return entries_[index].name; }

 private:
  static constexpr std::size_t kRowMax = 24;
  // One bit per first byte of the names here (modulo 64): most names looked
  // up are globals, and this settles them without a search.
  static std::uint64_t Bit(std::string_view name) { return std::uint64_t{1} << (name.empty() ? 0 : name[0] & 63); }
  std::uint64_t first_bytes_ = 0;
  struct Entry {
    std::string_view name;
    Variable variable;
  };
  std::vector<Entry> entries_;
  NameMap<std::size_t> index_;  // only past kRowMax
};

}  // namespace zarn::jass
