#include "core/script_run.h"

#include <optional>
#include <utility>

#include "core/api_choice.h"
#include "core/pipeline.h"
#include "core/result_check.h"
#include "core/result_places.h"
#include "core/side_work.h"

namespace zarn {

int RunScript(ScriptRunOptions options, const ScriptWriter& write, ProgressReporter& progress, ErrorPresenter& errors) {
  Run run(progress);
  if (options.words) run.keywords = KeywordRule::Words();
  // Entries name the script by options.sources, and pasted files by their
  // real paths.
  ImportOptions imports = options.imports;
  if (!options.sources.files.empty()) imports.script_name = options.sources.files[0];
  ImportedScript imported = PasteImports(std::move(options.script), imports);
  if (!imported.problems.empty()) {
    errors.PresentErrors(ImportProblemsReport(imported));
    return 1;
  }
  // The hint reads the script again, which would not have the pasted files.
  const bool pasted = imported.imported_count() > 0;
  if (pasted && !run.keywords.words()) options.read_again = [copy = imported.text] { return copy; };
  run.raw = std::move(imported.text);
  run.sources = pasted ? std::move(imported.sources) : std::move(options.sources);
  BuildLanguageTables(run);
  // The check's annotations and its API are read beside the passes: the
  // input's bytes stay in the run, and the API does not depend on them.
  SideWork<jass::FunctionAnnotations> annotations = ReadAnnotationsBeside(run.raw, options.check_result);
  // --no-api only notes that names and types go unchecked: that stays here.
  const ApiRequest request{options.api_dir, options.patch, options.no_api};
  std::optional<SideWork<ChosenApi>> api;
  if (options.check_result && !options.no_api && run.raw.size() >= kSideWorkFrom)
    api.emplace(true, [&request, &progress] { return ChooseApi(request, ApiLookupDir(), nullptr, progress); });
  PreprocessScript(run);
  ErrorReport report = ScanResultForMarkers(run);
  if (report.marker_count == 0 && options.check_result) {
    const ChosenApi chosen = api ? api->Take() : ChooseApi(request, ApiLookupDir(), nullptr, progress);
    const jass::FunctionAnnotations read = annotations.Take();
    report = CheckChosen(run.text, progress, chosen, &read);
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
