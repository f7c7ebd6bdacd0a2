// The text a pass writes in front of a statement it cannot translate; the
// statement's own keyword follows it and names the kind of the error.
#pragma once

namespace zarn {

inline constexpr char kErrorMarker[] = "//!ZARN Error:";

}  // namespace zarn
