// Splits statement lists, records the globals block, runs the body passes on
// every function and method, then the whole-script statement passes.
#pragma once

#include <string>

#include "passes/run.h"

namespace zarn {

void ParseBlocks(Run& run);
void SplitStatementLists(std::string& text, const KeywordRule& rule = {});

}  // namespace zarn
