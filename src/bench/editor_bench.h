// The language server's figures on one script: diagnostics after an edit
// against a `zarn-cli --script --api` run on the same text, and the latency
// of hover, definition and completion.
#pragma once

#include <string>

namespace zarn::bench {

// `api_dir` holds common.j and Blizzard.j; `script_run` is the time of
// `zarn-cli --script --api` on the same file.
void MeasureEditor(const std::string& script_path, const std::string& api_dir, double script_run);

}  // namespace zarn::bench
