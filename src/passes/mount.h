// "mount alias to value" ... "unmount": inside the stretch every occurrence of
// the alias text is replaced by the value text. A mount that is never closed
// runs to the end of the script.
#pragma once

#include <string>

#include "passes/keyword_rule.h"

namespace zarn {

void ExpandMountBlocks(std::string& text, const KeywordRule& rule = {});

}  // namespace zarn
