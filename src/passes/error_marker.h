// The text a pass writes in front of a statement it cannot translate; the
// statement's own keyword follows it and names the kind of the error.
#pragma once

#include <string_view>

namespace zarn {

inline constexpr char kErrorMarker[] = "//!ZARN Error:";
// The marker without its colon: what makes a line a marker line for the
// end-of-run scan, whatever follows.
inline constexpr std::string_view kErrorMarkerStem(kErrorMarker, sizeof kErrorMarker - 2);

}  // namespace zarn
