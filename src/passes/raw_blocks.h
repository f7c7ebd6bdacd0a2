// "//!nozarn" ... "//!endnozarn" blocks: taken out before translation and put
// back, untouched, afterwards.
#pragma once

#include "passes/run.h"

namespace zarn {

void SplitRawBlocks(Run& run);
void JoinRawBlocks(Run& run);

}  // namespace zarn
