// The built-in API in the editor: chosen like a run's when no files are
// found, definitions into the declarations file written for its patch, and
// hover with a constant's value.
#include "lsp/builtin_api.h"

#include <gtest/gtest.h>

#include "lsp/lsp_test_util.h"
#include "lsp/workspace.h"
#include "platform/file_uri.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "testing/scratch_folder.h"

namespace zarn::lsp {
namespace {

constexpr const char* kScript =
    "function A takes nothing returns unit\n"
    "    local integer most = JASS_MAX_ARRAY_SIZE\n"
    "    return BlzCreateUnitWithSkin(Player(0), 'hfoo', 0.0, 0.0, 0.0, 'hfoo')\n"
    "endfunction\n";

class BuiltinApiTest : public testing::Test {
 protected:
  WorkspaceOptions Options() const {
    WorkspaceOptions options;
    options.declarations_dir = declarations_.path();
    options.root = root_.path();
    return options;
  }
  std::string Open(Workspace& workspace, const std::string& path) {
    const std::string uri = PathToFileUri(AbsolutePath(path));
    workspace.documents().Open(uri, kScript, 1);
    return uri;
  }
  static std::string Messages(Workspace& workspace, const std::string& uri) {
    std::string all;
    for (const Diagnostic& d : workspace.Diagnostics(uri)) all += d.message + "\n";
    return all;
  }
  // A folder map in the root whose war3map.w3i records 1.31.1.
  std::string MapOf131() {
    const std::string map = root_ / "Old.w3x";
    CreateFolders(map);
    WriteFileBytes(map + "/war3map.j", kScript);
    WriteFileBytes(map + "/war3map.w3i",
                   std::string("\x1c\0\0\0\x01\0\0\0\xde\x17\0\0\x01\0\0\0\x1f\0\0\0\x01\0\0\0\0\0\0\0", 28));
    return map;
  }

  testing_util::ScratchFolder declarations_, root_;
};

TEST_F(BuiltinApiTest, DefinitionOpensTheDeclarationsFileAndHoverShowsAConstantsValue) {
  Workspace workspace(Options());
  const std::string uri = Open(workspace, root_ / "a.j");
  EXPECT_EQ(Messages(workspace, uri), "");  // the newest API knows the 1.32 native
  EXPECT_TRUE(workspace.TakeNotes().empty());
  const std::string& text = kScript;
  const std::size_t native = std::string(text).find("BlzCreateUnitWithSkin") + 2;
  const std::vector<Location> found = workspace.Definition(uri, native);
  ASSERT_EQ(found.size(), 1u);
  const std::string file = declarations_ / "zarn-api-2.0.j";
  EXPECT_EQ(found[0].uri, PathToFileUri(file));
  const std::string declarations = ReadFileBytes(file);
  EXPECT_EQ(declarations.substr(found[0].at.begin, found[0].at.end - found[0].at.begin), "BlzCreateUnitWithSkin");
  const std::optional<HoverInfo> hover = workspace.Hover(uri, std::string(text).find("JASS_MAX") + 1);
  ASSERT_TRUE(hover);
  EXPECT_NE(hover->markdown.find("constant integer JASS_MAX_ARRAY_SIZE = 32768"), std::string::npos) << hover->markdown;
  EXPECT_NE(hover->markdown.find("zarn-api-2.0.j"), std::string::npos) << hover->markdown;
  // Opened in the editor, the declarations file is no program of its own:
  // nothing in it is declared twice.
  workspace.documents().Open(found[0].uri, declarations, 1);
  EXPECT_EQ(Messages(workspace, found[0].uri), "");
  // It is read-only, and written again, read-only, when it holds other text.
  EXPECT_TRUE(IsReadOnlyFile(file));
  ASSERT_TRUE(SetReadOnly(file, false));
  WriteFileBytes(file, "stale");
  SetReadOnly(file, true);
  {
    Workspace again(Options());
    again.Definition(Open(again, root_ / "b.j"), native);
  }
  EXPECT_EQ(ReadFileBytes(file), declarations);
  EXPECT_TRUE(IsReadOnlyFile(file));
  SetReadOnly(file, false);  // a read-only file would outlive its scratch folder on Windows
}

TEST_F(BuiltinApiTest, ThePatchComesFromTheSettingThenTheMapFolder) {
  const std::string refused = "undefined function \"BlzCreateUnitWithSkin\"\n";
  {
    Workspace workspace(Options());
    workspace.SetPatch("1.31");
    EXPECT_EQ(Messages(workspace, Open(workspace, root_ / "a.j")), refused);
  }
  const std::string map = MapOf131();
  EXPECT_EQ(PatchOfDocument(map + "/war3map.j", ""), "1.31");
  EXPECT_EQ(PatchOfDocument(root_ / "elsewhere.j", root_.path()), "1.31");  // the root's only map
  EXPECT_EQ(PatchOfDocument(root_ / "elsewhere.j", ""), "2.0");
  {
    Workspace workspace(Options());
    EXPECT_EQ(Messages(workspace, Open(workspace, map + "/war3map.j")), refused);
  }
  {
    Workspace workspace(Options());
    workspace.SetPatch("1.32.8");
    EXPECT_EQ(Messages(workspace, Open(workspace, map + "/war3map.j")), "");
    workspace.SetPatch("2.0");  // the first choice stays, as --patch stays before the setting
  }
  Workspace workspace(Options());
  workspace.SetPatch("0.9");
  EXPECT_EQ(Messages(workspace, Open(workspace, map + "/war3map.j")), refused);
  const std::vector<std::string> notes = workspace.TakeNotes();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("no built-in API for patch 0.9"), std::string::npos);
}

}  // namespace
}  // namespace zarn::lsp
