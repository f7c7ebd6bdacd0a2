#include "core/script_run.h"

#include <optional>
#include <utility>

#include "core/pipeline.h"
#include "core/result_check.h"
#include "core/result_places.h"

namespace zarn {

int RunScript(ScriptRunOptions options, const ScriptWriter& write, ProgressReporter& progress, ErrorPresenter& errors) {
  Run run(progress);
  if (options.words) run.keywords = KeywordRule::Words();
  run.raw = std::move(options.script);
  run.sources = std::move(options.sources);
  BuildLanguageTables(run);
  jass::FunctionAnnotations annotations;
  if (options.check_result) annotations = ReadAnnotations(run.raw);
  PreprocessScript(run);
  ErrorReport report = ScanResultForMarkers(run);
  if (report.marker_count == 0 && options.check_result) {
    const std::optional<JassApi> api = FindJassApi(options.api_dir, ApiLookupDir(), progress);
    report = CheckResultScript(run.text, progress, api ? &*api : nullptr, &annotations);
  }
  // Read before the result is written, which may replace the input.
  if (report.marker_count > 0 && !run.keywords.words() && options.read_again)
    report.hint = WordsHint(options.read_again());
  if (!write(run.text)) return kScriptNotWritten;
  if (report.marker_count == 0) return 0;
  PlaceEntries(run, report);
  errors.PresentErrors(report);
  return 1;
}

}  // namespace zarn
