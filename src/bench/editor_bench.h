// The language server's figures on one script: diagnostics after an edit
// against a `zarn-cli --script --api` run on the same text, the latency of
// hover, definition and completion, the document symbols' time and size,
// and the peak memory of `zarn-cli --lsp` with the script open.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zarn::bench {

// `api_dir` holds common.j and Blizzard.j; `script_run` is the time of
// `zarn-cli --script --api` on the same file; `peak_kb` gives the peak
// memory of a command, `cli` is zarn-cli and `scratch` a folder for the
// server's input.
using PeakOfCommand = std::function<long(const std::vector<std::string>& command)>;
void MeasureEditor(const std::string& script_path, const std::string& api_dir, double script_run,
                   const std::string& cli, const std::string& scratch, const PeakOfCommand& peak_kb);

}  // namespace zarn::bench
