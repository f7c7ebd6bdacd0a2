#include "map/write_steps.h"

namespace zarn {

namespace {

WriteStepHook*& RegisteredHook() {
  static WriteStepHook* hook = nullptr;
  return hook;
}

}  // namespace

const char* WriteStepName(WriteStep step) {
  switch (step) {
    case WriteStep::kCopyMade: return "copy-made";
    case WriteStep::kArchiveOpened: return "archive-opened";
    case WriteStep::kAttributesDeleted: return "attributes-deleted";
    case WriteStep::kScriptReplaced: return "script-replaced";
    case WriteStep::kCompacting: return "compacting";
    case WriteStep::kCompacted: return "compacted";
    case WriteStep::kClosed: return "closed";
    case WriteStep::kVerified: return "verified";
    case WriteStep::kCopySynced: return "copy-synced";
    case WriteStep::kReplaced: return "replaced";
    case WriteStep::kFolderSynced: return "folder-synced";
  }
  return "";
}

WriteStepHookRegistration::WriteStepHookRegistration(WriteStepHook& hook) { RegisteredHook() = &hook; }

void ReachedWriteStep(WriteStep step) {
  if (WriteStepHook* hook = RegisteredHook()) hook->Reached(step);
}

}  // namespace zarn
