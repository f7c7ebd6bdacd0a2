// Whole preprocessing of arbitrary bytes taken as a script.
#include <cstddef>
#include <cstdint>
#include <string>

#include "errors.h"
#include "pipeline.h"
#include "script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zarn::NullProgress progress;
  zarn::Run run(progress);
  zarn::BuildLanguageTables(run);
  run.raw.assign(reinterpret_cast<const char*>(data), size);
  try {
    zarn::PreprocessScript(run);
  } catch (const zarn::Error&) {
    return 0;  // a script too complex to process is refused, not a fault
  }
  zarn::ErrorReport report = zarn::ScanTextForMarkers(run.text);
  // The result is always a script of non-empty, trimmed lines, each followed
  // by CR LF.
  const zarn::Lines lines = zarn::SplitText(run.text);
  if (zarn::JoinLines(lines) != run.text) __builtin_trap();
  for (const std::string& line : lines) {
    if (line.empty() || static_cast<unsigned char>(line.front()) <= 32 ||
        static_cast<unsigned char>(line.back()) <= 32)
      __builtin_trap();
  }
  if (report.entries.size() > report.marker_count) __builtin_trap();
  return 0;
}
