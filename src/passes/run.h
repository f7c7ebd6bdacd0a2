// The state of one processing run, handed to every pass.
#pragma once

#include <string>
#include <vector>

#include "passes/kept_annotations.h"
#include "passes/keyword_rule.h"
#include "passes/literals.h"
#include "passes/tables.h"
#include "platform/progress.h"
#include "text/line_origins.h"
#include "text/script.h"
#include "text/source_place.h"

namespace zarn {

struct Run {
  explicit Run(ProgressReporter& reporter) : progress(reporter) {}

  ProgressReporter& progress;
  // Exactly one of the two forms is current at any moment; the pipeline
  // converts between them at fixed points and leaves its result in `text`.
  Lines lines;
  std::string text;
  // The script file's bytes as loaded, when the loader hands them over whole:
  // preprocessing then starts from these instead of `lines`.
  std::string raw;
  // Where each line of the input came from (by default, every line from one
  // file), and the input's bytes as given, up to any NUL: the user's own
  // lines, for the columns of what is reported.
  SourceMap sources;
  std::string input;
  // While the passes run: for each line of `text`, the line of the input
  // with its literals hidden that it came from; for each raw block taken
  // out, the same for each line of its body. `restored_line_starts`: for
  // each line of the result before its literals were restored, the line of
  // the result it begins (HiddenLiterals::RestoredLineStarts).
  LineOrigins origins;
  std::vector<LineOrigins> raw_block_origins;
  std::vector<std::uint32_t> restored_line_starts;
  // Contents of the script's string and rawcode literals while tokens stand
  // in for them, and the ranges of the result whose restored literals hold
  // marker text.
  HiddenLiterals literals;
  std::vector<std::pair<std::size_t, std::size_t>> literal_markers;
  // The checkers' annotation lines above function lines, put back at the end.
  KeptAnnotations annotations;
  // Bodies of raw blocks, in order, always followed by one empty entry.
  std::vector<std::string> raw_blocks{std::string()};
  std::string globals_block;
  ReturnTypeTable return_types;
  // Keywords by letters (the default) or as whole words in their statements'
  // places: chosen by the caller, or by a "//!words" line in the script.
  KeywordRule keywords;
};

// Fills the run's return-type table with the built-in rows.
inline void BuildLanguageTables(Run& run) { run.return_types = ReturnTypeTable::BuiltIn(); }

}  // namespace zarn
