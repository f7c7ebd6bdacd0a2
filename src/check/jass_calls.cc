#include "check/jass_calls.h"

#include <string>

namespace zarn::jass {

namespace {

constexpr std::size_t kMaxArguments = 31;

std::string Arguments(std::size_t n) { return std::to_string(n) + (n == 1 ? " argument" : " arguments"); }

// Natives that crash the game or give nothing while globals are set up.
bool UnsafeWhileGlobalsAreSetUp(std::string_view name) {
  static constexpr std::string_view kNatives[] = {"GetObjectName",     "CreateQuest",  "CreateMultiboard",
                                                  "CreateLeaderboard", "CreateRegion", "OrderId",
                                                  "OrderId2String",    "UnitId2String"};
  for (std::string_view native : kNatives)
    if (name == native) return true;
  return false;
}

// A call's faults that do not depend on its arguments' types.
void CheckCallPlace(Semantics& sem, const Token& name, const Callable& callable, std::size_t count) {
  const std::string_view text = sem.Text(name);
  if (count > kMaxArguments)
    sem.Report(name, "call of " + Named(text) + " with " + std::to_string(count) + " arguments; the game allows " +
                         std::to_string(kMaxArguments));
  if (sem.in_constant_function() && !callable.constant)
    sem.Report(name,
               "constant function " + Named(sem.function_name()) + " calls " + Named(text) + ", which is not constant");
  if (!sem.in_function() && callable.native && UnsafeWhileGlobalsAreSetUp(text))
    sem.Report(name, Named(text) + " cannot be called while globals are set up");
}

}  // namespace

const Callable* CalledFunction(Semantics& sem, const Token& name) {
  const Callable* callable = sem.FindCallable(sem.Text(name));
  if (!callable) sem.ReportUndefined(name, NameKind::kFunction);
  sem.NoteUse(name);
  return callable;
}

TypeId CheckCall(Semantics& sem, const Token& name, const Callable* callable, const Typed* args, std::size_t count) {
  if (!callable) return kUnknown;
  const std::string_view text = sem.Text(name);
  CheckCallPlace(sem, name, *callable, count);
  if (count != callable->param_count)
    sem.Report(name,
               Named(text) + " takes " + Arguments(callable->param_count) + ", " + std::to_string(count) + " given");
  const std::size_t checked = count < callable->param_count ? count : callable->param_count;
  for (std::size_t i = 0; i < checked; ++i) {
    const TypeId wanted = sem.table().Param(*callable, static_cast<std::uint32_t>(i));
    if (sem.types().Fits(args[i].type, wanted, true)) continue;
    sem.Report(args[i].at, "argument " + std::to_string(i + 1) + " of " + Named(text) + ": cannot use " +
                               std::string(sem.TypeName(args[i].type)) + " as " + std::string(sem.TypeName(wanted)));
  }
  return callable->returns;
}

TypeId CheckFunctionReference(Semantics& sem, const Token& name) {
  const std::string_view text = sem.Text(name);
  const Callable* callable = sem.FindCallable(text);
  sem.NoteUse(name);
  if (!callable) {
    sem.ReportUndefined(name, NameKind::kFunction);
  } else if (callable->native) {
    sem.Report(name, "native " + Named(text) + " cannot be code; only a function of the script can");
  } else if (callable->param_count > 0) {
    sem.Report(name, "\"function " + std::string(text) + "\" needs a function that takes nothing; " + Named(text) +
                         " takes " + Arguments(callable->param_count));
  }
  return kCode;
}

}  // namespace zarn::jass
