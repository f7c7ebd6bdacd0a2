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

bool IsComparison(Tok kind) {
  return kind == Tok::kEq || kind == Tok::kNe || kind == Tok::kLt || kind == Tok::kGt || kind == Tok::kLe ||
         kind == Tok::kGe;
}

}  // namespace

bool TypedExpressions::TooDeep(int depth) {
  if (depth <= kMaxDepth) return false;
  c_.ReportHere("Expression nested too deeply");
  return true;
}

// "and" and "or" bind alike, left to right.
bool TypedExpressions::Logic(Typed& out, int depth) {
  if (TooDeep(depth) || !Negation(out, depth)) return false;
  while (c_.Is(Tok::kAnd) || c_.Is(Tok::kOr)) {
    const Token op = c_.token();
    c_.Advance();
    Typed right;
    if (!Negation(right, depth)) return false;
    out.type = BinaryType(sem_, op, out, right);
  }
  return true;
}

// "not" takes the whole comparison after it: "not a == b" is "not (a == b)".
bool TypedExpressions::Negation(Typed& out, int depth) {
  if (!c_.Is(Tok::kNot)) return Comparison(out, depth);
  const Token op = c_.token();
  c_.Advance();
  if (TooDeep(depth + 1) || !Negation(out, depth + 1)) return false;
  out.type = UnaryType(sem_, op, out);
  out.at = op;
  return true;
}

bool TypedExpressions::Comparison(Typed& out, int depth) {
  if (!Sum(out, depth)) return false;
  while (IsComparison(c_.kind())) {
    const Token op = c_.token();
    c_.Advance();
    Typed right;
    if (!Sum(right, depth)) return false;
    out.type = BinaryType(sem_, op, out, right);
  }
  return true;
}

bool TypedExpressions::Sum(Typed& out, int depth) {
  if (!Product(out, depth)) return false;
  while (c_.Is(Tok::kPlus) || c_.Is(Tok::kMinus)) {
    const Token op = c_.token();
    c_.Advance();
    Typed right;
    if (!Product(right, depth)) return false;
    out.type = BinaryType(sem_, op, out, right);
  }
  return true;
}

bool TypedExpressions::Product(Typed& out, int depth) {
  if (!Unary(out, depth)) return false;
  while (c_.Is(Tok::kStar) || c_.Is(Tok::kSlash) || c_.Is(Tok::kPercent)) {
    const Token op = c_.token();
    c_.Advance();
    Typed right;
    if (!Unary(right, depth)) return false;
    out.type = BinaryType(sem_, op, out, right);
  }
  return true;
}

bool TypedExpressions::Unary(Typed& out, int depth) {
  if (!c_.Is(Tok::kMinus) && !c_.Is(Tok::kPlus) && !c_.Is(Tok::kNot)) return Primary(out, depth);
  const Token op = c_.token();
  c_.Advance();
  if (TooDeep(depth + 1) || !Unary(out, depth + 1)) return false;
  out.type = UnaryType(sem_, op, out);
  out.at = op;
  return true;
}

bool TypedExpressions::Primary(Typed& out, int depth) {
  out = Typed{};
  out.at = c_.token();
  switch (c_.kind()) {
    case Tok::kNumber: case Tok::kString: case Tok::kRawcode:
    case Tok::kTrue: case Tok::kFalse: case Tok::kNull:
      return Literal(out);
    case Tok::kName:
      return NameOperand(out, depth);
    case Tok::kLParen:
      c_.Advance();
      if (!Logic(out, depth + 1)) return false;
      return c_.Expect(Tok::kRParen);
    case Tok::kFunction:
      c_.Advance();
      if (!c_.Is(Tok::kName)) return c_.Fail("a name");
      out.type = CheckFunctionReference(sem_, c_.token());
      c_.Advance();
      return true;
    default:
      return c_.Fail("an expression");
  }
}

bool TypedExpressions::Literal(Typed& out) {
  switch (c_.kind()) {
    case Tok::kNumber: {
      const std::string_view text = c_.text();
      const bool real = text.find('.') != std::string_view::npos && text[0] != '$' &&
                        !(text.size() > 1 && (text[1] | 0x20) == 'x');
      out.type = real ? kReal : kInteger;
      break;
    }
    case Tok::kString: out.type = kString; CheckLiteral(sem_, c_.token()); break;
    case Tok::kRawcode: out.type = kInteger; CheckLiteral(sem_, c_.token()); break;
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
    if (!Logic(arg, depth)) return args_.resize(first), false;
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
  if (!Logic(index, depth) || !c_.Expect(Tok::kRBracket)) return false;
  const std::string_view text = sem_.Text(name);
  const jass::Variable* variable = sem_.FindVariable(text);
  if (!variable) {
    sem_.Report(name, "undefined variable " + Named(text));
    return true;
  }
  if (!variable->array) {
    sem_.Report(name, Named(text) + " is not an array");
    return true;
  }
  sem_.ExpectFits(index, kInteger, false, "index of", text);
  out.type = variable->type;
  return true;
}

void TypedExpressions::Variable(const Token& name, Typed& out) {
  const std::string_view text = sem_.Text(name);
  const jass::Variable* variable = sem_.FindVariable(text);
  if (!variable) {
    const bool is_function = sem_.FindCallable(text) != nullptr;
    sem_.Report(name, is_function ? "function " + Named(text) + " used without \"(\""
                                  : "undefined variable " + Named(text));
    return;
  }
  if (variable->array) {
    sem_.Report(name, "array " + Named(text) + " used without index");
    return;
  }
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
