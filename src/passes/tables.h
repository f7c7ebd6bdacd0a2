// Built-in knowledge of JASS: creatable handle types with their constructors,
// releasable types with their release calls, and the return-type table.
// Every lookup scans its rows in order and the first matching row wins.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

struct CreationRow {
  const char* type;
  const char* pattern;      // line mode: "^.*?new.*?<type>.*?$"
  const char* constructor;  // e.g. "CreateTimer()"
};
extern const std::array<CreationRow, 12> kCreationRows;

struct ReleaseRow {
  const char* type;
  const char* call;  // e.g. "DestroyGroup(": name and opening parenthesis
};
extern const std::array<ReleaseRow, 28> kReleaseRows;

// First release type, in row order, that occurs anywhere in `text`; "" if none.
std::string FindDestructorType(std::string_view text);
// Release call of the row whose type equals `type` exactly.
std::optional<std::string> DestructorCallFor(std::string_view type);

// (name, type) rows: the built-in rows, then rows appended for the script's
// own functions and methods.
class ReturnTypeTable {
 public:
  static constexpr std::size_t kBuiltInRows = 1983;

  // The table holding exactly the built-in rows.
  static ReturnTypeTable BuiltIn();

  std::size_t size() const { return names_.size(); }
  const std::string& name(std::size_t row) const { return names_[row]; }
  const std::string& type(std::size_t row) const { return types_[row]; }

  void Append(std::string name, std::string type);

  // Type of the first row whose name occurs anywhere in `text`, or "undefined".
  std::string FindReturnTypeByName(std::string_view text) const;
  // Type of the first row whose key "= " + name + "(" occurs in `statement`.
  std::optional<std::string> FindCallType(std::string_view statement) const;

 private:
  // Two tiers answer a lookup. Automata over the rows present at the first
  // lookup (for the shared built-in table: the built-in rows) are kept by
  // Append and shared by copies; since any of those rows beats any later one,
  // the rows appended after them are consulted only when the automata find
  // nothing. The appended rows are looked up by hashing the candidate names
  // of the text; copies share them until one of the copies appends.
  // Not safe for concurrent first use.
  class KeyIndex;
  class AppendedIndex;
  void IndexRows() const;
  std::size_t LowestRowByName(std::string_view text) const;
  std::size_t LowestCallRow(std::string_view statement) const;

  std::vector<std::string> names_;
  std::vector<std::string> types_;
  mutable std::size_t indexed_rows_ = 0;  // rows covered by the two automata
  mutable std::shared_ptr<const KeyIndex> name_index_;
  mutable std::shared_ptr<const KeyIndex> call_index_;
  std::shared_ptr<AppendedIndex> appended_;  // rows from indexed_rows_ on; null while none
};

}  // namespace zarn
