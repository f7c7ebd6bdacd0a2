#include "passes/tables.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <utility>

extern const char k_return_types_data[];
extern const std::size_t k_return_types_data_size;

namespace zarn {

const std::array<CreationRow, 12> kCreationRows = {{
    {"timer", "^.*?new.*?timer.*?$", "CreateTimer()"},
    {"group", "^.*?new.*?group.*?$", "CreateGroup()"},
    {"force", "^.*?new.*?force.*?$", "CreateForce()"},
    {"region", "^.*?new.*?region.*?$", "CreateRegion()"},
    {"trigger", "^.*?new.*?trigger.*?$", "CreateTrigger()"},
    {"dialog", "^.*?new.*?dialog.*?$", "DialogCreate()"},
    {"leaderboard", "^.*?new.*?leaderboard.*?$", "CreateLeaderboard()"},
    {"multiboard", "^.*?new.*?multiboard.*?$", "CreateMultiboard()"},
    {"quest", "^.*?new.*?quest.*?$", "CreateQuest()"},
    {"texttag", "^.*?new.*?texttag.*?$", "CreateTextTag()"},
    {"camerasetup", "^.*?new.*?camerasetup.*?$", "CreateCameraSetup()"},
    {"hashtable", "^.*?new.*?hashtable.*?$", "InitHashtable()"},
}};

const std::array<ReleaseRow, 28> kReleaseRows = {{
    {"timer", "DestroyTimer("},
    {"group", "DestroyGroup("},
    {"force", "DestroyForce("},
    {"boolexpr", "DestroyBoolExpr("},
    {"conditionfunc", "DestroyCondition("},
    {"defeatcondition", "DestroyDefeatCondition("},
    {"effect", "DestroyEffect("},
    {"filterfunc", "DestroyFilter("},
    {"fogmodifier", "DestroyFogModifier("},
    {"image", "DestroyImage("},
    {"itempool", "DestroyItemPool("},
    {"leaderboard", "DestroyLeaderboard("},
    {"lightning", "DestroyLightning("},
    {"multiboard", "DestroyMultiboard("},
    {"quest", "DestroyQuest("},
    {"texttag", "DestroyTextTag("},
    {"timerdialog", "DestroyTimerDialog("},
    {"trigger", "DestroyTrigger("},
    {"ubersplat", "DestroyUbersplat("},
    {"unitpool", "DestroyUnitPool("},
    {"dialog", "DialogDestroy("},
    {"destructable", "RemoveDestructable("},
    {"item", "RemoveItem("},
    {"location", "RemoveLocation("},
    {"rect", "RemoveRect("},
    {"region", "RemoveRegion("},
    {"unit", "RemoveUnit("},
    {"hashtable", "FlushParentHashtable("},
}};

std::optional<std::string> DestructorCallFor(std::string_view type) {
  // The types as views: most rows differ in length, and are passed over
  // without reading their bytes.
  static const std::array<std::string_view, kReleaseRows.size()> types = [] {
    std::array<std::string_view, kReleaseRows.size()> out;
    for (std::size_t row = 0; row < out.size(); ++row) out[row] = kReleaseRows[row].type;
    return out;
  }();
  for (std::size_t row = 0; row < types.size(); ++row)
    if (type == types[row]) return kReleaseRows[row].call;
  return std::nullopt;
}

// Finds, in one pass over a text, the lowest row whose key occurs in it. It is
// an Aho-Corasick automaton over an alphabet reduced to the bytes that appear
// in some key; each state records the lowest row among the keys that end
// there, its own or those of its suffixes. The answer is therefore exactly
// that of trying the keys one by one in row order. Only the root's moves form
// a full table; other states keep their children in a list and fall back
// along suffix links, so the index stays proportional to the keys' length
// (thousands of user function names made a full table hundreds of MB).
namespace {
constexpr std::size_t kNoRow = std::numeric_limits<std::size_t>::max();

class RowAutomaton {
 public:
  // `keys[row]` is the key of that row; empty keys never occur.
  explicit RowAutomaton(const std::vector<std::string_view>& keys) {
    byte_class_.fill(0);
    for (std::string_view key : keys) {
      for (unsigned char byte : key) {
        if (byte_class_[byte] == 0) byte_class_[byte] = static_cast<std::uint16_t>(++classes_);
      }
    }
    ++classes_;  // class 0: bytes that no key contains
    root_next_.assign(classes_, 0);
    AddState(0);
    for (std::size_t row = 0; row < keys.size(); ++row) Insert(keys[row], row);
    LinkSuffixes();
  }

