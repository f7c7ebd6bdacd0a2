// A check of a script as the game loads it. The grammar check judges
// literals, tokens, declarations, statements, expressions, block structure
// and names declared twice. The full check judges names, types, calls,
// statements and literal limits too, against the game's API (jass_api.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "check/jass_index.h"

namespace zarn {

struct JassProblem {
  std::size_t line = 1;    // from 1
  std::size_t column = 1;  // byte column, from 1
  std::string message;
  std::size_t source = 0;  // which of a program's sources
};

// One file of a program.
struct JassSource {
  std::string name;
  std::string_view text;
};

class JassApi;
namespace jass {
class FunctionAnnotations;
}

struct JassCheckResult {
  // In script order.
  std::vector<JassProblem> problems;
  // The script holds vJass: only literals and block balance were checked.
  bool vjass = false;
};

// Linear in the script's size. CR LF, LF and a lone CR each end a line, but
// a "//" comment runs to the next LF; a NUL byte is a fault wherever it
// stands, as is 0xFF in a comment or literal.
JassCheckResult CheckJass(std::string_view script);

// The full check of the sources read in order as one program, after the
// API's common.j and Blizzard.j when `api` is given. Problems are sorted by
// source, then line. A source that holds vJass gets the literal and balance
// check only; its declarations still count. `annotations` gives functions
// the flags of "//#" lines that are not in the text (see jass_annotations.h).
JassCheckResult CheckJassProgram(const std::vector<JassSource>& sources, const JassApi* api,
                                 const jass::FunctionAnnotations* annotations = nullptr,
                                 const JassCheckExtras& extras = {});

namespace jass {

struct SymbolTable;

// The full check of the sources read in order, their declarations added to
// `table`, which may hold the API's already. Problems are sorted by source,
// then line; `annotations` as for CheckJassProgram.
JassCheckResult CheckSources(const std::vector<JassSource>& sources, SymbolTable& table,
                             const FunctionAnnotations* annotations = nullptr, const JassCheckExtras& extras = {});

}  // namespace jass

}  // namespace zarn
