#include "desktop/progress_steps.h"

#include <algorithm>
#include <cstdio>

namespace zarn {

int ProgressSteps::BarValue(int value) { return std::clamp(value, 0, 100); }

void ProgressSteps::SetProgress(std::string_view text, int value) {
  ShowBar(BarValue(value));
  ShowStatus(text);
  PumpMessages();
}

void ProgressSteps::SetFunctionName(std::string_view name, bool pump) {
  ShowFunction(name);
  if (pump) PumpMessages();
}

void ProgressSteps::Note(std::string_view text) {
  std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

}  // namespace zarn