  std::size_t LowestRowIn(std::string_view text) const {
    std::size_t lowest = kNoRow;
    std::uint32_t state = 0;
    for (unsigned char byte : text) {
      state = Move(state, byte_class_[byte]);
      if (lowest_row_[state] < lowest) {
        lowest = lowest_row_[state];
        if (lowest == 0) break;  // nothing can beat the first row
      }
    }
    return lowest;
  }

 private:
  static constexpr std::uint32_t kMissing = std::numeric_limits<std::uint32_t>::max();

  std::uint32_t AddState(std::uint16_t label) {
    first_child_.push_back(kMissing);
    next_sibling_.push_back(kMissing);
    label_.push_back(label);
    lowest_row_.push_back(kNoRow);
    return static_cast<std::uint32_t>(lowest_row_.size() - 1);
  }

  std::uint32_t Child(std::uint32_t state, std::uint16_t cls) const {
    if (state == 0) return root_next_[cls] == 0 ? kMissing : root_next_[cls];
    for (std::uint32_t child = first_child_[state]; child != kMissing; child = next_sibling_[child])
      if (label_[child] == cls) return child;
    return kMissing;
  }

  // The state after reading a byte of class `cls` in `state`.
  std::uint32_t Move(std::uint32_t state, std::uint16_t cls) const {
    for (;;) {
      if (state == 0) return root_next_[cls];
      std::uint32_t child = Child(state, cls);
      if (child != kMissing) return child;
      state = suffix_[state];
    }
  }

  void Insert(std::string_view key, std::size_t row) {
    if (key.empty()) return;
    std::uint32_t state = 0;
    for (unsigned char byte : key) {
      std::uint16_t cls = byte_class_[byte];
      std::uint32_t child = Child(state, cls);
      if (child == kMissing) {
        child = AddState(cls);
        if (state == 0) {
          root_next_[cls] = child;
        } else {
          next_sibling_[child] = first_child_[state];
          first_child_[state] = child;
        }
      }
      state = child;
    }
    lowest_row_[state] = std::min(lowest_row_[state], row);
  }

  // Breadth-first, so a state's suffix link and row are final before its
  // children need them.
  void LinkSuffixes() {
    suffix_.assign(lowest_row_.size(), 0);
    std::vector<std::uint32_t> queue;
    queue.reserve(lowest_row_.size());
    for (std::uint32_t child : root_next_)
      if (child != 0) queue.push_back(child);
    for (std::size_t head = 0; head < queue.size(); ++head) {
      std::uint32_t state = queue[head];
      lowest_row_[state] = std::min(lowest_row_[state], lowest_row_[suffix_[state]]);
      for (std::uint32_t child = first_child_[state]; child != kMissing; child = next_sibling_[child]) {
        suffix_[child] = Move(suffix_[state], label_[child]);
        queue.push_back(child);
      }
    }
  }

