// Whole preprocessing of arbitrary bytes taken as a script.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/errors.h"
#include "core/pipeline.h"
#include "text/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zarn::NullProgress progress;
  zarn::Run run(progress);
  zarn::BuildLanguageTables(run);
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  run.raw.assign(input);
  zarn::HideLiterals(run);
  // Hiding and restoring alone give the script back byte for byte.
  if (run.literals.Restore(run.raw) != zarn::UpToNul(input)) __builtin_trap();
  try {
    zarn::RunPasses(run);
  } catch (const zarn::Error&) {
    return 0;  // a script too complex to process is refused, not a fault
  }
  // What the passes leave is always a script of non-empty, trimmed lines,
  // each followed by CR LF (literals, once restored, may span lines).
  const zarn::Lines lines = zarn::SplitText(run.text);
  if (zarn::JoinLines(lines) != run.text) __builtin_trap();
  for (const std::string& line : lines) {
    if (line.empty() || static_cast<unsigned char>(line.front()) <= 32 ||
        static_cast<unsigned char>(line.back()) <= 32)
      __builtin_trap();
  }
  zarn::RestoreLiterals(run);
  zarn::ErrorReport report = zarn::ScanResultForMarkers(run);
  if (report.entries.size() > report.marker_count) __builtin_trap();
  return 0;
}
