#pragma once
// Removes the files a tool is writing when Ctrl-C (SIGINT) or SIGTERM ends it, so that no
// partial output survives an interruption. While an InterruptCleanup lives, the handlers it
// installs unlink every listed path (async-signal-safe) and then end the process by the same
// signal with its default action, as the interruption would have. One at a time per process.
#include <string>
#include <vector>

class InterruptCleanup {
 public:
  // Installs the handlers; paths need not exist yet. The list is fixed for the object's life.
  explicit InterruptCleanup(std::vector<std::string> paths);
  // Restores the handlers that were there before (a signal held back by hold() comes now).
  ~InterruptCleanup();
  InterruptCleanup(const InterruptCleanup&) = delete;
  InterruptCleanup& operator=(const InterruptCleanup&) = delete;

  // Holds SIGINT and SIGTERM back until release() (or the destructor): for steps that must
  // not be cut in two, such as renaming a set of finished files into place.
  void hold();
  void release();
  // Whether a held-back SIGINT or SIGTERM is waiting (false where signals cannot be held).
  static bool interruptPending();

 private:
  std::vector<std::string> _paths;
  std::vector<const char*> _names;  // _paths' texts, read by the handler
  bool _held = false;
};
