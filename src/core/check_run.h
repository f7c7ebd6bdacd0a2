// The check run: plain JASS 2 files checked as they are, without
// preprocessing.
#pragma once

#include <string>
#include <vector>

#include "core/report.h"

namespace zarn {

struct CheckFile {
  std::string name;  // as problems name it
  std::string text;
};

struct CheckRunOptions {
  // Read in order as one program.
  std::vector<CheckFile> files;
  // The folder of common.j and Blizzard.j; empty: the working folder, when
  // they are there.
  std::string api_dir;
  // Check the files in full even without the API.
  bool strict = false;
};

// Checks the files: in full after the API when there is one (or with
// `strict`), otherwise each file's grammar on its own. Notes (no API, vJass
// found) go to progress.Note. The problems are presented as entries
// "FILE:LINE:COLUMN: error: message", the API's own first; the count is the
// number of problems. Returns 0 when there is none, 1 otherwise. An API
// folder whose files cannot be read is thrown as FileError.
int RunCheck(const CheckRunOptions& options, ProgressReporter& progress, ErrorPresenter& errors);

}  // namespace zarn
