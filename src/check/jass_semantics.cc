#include "check/jass_semantics.h"

#include <algorithm>

#include "check/jass_index_writer.h"

namespace zarn::jass {

namespace {

constexpr std::size_t kNoLocal = static_cast<std::size_t>(-1);

// What an assumed name is taken for: any use of it fits.
const Variable kAssumed{kUnknown, false, false, false};

std::string AssumedKey(std::string_view function, std::string_view name) {
  std::string key(function);
  key += ' ';
  key.append(name);
  return key;
}

JassDeclaration Declaration(JassSymbolKind kind, std::string_view name, const Token& at, std::string_view type) {
  JassDeclaration declaration;
  declaration.kind = kind;
  declaration.name = std::string(name);
  declaration.type = type.empty() ? "unknown" : std::string(type);
  declaration.line = at.line;
  declaration.column = at.column;
  return declaration;
}

std::string_view KindName(NameKind kind) {
  switch (kind) {
    case NameKind::kFunction: return "function";
    case NameKind::kVariable: return "variable";
    case NameKind::kType: return "type";
  }
  return "";
}

}  // namespace

std::string Named(std::string_view name) {
  std::string quoted = "\"";
  quoted.append(name);
  quoted += '"';
  return quoted;
}

Semantics::Semantics(SymbolTable& table, const FunctionAnnotations* annotations)
    : table_(table), annotations_(annotations) {}
Semantics::~Semantics() = default;

void Semantics::SetExtras(const JassCheckExtras& extras) {
  if (extras.index) index_ = std::make_unique<IndexWriter>(*extras.index, extras.uses);
  if (extras.assumed)
    for (const JassAssumedName& name : *extras.assumed) assumed_.insert(AssumedKey(name.function, name.name));
}

void Semantics::SetSource(std::size_t source) {
  if (index_) index_->SetSource(source);
}

void Semantics::NoteUse(const Token& name, bool type) {
  if (index_) index_->Use(Text(name), name.line, name.column, type);
}

void Semantics::Attach(Cursor& cursor) {
  cursor_ = &cursor;
  in_function_ = false;
  flags_ = CheckFlags{};
}

// The flags of the function's name first, then the annotation lines right
// above its header.
void Semantics::ApplyAnnotations(const SignatureDecl& signature) {
  flags_ = CheckFlags{};
  if (annotations_)
    if (const CheckFlags* named = annotations_->Find(Text(signature.name))) flags_ = *named;
  const AnnotationGroup& group = cursor_->annotations();
  if (group.last_line + 1 != signature.name.line) return;
  for (std::string_view line : group.lines) ApplyAnnotation(line, flags_);
}

void Semantics::Report(Place at, std::string message) {
  if (flags_.semantic && !broken_) cursor_->ReportOn(at.line, at.column, std::move(message));
}

void Semantics::ReportUndefined(const Token& name, NameKind kind) {
  if (!WillReport()) return;
  const std::string_view text = Text(name);
  Report(name, "undefined " + std::string(KindName(kind)) + " " + Named(text) + Suggest(text, kind));
}

// Declared names only: a later declaration cannot be meant yet.
std::string Semantics::Suggest(std::string_view name, NameKind kind) {
  suggestions_.clear();
  switch (kind) {
    case NameKind::kFunction:
      callable_index_.Sync(table_.callable_order, visible_.callables);
      callable_index_.Near(name, 0, suggestions_);
      break;
    case NameKind::kVariable:
      global_index_.Sync(table_.global_order, visible_.globals);
      global_index_.Near(name, 0, suggestions_);
      if (in_function_)
        for (std::size_t i = 0; i < scope_.size(); ++i)
          ConsiderName(name, scope_.NameAt(i), 1, static_cast<std::uint32_t>(i), suggestions_);
      break;
    case NameKind::kType: {
      const TypeId types = std::min(table_.types.size(), visible_.types);
      if (type_names_.size() + kInteger > types) type_names_.clear();
      for (TypeId id = static_cast<TypeId>(type_names_.size()) + kInteger; id < types; ++id)
        type_names_.push_back(table_.types.Name(id));
      type_index_.Sync(type_names_);
      type_index_.Near(name, 0, suggestions_);
      break;
    }
  }
  return DidYouMean(suggestions_);
}

void Semantics::Misfit(const Typed& value, TypeId expected, std::string_view what, std::string_view name) {
  std::string message(what);
  if (!name.empty()) {
    message += ' ';
    message += Named(name);
  }
  if (!message.empty()) message += ": ";
  message += "cannot use ";
  message.append(TypeName(value.type));
  message += " as ";
  message.append(TypeName(expected));
  Report(value.at, std::move(message));
}

TypeId Semantics::ResolveType(const Token& name) {
  const TypeId type = FindType(Text(name));
  if (type == kUnknown) ReportUndefined(name, NameKind::kType);
  NoteUse(name, true);
  return type;
}

const Variable* Semantics::FindVariable(std::string_view name, std::size_t* local) const {
  if (local) *local = kNoLocal;
  if (in_function_)
    if (const Variable* found = scope_.Find(name, local)) return found;
  if (const Variable* global = table_.FindGlobal(name); global && global->order < visible_.globals) return global;
  if (assumed_.empty()) return nullptr;
  if (in_function_ && assumed_.count(AssumedKey(function_name_, name))) return &kAssumed;
  return assumed_.count(AssumedKey("", name)) ? &kAssumed : nullptr;
}

std::string Semantics::ReadBeforeSet(std::string_view name) {
  return "variable " + Named(name) + " is read before it is set";
}

void Semantics::CheckRead(const Token& name, const Variable& variable, std::size_t local) {
  if (variable.array) return;
  if (local == kNoLocal) {
    if (!in_function_ && variable.unset) Report(name, ReadBeforeSet(Text(name)));
    return;
  }
  // In a constant function the game refuses it at load time; elsewhere the
  // thread stops at the read.
  if (!(flags_.runtime || constant_function_) || !flags_.semantic || broken_) return;
  if (!paths_.Read({local, name.line, name.column})) Report(name, ReadBeforeSet(Text(name)));
}

void Semantics::CloseBlock() {
  paths_.Close(unset_reads_);
  if (unset_reads_.empty()) return;
  for (const PathFlow::ReadAt& read : unset_reads_)
    cursor_->ReportOnEarlierLine(read.line, read.column, ReadBeforeSet(scope_.NameAt(read.local)));
  unset_reads_.clear();
}

void Semantics::DeclareType(const Token& name, const Token& parent) {
  TypeId parent_type = ResolveType(parent);
  if (parent_type != kUnknown && !table_.types.IsHandle(parent_type)) {
    Report(parent, Named(Text(parent)) + " is not a handle type");
    parent_type = kUnknown;
  }
  if (!table_.types.Declare(Text(name), parent_type == kUnknown ? kHandle : parent_type))
    Report(name, Named(Text(name)) + " is already declared");
  else if (index_)
    index_->Declare(Declaration(JassSymbolKind::kType, Text(name), name, Text(parent)));
}

const Callable* Semantics::DeclareCallable(const SignatureDecl& signature) {
  Callable callable;
  callable.native = signature.native;
  callable.constant = signature.constant;
  callable.first_param = static_cast<std::uint32_t>(table_.params.size());
  callable.param_count = static_cast<std::uint32_t>(signature.params.size());
  callable.order = static_cast<std::uint32_t>(table_.callable_order.size());
  for (const ParamDecl& param : signature.params) table_.params.push_back(ResolveType(param.type));
  callable.returns = signature.returns.kind == Tok::kNothing ? kNothing : ResolveType(signature.returns);
  bool inserted = false;
  const Callable* known = table_.callables.InsertOrFind(Text(signature.name), callable, inserted);
  if (inserted)
    table_.callable_order.push_back(Text(signature.name));
  else
    Report(signature.name, Named(Text(signature.name)) + " is already declared");
  if (inserted && index_) IndexCallable(signature);
  return known;
}

void Semantics::IndexCallable(const SignatureDecl& signature) {
  JassDeclaration declaration =
      Declaration(signature.native ? JassSymbolKind::kNative : JassSymbolKind::kFunction, Text(signature.name),
                  signature.name, signature.returns.kind == Tok::kNothing ? "nothing" : Text(signature.returns));
  declaration.constant = signature.constant;
  for (const ParamDecl& param : signature.params)
    declaration.params.push_back({std::string(Text(param.type)), std::string(Text(param.name))});
  index_->Declare(std::move(declaration));
}

void Semantics::BeginFunction(const SignatureDecl& signature, const Callable* callable) {
  ApplyAnnotations(signature);
  EnterFunction(Text(signature.name), signature.constant, callable);
  for (std::uint32_t i = 0; callable && i < signature.params.size(); ++i) {
    const Token& name = signature.params[i].name;
    CheckVariableName(name, VariableKind::kParameter);
    if (!DeclareParameter(Text(name), *callable, i)) {
      Report(name, Named(Text(name)) + " is already declared");
      continue;
    }
    if (index_)
      index_->Declare(Declaration(JassSymbolKind::kParameter, Text(name), name, Text(signature.params[i].type)));
  }
}

void Semantics::ResumeFunction(std::string_view name, bool constant, const std::string_view* params,
                               std::size_t param_count, const Callable* callable, const CheckFlags& flags) {
  flags_ = flags;
  EnterFunction(name, constant, callable);
  for (std::uint32_t i = 0; callable && i < param_count; ++i) DeclareParameter(params[i], *callable, i);
}

Visible Semantics::VisibleNow() const {
  return {table_.callable_order.size(), table_.global_order.size(), table_.types.size()};
}

void Semantics::EnterFunction(std::string_view name, bool constant, const Callable* callable) {
  in_function_ = true;
  broken_ = !callable;
  constant_function_ = constant;
  scope_.Clear();
  paths_.Begin();
  function_name_ = name;
  returns_ = callable ? callable->returns : kUnknown;
  if (index_) index_->BeginFunction(function_name_);
}

bool Semantics::DeclareParameter(std::string_view name, const Callable& callable, std::uint32_t i) {
  Variable param;
  param.type = table_.Param(callable, i);
  if (!scope_.Declare(name, param)) return false;
  paths_.Declare(scope_.size() - 1, true);
  return true;
}

void Semantics::EndFunction() {
  if (index_ && in_function_) index_->EndFunction();
  in_function_ = false;
  broken_ = false;
  flags_ = CheckFlags{};
}

// No variable is named "alias" or like a built-in type, and no global like
// any type. A local or parameter may take the name of a declared type; the
// type is then hidden for the rest of the function.
void Semantics::CheckVariableName(const Token& name, VariableKind kind) {
  const std::string_view text = Text(name);
  if (text == "alias" && kind != VariableKind::kParameter) return Report(name, "\"alias\" cannot name a variable");
  const TypeId type = FindType(text);
  if (type != kUnknown && (type <= kHandle || kind == VariableKind::kGlobal))
    Report(name, Named(text) + " is a type and cannot name a variable");
}

// A local's type named by a parameter or a local declared before it.
void Semantics::CheckTypeNotShadowed(const Token& type) {
  if (in_function_ && scope_.Find(Text(type))) Report(type, "type " + Named(Text(type)) + " was shadowed");
}

void Semantics::DeclareVariable(const VariableDecl& declaration, const Typed* value) {
  Variable variable;
  variable.type = ResolveType(declaration.type);
  variable.array = declaration.array;
  variable.constant = declaration.constant;
  variable.unset = !value && !declaration.array;
  variable.order = static_cast<std::uint32_t>(table_.global_order.size());
  if (declaration.local) CheckTypeNotShadowed(declaration.type);
  CheckVariableName(declaration.name, declaration.local ? VariableKind::kLocal : VariableKind::kGlobal);
  if (value && declaration.array)
    Report(value->at, "array " + Named(Text(declaration.name)) + " cannot have an initial value");
  else if (value)
    ExpectFits(*value, variable.type, true);
  else if (declaration.constant)
    Report(declaration.name, "constant " + Named(Text(declaration.name)) + " needs a value");
  const std::string_view name = Text(declaration.name);
  bool fresh;
  if (declaration.local) {
    fresh = scope_.Declare(name, variable);
    if (fresh) paths_.Declare(scope_.size() - 1, !variable.unset);
  } else {
    fresh = table_.globals.Insert(name, variable);
    if (fresh) table_.global_order.push_back(name);
  }
  if (!fresh) return Report(declaration.name, Named(name) + " is already declared");
  if (!index_) return;
  JassDeclaration entry = Declaration(declaration.local ? JassSymbolKind::kLocal : JassSymbolKind::kGlobal, name,
                                      declaration.name, Text(declaration.type));
  entry.constant = declaration.constant;
  entry.array = declaration.array;
  index_->Declare(std::move(entry));
}

}  // namespace zarn::jass