  std::array<std::uint16_t, 256> byte_class_{};
  std::size_t classes_ = 0;
  std::vector<std::uint32_t> root_next_;                            // per class; 0 when no key starts so
  std::vector<std::uint32_t> first_child_, next_sibling_, suffix_;  // per state
  std::vector<std::uint16_t> label_;                                // per state: class of its last byte
  std::vector<std::size_t> lowest_row_;                             // per state; kNoRow when no key ends there
};

}  // namespace

class ReturnTypeTable::KeyIndex : public RowAutomaton {
 public:
  using RowAutomaton::RowAutomaton;
};

std::string FindDestructorType(std::string_view text) {
  // The release types in row order, found in one pass over the text.
  static const RowAutomaton types = [] {
    std::vector<std::string_view> keys;
    for (const ReleaseRow& row : kReleaseRows) keys.emplace_back(row.type);
    return RowAutomaton(keys);
  }();
  const std::size_t row = types.LowestRowIn(text);
  return row == kNoRow ? "" : kReleaseRows[row].type;
}

namespace {

// The appended rows' distinct names, each with its lowest row, in an open
// addressing table keyed by a running hash that a lookup can extend one byte
// at a time, and which name lengths occur.
class RowsByName {
 public:
  static std::uint64_t Extend(std::uint64_t hash, char byte) {
    return hash * 0x100000001b3ull + static_cast<unsigned char>(byte) + 1;
  }

  // Takes in `row` unless an earlier row has its name.
  void Add(const std::vector<std::string>& names, std::size_t row) {
    std::string_view name = names[row];
    std::uint64_t hash = Hash(name);
    if (Find(names, hash, name) != kNoRow) return;
    if ((distinct_ + 1) * 2 > slots_.size()) Grow();
    Place({hash, row});
    ++distinct_;
    if (name.size() >= has_length_.size()) has_length_.resize(name.size() + 1, false);
    has_length_[name.size()] = true;
  }

  bool HasLength(std::size_t length) const { return has_length_[length]; }
  std::size_t longest() const { return has_length_.empty() ? 0 : has_length_.size() - 1; }

  // The row holding `name` (its lowest) if it is below `below`, else kNoRow.
  // Rows that cannot improve an answer are not compared, so a text never
  // confirms the same name twice once it is the answer so far.
  std::size_t Find(const std::vector<std::string>& names, std::uint64_t hash, std::string_view name,
                   std::size_t below = kNoRow) const {
    if (slots_.empty()) return kNoRow;
    std::size_t mask = slots_.size() - 1;
    for (std::size_t at = SlotOf(hash, mask);; at = (at + 1) & mask) {
      const Slot& slot = slots_[at];
      if (slot.row == kNoRow) return kNoRow;
      if (slot.hash == hash && slot.row < below && names[slot.row] == name) return slot.row;
    }
  }

 private:
  struct Slot {
    std::uint64_t hash;
    std::size_t row;  // kNoRow: free
  };

  static std::uint64_t Hash(std::string_view text) {
    std::uint64_t hash = 0;
    for (char byte : text) hash = Extend(hash, byte);
    return hash;
  }
  // Spreads the running hash, whose low bits depend on the last bytes only.
  static std::size_t SlotOf(std::uint64_t hash, std::size_t mask) {
    hash ^= hash >> 31;
    hash *= 0x9e3779b97f4a7c15ull;
    hash ^= hash >> 29;
    return static_cast<std::size_t>(hash) & mask;
  }

  void Place(Slot slot) {
    std::size_t mask = slots_.size() - 1;
    std::size_t at = SlotOf(slot.hash, mask);
    while (slots_[at].row != kNoRow) at = (at + 1) & mask;
    slots_[at] = slot;
  }

  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(std::max<std::size_t>(16, old.size() * 2), Slot{0, kNoRow});
    for (const Slot& slot : old)
      if (slot.row != kNoRow) Place(slot);
  }

  std::size_t distinct_ = 0;
  std::vector<Slot> slots_;       // size a power of two, at most half full
  std::vector<bool> has_length_;  // by name length; its size is one past the longest name
};

}  // namespace

