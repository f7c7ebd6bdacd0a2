#include "tables.h"

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

std::string FindDestructorType(std::string_view text) {
  for (const ReleaseRow& row : kReleaseRows) {
    if (text.find(row.type) != std::string_view::npos) return row.type;
  }
  return "";
}

std::optional<std::string> DestructorCallFor(std::string_view type) {
  for (const ReleaseRow& row : kReleaseRows) {
    if (type == row.type) return row.call;
  }
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
class ReturnTypeTable::KeyIndex {
 public:
  static constexpr std::size_t kNoRow = std::numeric_limits<std::size_t>::max();

  // `keys[row]` is the key of that row; empty keys never occur.
  explicit KeyIndex(const std::vector<std::string>& keys) {
    byte_class_.fill(0);
    for (const std::string& key : keys) {
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
  std::vector<std::uint32_t> root_next_;  // per class; 0 when no key starts so
  std::vector<std::uint32_t> first_child_, next_sibling_, suffix_;  // per state
  std::vector<std::uint16_t> label_;                                // per state: class of its last byte
  std::vector<std::size_t> lowest_row_;  // per state; kNoRow when no key ends there
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
  // indexes until it appends its own rows.
  static const ReturnTypeTable built_in = [] {
    ReturnTypeTable table = ParseBuiltInRows();
    table.NameIndex();
    table.CallIndex();
    return table;
  }();
  return built_in;
}

void ReturnTypeTable::Append(std::string name, std::string type) {
  names_.push_back(std::move(name));
  types_.push_back(std::move(type));
  name_index_.reset();
  call_index_.reset();
}

const ReturnTypeTable::KeyIndex& ReturnTypeTable::NameIndex() const {
  if (!name_index_) name_index_ = std::make_shared<const KeyIndex>(names_);
  return *name_index_;
}

const ReturnTypeTable::KeyIndex& ReturnTypeTable::CallIndex() const {
  if (!call_index_) {
    std::vector<std::string> keys;
    keys.reserve(names_.size());
    for (const std::string& name : names_) keys.push_back("= " + name + "(");
    call_index_ = std::make_shared<const KeyIndex>(keys);
  }
  return *call_index_;
}

std::string ReturnTypeTable::FindReturnTypeByName(std::string_view text) const {
  std::size_t row = NameIndex().LowestRowIn(text);
  return row == KeyIndex::kNoRow ? "undefined" : types_[row];
}

std::optional<std::string> ReturnTypeTable::FindCallType(std::string_view statement) const {
  std::size_t row = CallIndex().LowestRowIn(statement);
  if (row == KeyIndex::kNoRow) return std::nullopt;
  return types_[row];
}

}  // namespace zarn
