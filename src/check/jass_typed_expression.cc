#include "check/jass_typed_expression.h"

#include <string>

#include "check/jass_calls.h"
#include "check/jass_literals.h"
#include "check/jass_operators.h"

namespace zarn::jass {

namespace {

// As in jass_expression.cc: nesting deeper than this is refused, so that
// arbitrary input cannot exhaust the stack.
constexpr int kMaxDepth = 400;

constexpr int kLogicLevel = 1, kEqualityLevel = 2;

// How tightly a binary operator binds; 0 for any other token. "and" and
// "or" bind alike; "<" and the like bind tighter than "==" and "!=", so
// "5 > 4 == 5 < 7" compares two booleans.
int LevelOf(Tok kind) {
  switch (kind) {
    case Tok::kAnd:
    case Tok::kOr: return kLogicLevel;
    case Tok::kEq:
    case Tok::kNe: return kEqualityLevel;
    case Tok::kLt:
    case Tok::kGt:
    case Tok::kLe:
    case Tok::kGe: return 3;
    case Tok::kPlus:
    case Tok::kMinus: return 4;
    case Tok::kStar:
    case Tok::kSlash:
    case Tok::kPercent: return 5;
    default: return 0;
  }
}

}  // namespace

bool TypedExpressions::TooDeep(int depth) {
  if (depth <= kMaxDepth) return false;
  c_.ReportHere("Expression nested too deeply");
  return true;
}

bool TypedExpressions::Expression(Typed& out, int depth) {
  return !TooDeep(depth) && Operand(out, depth) && Climb(out, depth, kLogicLevel);
}

// Binds the operators of `min_level` and tighter to `left`, left to right.
// Most expressions are a single operand, so one look at the next token
// settles them.
bool TypedExpressions::Climb(Typed& left, int depth, int min_level) {
  for (int level; (level = LevelOf(c_.kind())) >= min_level;) {
    const Token op = c_.token();
    c_.Advance();
    Typed right;
    if (!Operand(right, depth)) return false;
    while (LevelOf(c_.kind()) > level)
      if (!Climb(right, depth, level + 1)) return false;
    left.type = BinaryType(sem_, op, left, right);
  }
  return true;
}

// An operand with its prefix operators. "-" and "+" take the operand after
// them; "not" takes the whole comparison: "not a == b" is "not (a == b)".
bool TypedExpressions::Operand(Typed& out, int depth) {
  if (!c_.Is(Tok::kMinus) && !c_.Is(Tok::kPlus) && !c_.Is(Tok::kNot)) return Primary(out, depth);
  const Token op = c_.token();
  c_.Advance();
  if (TooDeep(depth + 1) || !Operand(out, depth + 1)) return false;
  if (op.kind == Tok::kNot && !Climb(out, depth, kEqualityLevel)) return false;
  out.type = UnaryType(sem_, op, out);
  out.at = PlaceOf(op);
  return true;
}

bool TypedExpressions::Primary(Typed& out, int depth) {
  out = Typed{};
  out.at = PlaceOf(c_.token());
  switch (c_.kind()) {
    case Tok::kNumber:
    case Tok::kString:
    case Tok::kRawcode:
    case Tok::kTrue:
    case Tok::kFalse:
    case Tok::kNull: return Literal(out);
    case Tok::kName: return NameOperand(out, depth);
    case Tok::kLParen:
      c_.Advance();
      if (!Expression(out, depth + 1)) return false;
      return c_.Expect(Tok::kRParen);
    case Tok::kFunction:
      c_.Advance();
      if (!c_.Is(Tok::kName)) return c_.Fail("a name");
      out.type = CheckFunctionReference(sem_, c_.token());
      c_.Advance();
      return true;
    default: return c_.Fail("an expression");
  }
}

bool TypedExpressions::Literal(Typed& out) {
  switch (c_.kind()) {
    case Tok::kNumber: {
      const std::string_view text = c_.text();
      const bool real =
          text.find('.') != std::string_view::npos && text[0] != '$' && !(text.size() > 1 && (text[1] | 0x20) == 'x');
      out.type = real ? kReal : kInteger;
      break;
    }
    case Tok::kString:
      out.type = kString;
      CheckLiteral(sem_, c_.token());
      break;
    case Tok::kRawcode:
      out.type = kInteger;
      CheckLiteral(sem_, c_.token());
      break;
    case Tok::kNull: out.type = kNullType; break;
    default: out.type = kBoolean; break;
  }
  c_.Advance();
  return true;
}

bool TypedExpressions::NameOperand(Typed& out, int depth) {
  const Token name = c_.token();
  c_.Advance();
  if (c_.Accept(Tok::kLParen)) return Call(name, out, depth + 1);
  if (c_.Accept(Tok::kLBracket)) return Index(name, out, depth + 1);
  Variable(name, out);
  return true;
}

// Reads the arguments after "(" and the ")" onto args_.
bool TypedExpressions::Arguments(std::size_t first, int depth) {
  if (c_.Accept(Tok::kRParen)) return true;
  do {
    Typed arg;
    if (!Expression(arg, depth)) return args_.resize(first), false;
    args_.push_back(arg);
  } while (c_.Accept(Tok::kComma));
  if (!c_.Expect(Tok::kRParen)) return args_.resize(first), false;
  return true;
}

bool TypedExpressions::Call(const Token& name, Typed& out, int depth) {
  const Callable* callable = CalledFunction(sem_, name);
  const std::size_t first = args_.size();
  if (!Arguments(first, depth)) return false;
  out.type = CheckCall(sem_, name, callable, args_.data() + first, args_.size() - first);
  args_.resize(first);
  if (out.type == kNothing) {
    sem_.Report(name, Named(sem_.Text(name)) + " returns nothing; its call gives no value");
    out.type = kUnknown;
  }
  return true;
}

bool TypedExpressions::Index(const Token& name, Typed& out, int depth) {
  Typed index;
  if (!Expression(index, depth) || !c_.Expect(Tok::kRBracket)) return false;
  const std::string_view text = sem_.Text(name);
  const jass::Variable* variable = sem_.FindVariable(text);
  sem_.NoteUse(name);
  if (!variable) {
    sem_.ReportUndefined(name, NameKind::kVariable);
    return true;
  }
  if (!variable->array) {
    sem_.Report(name, Named(text) + " is not an array");
    return true;
  }
  sem_.ExpectFits(index, kInteger, true, "index of", text);
  out.type = variable->type;
  return true;
}

void TypedExpressions::Variable(const Token& name, Typed& out) {
  const std::string_view text = sem_.Text(name);
  std::size_t local = 0;
  const jass::Variable* variable = sem_.FindVariable(text, &local);
  sem_.NoteUse(name);
  if (!variable) {
    if (sem_.FindCallable(text))
      sem_.Report(name, "function " + Named(text) + " used without \"(\"");
    else
      sem_.ReportUndefined(name, NameKind::kVariable);
    return;
  }
  if (variable->array) {
    sem_.Report(name, "array " + Named(text) + " used without index");
    return;
  }
  sem_.CheckRead(name, *variable, local);
  out.type = variable->type;
}

bool TypedExpressions::CallStatement() {
  if (!c_.Is(Tok::kName)) return c_.Fail("a name");
  const Token name = c_.token();
  c_.Advance();
  if (!c_.Expect(Tok::kLParen)) return false;
  const Callable* callable = CalledFunction(sem_, name);
  const std::size_t first = args_.size();
  if (!Arguments(first, 1)) return false;
  CheckCall(sem_, name, callable, args_.data() + first, args_.size() - first);
  args_.resize(first);
  return true;
}

}  // namespace zarn::jass
