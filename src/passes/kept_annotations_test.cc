#include "passes/kept_annotations.h"

#include <gtest/gtest.h>

#include "testing/preprocess_fixture.h"

namespace zarn {
namespace {

using fixture::Preprocess;

TEST(KeptAnnotationsTest, RecognisesOnlyFlagWordsAndFunctionLines) {
  EXPECT_TRUE(IsAnnotationLine("//# +rb"));
  EXPECT_TRUE(IsAnnotationLine("  //#\t+nosemanticerror -rb  "));
  EXPECT_FALSE(IsAnnotationLine("//#"));
  EXPECT_FALSE(IsAnnotationLine("//# call KillUnit(u)"));
  EXPECT_FALSE(IsAnnotationLine("//# +rb and more"));
  EXPECT_FALSE(IsAnnotationLine("//#include \"x.j\""));
  EXPECT_FALSE(IsAnnotationLine("// +rb"));
  EXPECT_EQ(FunctionDeclaredBy("\tconstant  function A_1 takes"), "A_1");
  EXPECT_EQ(FunctionDeclaredBy("function B takes nothing returns nothing"), "B");
  EXPECT_EQ(FunctionDeclaredBy("functions B"), "");
  EXPECT_EQ(FunctionDeclaredBy("endfunction"), "");
}

TEST(KeptAnnotationsTest, AnnotationsAboveAFunctionStayWhereTheyStand) {
  const Lines out = Preprocess({"//# +rb", "  //# +nosemanticerror  ", "function A takes nothing returns integer",
                                "var x = 1", "return x", "endfunction"});
  EXPECT_EQ(out, (Lines{"//# +rb", "//# +nosemanticerror", "function A takes nothing returns integer",
                        "local integer x = 1", "return x", "endfunction"}));
}

TEST(KeptAnnotationsTest, OtherHashCommentsAndBrokenLinksAreRemoved) {
  const Lines out = Preprocess({"//# +rb", "", "function A takes nothing returns nothing", "endfunction", "//# +rb",
                                "// a note", "function B takes nothing returns nothing", "endfunction", "//# call B()",
                                "function C takes nothing returns nothing", "endfunction", "//#include \"x.j\"",
                                "//# +rb", "globals", "endglobals"});
  EXPECT_EQ(
      out, (Lines{"function A takes nothing returns nothing", "endfunction", "function B takes nothing returns nothing",
                  "endfunction", "function C takes nothing returns nothing", "endfunction", "globals", "endglobals"}));
}

TEST(KeptAnnotationsTest, AnyLineEndsBothModesAndTheFirstNulByte) {
  for (KeywordRule rule : {KeywordRule(), KeywordRule::Words()}) {
    NullProgress progress;
    zarn::Run run(progress);
    run.keywords = rule;
    BuildLanguageTables(run);
    run.raw = std::string("//# +rb\rfunction A takes nothing returns nothing\nendfunction\r\n") + std::string(1, '\0') +
              "//# +rb\r\nfunction B takes nothing returns nothing\r\nendfunction\r\n";
    PreprocessScript(run);
    EXPECT_EQ(run.text, "//# +rb\r\nfunction A takes nothing returns nothing\r\nendfunction\r\n") << rule.words();
  }
}

}  // namespace
}  // namespace zarn
