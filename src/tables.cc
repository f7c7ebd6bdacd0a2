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
// an Aho-Corasick automaton with every transition filled in, over an alphabet
// reduced to the bytes that appear in some key; each state records the lowest
// row among the keys that end there, its own or those of its suffixes. The
// answer is therefore exactly that of trying the keys one by one in row order.
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
    AddState();
    for (std::size_t row = 0; row < keys.size(); ++row) Insert(keys[row], row);
    LinkSuffixes();
  }

  std::size_t LowestRowIn(std::string_view text) const {
    std::size_t lowest = kNoRow;
    std::uint32_t state = 0;
    for (unsigned char byte : text) {
      state = next_[state * classes_ + byte_class_[byte]];
      if (lowest_row_[state] < lowest) {
        lowest = lowest_row_[state];
        if (lowest == 0) break;  // nothing can beat the first row
      }
    }
    return lowest;
  }

 private:
  static constexpr std::uint32_t kMissing = std::numeric_limits<std::uint32_t>::max();

  std::uint32_t AddState() {
    next_.resize(next_.size() + classes_, kMissing);
    lowest_row_.push_back(kNoRow);
    return static_cast<std::uint32_t>(lowest_row_.size() - 1);
  }

  void Insert(std::string_view key, std::size_t row) {
    if (key.empty()) return;
    std::uint32_t state = 0;
    for (unsigned char byte : key) {
      std::size_t slot = state * classes_ + byte_class_[byte];
      if (next_[slot] == kMissing) {
        std::uint32_t added = AddState();
        next_[slot] = added;
      }
      state = next_[slot];
    }
    lowest_row_[state] = std::min(lowest_row_[state], row);
  }

  // Breadth-first, so a state's suffix link is final before its children need it.
  void LinkSuffixes() {
    std::vector<std::uint32_t> suffix(lowest_row_.size(), 0);
    std::vector<std::uint32_t> queue;
    queue.reserve(lowest_row_.size());
    for (std::size_t c = 0; c < classes_; ++c) {
      std::uint32_t& target = next_[c];
      if (target == kMissing) {
        target = 0;
      } else {
        queue.push_back(target);
      }
    }
    for (std::size_t head = 0; head < queue.size(); ++head) {
      std::uint32_t state = queue[head];
      lowest_row_[state] = std::min(lowest_row_[state], lowest_row_[suffix[state]]);
      for (std::size_t c = 0; c < classes_; ++c) {
        std::uint32_t& target = next_[state * classes_ + c];
        std::uint32_t via_suffix = next_[suffix[state] * classes_ + c];
        if (target == kMissing) {
          target = via_suffix;
        } else {
          suffix[target] = via_suffix;
          queue.push_back(target);
        }
      }
    }
  }

  std::array<std::uint16_t, 256> byte_class_{};
  std::size_t classes_ = 0;
  std::vector<std::uint32_t> next_;        // states x classes
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
