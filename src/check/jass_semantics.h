// The names and types of a program as the grammar reads it: declarations go
// into the symbol tables, uses are looked up there, and faults are reported
// on the current line unless an annotation has turned their check off.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "check/jass_annotations.h"
#include "check/jass_cursor.h"
#include "check/jass_scope.h"
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
  bool native = false;
  std::vector<ParamDecl> params;
  Token returns;  // a name, or the "nothing" keyword
};

struct VariableDecl {
  Token type, name;
  bool constant = false, array = false, local = false;
};

class Semantics {
 public:
  explicit Semantics(SymbolTable& table) : table_(table) {}

  // The source read from now on.
  void Attach(Cursor& cursor);
  // Applies the annotations read before the current line.
  void StartLine() {
    if (!cursor_->annotations().empty()) ApplyAnnotations();
  }

  void DeclareType(const Token& name, const Token& parent);
  // The callable now known by the signature's name.
  const Callable* DeclareCallable(const SignatureDecl& signature);
  // `callable` is what DeclareCallable gave, or null when the header has a
  // grammar fault (already reported): the body's names and types are then
  // not judged.
  void BeginFunction(const SignatureDecl& signature, const Callable* callable);
  void EndFunction();
  void DeclareVariable(const VariableDecl& declaration, const Typed* value);

  TypeId ResolveType(const Token& name);
  const Variable* FindVariable(std::string_view name) const;
  const Callable* FindCallable(std::string_view name) const { return table_.FindCallable(name); }
  const SymbolTable& table() const { return table_; }
  const TypeTable& types() const { return table_.types; }
  std::string_view Text(const Token& token) const { return cursor_->Text(token); }
  std::string_view TypeName(TypeId type) const { return table_.types.Name(type); }
  const CheckFlags& flags() const { return flags_; }
  bool in_function() const { return in_function_; }
  TypeId function_returns() const { return returns_; }
  std::string_view function_name() const { return function_name_; }

  // A fault of names or types, unless turned off here.
  void Report(const Token& at, std::string message) { Report(PlaceOf(at), std::move(message)); }
  void Report(Place at, std::string message);
  // `value` where `expected` is wanted; reported as
  // `WHAT "NAME": cannot use A as B` (the parts given).
  void ExpectFits(const Typed& value, TypeId expected, bool widen, std::string_view what = {},
                  std::string_view name = {}) {
    if (value.type != expected && !types().Fits(value.type, expected, widen)) Misfit(value, expected, what, name);
  }

 private:
  void ApplyAnnotations();
  void Misfit(const Typed& value, TypeId expected, std::string_view what, std::string_view name);

  SymbolTable& table_;
  Cursor* cursor_ = nullptr;
  FunctionScope scope_;
  CheckFlags flags_, outer_flags_;  // in the function, and outside functions
  bool in_function_ = false;
  bool broken_ = false;
  TypeId returns_ = kNothing;
  std::string_view function_name_;
};

// "\"name\"" for messages.
std::string Named(std::string_view name);

}  // namespace zarn::jass