// The rows appended after the automata, looked up by hashing: a table of
// their distinct names, each with its lowest row, and which name lengths
// occur. A lookup hashes every candidate name of the text, extending one
// running hash per start position, so its cost is the text's length times the
// longest name's; when that would exceed the cost of building an automaton
// over the appended keys, it builds one (once, until the next row) and reads
// the text in a single pass instead. Equal hashes are confirmed by comparing
// the bytes, so the answers are exact whatever the names hold.
class ReturnTypeTable::AppendedIndex {
 public:
  explicit AppendedIndex(std::size_t first_row) : first_row_(first_row), end_row_(first_row) {}

  // Takes in `row`, the next one after those it holds.
  void Add(const std::vector<std::string>& names, std::size_t row) {
    end_row_ = row + 1;
    std::string_view name = names[row];
    name_automaton_.reset();
    call_automaton_.reset();
    key_bytes_ += name.size() + 3;
    rows_.Add(names, row);
  }

  // Lowest row whose (non-empty) name occurs in `text`, or kNoRow.
  std::size_t LowestRowByName(const std::vector<std::string>& names, std::string_view text) const {
    std::size_t longest = rows_.longest();
    if (!name_automaton_ && Costly(text.size(), longest)) {
      name_automaton_ = BuildAutomaton(names, [](std::string_view name) { return std::string(name); });
    }
    if (name_automaton_) return Offset(name_automaton_->LowestRowIn(text));

    std::size_t lowest = kNoRow;
    for (std::size_t start = 0; start < text.size(); ++start) {
      std::size_t reach = std::min(longest, text.size() - start);
      std::uint64_t hash = 0;
      for (std::size_t length = 1; length <= reach; ++length) {
        hash = RowsByName::Extend(hash, text[start + length - 1]);
        if (!rows_.HasLength(length)) continue;
        lowest = std::min(lowest, rows_.Find(names, hash, text.substr(start, length), lowest));
      }
      if (lowest == first_row_) break;  // nothing can beat the first appended row
    }
    return lowest;
  }

  // Lowest row whose key "= " + name + "(" occurs in `text`, or kNoRow.
  std::size_t LowestCallRow(const std::vector<std::string>& names, std::string_view text) const {
    std::size_t longest = rows_.longest();
    if (!call_automaton_) {
      std::size_t signs = 0;
      for (std::size_t at = text.find("= "); at != std::string_view::npos; at = text.find("= ", at + 1)) ++signs;
      if (Costly(signs, longest + 1)) {
        call_automaton_ = BuildAutomaton(names, [](std::string_view name) { return "= " + std::string(name) + "("; });
      }
    }
    if (call_automaton_) return Offset(call_automaton_->LowestRowIn(text));

    // A key's name runs from just after a "= " to some "(" within the longest
    // name's reach; the name may hold "(" and "= " itself, so every pair counts.
    std::size_t lowest = kNoRow;
    for (std::size_t at = text.find("= "); at != std::string_view::npos; at = text.find("= ", at + 1)) {
      std::size_t start = at + 2;
      std::size_t end = std::min(text.size(), start + longest + 1);
      std::uint64_t hash = 0;
      for (std::size_t paren = start; paren < end; ++paren) {
        std::size_t length = paren - start;
        if (text[paren] == '(' && rows_.HasLength(length))
          lowest = std::min(lowest, rows_.Find(names, hash, text.substr(start, length), lowest));
        hash = RowsByName::Extend(hash, text[paren]);
      }
      if (lowest == first_row_) break;
    }
    return lowest;
  }

 private:
  // Whether `positions` x `reach` hash steps would cost more than building an
  // automaton over the appended keys: about a dozen steps' time per key byte
  // (20,000 names of 18 bytes at most, 415 KB of keys: 11 ms to build, where
  // a hash step takes 2.3 ns).
  bool Costly(std::size_t positions, std::size_t reach) const {
    constexpr std::size_t kStepsPerKeyByte = 12;
    constexpr std::size_t kMinimumSteps = 1 << 16;
    if (positions == 0 || reach == 0) return false;
    std::size_t budget = std::max(kMinimumSteps, kStepsPerKeyByte * key_bytes_);
    return positions > budget / reach;
  }

