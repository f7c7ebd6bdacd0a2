// A hash table from names to small values, flat in one array: a lookup is a
// short hash of the name and one or two probes, and a copy of the whole
// table (each check starts from the API's) is one array copy.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace zarn::jass {

template <typename Value>
class NameMap {
 public:
  const Value* Find(std::string_view name) const {
    if (slots_.empty()) return nullptr;
    const Key key = KeyOf(name);
    for (std::size_t i = key.hash & mask_;; i = (i + 1) & mask_) {
      const Slot& slot = slots_[i];
      if (!slot.name) return nullptr;
      if (Matches(slot, key, name)) return &slot.value;
    }
  }

  // False, and nothing changed, when the name is there already.
  bool Insert(std::string_view name, const Value& value) {
    bool inserted = false;
    InsertOrFind(name, value, inserted);
    return inserted;
  }

  // The value of the name: `value` when it was new. Valid until the next insert.
  const Value* InsertOrFind(std::string_view name, const Value& value, bool& inserted) {
    // At most half full, so that a probe for a missing name ends soon.
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    const Key key = KeyOf(name);
    std::size_t i = key.hash & mask_;
    for (; slots_[i].name; i = (i + 1) & mask_) {
      const Slot& slot = slots_[i];
      if (Matches(slot, key, name)) {
        inserted = false;
        return &slot.value;
      }
    }
    // An empty name still needs a pointer that marks the slot as taken.
    slots_[i] = {name.data() ? name.data() : "", static_cast<std::uint32_t>(name.size()), key.hash, key.head, value};
    ++count_;
    inserted = true;
    return &slots_[i].value;
  }

  std::size_t size() const { return count_; }
  void Clear() {
    slots_.clear();
    count_ = 0;
    mask_ = 0;
  }

 private:
  struct Slot {
    const char* name = nullptr;  // null: empty
    std::uint32_t size = 0;
    std::uint32_t hash = 0;
    std::uint64_t head = 0;  // Key::head
    Value value{};
  };

  struct Key {
    std::uint32_t hash;
    std::uint64_t head;  // the name's first bytes, kept in the slot
  };

  static std::uint64_t Load64(const char* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, 8);
    return word;
  }
  static std::uint64_t Load32(const char* bytes) {
    std::uint32_t word;
    std::memcpy(&word, bytes, 4);
    return word;
  }

  // A word that, with the length, tells apart every name of fewer than 8
  // bytes, read in at most two loads that may overlap.
  static std::uint64_t ShortWord(const char* bytes, std::size_t size) {
    if (size >= 4) return Load32(bytes) | (Load32(bytes + size - 4) << 32);
    if (size == 0) return 0;
    return std::uint64_t{static_cast<unsigned char>(bytes[0])} |
           std::uint64_t{static_cast<unsigned char>(bytes[size / 2])} << 8 |
           std::uint64_t{static_cast<unsigned char>(bytes[size - 1])} << 16;
  }

  static std::uint64_t Mix(std::uint64_t hash, std::uint64_t word) {
    hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
    return hash ^ (hash >> 29);
  }

  // The hash, eight bytes at a time, and the head: most names are short, so
  // a lookup seldom reads the declaring text, which lies anywhere in memory.
  static Key KeyOf(std::string_view name) {
    const char* bytes = name.data();
    const std::size_t size = name.size();
    std::uint64_t hash = size * 0x9E3779B97F4A7C15ull;
    std::uint64_t head;
    if (size < 8) {
      head = ShortWord(bytes, size);
      hash = Mix(hash, head);
    } else {
      head = Load64(bytes);
      std::size_t at = 0;
      for (; at + 8 <= size; at += 8) hash = Mix(hash, Load64(bytes + at));
      if (at < size) hash = Mix(hash, Load64(bytes + size - 8));
    }
    return {static_cast<std::uint32_t>(hash >> 32) ^ static_cast<std::uint32_t>(hash), head};
  }

  static bool Matches(const Slot& slot, const Key& key, std::string_view name) {
    return slot.hash == key.hash && slot.head == key.head && slot.size == name.size() &&
           (name.size() <= 8 || std::memcmp(slot.name + 8, name.data() + 8, name.size() - 8) == 0);
  }

  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
    mask_ = slots_.size() - 1;
    for (const Slot& slot : old) {
      if (!slot.name) continue;
      std::size_t i = slot.hash & mask_;
      while (slots_[i].name) i = (i + 1) & mask_;
      slots_[i] = slot;
    }
  }

  std::vector<Slot> slots_;
  std::size_t count_ = 0;
  std::size_t mask_ = 0;
};

}  // namespace zarn::jass
