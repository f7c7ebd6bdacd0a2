// The named steps of writing a script into a map, reported as each one is
// done. A program that watches the write registers a hook: a test program
// ends itself at a chosen step to show what a run stopped there leaves.
#pragma once

namespace zarn {

enum class WriteStep {
  kCopyMade,           // the temporary copy is beside the map, on the disk
  kArchiveOpened,      // the copy is open for writing
  kAttributesDeleted,  // "(attributes)" is out
  kScriptReplaced,     // war3map.j holds the new script
  kCompacting,         // the compaction file is being written
  kCompacted,
  kClosed,        // the tables are written and the copy is closed
  kVerified,      // war3map.j reads back as written
  kCopySynced,    // the finished copy is on the disk
  kReplaced,      // the copy has taken the map's place
  kFolderSynced,  // the rename is on the disk
};
inline constexpr int kWriteStepCount = static_cast<int>(WriteStep::kFolderSynced) + 1;

// "copy-made", "archive-opened", ...: the step's name for command lines.
const char* WriteStepName(WriteStep step);

class WriteStepHook {
 public:
  virtual ~WriteStepHook() = default;
  // Called in whichever process does the step (the archive work runs in a
  // worker process of its own).
  virtual void Reached(WriteStep step) = 0;
};

// Registers a hook for the whole program; define one at namespace scope of
// the program that watches. Without one, the steps go unwatched.
class WriteStepHookRegistration {
 public:
  explicit WriteStepHookRegistration(WriteStepHook& hook);
};

// Tells the registered hook, if any, that `step` is done.
void ReachedWriteStep(WriteStep step);

}  // namespace zarn
