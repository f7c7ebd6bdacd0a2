// Which API a run checks names and types against, first match wins:
//   1. --api DIR: common.j and Blizzard.j there;
//   2. --patch VERSION: the built-in table of the newest patch not newer;
//   3. common.j and Blizzard.j found where runs look for them;
//   4. for a map run, the version the map records in war3map.w3i (1.24 when
//      it records none that is known);
//   5. otherwise the newest built-in table.
// --no-api asks for the grammar check only.
#pragma once

#include <optional>
#include <string>

#include "check/jass_api.h"
#include "core/report.h"
#include "map/map_info.h"

namespace zarn {

struct ApiRequest {
  std::string dir;    // --api: the folder of common.j and Blizzard.j
  std::string patch;  // --patch: a version, "1.24" to "2.0" or finer
  bool none = false;  // --no-api
};

enum class ApiOrigin : std::uint8_t {
  kNone,        // --no-api: grammar only
  kGivenFiles,  // --api DIR
  kPatch,       // --patch
  kFoundFiles,  // common.j and Blizzard.j in the folder looked in
  kMap,         // the map's recorded version
  kMapUnknown,  // a map whose version is not known: 1.24
  kNewest,      // the newest table
};

struct ChosenApi {
  std::optional<JassApi> api;
  ApiOrigin origin = ApiOrigin::kNone;
  std::string folder;  // of the files, for kGivenFiles and kFoundFiles
  std::string asked;   // the --patch version as given

  bool builtin() const { return api && !api->patch().empty(); }
  // "the 1.32 API (the map's version)", "common.j and Blizzard.j in DIR";
  // empty without an API.
  std::string Description() const;
  // "checked against " + Description(); empty without an API.
  std::string CheckedLine() const;
};

// The table a --patch VERSION means; empty when it is no version or older
// than the oldest table.
std::string PatchOfRequest(const std::string& version);

// The table for what a map records; empty when the record is not known.
std::string PatchOfMap(const MapVersion& version);

// True when `folder` is a map saved as a folder (it holds war3map.j).
bool IsMapFolder(const std::string& folder);
// The table for the version the folder map `folder` records; the oldest
// when it records none that is known.
std::string PatchOfMapFolder(const std::string& folder);

// Chooses by the order above. `lookup_dir`: the folder where common.j and
// Blizzard.j are looked for (empty: none). `map`: the map's record, for a map
// run. A --api folder whose files cannot be read is thrown as FileError, a
// --patch that names no table as Error. With `none`, progress gets the note
// that names and types are not checked.
ChosenApi ChooseApi(const ApiRequest& request, const std::string& lookup_dir, const MapVersion* map,
                    ProgressReporter& progress);

// The note for --no-api.
inline constexpr const char* kNoApiNote = "names and types not checked (--no-api)";

// What a refusal by a built-in table says after its entries: how to go on.
std::string BuiltinRefusalAdvice();

}  // namespace zarn
