#pragma once
// What one run of the show changes process-wide and the next run would read, put back before
// every load of the script (the start step, and the authoring jumps and reloads), so that a
// restart plays the show exactly as it first ran.
class ShowReset {
 public:
  // The random sequence back at 1, the last pattern step at 1000 and the end key time at 0 (their
  // values at program start), and every cached scene as its file gave it.
  static void beforeLoad();
};
