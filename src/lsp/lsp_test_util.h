// Small documents and an API folder for the language server's tests.
#pragma once

#include <string>

#include "platform/file_uri.h"
#include "platform/files.h"
#include "testing/scratch_folder.h"

namespace zarn::lsp::test {

inline constexpr const char* kCommon =
    "type widget extends handle\n"
    "type unit extends widget\n"
    "type timer extends handle\n"
    "type group extends handle\n"
    "constant native GetTriggerUnit takes nothing returns unit\n"
    "native KillUnit takes unit whichUnit returns nothing\n"
    "native RemoveUnit takes unit whichUnit returns nothing\n"
    "native CreateTimer takes nothing returns timer\n"
    "native DestroyTimer takes timer whichTimer returns nothing\n"
    "native CreateGroup takes nothing returns group\n"
    "native DestroyGroup takes group whichGroup returns nothing\n"
    "native SetUnitState takes unit whichUnit, integer whichState, real newVal returns nothing\n";
inline constexpr const char* kBlizzard =
    "globals\n"
    "constant integer bj_MAX_PLAYERS = 12\n"
    "endglobals\n"
    "function BJDebugMsg takes string msg returns nothing\n"
    "endfunction\n";

// A folder with common.j and Blizzard.j, and the documents' folder beside it.
class ApiFolder {
 public:
  ApiFolder() {
    WriteFileBytes(folder_ / "common.j", kCommon);
    WriteFileBytes(folder_ / "Blizzard.j", kBlizzard);
  }
  const std::string& path() const { return folder_.path(); }
  std::string Uri(const std::string& name) const { return PathToFileUri(AbsolutePath(folder_ / name)); }

 private:
  testing_util::ScratchFolder folder_;
};

}  // namespace zarn::lsp::test
