#include "check/jass_semantics.h"

namespace zarn::jass {

std::string Named(std::string_view name) {
  std::string quoted = "\"";
  quoted.append(name);
  quoted += '"';
  return quoted;
}

void Semantics::Attach(Cursor& cursor) {
  cursor_ = &cursor;
  in_function_ = false;
  flags_ = outer_flags_ = CheckFlags{};
}

// Outside functions an annotation holds until it is turned back; inside one
// it holds to the function's end.
void Semantics::ApplyAnnotations() {
  std::vector<std::string_view>& annotations = cursor_->annotations();
  for (std::string_view comment : annotations) {
    if (in_function_) {
      ApplyAnnotation(comment, flags_);
    } else {
      ApplyAnnotation(comment, outer_flags_);
      flags_ = outer_flags_;
    }
  }
  annotations.clear();
}

void Semantics::Report(Place at, std::string message) {
  if (flags_.semantic && !broken_) cursor_->ReportOn(at.line, at.column, std::move(message));
}

void Semantics::Misfit(const Typed& value, TypeId expected, std::string_view what, std::string_view name) {
  std::string message(what);
  if (!name.empty()) message += " " + Named(name);
  if (!message.empty()) message += ": ";
  message += "cannot use ";
  message.append(TypeName(value.type));
  message += " as ";
  message.append(TypeName(expected));
  Report(value.at, std::move(message));
}

TypeId Semantics::ResolveType(const Token& name) {
  const TypeId type = table_.types.Find(Text(name));
  if (type == kUnknown) Report(name, "undefined type " + Named(Text(name)));
  return type;
}

const Variable* Semantics::FindVariable(std::string_view name) const {
  if (in_function_)
    if (const Variable* local = scope_.Find(name)) return local;
  return table_.FindGlobal(name);
}

void Semantics::DeclareType(const Token& name, const Token& parent) {
  TypeId parent_type = ResolveType(parent);
  if (parent_type != kUnknown && !table_.types.IsHandle(parent_type)) {
    Report(parent, Named(Text(parent)) + " is not a handle type");
    parent_type = kUnknown;
  }
  if (!table_.types.Declare(Text(name), parent_type == kUnknown ? kHandle : parent_type))
    Report(name, Named(Text(name)) + " is already declared");
}

const Callable* Semantics::DeclareCallable(const SignatureDecl& signature) {
  Callable callable;
  callable.native = signature.native;
  callable.first_param = static_cast<std::uint32_t>(table_.params.size());
  callable.param_count = static_cast<std::uint32_t>(signature.params.size());
  for (const ParamDecl& param : signature.params) table_.params.push_back(ResolveType(param.type));
  callable.returns = signature.returns.kind == Tok::kNothing ? kNothing : ResolveType(signature.returns);
  bool inserted = false;
  const Callable* known = table_.callables.InsertOrFind(Text(signature.name), callable, inserted);
  if (!inserted) Report(signature.name, Named(Text(signature.name)) + " is already declared");
  return known;
}

void Semantics::BeginFunction(const SignatureDecl& signature, const Callable* callable) {
  in_function_ = true;
  broken_ = !callable;
  flags_ = outer_flags_;
  scope_.Clear();
  function_name_ = Text(signature.name);
  returns_ = callable ? callable->returns : kUnknown;
  for (std::uint32_t i = 0; callable && i < signature.params.size(); ++i) {
    Variable param;
    param.type = table_.Param(*callable, i);
    if (!scope_.Declare(Text(signature.params[i].name), param))
      Report(signature.params[i].name, Named(Text(signature.params[i].name)) + " is already declared");
  }
}

void Semantics::EndFunction() {
  in_function_ = false;
  broken_ = false;
  flags_ = outer_flags_;
}

void Semantics::DeclareVariable(const VariableDecl& declaration, const Typed* value) {
  Variable variable;
  variable.type = ResolveType(declaration.type);
  variable.array = declaration.array;
  variable.constant = declaration.constant;
  if (value && declaration.array)
    Report(value->at, "array " + Named(Text(declaration.name)) + " cannot have an initial value");
  else if (value)
    ExpectFits(*value, variable.type, true);
  else if (declaration.constant)
    Report(declaration.name, "constant " + Named(Text(declaration.name)) + " needs a value");
  const bool fresh = declaration.local ? scope_.Declare(Text(declaration.name), variable)
                                       : table_.globals.Insert(Text(declaration.name), variable);
  if (!fresh) Report(declaration.name, Named(Text(declaration.name)) + " is already declared");
}

}  // namespace zarn::jass
