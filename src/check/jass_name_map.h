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
    const std::uint32_t hash = Hash(name);
    const std::uint64_t head = Head(name);
    for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
      const Slot& slot = slots_[i];
      if (!slot.name) return nullptr;
      if (Matches(slot, hash, head, name)) return &slot.value;
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
    const std::uint32_t hash = Hash(name);
    const std::uint64_t head = Head(name);
    std::size_t i = hash & mask_;
    for (; slots_[i].name; i = (i + 1) & mask_) {
      const Slot& slot = slots_[i];
      if (Matches(slot, hash, head, name)) {
        inserted = false;
        return &slot.value;
      }
    }
    // An empty name still needs a pointer that marks the slot as taken.
    slots_[i] = {name.data() ? name.data() : "", static_cast<std::uint32_t>(name.size()), hash, head, value};
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
    std::uint64_t head = 0;  // the name's first 8 bytes
    Value value{};
  };

  // The name's first bytes, kept in the slot: most names are that short, so
  // a lookup seldom reads the declaring text, which lies anywhere in memory.
  static std::uint64_t Head(std::string_view name) {
    if (name.size() < 8) return Tail(name.data(), name.size());
    std::uint64_t head;
    std::memcpy(&head, name.data(), 8);
    return head;
  }

  // Fewer than 8 bytes as a word, byte by byte: a copy of a variable length
  // would be a library call.
  static std::uint64_t Tail(const char* bytes, std::size_t count) {
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < count; ++i) word |= std::uint64_t{static_cast<unsigned char>(bytes[i])} << (8 * i);
    return word;
  }

  static bool Matches(const Slot& slot, std::uint32_t hash, std::uint64_t head, std::string_view name) {
    return slot.hash == hash && slot.size == name.size() && slot.head == head &&
           (name.size() <= 8 || std::memcmp(slot.name + 8, name.data() + 8, name.size() - 8) == 0);
  }

  // Eight bytes at a time, each word mixed in by a multiply.
  static std::uint32_t Hash(std::string_view name) {
    constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
    std::uint64_t hash = name.size() * kMul;
    std::size_t at = 0;
    for (; at + 8 <= name.size(); at += 8) {
      std::uint64_t word;
      std::memcpy(&word, name.data() + at, 8);
      hash = (hash ^ word) * kMul;
      hash ^= hash >> 29;
    }
    if (at < name.size()) {
      const std::uint64_t word = Tail(name.data() + at, name.size() - at);
      hash = (hash ^ word) * kMul;
      hash ^= hash >> 29;
    }
    return static_cast<std::uint32_t>(hash >> 32) ^ static_cast<std::uint32_t>(hash);
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
