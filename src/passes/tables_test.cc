#include "passes/tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "text/matcher.h"

namespace zarn {
namespace {

// The lookups as plain first-row-wins scans; the indexed lookups must agree.
// Rows appended to the table after Refresh are not seen.
class PlainScan {
 public:
  explicit PlainScan(const ReturnTypeTable& table) : table_(table) { Refresh(); }

  void Refresh() {
    for (std::size_t row = keys_.size(); row < table_.size(); ++row) keys_.push_back("= " + table_.name(row) + "(");
  }

  std::string TypeByName(std::string_view text) const {
    for (std::size_t row = 0; row < keys_.size(); ++row) {
      const std::string& name = table_.name(row);
      if (!name.empty() && text.find(name) != std::string_view::npos) return table_.type(row);
    }
    return "undefined";
  }

  std::optional<std::string> CallType(std::string_view text) const {
    for (std::size_t row = 0; row < keys_.size(); ++row) {
      if (text.find(keys_[row]) != std::string_view::npos) return table_.type(row);
    }
    return std::nullopt;
  }

 private:
  const ReturnTypeTable& table_;
  std::vector<std::string> keys_;
};

TEST(TablesTest, BuiltInRowsSectionsAndSamples) {
  ReturnTypeTable table = ReturnTypeTable::BuiltIn();
  ASSERT_EQ(table.size(), 1983u);
  struct Row {
    std::size_t row;
    const char* name;
    const char* type;
  };
  const Row rows[] = {
      {0, "ConvertRace", "race"},
      {43, "ConvertPathingType", "pathingtype"},
      {116, "Rect", "rect"},
      {125, "Location", "location"},
      {149, "Or", "boolexpr"},
      {236, "GetTriggerUnit", "unit"},
      {534, "LoadUnitPoolHandle", "unitpool"},
      {566, "ChooseRandomNPBuilding", "integer"},
      {665, "IsNoDefeatCheat", "boolean"},
      {666, "FALSE", "boolean"},
      {667, "TRUE", "boolean"},
      {980, "EVENT_WIDGET_DEATH", "widgetevent"},
      {982, "EVENT_DIALOG_CLICK", "dialog"},
      {1016, "GREATER_THAN_OR_EQUAL", "limitop"},
      {1081, "CAMERA_MARGIN_TOP", "playerevent"},
      {1091, "SOUND_TYPE_EFFECT_LOOPED", "soundtype"},
      {1092, "RMinBJ", "real"},
      {1232, "CheckItemcodeStatus", "boolean"},
      {1466, "GetRectCenter", "location"},
      {1510, "WidgetDropItem", "item"},
      {1511, "bj_PI", "real"},
      {1919, "bj_elevatorWallBlocker", "destructable"},
      {1948, "bj_lastRemovedItem", "item"},
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
      {"free GetOrderedUnit()", "boolexpr"},  // Or, row 149
      {"free GetUnitsInRectAll(r)", "rect"},  // Rect, row 116
      {"x = GetLocationX(l)", "location"},    // Location, row 125
      {"free bj_lastCreatedGroup", "group"},
      {"free TRUE", "boolean"},
      {"free gettriggerunit()", "undefined"},  // case-sensitive
  };
  for (const auto& [text, type] : cases) EXPECT_EQ(table.FindReturnTypeByName(text), type) << text;
}

TEST(TablesTest, FindCallTypeNeedsEqualsBlankNameParenthesis) {
  ReturnTypeTable table = ReturnTypeTable::BuiltIn();
  const std::pair<const char*, std::optional<std::string>> cases[] = {
      {"var x = GetUnitX(u)", "real"},           {"var s = I2S(5)", "string"},
      {"var b = Or(c1, c2)", "boolexpr"},        {"var s = R2SW(r, 1, 2)", "string"},
      {"if a == GetUnitX(u) then", "real"},  // second sign of ==
      {"var x = 2 * GetUnitX(u)", std::nullopt}, {"var x =GetUnitX(u)", std::nullopt},
      {"var x =  GetUnitX(u)", std::nullopt},    {"var x = GetUnitX", std::nullopt},
      {"var x = MyGetUnitX(u)", std::nullopt},   {"var x = (a + b)", std::nullopt},
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

TEST(TablesTest, AppendedRowsOfCopiesStayApart) {
  std::string signs;  // long enough to read the appended rows with an automaton
  for (int i = 0; i < 100000; ++i) signs += "= x ";
  ReturnTypeTable original = ReturnTypeTable::BuiltIn();
  original.Append("zzShared", "integer");
  EXPECT_EQ(original.FindCallType(signs + "= zzShared(" + signs), "integer");
  EXPECT_EQ(original.FindReturnTypeByName(signs + "zzShared" + signs), "integer");

  ReturnTypeTable copy = original;
  copy.Append("zzCopy", "real");
  original.Append("zzKept", "unit");
  for (const std::string& filler : {std::string(), signs}) {
    const std::string calls = filler + "= zzCopy( = zzKept(";
    EXPECT_EQ(copy.FindCallType(calls), "real");
    EXPECT_EQ(original.FindCallType(calls), "unit");
    EXPECT_EQ(ReturnTypeTable::BuiltIn().FindCallType(calls), std::nullopt);
    EXPECT_EQ(copy.FindReturnTypeByName(filler + "zzKept"), "undefined");
    EXPECT_EQ(original.FindReturnTypeByName(filler + "zzKept"), "unit");
    EXPECT_EQ(copy.FindCallType(filler + "= zzShared("), "integer");
    EXPECT_EQ(copy.FindReturnTypeByName(filler + "zzShared"), "integer");  // the longest name
  }
}

TEST(TablesTest, IndexedLookupsAgreeWithThePlainScan) {
  ReturnTypeTable table = ReturnTypeTable::BuiltIn();
  const std::pair<const char*, const char*> user_rows[] = {
      {"MyFunc", "integer"}, {"", "unit"},           {"GetUnitX", "string"},  {"a(b", "handle"},
      {"Or", "real"},        {"xGetUnitXx", "item"}, {"convertrace", "race"}, {"MyFunc", "real"},
      {"= ", "timer"},       {"Uni", "widget"},
  };
  for (const auto& [name, type] : user_rows) table.Append(name, type);

  std::vector<std::string> pieces = {"var x ", "set y ", "= ",    "=", "==", " ",  "(",    ")",   "a",
                                     "2 * ",   "= (",    "free ", "_", "X",  "b)", "\r\n", "\xff"};
  auto add_pieces_for_rows = [&](std::size_t first, std::size_t step) {
    for (std::size_t row = first; row < table.size(); row += step) {
      const std::string& name = table.name(row);
      pieces.push_back(name);
      if (name.size() > 3) pieces.push_back(name.substr(1, name.size() - 2));  // cut names never match
    }
  };
  add_pieces_for_rows(0, 7);
  std::mt19937 random(1983);
  auto random_text = [&](int max_pieces) {
    std::string text;
    for (int n = 1 + random() % max_pieces; n > 0; --n) text += pieces[random() % pieces.size()];
    return text;
  };
  PlainScan plain(table);
  auto expect_agreement = [&](const std::string& text) {
    ASSERT_EQ(table.FindReturnTypeByName(text), plain.TypeByName(text)) << text.substr(0, 200);
    ASSERT_EQ(table.FindCallType(text), plain.CallType(text)) << text.substr(0, 200);
  };
  for (int i = 0; i < 10000; ++i) ASSERT_NO_FATAL_FAILURE(expect_agreement(random_text(6)));

  // Thousands of rows as a script appends them, in batches with lookups in
  // between: repeats of earlier and built-in names, empty names, names holding
  // "(" and "= ", and a few long ones. Short statements are looked up by
  // hashing; long texts read the appended rows with an automaton, which the
  // next batch must not leave stale.
  const std::vector<std::string> bytes = {"a", "b", "X", "_", "(", "= ", " ", "=", ")", "\xff", "1"};
  std::vector<std::string> types = {"integer", "real", "unit", "string", "boolean", "handle"};
  for (int batch = 0; batch < 6; ++batch) {
    std::size_t first = table.size();
    for (int i = 0; i < 600; ++i) {
      std::string name;
      switch (random() % 10) {
        case 0: name = table.name(random() % table.size()); break;  // a repeat
        case 1: break;                                              // empty
        case 2: name = std::string(30 + random() % 200, 'a' + random() % 3); break;
        default:
          for (int n = 1 + random() % 8; n > 0; --n) name += bytes[random() % bytes.size()];
      }
      table.Append(name, types[random() % types.size()] + std::to_string(first + i));
    }
    add_pieces_for_rows(first, 3);
    plain.Refresh();
    SCOPED_TRACE("batch " + std::to_string(batch));
    for (int i = 0; i < 300; ++i) ASSERT_NO_FATAL_FAILURE(expect_agreement(random_text(8)));
    // Long enough that hashing every candidate would cost more than an automaton.
    std::string text;
    while (text.size() < 20000) text += random() % 3 ? "= " : pieces[random() % 17];
    ASSERT_NO_FATAL_FAILURE(expect_agreement(text + random_text(3)));
    for (int i = 0; i < 100; ++i) ASSERT_NO_FATAL_FAILURE(expect_agreement(random_text(8)));
  }
}

TEST(TablesTest, ReleaseLookupsTakeTheFirstRow) {
  const std::pair<const char*, const char*> types[] = {
      {"local timerdialog d", "timer"},  {"local itempool p", "itempool"}, {"local unitpool p", "unitpool"},
      {"local unit timerUnit", "timer"}, {"local integer i", ""},          {"local location l", "location"},
  };
  for (const auto& [text, type] : types) EXPECT_EQ(FindDestructorType(text), type) << text;
  // Texts of pieces of the types, against trying the rows one by one.
  std::mt19937 random(3);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (int k = random() % 5; k > 0; --k) {
      const std::string type = kReleaseRows[random() % kReleaseRows.size()].type;
      const std::size_t from = random() % type.size();
      text += type.substr(from, 1 + random() % (type.size() - from)) + (random() % 2 ? " " : "");
    }
    std::string expected;
    for (const ReleaseRow& row : kReleaseRows)
      if (expected.empty() && text.find(row.type) != std::string::npos) expected = row.type;
    ASSERT_EQ(FindDestructorType(text), expected) << text;
  }

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