  template <typename KeyOf>
  std::shared_ptr<const KeyIndex> BuildAutomaton(const std::vector<std::string>& names, KeyOf key_of) const {
    std::vector<std::string> keys;
    keys.reserve(end_row_ - first_row_);
    for (std::size_t row = first_row_; row < end_row_; ++row) keys.push_back(key_of(names[row]));
    return std::make_shared<const KeyIndex>(std::vector<std::string_view>(keys.begin(), keys.end()));
  }

  std::size_t Offset(std::size_t index_row) const { return index_row == kNoRow ? kNoRow : first_row_ + index_row; }

  std::size_t first_row_;
  std::size_t end_row_;
  std::size_t key_bytes_ = 0;  // of the keys "= " + name + "("
  RowsByName rows_;
  mutable std::shared_ptr<const KeyIndex> name_automaton_;
  mutable std::shared_ptr<const KeyIndex> call_automaton_;
};

namespace {

// The built-in rows as embedded: one "name<TAB>type" line per row.
ReturnTypeTable ParseBuiltInRows() {
  ReturnTypeTable table;
  std::string_view data(k_return_types_data, k_return_types_data_size);
  while (!data.empty()) {
    std::size_t end = data.find('\n');
    std::string_view line = data.substr(0, end);
    data = end == std::string_view::npos ? std::string_view() : data.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) continue;
    table.Append(std::string(line.substr(0, tab)), std::string(line.substr(tab + 1)));
  }
  return table;
}

}  // namespace

ReturnTypeTable ReturnTypeTable::BuiltIn() {
  // Parsed and indexed once per process; each run gets a copy that shares the
  // automata and appends its own rows after them.
  static const ReturnTypeTable built_in = [] {
    ReturnTypeTable table = ParseBuiltInRows();
    table.IndexRows();
    return table;
  }();
  return built_in;
}

void ReturnTypeTable::Append(std::string name, std::string type) {
  names_.push_back(std::move(name));
  types_.push_back(std::move(type));
  if (!name_index_) return;  // the automata, once built, will cover this row
  if (!appended_) {
    appended_ = std::make_shared<AppendedIndex>(indexed_rows_);
  } else if (appended_.use_count() > 1) {
    appended_ = std::make_shared<AppendedIndex>(*appended_);  // a copy shares it
  }
  appended_->Add(names_, names_.size() - 1);
}

void ReturnTypeTable::IndexRows() const {
  if (name_index_) return;
  std::vector<std::string> calls;
  calls.reserve(names_.size());
  for (const std::string& name : names_) calls.push_back("= " + name + "(");
  name_index_ = std::make_shared<const KeyIndex>(std::vector<std::string_view>(names_.begin(), names_.end()));
  call_index_ = std::make_shared<const KeyIndex>(std::vector<std::string_view>(calls.begin(), calls.end()));
  indexed_rows_ = names_.size();
}

std::size_t ReturnTypeTable::LowestRowByName(std::string_view text) const {
  IndexRows();
  std::size_t row = name_index_->LowestRowIn(text);
  if (row == kNoRow && appended_) row = appended_->LowestRowByName(names_, text);
  return row;
}

std::size_t ReturnTypeTable::LowestCallRow(std::string_view statement) const {
  IndexRows();
  std::size_t row = call_index_->LowestRowIn(statement);
  if (row == kNoRow && appended_) row = appended_->LowestCallRow(names_, statement);
  return row;
}

std::string ReturnTypeTable::FindReturnTypeByName(std::string_view text) const {
  std::size_t row = LowestRowByName(text);
  return row == kNoRow ? "undefined" : types_[row];
}

std::optional<std::string> ReturnTypeTable::FindCallType(std::string_view statement) const {
  std::size_t row = LowestCallRow(statement);
  if (row == kNoRow) return std::nullopt;
  return types_[row];
}

}  // namespace zarn
