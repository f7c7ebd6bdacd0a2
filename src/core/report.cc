#include "core/report.h"

#include "text/text.h"

namespace zarn {

std::string ErrorCaption(std::size_t marker_count) {
  return "ZARN: " + std::to_string(marker_count) + (marker_count == 1 ? " error found!" : " errors found!");
}

std::string ScriptWithoutMarkers(std::string_view script) { return ReplaceAll(script, kErrorMarker, ""); }

}  // namespace zarn
