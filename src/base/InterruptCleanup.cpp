#include "InterruptCleanup.h"

#include <csignal>
#include <utility>

#ifdef _WIN32
#include <io.h>
#define unlink _unlink
#else
#include <unistd.h>
#endif

namespace {
const char* const* volatile gNames = nullptr;  // the living object's paths, null-terminated
using Handler = void (*)(int);
Handler gPreviousInt = SIG_DFL;
Handler gPreviousTerm = SIG_DFL;

extern "C" void onInterrupt(int signal) {
  for (const char* const* name = gNames; name && *name; ++name) unlink(*name);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

#ifndef _WIN32
sigset_t interruptSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}
#endif
}  // namespace

InterruptCleanup::InterruptCleanup(std::vector<std::string> paths) : _paths(std::move(paths)) {
  for (const std::string& path : _paths) _names.push_back(path.c_str());
  _names.push_back(nullptr);
  gNames = _names.data();
  gPreviousInt = std::signal(SIGINT, onInterrupt);
  gPreviousTerm = std::signal(SIGTERM, onInterrupt);
}

InterruptCleanup::~InterruptCleanup() {
  std::signal(SIGINT, gPreviousInt == SIG_ERR ? SIG_DFL : gPreviousInt);
  std::signal(SIGTERM, gPreviousTerm == SIG_ERR ? SIG_DFL : gPreviousTerm);
  gNames = nullptr;
  release();
}

void InterruptCleanup::hold() {
#ifndef _WIN32
  const sigset_t set = interruptSignals();
  sigprocmask(SIG_BLOCK, &set, nullptr);
  _held = true;
#endif
}

void InterruptCleanup::release() {
  if (!_held) return;
#ifndef _WIN32
  const sigset_t set = interruptSignals();
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
#endif
  _held = false;
}

bool InterruptCleanup::interruptPending() {
#ifdef _WIN32
  return false;
#else
  sigset_t pending;
  sigemptyset(&pending);
  sigpending(&pending);
  return sigismember(&pending, SIGINT) == 1 || sigismember(&pending, SIGTERM) == 1;
#endif
}
