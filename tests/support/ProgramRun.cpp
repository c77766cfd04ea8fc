#include "ProgramRun.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {
long long nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

std::string ProgramRun::rk17Path() { return std::string(RK17_BINARY_DIR) + "/rk17"; }

ProgramRun::ProgramRun(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
                       const std::vector<std::string>& extraEnv) {
  char pattern[] = "/tmp/rk17-stderr-XXXXXX";
  const int errFd = mkstemp(pattern);
  _stderrPath = pattern;
  _startNs = nowNs();
  _pid = fork();
  if (_pid == 0) {
    if (chdir(workDir.c_str()) != 0) _exit(126);
    if (errFd >= 0) dup2(errFd, 2);
    const int devNull = open("/dev/null", O_RDWR);
    if (devNull >= 0) {
      dup2(devNull, 0);
      dup2(devNull, 1);
    }
    for (const std::string& e : extraEnv) {
      const size_t eq = e.find('=');
      const std::string name = e.substr(0, eq);
      const std::string value = eq == std::string::npos ? "" : e.substr(eq + 1);
      if (value.empty()) unsetenv(name.c_str());
      else setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  if (errFd >= 0) close(errFd);
}

ProgramRun::~ProgramRun() {
  if (_pid > 0 && !_done) {
    kill(_pid, SIGKILL);
    waitpid(_pid, &_status, 0);
  }
  std::remove(_stderrPath.c_str());
}

bool ProgramRun::running() {
  if (_pid <= 0 || _done) return false;
  if (waitpid(_pid, &_status, WNOHANG) == _pid) {
    _done = true;
    _elapsedMs = long((nowNs() - _startNs) / 1000000);
    return false;
  }
  return true;
}

int ProgramRun::wait(int timeoutMs) {
  const long long deadline = nowNs() + (long long)timeoutMs * 1000000;
  while (running()) {
    if (nowNs() > deadline) {
      kill(_pid, SIGKILL);
      waitpid(_pid, &_status, 0);
      _done = true;
      _elapsedMs = long((nowNs() - _startNs) / 1000000);
      return -1;
    }
    usleep(5000);
  }
  if (!_done) return -1;
  return WIFEXITED(_status) ? WEXITSTATUS(_status) : -1;
}

int ProgramRun::signal() const { return _done && WIFSIGNALED(_status) ? WTERMSIG(_status) : 0; }

std::string ProgramRun::stderrText() const {
  std::ifstream in(_stderrPath);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

int runCommand(const std::string& command, std::string* output) {
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  const int status = pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
