// The program's entry: plays the show in an 800 x 600 window.
#include "DemoClock.h"
#include "DemoRunner.h"

int main(int, char**) {
  DemoRunner runner(DemoClock::instance());
  return runner.run();
}
