#include "passes/var_inference.h"

#include <gtest/gtest.h>

#include "testing/entry_texts.h"
#include "testing/preprocess_fixture.h"

namespace zarn {
namespace {

TEST(VarInferenceTest, AssignedTypeTriesTheCallBeforeTheValueTests) {
  const ReturnTypeTable table = ReturnTypeTable::BuiltIn();
  struct Case {
    const char* statement;
    const char* type;
  } cases[] = {
      {"var s = \"a.b 1\"", "string"},
      {"var id = 'hfoo'", "integer"},
      {"var r = 0.5", "real"},
      {"var n = 10", "integer"},
      {"var m = $FF", "integer"},
      {"var h = null", "handle"},
      {"var c = function Foo", "code"},
      {"var c = function Foo2", "integer"},
      {"var b = true", "boolean"},
      {"var b = x > 0", "integer"},
      {"var u = GetTriggerUnit()", "unit"},
      {"var x = R2I(GetUnitX(u))", "integer"},
      {"var s = \"n\" + I2S(5)", "string"},  // the call is not right after "= "
      {"var u = GetTriggerUnit ()", "undefined"},
      {"var x =GetUnitX(u)", "undefined"},
      {"var x = y", "undefined"},
      {"var z", "undefined"},
      {"set a = b == GetUnitX(u)", "real"},  // "== " also ends in "= "
  };
  for (const Case& c : cases) EXPECT_EQ(InferAssignedType(c.statement, table), c.type) << c.statement;
}

TEST(VarInferenceTest, DeclarationsLearnFromTheLastAssignmentWithoutNull) {
  Lines out = fixture::Preprocess(
      fixture::InFunction({"var v", "var h", "var z", "var g", "var g", "var x = avar + 1", "var y = q", "set v = 5",
                           "set v = 1.5", "set h = null", "set z = y", "set g = CreateGroup()"}));
  EXPECT_EQ(out, (Lines{"globals", "integer n = 0", "endglobals", "function Test takes nothing returns nothing",
                        "local real v", "//!ZARN Error:var h", "//!ZARN Error:var z", "local group g", "local group g",
                        "local integer x = alocal integer + 1", "//!ZARN Error:var y = q", "set v = 5", "set v = 1.5",
                        "set h = null", "set z = y", "set g = CreateGroup()", "endfunction"}));
  ErrorReport report = ScanForMarkers(out);
  EXPECT_EQ(testing::ProcessedEntryText(report.entries[0]), "Line 5: Undefined type of variable");
}

TEST(VarInferenceTest, UserFunctionsTypeTheirCalls) {
  Lines out = fixture::Preprocess({"function MyFunc takes integer i returns real", "return 1.0", "endfunction",
                                   "function Test takes nothing returns nothing", "var k = MyFunc(3)", "endfunction"});
  EXPECT_EQ(out[4], "local real k = MyFunc(3)");
}

}  // namespace
}  // namespace zarn
