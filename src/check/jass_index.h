// What a full check learns of a program besides its problems: every
// declaration with its place and type, and every use of a declared name. An
// editor reads it for hover, definitions and completion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zarn {

// Hashes names so that maps keyed by strings are searched by views, without
// a copy of the name for each look-up.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};
template <typename Value>
using NameTable = std::unordered_map<std::string, Value, NameHash, std::equal_to<>>;

enum class JassSymbolKind : std::uint8_t { kType, kNative, kFunction, kGlobal, kLocal, kParameter };

struct JassParameter {
  std::string type, name;
};

struct JassDeclaration {
  JassSymbolKind kind = JassSymbolKind::kGlobal;
  std::string name;
  // A variable's type, a callable's return type ("nothing" for none), a
  // type's parent; "unknown" where the script does not say.
  std::string type;
  std::string function;               // of a local or parameter
  std::vector<JassParameter> params;  // of a callable
  bool constant = false, array = false;
  std::size_t source = 0;            // which of the checked sources
  std::size_t line = 1, column = 1;  // of the name, from 1
};

struct JassUse {
  std::size_t source = 0;
  std::size_t line = 1, column = 1, length = 0;
  std::size_t declaration = 0;  // into JassIndex::declarations
};

class JassIndex {
 public:
  std::vector<JassDeclaration> declarations;  // in the order read
  std::vector<JassUse> uses;

  // The declaration `name` means inside `function` (empty: outside every
  // function): a local or parameter of it, else a global, callable or type.
  // Null when there is none.
  const JassDeclaration* Find(std::string_view function, std::string_view name) const;
  // The callable or type of that name; null when there is none.
  const JassDeclaration* FindTopLevel(std::string_view name, bool type) const;

  void Add(JassDeclaration declaration);

 private:
  // The first declaration of each name: an open addressing table whose
  // slots hold 1 + its index into `declarations` (0: free) and the low bits
  // of the name's hash, so that a search compares names only where the bits
  // agree and growing reads no names. No allocation per declaration beyond
  // its strings.
  struct Slot {
    std::uint32_t first = 0;
    std::uint32_t hash = 0;
  };
  std::size_t SlotOf(std::string_view name, std::uint32_t hash) const;
  void Grow();
  std::vector<Slot> slots_;
  std::vector<std::uint32_t> next_;  // by declaration: 1 + the next of the same name, 0 for none
  std::vector<std::uint32_t> last_;  // by first declaration of a name: its last one
};

// A name that a statement the preprocessor could not translate would have
// declared: it counts as declared, of an unknown type, so that its uses add
// no problems of their own. An empty function makes it a global.
struct JassAssumedName {
  std::string function, name;
};

// What a full check hands out beside its problems, and what it takes as
// declared although the text does not declare it.
struct JassCheckExtras {
  JassIndex* index = nullptr;
  const std::vector<JassAssumedName>* assumed = nullptr;
  bool uses = true;  // with `index`: the uses too, not only the declarations
  // The threads that read function bodies: 0 chooses by the machine and the
  // script's size. The problems are the same for any number; a check that
  // fills an index or assumes names reads on one thread.
  std::size_t threads = 0;
};

// "function Name takes integer a returns nothing", "unit u", "type unit
// extends widget": a declaration as the script writes it.
std::string JassSignature(const JassDeclaration& declaration);

}  // namespace zarn
