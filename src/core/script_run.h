// The script run: a plain script preprocessed and checked, without archive
// or working files.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/imports.h"
#include "core/report.h"
#include "text/source_place.h"

namespace zarn {

struct ScriptRunOptions {
  std::string script;  // the bytes to preprocess
  // Where each line of `script` came from, for the places of the entries;
  // without files, the script is named "-" (standard input).
  SourceMap sources;
  // How the script's //!import lines are resolved: its file, and the folders
  // they may take files from (the name is that of `sources`).
  ImportOptions imports;
  // Check the result as JASS 2 when it holds no markers.
  bool check_result = true;
  // The folder of common.j and Blizzard.j; empty: the working folder, when
  // they are there.
  std::string api_dir;
  // --patch and --no-api (core/api_choice.h); without any, the newest
  // built-in table.
  std::string patch;
  bool no_api = false;
  // Keywords only as whole words in their statements' places (--words).
  bool words = false;
  // The script's bytes once more, asked for only by a refused run in the
  // default mode, for its hint; none: no hint.
  std::function<std::string()> read_again;
};

// Takes the processed script; false when it could not be written (after
// saying why).
using ScriptWriter = std::function<bool(std::string_view script)>;

// The exit code of a script run whose result could not be written.
inline constexpr int kScriptNotWritten = 2;

// Pastes the imports of options.script, preprocesses it and checks the
// result, hands it to `write` whatever was found, then presents the markers
// or problems. An import that cannot be pasted is presented before anything
// is processed or written. Returns 0 when clean, 1 after presenting them,
// kScriptNotWritten when `write` failed (nothing presented). Failures of the environment are thrown as Error.
int RunScript(ScriptRunOptions options, const ScriptWriter& write, ProgressReporter& progress, ErrorPresenter& errors);

}  // namespace zarn
