#include "desktop/sample_reports.h"

#include <string>

#include "core/pipeline.h"
#include "core/result_check.h"
#include "desktop/dropped_maps.h"

namespace zarn {

ErrorReport SampleMarkerReport() {
  const std::string marker = kErrorMarker;
  return ScanForMarkers(Lines{
      "globals",
      "integer count = 0",
      "endglobals",
      "function Spawn takes nothing returns nothing",
      marker + "var v = GetSomething()",
      "local unit u = CreateUnit(Player(0), 'hfoo', 0, 0, 0)",
      marker + "free t",
      "set count = count + 1",
      "endfunction",
      "function main takes nothing returns nothing",
      marker + "var w",
      "call Spawn()",
      "endfunction",
  });
}

ErrorReport SampleCheckReport() {
  NullProgress progress;
  return CheckResultScript(
      "globals\r\n"
      "integer count = 0\r\n"
      "real xprate_\r\n"
      "= 1\r\n"
      "endglobals\r\n"
      "function s__StringTable_set takes nothing returns nothing = null\r\n"
      "endfunction\r\n"
      "function Spawn takes nothing returns nothing\r\n"
      "local unit u = CreateUnit(Player(0), 'hfoo', 0, 0, 0)\r\n"
      "loop\r\n"
      "exitwhen count > 10\r\n"
      "set count = count + 1\r\n"
      "endfunction\r\n",
      progress);
}

std::string SampleDropMessage(const std::string& working_dir) {
  return DroppedMapsMessage({
      {"/maps/Castle Siege.w3x",
       DroppedMapResult::kFullyChecked,
       "",
       working_dir,
       {},
       3,
       "the 1.32 API (the map's version)"},
      {"/maps/Tower Wars.w3x",
       DroppedMapResult::kFullyChecked,
       "",
       working_dir,
       {},
       0,
       "the 1.24 API (the map's version)"},
      {"/maps/Hero Arena.w3x", DroppedMapResult::kVjass, "", working_dir, {}},
      {"/maps/Island Defense.w3x", DroppedMapResult::kUnchanged, "", working_dir, {}},
      {"/maps/notes.w3x",
       DroppedMapResult::kRefused,
       "Error opening file: war3map.j (notes.w3x is not a map archive)",
       working_dir,
       {}},
  });
}

}  // namespace zarn
