// JASS 2 expressions read by precedence, each with its type: the grammar of
// jass_expression.h, with the names, calls and operators judged on the way.
#pragma once

#include <vector>

#include "check/jass_cursor.h"
#include "check/jass_semantics.h"

namespace zarn::jass {

class TypedExpressions {
 public:
  TypedExpressions(Cursor& cursor, Semantics& sem) : c_(cursor), sem_(sem) {}

  // Reads one expression into `out`; false after reporting a problem.
  bool Parse(Typed& out) { return Expression(out, 0); }
  // Reads "NAME(ARGUMENTS)" after "call"; a value it gives may be dropped.
  bool CallStatement();

 private:
  bool Expression(Typed& out, int depth);
  bool Climb(Typed& left, int depth, int min_level);
  bool Operand(Typed& out, int depth);
  bool Primary(Typed& out, int depth);
  bool Literal(Typed& out);
  bool NameOperand(Typed& out, int depth);
  bool Arguments(std::size_t first, int depth);
  bool Call(const Token& name, Typed& out, int depth);
  bool Index(const Token& name, Typed& out, int depth);
  void Variable(const Token& name, Typed& out);
  bool TooDeep(int depth);

  Cursor& c_;
  Semantics& sem_;
  std::vector<Typed> args_;  // the arguments of the calls being read, innermost last
};

}  // namespace zarn::jass
