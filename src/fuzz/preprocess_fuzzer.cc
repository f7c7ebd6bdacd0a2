// Whole preprocessing of arbitrary bytes taken as a script.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/pipeline.h"
#include "platform/errors.h"
#include "text/script.h"

namespace {

int Preprocess(std::string_view input, zarn::KeywordRule keywords) {
  zarn::NullProgress progress;
  zarn::Run run(progress);
  run.keywords = keywords;
  zarn::BuildLanguageTables(run);
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
    if (line.empty() || static_cast<unsigned char>(line.front()) <= 32 || static_cast<unsigned char>(line.back()) <= 32)
      __builtin_trap();
  }
  zarn::RestoreLiterals(run);
  zarn::ErrorReport report = zarn::ScanResultForMarkers(run);
  if (report.entries.size() > report.marker_count) __builtin_trap();
  return 0;
}

}  // namespace

// Each input in both modes: keywords by letters and by words.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  Preprocess(input, zarn::KeywordRule());
  return Preprocess(input, zarn::KeywordRule::Words());
}
