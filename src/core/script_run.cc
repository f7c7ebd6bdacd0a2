#include "core/script_run.h"

#include <optional>
#include <utility>

#include "core/pipeline.h"
#include "core/result_check.h"

namespace zarn {

int RunScript(ScriptRunOptions options, const ScriptWriter& write, ProgressReporter& progress,
              ErrorPresenter& errors) {
  Run run(progress);
  if (options.words) run.keywords = KeywordRule::Words();
  // Kept for the hint of a refused run in the default mode; the directive
  // may still choose word mode.
  run.raw = options.words ? std::move(options.script) : options.script;
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
  if (!run.keywords.words()) report.hint = WordsHint(options.script);
  errors.PresentErrors(report);
  return 1;
}

}  // namespace zarn
