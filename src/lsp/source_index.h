// The names of a script as its author wrote it: every declaration, the
// ZARN statements' own (var, new, global, mount) included, and every name
// that stands for one, with byte spans into the text. Hover, definitions,
// references and rename work on these spans, never on the processed script.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "check/jass_index.h"
#include "lsp/positions.h"

namespace zarn::lsp {

enum class SourceKind { kType, kNative, kFunction, kGlobal, kLocal, kParameter, kAlias };

struct SourceSymbol {
  SourceKind kind = SourceKind::kGlobal;
  std::string name;
  int function = -1;  // locals, parameters and aliases: their function's symbol
  Span at;            // the declaring name
  Span whole;         // a function: from its header to the end of "endfunction"
  // The type as written; empty where the script leaves it to inference
  // (var). A callable's return type, a type's parent.
  std::string type;
  std::vector<JassParameter> params;  // callables
  bool constant = false, array = false;
  std::string value;  // an alias: the text it stands for
};

struct Occurrence {
  Span at;
  int function = -1;  // the function it stands in
  int symbol = -1;    // the declaration it means here; -1: none in this text
  bool declaration = false;
};

class SourceIndex {
 public:
  // Reads the text once; it is not kept.
  explicit SourceIndex(std::string_view text);
  SourceIndex() = default;

  // Deques: a large script's hundreds of thousands grow without a copy
  // of them all beside the old.
  const std::deque<SourceSymbol>& symbols() const { return symbols_; }
  // In text order.
  const std::deque<Occurrence>& occurrences() const { return occurrences_; }
  // The name at a byte offset, its end included; null when there is none.
  const Occurrence* At(std::size_t offset) const;
  // The innermost function whose span holds the offset; -1 outside.
  int FunctionAt(std::size_t offset) const;
  // What `name` means inside `function` (-1: outside every function).
  int Resolve(int function, std::string_view name) const;
  // A top-level declaration of this name, or -1.
  int FindTopLevel(std::string_view name) const;
  // The symbols outside every function, in text order.
  const std::vector<int>& top_level() const { return top_level_ids_; }
  // The locals, parameters and aliases of a function.
  std::vector<int> LocalsOf(int function) const;
  // The name an occurrence spells.
  std::string_view Name(const Occurrence& occurrence, std::string_view text) const {
    return text.substr(occurrence.at.begin, occurrence.at.end - occurrence.at.begin);
  }

 private:
  friend class SourceIndexBuilder;
  std::deque<SourceSymbol> symbols_;
  std::deque<Occurrence> occurrences_;
  std::vector<int> functions_;  // symbols of the functions, in text order
  NameTable<int> top_level_;
  std::vector<int> top_level_ids_;
  struct FunctionLocals {
    std::vector<int> in_order;
    NameTable<int> by_name;
  };
  std::vector<FunctionLocals> function_locals_;  // by function symbol
};

// The words that begin ZARN's own statements.
bool IsZarnStatementWord(std::string_view word);
// A JASS 2 keyword or a ZARN statement word: neither may name anything.
bool IsReservedWord(std::string_view word);

}  // namespace zarn::lsp
