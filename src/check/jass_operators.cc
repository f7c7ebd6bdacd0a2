#include "check/jass_operators.h"

#include <string>

namespace zarn::jass {

namespace {

bool IsStringLike(TypeId type) { return type == kString || type == kNullType; }

TypeId Misfit(Semantics& sem, const Token& op, const Typed& left, const Typed& right) {
  sem.Report(op, "cannot use " + Named(Spelling(op.kind)) + " on " + std::string(sem.TypeName(left.type)) + " and " +
                     std::string(sem.TypeName(right.type)));
  return kUnknown;
}

TypeId Arithmetic(Semantics& sem, const Token& op, const Typed& left, const Typed& right) {
  const TypeTable& types = sem.types();
  if (op.kind == Tok::kPlus && IsStringLike(left.type) && IsStringLike(right.type) &&
      (left.type == kString || right.type == kString))
    return kString;
  if (!types.IsNumeric(left.type) || !types.IsNumeric(right.type)) return Misfit(sem, op, left, right);
  if (op.kind == Tok::kPercent && (left.type != kInteger || right.type != kInteger))
    return Misfit(sem, op, left, right);
  return left.type == kInteger && right.type == kInteger ? kInteger : kReal;
}

}  // namespace

TypeId BinaryType(Semantics& sem, const Token& op, const Typed& left, const Typed& right) {
  if (left.type == kUnknown || right.type == kUnknown) {
    const bool gives_boolean = op.kind != Tok::kPlus && op.kind != Tok::kMinus && op.kind != Tok::kStar &&
                               op.kind != Tok::kSlash && op.kind != Tok::kPercent;
    return gives_boolean ? kBoolean : kUnknown;
  }
  switch (op.kind) {
    case Tok::kPlus:
    case Tok::kMinus:
    case Tok::kStar:
    case Tok::kSlash:
    case Tok::kPercent: return Arithmetic(sem, op, left, right);
    case Tok::kEq:
    case Tok::kNe:
      if (!sem.types().Comparable(left.type, right.type)) Misfit(sem, op, left, right);
      return kBoolean;
    case Tok::kLt:
    case Tok::kGt:
    case Tok::kLe:
    case Tok::kGe:
      if (!sem.types().IsNumeric(left.type) || !sem.types().IsNumeric(right.type)) Misfit(sem, op, left, right);
      return kBoolean;
    default:  // and, or
      if (left.type != kBoolean || right.type != kBoolean) Misfit(sem, op, left, right);
      return kBoolean;
  }
}

TypeId UnaryType(Semantics& sem, const Token& op, const Typed& operand) {
  if (operand.type == kUnknown) return op.kind == Tok::kNot ? kBoolean : kUnknown;
  if (op.kind == Tok::kNot) {
    if (operand.type != kBoolean) sem.Report(op, "cannot use \"not\" on " + std::string(sem.TypeName(operand.type)));
    return kBoolean;
  }
  if (!sem.types().IsNumeric(operand.type)) {
    sem.Report(op, "cannot use " + Named(Spelling(op.kind)) + " on " + std::string(sem.TypeName(operand.type)));
    return kUnknown;
  }
  return operand.type;
}

}  // namespace zarn::jass
