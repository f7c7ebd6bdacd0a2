// Placeholder until this unit is written.
#include "update.h"
namespace zarn {
UpdateOutcome RunUpdate(const std::string&, const std::string&, const std::string&) { return UpdateOutcome::kDownloadFailed; }
std::string UpdateMessage(UpdateOutcome) { return {}; }
}  // namespace zarn
