#pragma once

#include "passes/run.h"

namespace zarn {

// Appends (name, return type) for every function and method declaration of
// run.text that returns a value.
void RegisterUserSignatures(Run& run);

}  // namespace zarn
