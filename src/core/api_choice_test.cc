// Which API a run checks against: each rule of the order in turn, and map
// runs that take the table of the version their map records.
#include "core/api_choice.h"

#include <gtest/gtest.h>

#include "core/pipeline.h"
#include "map/map_builder.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "testing/test_util.h"

namespace zarn {
namespace {

using testing_util::TempDir;

class Notes : public NullProgress {
 public:
  void Note(std::string_view text) override { notes += std::string(text) + "\n"; }
  std::string notes;
};

class Kept : public ErrorPresenter {
 public:
  void PresentErrors(const ErrorReport& presented) override { report = presented; }
  ErrorReport report;
};

void WriteApi(const std::string& dir) {
  WriteFileBytes(dir + "/common.j", "type unit extends handle\n");
  WriteFileBytes(dir + "/Blizzard.j", "");
}

std::string Int32(std::uint32_t v) {
  return {static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff), static_cast<char>((v >> 16) & 0xff),
          static_cast<char>(v >> 24)};
}

MapVersion Recorded(std::uint32_t format, std::uint32_t editor, std::uint32_t major = 0, std::uint32_t minor = 0,
                    std::uint32_t patch = 0) {
  return ReadMapVersion(Int32(format) + Int32(1) + Int32(editor) + Int32(major) + Int32(minor) + Int32(patch) +
                        Int32(0));
}

TEST(ApiChoice, FirstMatchWins) {
  TempDir given, found, empty;
  WriteApi(given.path());
  WriteApi(found.path());
  Notes progress;
  const MapVersion map = Recorded(28, 6114, 1, 32, 8);
  auto choose = [&](const ApiRequest& request, const std::string& lookup, const MapVersion* recorded) {
    return ChooseApi(request, lookup, recorded, progress).Description();
  };
  EXPECT_EQ(choose({given.path(), "", false}, found.path(), &map), "common.j and Blizzard.j in " + given.path());
  EXPECT_EQ(choose({"", "1.31.1", false}, found.path(), &map), "the 1.31 API (--patch 1.31.1)");
  EXPECT_EQ(choose({"", "", false}, found.path(), &map), "common.j and Blizzard.j in " + found.path());
  EXPECT_EQ(choose({"", "", false}, empty.path(), &map), "the 1.32 API (the map's version)");
  const MapVersion old_format = Recorded(25, 6059), unknown = Recorded(25, 6200), newer = Recorded(31, 6116, 1, 36);
  EXPECT_EQ(choose({"", "", false}, "", &old_format), "the 1.24 API (the map's version)");
  // Editor versions of the later patches, in the formats that hold no game version.
  for (const auto& [editor, patch] : std::vector<std::pair<std::uint32_t, std::string>>{{6052, "1.24"},
                                                                                        {6060, "1.29"},
                                                                                        {6061, "1.30"},
                                                                                        {6072, "1.31"},
                                                                                        {6098, "1.31"},
                                                                                        {6111, "1.32"},
                                                                                        {6115, "1.33"},
                                                                                        {6116, "2.0"}}) {
    const MapVersion recorded = Recorded(25, editor);
    EXPECT_EQ(choose({"", "", false}, "", &recorded), "the " + patch + " API (the map's version)") << editor;
  }
  EXPECT_EQ(choose({"", "", false}, "", &unknown), "the 1.24 API (the map's version is unknown)");
  EXPECT_EQ(choose({"", "", false}, "", &newer), "the 1.33 API (the map's version)");
  EXPECT_EQ(choose({"", "", false}, "", nullptr), "the 2.0 API (the newest)");
  EXPECT_EQ(progress.notes, "");
  EXPECT_EQ(choose({"", "", true}, found.path(), &map), "");
  EXPECT_EQ(progress.notes, std::string(kNoApiNote) + "\n");
  EXPECT_THROW(choose({"", "1.2", false}, "", nullptr), Error);
}

// A map whose script calls a 1.32 native: refused by the version the map
// records when that is older, with the API named and the way on, and
// translated under --patch.
TEST(ApiChoice, AMapRunTakesTheTableOfItsRecordedVersion) {
  TempDir dir;
  const std::string script =
      "function main takes nothing returns nothing\r\n"
      "    call BlzCreateUnitWithSkin(Player(0), 'hfoo', 0.0, 0.0, 0.0, 'hfoo')\r\n"
      "endfunction\r\n";
  const std::string header_131 = Int32(28) + Int32(3) + Int32(6110) + Int32(1) + Int32(31) + Int32(1) + Int32(12164);
  struct Case {
    const char* patch;
    std::string info;  // war3map.w3i; "-" for none
    int code;
    const char* api;
  } cases[] = {
      {"", header_131, 1, "the 1.31 API (the map's version)"},
      {"1.32", header_131, 0, "the 1.32 API (--patch 1.32)"},
      {"", "-", 1, "the 1.24 API (the map's version is unknown)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.api);
    const std::string map = dir.path() + "/m.w3x";
    std::vector<MapFile> files = {{"war3map.j", script}};
    if (c.info != "-") files.push_back({kMapInfoName, c.info});
    BuildMapArchive(map, files);
    MapRunOptions options;
    options.map_path = map;
    options.tool_dir = dir.path();
    options.patch = c.patch;
    NullProgress progress;
    Kept errors;
    MapRunFacts facts;
    EXPECT_EQ(RunPipeline(options, progress, errors, &facts), c.code);
    EXPECT_EQ(facts.api, c.api);
    if (c.code == 0) continue;
    ASSERT_EQ(errors.report.entries.size(), 1u);
    EXPECT_EQ(errors.report.entries[0].message, "undefined function \"BlzCreateUnitWithSkin\"");
    EXPECT_EQ(errors.report.checked_against, std::string("checked against ") + c.api);
    EXPECT_EQ(errors.report.advice, BuiltinRefusalAdvice());
  }
}

}  // namespace
}  // namespace zarn
