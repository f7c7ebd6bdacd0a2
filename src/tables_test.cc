#include "tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "matcher.h"

namespace zarn {
namespace {

// The lookups as plain first-row-wins scans; the indexed lookups must agree.
std::string ReferenceTypeByName(const ReturnTypeTable& table, std::string_view text) {
  for (std::size_t row = 0; row < table.size(); ++row) {
    const std::string& name = table.name(row);
    if (!name.empty() && text.find(name) != std::string_view::npos) return table.type(row);
  }
  return "undefined";
}

std::optional<std::string> ReferenceCallType(const ReturnTypeTable& table, std::string_view text) {
  for (std::size_t row = 0; row < table.size(); ++row) {
    if (text.find("= " + table.name(row) + "(") != std::string_view::npos) return table.type(row);
  }
  return std::nullopt;
}

TEST(TablesTest, BuiltInRowsSectionsAndSamples) {
  ReturnTypeTable table = ReturnTypeTable::BuiltIn();
  ASSERT_EQ(table.size(), 1983u);
  struct Row { std::size_t row; const char* name; const char* type; };
  const Row rows[] = {
      {0, "ConvertRace", "race"}, {43, "ConvertPathingType", "pathingtype"},
      {116, "Rect", "rect"}, {125, "Location", "location"}, {149, "Or", "boolexpr"},
      {236, "GetTriggerUnit", "unit"}, {534, "LoadUnitPoolHandle", "unitpool"},
      {566, "ChooseRandomNPBuilding", "integer"}, {665, "IsNoDefeatCheat", "boolean"},
      {666, "FALSE", "boolean"}, {667, "TRUE", "boolean"},
      {980, "EVENT_WIDGET_DEATH", "widgetevent"}, {982, "EVENT_DIALOG_CLICK", "dialog"},
      {1016, "GREATER_THAN_OR_EQUAL", "limitop"}, {1081, "CAMERA_MARGIN_TOP", "playerevent"},
      {1091, "SOUND_TYPE_EFFECT_LOOPED", "soundtype"}, {1092, "RMinBJ", "real"},
      {1232, "CheckItemcodeStatus", "boolean"}, {1466, "GetRectCenter", "location"},
      {1510, "WidgetDropItem", "item"}, {1511, "bj_PI", "real"},
      {1919, "bj_elevatorWallBlocker", "destructable"}, {1948, "bj_lastRemovedItem", "item"},
      {1975, "filterIssueHauntOrderAtLocBJ", "boolexpr"},
      {1981, "filterLivingPlayerUnitsOfTypeId", "boolexpr"},
      {1982, "bj_wantDestroyGroup", "boolean"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(table.name(r.row), r.name) << "row " << r.row;
    EXPECT_EQ(table.type(r.row), r.type) << "row " << r.row;
  }
}

TEST(TablesTest, BuiltInNamesAreDistinctAndTypesMatchTheVocabulary) {
  ReturnTypeTable table = ReturnTypeTable::BuiltIn();
  std::set<std::string> folded;
  std::map<std::string, int> counts;
  for (std::size_t row = 0; row < table.size(); ++row) {
    std::string name = table.name(row);
    ASSERT_FALSE(name.empty() || table.type(row).empty()) << "row " << row;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    EXPECT_TRUE(folded.insert(name).second) << "duplicate name " << table.name(row);
    ++counts[table.type(row)];
  }
  // The listed counts, plus row 980 (EVENT_WIDGET_DEATH) as one more widgetevent.
  std::istringstream listed(
      "integer 398 boolean 376 real 203 unit 75 unitevent 48 playerunitevent 44 string 42 unittype 28 "
      "item 28 playerscore 26 weapontype 25 event 25 sound 25 group 24 damagetype 23 location 23 "
      "destructable 22 playerstate 20 mapflag 20 timer 20 playerevent 19 trigger 18 player 18 "
      "gameevent 15 playercolor 15 rect 15 effect 15 itemtype 13 boolexpr 12 alliancetype 11 force 11 "
      "fogmodifier 11 gametype 10 button 10 terraindeformation 10 race 9 gamespeed 9 mapcontrol 9 "
      "volumegroup 9 pathingtype 9 quest 9 racepreference 8 camerafield 8 blendmode 8 effecttype 8 "
      "attacktype 8 leaderboard 8 limitop 7 gamedifficulty 7 mapdensity 7 dialog 7 multiboard 7 "
      "texttag 7 lightning 7 unitstate 6 placement 6 fogstate 6 hashtable 6 defeatcondition 6 image 6 "
      "ubersplat 6 playergameresult 5 aidifficulty 5 startlocprio 5 playerslotstate 5 texmapflags 5 "
      "widget 5 timerdialog 5 version 4 region 4 trackable 4 gamecache 4 igamestate 3 raritycontrol 3 "
      "soundtype 3 ability 3 questitem 3 weathereffect 3 fgamestate 2 triggercondition 2 "
      "triggeraction 2 unitpool 2 itempool 2 multiboarditem 2 camerasetup 2 widgetevent 2 "
      "dialogevent 1 mapvisibility 1 mapsetting 1 eventid 1 conditionfunc 1 filterfunc 1 gamestate 1");
  std::map<std::string, int> expected;
  std::string type;
  int count;
  while (listed >> type >> count) expected[type] = count;
  EXPECT_EQ(expected.size(), 93u);
  EXPECT_EQ(counts, expected);
}

TEST(TablesTest, FindReturnTypeByNameTakesTheFirstRowContained) {
  ReturnTypeTable table = ReturnTypeTable::BuiltIn();
  const std::pair<const char*, const char*> cases[] = {
      {"free t", "undefined"},
      {"", "undefined"},
      {"free GetTriggerUnit()", "unit"},
      {"free GetOrderedUnit()", "boolexpr"},       // Or, row 149
      {"free GetUnitsInRectAll(r)", "rect"},       // Rect, row 116
      {"x = GetLocationX(l)", "location"},          // Location, row 125
      {"free bj_lastCreatedGroup", "group"},
      {"free TRUE", "boolean"},
      {"free gettriggerunit()", "undefined"},       // case-sensitive
  };
  for (const auto& [text, type] : cases) EXPECT_EQ(table.FindReturnTypeByName(text), type) << text;
}

TEST(TablesTest, FindCallTypeNeedsEqualsBlankNameParenthesis) {
  ReturnTypeTable table = ReturnTypeTable::BuiltIn();
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"var x = GetUnitX(u)", "real"},
      {"var s = I2S(5)", "string"},
      {"var b = Or(c1, c2)", "boolexpr"},
      {"var s = R2SW(r, 1, 2)", "string"},
      {"if a == GetUnitX(u) then", "real"},        // second sign of ==
      {"var x = 2 * GetUnitX(u)", std::nullopt},
      {"var x =GetUnitX(u)", std::nullopt},
      {"var x =  GetUnitX(u)", std::nullopt},
      {"var x = GetUnitX", std::nullopt},
      {"var x = MyGetUnitX(u)", std::nullopt},
      {"var x = (a + b)", std::nullopt},
  };
  for (const auto& [text, type] : cases) EXPECT_EQ(table.FindCallType(text), type) << text;
}

TEST(TablesTest, AppendedRowsComeAfterBuiltInsAndLeaveTheSharedTableAlone) {
  ReturnTypeTable table = ReturnTypeTable::BuiltIn();
  EXPECT_EQ(table.FindCallType("var i = MyFunc()"), std::nullopt);  // index built before Append
  table.Append("MyFunc", "integer");
  table.Append("GetUnitX", "unit");
  table.Append("", "handle");
  EXPECT_EQ(table.size(), 1986u);
  EXPECT_EQ(table.name(1982), "bj_wantDestroyGroup");
  EXPECT_EQ(table.FindCallType("var i = MyFunc()"), "integer");
  EXPECT_EQ(table.FindReturnTypeByName("free MyFunc()"), "integer");
  EXPECT_EQ(table.FindCallType("var x = GetUnitX(u)"), "real");
  EXPECT_EQ(table.FindCallType("var x = (a + b)"), "handle");
  EXPECT_EQ(table.FindReturnTypeByName("free t"), "undefined");  // empty name never occurs

  ReturnTypeTable fresh = ReturnTypeTable::BuiltIn();
  EXPECT_EQ(fresh.size(), 1983u);
  EXPECT_EQ(fresh.FindCallType("var i = MyFunc()"), std::nullopt);
  EXPECT_EQ(fresh.FindCallType("var x = (a + b)"), std::nullopt);
}

TEST(TablesTest, IndexedLookupsAgreeWithThePlainScan) {
  ReturnTypeTable table = ReturnTypeTable::BuiltIn();
  const std::pair<const char*, const char*> user_rows[] = {
      {"MyFunc", "integer"}, {"", "unit"},           {"GetUnitX", "string"}, {"a(b", "handle"},
      {"Or", "real"},        {"xGetUnitXx", "item"}, {"convertrace", "race"}, {"MyFunc", "real"},
      {"= ", "timer"},       {"Uni", "widget"},
  };
  for (const auto& [name, type] : user_rows) table.Append(name, type);

  std::vector<std::string> pieces = {"var x ", "set y ", "= ", "=", "==", " ", "(", ")", "a", "2 * ", "= (",
                                     "free ", "_", "X", "b)", "\r\n", "\xff"};
  for (std::size_t row = 0; row < table.size(); row += 7) {
    const std::string& name = table.name(row);
    pieces.push_back(name);
    if (name.size() > 3) pieces.push_back(name.substr(1, name.size() - 2));  // cut names never match
  }
  std::mt19937 random(1983);
  for (int i = 0; i < 10000; ++i) {
    std::string statement;
    for (int n = 1 + random() % 6; n > 0; --n) statement += pieces[random() % pieces.size()];
    ASSERT_EQ(table.FindReturnTypeByName(statement), ReferenceTypeByName(table, statement)) << statement;
    ASSERT_EQ(table.FindCallType(statement), ReferenceCallType(table, statement)) << statement;
  }
}

TEST(TablesTest, ReleaseLookupsTakeTheFirstRow) {
  const std::pair<const char*, const char*> types[] = {
      {"local timerdialog d", "timer"}, {"local itempool p", "itempool"}, {"local unitpool p", "unitpool"},
      {"local unit timerUnit", "timer"}, {"local integer i", ""},         {"local location l", "location"},
  };
  for (const auto& [text, type] : types) EXPECT_EQ(FindDestructorType(text), type) << text;

  EXPECT_EQ(DestructorCallFor("hashtable"), "FlushParentHashtable(");
  EXPECT_EQ(DestructorCallFor("dialog"), "DialogDestroy(");
  EXPECT_EQ(DestructorCallFor("timerdialog"), "DestroyTimerDialog(");
  EXPECT_EQ(DestructorCallFor("Timer"), std::nullopt);
  EXPECT_EQ(DestructorCallFor("camerasetup"), std::nullopt);
  EXPECT_EQ(DestructorCallFor(""), std::nullopt);
}

TEST(TablesTest, CreationPatternsMatchTheirTypeAfterNew) {
  for (const CreationRow& row : kCreationRows) {
    std::string line = std::string("local ") + row.type + " x = new";
    EXPECT_FALSE(MatchesAnywhere(row.pattern, MatchMode::kLine, line)) << row.pattern;
    EXPECT_TRUE(MatchesAnywhere(row.pattern, MatchMode::kLine, "a\r\nnew " + std::string(row.type) + "X\r\n"))
        << row.pattern;
  }
  // timerdialog and timerGroup both fall to the earlier timer row.
  EXPECT_TRUE(MatchesAnywhere(kCreationRows[0].pattern, MatchMode::kLine, "new timerdialog d"));
  EXPECT_TRUE(MatchesAnywhere(kCreationRows[0].pattern, MatchMode::kLine, "new group timerGroup"));
}

}  // namespace
}  // namespace zarn
