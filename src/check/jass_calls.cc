#include "check/jass_calls.h"

#include <string>

namespace zarn::jass {

namespace {

std::string Arguments(std::size_t n) { return std::to_string(n) + (n == 1 ? " argument" : " arguments"); }

}  // namespace

const Callable* CalledFunction(Semantics& sem, const Token& name) {
  const Callable* callable = sem.FindCallable(sem.Text(name));
  if (!callable) sem.Report(name, "undefined function " + Named(sem.Text(name)));
  return callable;
}

TypeId CheckCall(Semantics& sem, const Token& name, const Callable* callable, const Typed* args,
                 std::size_t count) {
  if (!callable) return kUnknown;
  const std::string_view text = sem.Text(name);
  if (count != callable->param_count)
    sem.Report(name, Named(text) + " takes " + Arguments(callable->param_count) + ", " + std::to_string(count) +
                         " given");
  const std::size_t checked = count < callable->param_count ? count : callable->param_count;
  for (std::size_t i = 0; i < checked; ++i) {
    const TypeId wanted = sem.table().Param(*callable, static_cast<std::uint32_t>(i));
    if (sem.types().Fits(args[i].type, wanted, true)) continue;
    sem.Report(args[i].at, "argument " + std::to_string(i + 1) + " of " + Named(text) + ": cannot use " +
                               std::string(sem.TypeName(args[i].type)) + " as " +
                               std::string(sem.TypeName(wanted)));
  }
  return callable->returns;
}

TypeId CheckFunctionReference(Semantics& sem, const Token& name) {
  const std::string_view text = sem.Text(name);
  const Callable* callable = sem.FindCallable(text);
  if (!callable) {
    sem.Report(name, "undefined function " + Named(text));
  } else if (callable->param_count > 0) {
    sem.Report(name, "\"function " + std::string(text) + "\" needs a function that takes nothing; " +
                         Named(text) + " takes " + Arguments(callable->param_count));
  }
  return kCode;
}

}  // namespace zarn::jass
