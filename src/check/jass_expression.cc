#include "check/jass_expression.h"

namespace zarn::jass {

namespace {

// Parentheses, brackets and calls nested deeper than this are refused, so
// that arbitrary input cannot exhaust the stack.
constexpr int kMaxDepth = 400;

// Which operator binds tighter does not change whether a line is accepted,
// since types are not judged, so operands and operators are read as a flat
// chain rather than as a tree by precedence.
bool IsBinary(Tok kind) {
  switch (kind) {
    case Tok::kPlus:
    case Tok::kMinus:
    case Tok::kStar:
    case Tok::kSlash:
    case Tok::kPercent:
    case Tok::kEq:
    case Tok::kNe:
    case Tok::kLt:
    case Tok::kGt:
    case Tok::kLe:
    case Tok::kGe:
    case Tok::kAnd:
    case Tok::kOr: return true;
    default: return false;
  }
}

bool Expression(Cursor& cursor, int depth);

bool Arguments(Cursor& cursor, int depth) {
  if (cursor.Accept(Tok::kRParen)) return true;
  do {
    if (!Expression(cursor, depth)) return false;
  } while (cursor.Accept(Tok::kComma));
  return cursor.Expect(Tok::kRParen);
}

bool Operand(Cursor& cursor, int depth) {
  while (cursor.Is(Tok::kNot) || cursor.Is(Tok::kMinus) || cursor.Is(Tok::kPlus)) cursor.Advance();
  switch (cursor.kind()) {
    case Tok::kNumber:
    case Tok::kString:
    case Tok::kRawcode:
    case Tok::kTrue:
    case Tok::kFalse:
    case Tok::kNull: cursor.Advance(); return true;
    case Tok::kName:
      cursor.Advance();
      if (cursor.Accept(Tok::kLParen)) return Arguments(cursor, depth + 1);
      if (cursor.Accept(Tok::kLBracket)) return Expression(cursor, depth + 1) && cursor.Expect(Tok::kRBracket);
      return true;
    case Tok::kLParen: cursor.Advance(); return Expression(cursor, depth + 1) && cursor.Expect(Tok::kRParen);
    case Tok::kFunction: cursor.Advance(); return ExpectName(cursor);
    default: return cursor.Fail("an expression");
  }
}

bool Expression(Cursor& cursor, int depth) {
  if (depth > kMaxDepth) {
    cursor.ReportHere("Expression nested too deeply");
    return false;
  }
  for (;;) {
    if (!Operand(cursor, depth)) return false;
    if (!IsBinary(cursor.kind())) return true;
    cursor.Advance();
  }
}

}  // namespace

bool ParseExpression(Cursor& cursor) { return Expression(cursor, 0); }

bool ParseArguments(Cursor& cursor) { return Arguments(cursor, 0); }

bool ExpectName(Cursor& cursor) {
  if (!cursor.Is(Tok::kName)) return cursor.Fail("a name");
  cursor.Advance();
  return true;
}

}  // namespace zarn::jass
