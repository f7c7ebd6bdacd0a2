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
  // The file on the disk, which its own imports do not paste again; empty
  // for standard input.
  std::string path;
  // The folder its //!import lines are taken from; empty: the current one.
  std::string import_folder;
  // The run reads `path` itself, in its turn: a file that an earlier file
  // imported is not read again. Throws FileError when it cannot be read.
  bool read_by_run = false;
};

struct CheckRunOptions {
  // Read in order as one program.
  std::vector<CheckFile> files;
  // The folder of common.j and Blizzard.j; empty: the working folder, when
  // they are there.
  std::string api_dir;
  // Check the files in full even without the API; no built-in table is
  // taken then unless `patch` names one.
  bool strict = false;
  // More folders that //!import lines may take files from (--import-path).
  std::vector<std::string> import_paths;
  // --patch and --no-api (core/api_choice.h).
  std::string patch;
  bool no_api = false;
};

// Pastes each file's imports, each imported file once across all the files
// as in one run, then checks the files: in full after the API when there is one (or with
// `strict`), otherwise each file's grammar on its own. Notes (no API, vJass
// found) go to progress.Note. The problems are presented as entries
// "FILE:LINE:COLUMN: error: message", the API's own first, each in the file
// and line where it was written, imported files included; the count is the
// number of problems. Imports that cannot be pasted are the only problems
// presented then. Returns 0 when there is none, 1 otherwise. An API
// folder whose files cannot be read is thrown as FileError.
int RunCheck(const CheckRunOptions& options, ProgressReporter& progress, ErrorPresenter& errors);

}  // namespace zarn
