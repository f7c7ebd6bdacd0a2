// The names and types of a program as the grammar reads it: declarations go
// into the symbol tables, uses are looked up there, and faults are reported
// on the current line unless an annotation has turned their check off.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "check/jass_annotations.h"
#include "check/jass_cursor.h"
#include "check/jass_flow.h"
#include "check/jass_index.h"
#include "check/jass_scope.h"
#include "check/jass_suggestions.h"
#include "check/jass_symbols.h"

namespace zarn::jass {

// Where a token begins; values carry this rather than their whole token,
// since they are copied at every operand.
struct Place {
  std::size_t line = 1, column = 1;
};

inline Place PlaceOf(const Token& token) { return {token.line, token.column}; }

// A value read from an expression: its type and where it begins.
struct Typed {
  TypeId type = kUnknown;
  Place at;
};

struct ParamDecl {
  Token type, name;
};

struct SignatureDecl {
  Token name;
  bool native = false, constant = false;
  std::vector<ParamDecl> params;
  Token returns;  // a name, or the "nothing" keyword
};

struct VariableDecl {
  Token type, name;
  bool constant = false, array = false, local = false;
};

class IndexWriter;

// How much of the symbol tables a reader sees: the names declared before
// the function it reads, when the tables already hold later ones too.
struct Visible {
  std::size_t callables = static_cast<std::size_t>(-1);
  std::size_t globals = static_cast<std::size_t>(-1);
  TypeId types = static_cast<TypeId>(-1);
};

// What an undefined name was meant to be, for suggestions.
enum class NameKind : std::uint8_t { kFunction, kVariable, kType };

class Semantics {
 public:
  // `annotations`: flags for functions by name, from the script as written
  // (null: none); a function's own annotation lines apply on top of them.
  explicit Semantics(SymbolTable& table, const FunctionAnnotations* annotations = nullptr);
  ~Semantics();

  // The source read from now on.
  void Attach(Cursor& cursor);
  // Declarations and uses go to `extras.index`, and its assumed names count
  // as declared; `source` numbers the sources read from now on.
  void SetExtras(const JassCheckExtras& extras);
  void SetSource(std::size_t source);
  // A name that stands for a declaration, for the index; `type` for a type's
  // name.
  void NoteUse(const Token& name, bool type = false);

  void DeclareType(const Token& name, const Token& parent);
  // The callable now known by the signature's name.
  const Callable* DeclareCallable(const SignatureDecl& signature);
  // `callable` is what DeclareCallable gave, or null when the header has a
  // grammar fault (already reported): the body's names and types are then
  // not judged.
  void BeginFunction(const SignatureDecl& signature, const Callable* callable);
  // The same for a body read apart from its header, whose problems and
  // flags were found already: the function's name, its parameters' names.
  void ResumeFunction(std::string_view name, bool constant, const std::string_view* params, std::size_t param_count,
                      const Callable* callable, const CheckFlags& flags);
  // What is declared so far, and a limit to what lookups find.
  Visible VisibleNow() const;
  void Limit(const Visible& visible) { visible_ = visible; }
  void EndFunction();
  void DeclareVariable(const VariableDecl& declaration, const Typed* value);

  TypeId ResolveType(const Token& name);
  // With `local`, a local's index in the function goes there (npos for a
  // global).
  const Variable* FindVariable(std::string_view name, std::size_t* local = nullptr) const;
  // A variable read as a value, not as an array: reported when a local is
  // read before it is set, or a global that has no value yet is read while
  // globals are set up.
  void CheckRead(const Token& name, const Variable& variable, std::size_t local);
  // At "endif" or "endloop": reads that a loop's end shows to be unset are
  // reported on their own lines.
  void CloseBlock();
  const Callable* FindCallable(std::string_view name) const {
    const Callable* found = table_.FindCallable(name);
    return found && found->order < visible_.callables ? found : nullptr;
  }
  const SymbolTable& table() const { return table_; }
  const TypeTable& types() const { return table_.types; }
  std::string_view Text(const Token& token) const { return cursor_->Text(token); }
  std::string_view TypeName(TypeId type) const { return table_.types.Name(type); }
  const CheckFlags& flags() const { return flags_; }
  bool in_function() const { return in_function_; }
  bool in_constant_function() const { return in_function_ && constant_function_; }
  TypeId function_returns() const { return returns_; }
  std::string_view function_name() const { return function_name_; }
  PathFlow& paths() { return paths_; }

  // A fault of names or types, unless turned off here.
  void Report(const Token& at, std::string message) { Report(PlaceOf(at), std::move(message)); }
  void Report(Place at, std::string message);
  // "undefined KIND "NAME"" with the declared names it may have meant.
  void ReportUndefined(const Token& name, NameKind kind);
  // `value` where `expected` is wanted; reported as
  // `WHAT "NAME": cannot use A as B` (the parts given).
  void ExpectFits(const Typed& value, TypeId expected, bool widen, std::string_view what = {},
                  std::string_view name = {}) {
    if (value.type != expected && !types().Fits(value.type, expected, widen)) Misfit(value, expected, what, name);
  }

 private:
  bool WillReport() const { return flags_.semantic && !broken_ && !cursor_->LineHasProblem(); }
  TypeId FindType(std::string_view name) const {
    const TypeId type = table_.types.Find(name);
    return type < visible_.types ? type : kUnknown;
  }
  void EnterFunction(std::string_view name, bool constant, const Callable* callable);
  // The `i`th parameter of `callable`; false when the name is taken.
  bool DeclareParameter(std::string_view name, const Callable& callable, std::uint32_t i);
  void ApplyAnnotations(const SignatureDecl& signature);
  void IndexCallable(const SignatureDecl& signature);
  enum class VariableKind : std::uint8_t { kGlobal, kLocal, kParameter };
  void CheckVariableName(const Token& name, VariableKind kind);
  void CheckTypeNotShadowed(const Token& type);
  std::string Suggest(std::string_view name, NameKind kind);
  static std::string ReadBeforeSet(std::string_view name);
  void Misfit(const Typed& value, TypeId expected, std::string_view what, std::string_view name);

  SymbolTable& table_;
  const FunctionAnnotations* annotations_;
  Cursor* cursor_ = nullptr;
  FunctionScope scope_;
  PathFlow paths_;
  CheckFlags flags_;  // of the function being read; outside functions all checks are on
  bool in_function_ = false;
  bool constant_function_ = false;
  bool broken_ = false;
  Visible visible_;
  TypeId returns_ = kNothing;
  std::string_view function_name_;
  NameIndex callable_index_, global_index_, type_index_;
  std::vector<std::string_view> type_names_;
  std::vector<Suggestion> suggestions_;
  std::vector<PathFlow::ReadAt> unset_reads_;
  std::unique_ptr<IndexWriter> index_;
  std::unordered_set<std::string> assumed_;  // "FUNCTION NAME", or " NAME" for a global
};

// "\"name\"" for messages.
std::string Named(std::string_view name);

}  // namespace zarn::jass
