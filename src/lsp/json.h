// The JSON library of the protocol layer, in one place.
#pragma once

#include <nlohmann/json.hpp>

namespace zarn::lsp {

using Json = nlohmann::json;

// The text of a value; bytes that are not UTF-8 become U+FFFD instead of
// failing the whole message.
inline std::string Dump(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

}  // namespace zarn::lsp
