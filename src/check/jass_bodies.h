// The full check of a source with its function bodies read on several
// threads: the outline (declarations, headers, the bodies' extents) on the
// calling thread, then the bodies, each seeing the declarations made before
// it. The problems are those of a check on one thread, in the same order.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "check/jass_checker.h"
#include "check/jass_semantics.h"

namespace zarn::jass {

// How many threads read the bodies of a script of `size` bytes when
// `asked` are asked for (0: as many as the machine has, up to a cap, and
// one for a small script).
std::size_t BodyThreads(std::size_t asked, std::size_t size);

// Checks `script` as CheckProgramSource does with `*sem`, over `table`, the
// bodies on `threads` threads. False for vJass, as there. Should a body's
// reader find another end than the outline did, the source is checked
// again on one thread from the tables as they were, with a new `*sem`.
bool CheckSourceOnThreads(std::string_view script, std::vector<JassProblem>& problems, SymbolTable& table,
                          std::optional<Semantics>& sem, const FunctionAnnotations* annotations, std::size_t threads);

}  // namespace zarn::jass
