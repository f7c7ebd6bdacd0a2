// "//!if true (name)" / "//!if false (name)" ... "//!endif": the stretch stays
// or goes by whether the name occurs in the globals block.
#pragma once

#include <string>
#include <string_view>

namespace zarn {

// Resolves the stretch from the first "//!if" to the last "//!endif".
void ResolveConditionalBlocks(std::string& text, std::string_view globals_block);

// `text` without any "//!" text, each removed up to the end of its line.
std::string StripDirectives(std::string_view text);

}  // namespace zarn
