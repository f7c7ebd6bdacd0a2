// The test programs' main: the worker mode first, since a test that runs an
// isolated task starts this program again as its worker on Windows.
#include <gtest/gtest.h>

#include "platform/isolated_process.h"
#include "platform/processes.h"

int main(int argc, char** argv) {
  if (std::optional<int> code = zarn::ServeIsolatedTaskIfAsked(zarn::ProgramArguments(argc, argv))) return *code;
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
