#include "core/script_run.h"

#include <optional>
#include <utility>

#include "core/pipeline.h"
#include "core/result_check.h"

namespace zarn {

int RunScript(ScriptRunOptions options, const ScriptWriter& write, ProgressReporter& progress,
              ErrorPresenter& errors) {
  Run run(progress);
  run.raw = std::move(options.script);
  BuildLanguageTables(run);
  jass::FunctionAnnotations annotations;
  if (options.check_result) annotations = ReadAnnotations(run.raw);
  PreprocessScript(run);
  ErrorReport report = ScanResultForMarkers(run);
  if (report.marker_count == 0 && options.check_result) {
    const std::optional<JassApi> api = FindJassApi(options.api_dir, ApiLookupDir(), progress);
    report = CheckResultScript(run.text, progress, api ? &*api : nullptr, &annotations);
  }
  if (!write(run.text)) return kScriptNotWritten;
  if (report.marker_count == 0) return 0;
  errors.PresentErrors(report);
  return 1;
}

}  // namespace zarn
