// The limits of literals as the game reads them: a rawcode holds 1 or 4
// characters, a string at most 1023 bytes; an escape counts as one. An
// escape is a whole one-character rawcode (\b, \t, \r, \n, \f or \\) or
// nothing: a four-character rawcode holds no backslash.
#pragma once

#include "check/jass_semantics.h"

namespace zarn::jass {

// Reports a rawcode or string literal out of its limits.
void CheckLiteral(Semantics& sem, const Token& literal);

}  // namespace zarn::jass
