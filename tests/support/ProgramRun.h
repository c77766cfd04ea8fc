#pragma once
// Runs the built rk17 program (or another command) as a child process in a given folder,
// with stderr captured, and waits for it with a time limit.
#include <string>
#include <vector>

class ProgramRun {
 public:
  // Starts program with args in workDir; extraEnv entries "NAME=value" (value empty: unset NAME).
  ProgramRun(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
             const std::vector<std::string>& extraEnv = {});
  ~ProgramRun();  // kills the child if it still runs
  bool started() const { return _pid > 0; }
  // Exit code, or -1 when it was killed after timeoutMs or ended by a signal.
  int wait(int timeoutMs);
  bool running();
  std::string stderrText() const;
  // The signal that ended the child, 0 when it exited (valid after wait or running() == false).
  int signal() const;
  int pid() const { return _pid; }
  // Milliseconds from start to exit (valid after wait).
  long elapsedMs() const { return _elapsedMs; }

  // Path of the built program.
  static std::string rk17Path();

 private:
  int _pid = -1;
  int _status = -1;
  bool _done = false;
  long _elapsedMs = 0;
  long long _startNs = 0;
  std::string _stderrPath;
};

// Runs a shell command, returns its exit status (-1 on failure to run) and its stdout in output.
int runCommand(const std::string& command, std::string* output = nullptr);
