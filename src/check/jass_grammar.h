// The JASS 2 grammar of declarations and statements, one line at a time.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

#include "check/jass_checker.h"
#include "check/jass_semantics.h"

namespace zarn::jass {

// Checks the script, adding its problems. False when a line turned out to be
// vJass: the check stopped there and its problems are incomplete.
bool CheckGrammar(std::string_view script, std::vector<JassProblem>& problems);

// The same with names and types judged by `sem`, whose tables the script's
// declarations join.
bool CheckProgramSource(std::string_view script, std::vector<JassProblem>& problems, Semantics& sem);

// How a function body ends: at its "endfunction" line, at a line that
// begins a declaration (the line is not the body's), or at the end of the
// script.
enum class BodyEnd : std::uint8_t { kEndfunction, kCut, kScriptEnd };

// A function body left to be read apart, once the whole script's
// declarations are known, with what its reader needs of the header.
struct DeferredBody {
  LexerPlace start;                                // right after the header's line
  std::size_t end = 0;                             // where the lexer stands after the body's last line
  std::size_t problems_before = 0;                 // the outline's problems found before the body
  std::size_t opener_line = 0, opener_column = 0;  // of the header's first token
  std::string_view name;                           // the function's
  std::size_t first_param = 0, param_count = 0;    // its parameters' names in Outline::param_names
  Visible visible;                                 // the declarations made before the body
  Callable callable;
  CheckFlags flags;
  BodyEnd how = BodyEnd::kEndfunction;
  bool constant = false;
  bool has_callable = false;  // false: the header has a fault
  bool found_ahead = false;   // its end came from the thread ahead of the outline
};

// The bodies of a source, in a deque: they run to tens of thousands, and a
// vector would hold twice their bytes while it grows.
struct Outline {
  std::deque<DeferredBody> bodies;
  std::vector<std::string_view> param_names;
};

// CheckProgramSource without the function bodies: each goes to `outline`,
// found as the grammar would find its end. The problems of the whole source
// are the outline's with each body's inserted at its `problems_before`.
// With `ahead`, a thread of its own finds the bodies' ends while the
// outline reads the declarations.
bool OutlineProgramSource(std::string_view script, std::vector<JassProblem>& problems, Semantics& sem, Outline& outline,
                          bool ahead = false);
// True for the words that begin a vJass block line or end one.
bool IsVJassLineWord(std::string_view word);

class Grammar;

// Reads bodies of an outline with `sem`, which may read others of the same
// tables at the same time, adding their problems to `problems`.
class BodyReader {
 public:
  BodyReader(std::string_view script, std::vector<JassProblem>& problems, Semantics& sem);
  ~BodyReader();
  BodyReader(const BodyReader&) = delete;
  BodyReader& operator=(const BodyReader&) = delete;

  // False when the body ends elsewhere than the outline found: its problems
  // are then incomplete.
  bool Read(const DeferredBody& body, const Outline& outline);

 private:
  std::unique_ptr<Grammar> grammar_;
};

}  // namespace zarn::jass
