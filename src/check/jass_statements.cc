#include "check/jass_statements.h"

#include <string>

namespace zarn::jass {

void StatementRules::EndFunction(const Token& at) {
  const TypeId returns = sem_.function_returns();
  if (returns != kNothing && returns != kUnknown && !sem_.paths().Returns())
    sem_.Report(at, "missing return at the end of " + Named(sem_.function_name()) + ", which returns " +
                        std::string(sem_.TypeName(returns)));
}

void StatementRules::Set(const Token& name, const Typed* index, const Typed& value) {
  const std::string_view text = sem_.Text(name);
  std::size_t local = 0;
  const Variable* variable = sem_.FindVariable(text, &local);
  sem_.NoteUse(name);
  if (!variable) return sem_.ReportUndefined(name, NameKind::kVariable);
  const bool global = local == static_cast<std::size_t>(-1);
  if (global && sem_.in_constant_function())
    return sem_.Report(name, "constant function " + Named(sem_.function_name()) + " sets global " + Named(text));
  if (variable->constant) return sem_.Report(name, "cannot set constant " + Named(text));
  if (variable->array && !index) return sem_.Report(name, "array " + Named(text) + " needs an index");
  if (!variable->array && index) return sem_.Report(name, Named(text) + " is not an array");
  if (!global) sem_.paths().Set(local);
  // null does for an index as for any integer.
  if (index) sem_.ExpectFits(*index, kInteger, true, "index of", text);
  sem_.ExpectFits(value, variable->type, true, "set", text);
}

// A returned value must be of the function's type: an integer does not do
// for a real, nor null for an integer, real or code, since the game's
// loader refuses those too.
void StatementRules::Return(const Token& at, const Typed* value) {
  sem_.paths().Return();
  const TypeId returns = sem_.function_returns();
  const std::string_view function = sem_.function_name();
  if (returns == kNothing) {
    if (value) sem_.Report(value->at, Named(function) + " returns nothing: return without a value");
    return;
  }
  if (!value)
    return sem_.Report(at, Named(function) + " returns " + std::string(sem_.TypeName(returns)) + ": return a value");
  if (!sem_.flags().return_type) return;
  sem_.ExpectFits(*value, returns, false, "return of", function);
}

void StatementRules::Condition(const Typed& value, std::string_view keyword) {
  sem_.ExpectFits(value, kBoolean, false, "condition of", keyword);
}

}  // namespace zarn::jass
