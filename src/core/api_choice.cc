#include "core/api_choice.h"

#include "check/jass_builtin_api.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace zarn {

namespace {

// The first editor version of each patch that has a table of its own
// (data/README.md), newest first. Older editors get the oldest table; an
// editor version past the newest known one is unknown.
struct EditorPatch {
  std::uint32_t first_editor;
  const char* patch;
};
constexpr EditorPatch kEditorPatches[] = {{6116, "2.0"},  {6115, "1.33"}, {6105, "1.32"},
                                          {6072, "1.31"}, {6061, "1.30"}, {6060, "1.29"}};
constexpr std::uint32_t kNewestKnownEditor = 6116;

std::string PatchOfEditor(std::uint32_t editor, const std::string& oldest) {
  if (editor > kNewestKnownEditor) return "";
  for (const EditorPatch& row : kEditorPatches)
    if (editor >= row.first_editor) return row.patch;
  return oldest;
}

ChosenApi Builtin(const std::string& patch, ApiOrigin origin) {
  ChosenApi chosen;
  chosen.api = JassApi::Builtin(patch);
  chosen.origin = origin;
  return chosen;
}

ChosenApi Files(const std::string& folder, ApiOrigin origin) {
  ChosenApi chosen;
  chosen.api = JassApi::Load(folder);
  chosen.origin = origin;
  chosen.folder = folder;
  return chosen;
}

}  // namespace

std::string ChosenApi::Description() const {
  if (!api) return "";
  switch (origin) {
    case ApiOrigin::kGivenFiles:
    case ApiOrigin::kFoundFiles: return "common.j and Blizzard.j in " + folder;
    case ApiOrigin::kPatch: return "the " + api->patch() + " API (--patch " + asked + ")";
    case ApiOrigin::kMap: return "the " + api->patch() + " API (the map's version)";
    case ApiOrigin::kMapUnknown: return "the " + api->patch() + " API (the map's version is unknown)";
    case ApiOrigin::kNewest: return "the " + api->patch() + " API (the newest)";
    case ApiOrigin::kNone: break;
  }
  return "";
}

std::string ChosenApi::CheckedLine() const {
  const std::string description = Description();
  return description.empty() ? description : "checked against " + description;
}

std::string PatchOfRequest(const std::string& version) { return BuiltinPatchFor(version); }

std::string PatchOfMap(const MapVersion& version) {
  const std::string oldest = BuiltinPatches().front();
  if (version.kind == MapVersion::Kind::kEditor) return PatchOfEditor(version.editor, oldest);
  if (version.kind != MapVersion::Kind::kGame) return "";
  const std::string patch = BuiltinPatchFor(version.GameVersion());
  return patch.empty() ? oldest : patch;
}

bool IsMapFolder(const std::string& folder) { return IsRegularFile(PathJoin(folder, "war3map.j")); }

std::string PatchOfMapFolder(const std::string& folder) {
  const std::string patch = PatchOfMap(ReadMapVersion(ReadFolderMapInfoHeader(folder)));
  return patch.empty() ? BuiltinPatches().front() : patch;
}

ChosenApi ChooseApi(const ApiRequest& request, const std::string& lookup_dir, const MapVersion* map,
                    ProgressReporter& progress) {
  if (request.none) {
    progress.Note(kNoApiNote);
    return {};
  }
  if (!request.dir.empty()) return Files(request.dir, ApiOrigin::kGivenFiles);
  if (!request.patch.empty()) {
    const std::string patch = PatchOfRequest(request.patch);
    if (patch.empty()) throw Error("no built-in API for patch " + request.patch);
    ChosenApi chosen = Builtin(patch, ApiOrigin::kPatch);
    chosen.asked = request.patch;
    return chosen;
  }
  if (!lookup_dir.empty() && JassApi::FoundIn(lookup_dir)) return Files(lookup_dir, ApiOrigin::kFoundFiles);
  if (map) {
    const std::string patch = PatchOfMap(*map);
    return patch.empty() ? Builtin(BuiltinPatches().front(), ApiOrigin::kMapUnknown) : Builtin(patch, ApiOrigin::kMap);
  }
  return Builtin(BuiltinPatches().back(), ApiOrigin::kNewest);
}

std::string BuiltinRefusalAdvice() {
  return "How to go on: mend the script; or, for a map made for a platform with natives of its own, put that "
         "platform's common.j and Blizzard.j beside the program (or give zarn-cli --api DIR); or check the "
         "grammar only with zarn-cli --no-api.";
}

}  // namespace zarn
