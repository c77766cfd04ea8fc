#include "FfmpegPipe.h"

#ifndef _WIN32

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace {
constexpr int kVideoInputFd = 3;
constexpr int kAudioInputFd = 4;
constexpr int kPollMs = 20;             // the writer re-checks its queue at least this often
constexpr size_t kMaxWrite = 1 << 16;   // bytes per write call
constexpr size_t kMessageBytes = 4096;  // tail of the child's stderr kept for a report

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}
}  // namespace

FfmpegPipe::~FfmpegPipe() {
  if (running() || _writer.joinable()) abort();
  closeFd(_stderrFd);
}

std::string FfmpegPipe::findOnPath(const std::string& name) {
  if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0 ? name : std::string();
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t begin = 0;
  while (begin <= folders.size()) {
    size_t end = folders.find(':', begin);
    if (end == std::string::npos) end = folders.size();
    std::string folder = folders.substr(begin, end - begin);
    if (folder.empty()) folder = ".";
    const std::string candidate = folder + "/" + name;
    struct stat info;
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
      return candidate;
    begin = end + 1;
  }
  return std::string();
}

bool FfmpegPipe::start(const std::string& program, const std::vector<std::string>& args) {
  // A child that stops reading must give EPIPE on our side, not end the program.
  signal(SIGPIPE, SIG_IGN);
  int video[2] = {-1, -1};
  int audio[2] = {-1, -1};
  if (pipe2(video, O_CLOEXEC) != 0 || pipe2(audio, O_CLOEXEC) != 0) {
    _cause = std::string("cannot create pipes: ") + std::strerror(errno);
    closeFd(video[0]);
    closeFd(video[1]);
    return false;
  }
  // The read ends move above the fds the child gets, so no dup2 below overwrites another.
  int videoRead = fcntl(video[0], F_DUPFD_CLOEXEC, 10);
  int audioRead = fcntl(audio[0], F_DUPFD_CLOEXEC, 10);
  closeFd(video[0]);
  closeFd(audio[0]);
  FILE* log = std::tmpfile();
  if (log) {
    _stderrFd = fcntl(fileno(log), F_DUPFD_CLOEXEC, 10);
    std::fclose(log);
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, videoRead, kVideoInputFd);
  posix_spawn_file_actions_adddup2(&actions, audioRead, kAudioInputFd);
  if (_stderrFd >= 0) posix_spawn_file_actions_adddup2(&actions, _stderrFd, 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setpgroup(&attributes, 0);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int result = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  closeFd(videoRead);
  closeFd(audioRead);
  if (result != 0) {
    _cause = "cannot start " + program + ": " + std::strerror(result);
    closeFd(video[1]);
    closeFd(audio[1]);
    return false;
  }
  _pid = pid;
  _videoFd = video[1];
  _audioFd = audio[1];
  fcntl(_videoFd, F_SETFL, O_NONBLOCK);
  fcntl(_audioFd, F_SETFL, O_NONBLOCK);
  _writer = std::thread(&FfmpegPipe::writerLoop, this);
  return true;
}

void FfmpegPipe::writerLoop() {
  WriterWork work;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(_mutex);
      if (!takeWork(work)) break;
      // Once no more data comes, each input closes as soon as it is drained: a reader that
      // reads one input to its end before the other still gets both.
      if (_closing && !work.videoLeft()) closeFd(_videoFd);
      if (_closing && !work.audioLeft()) closeFd(_audioFd);
      if (!work.videoLeft() && !work.audioLeft()) {
        if (_closing) break;
        _changed.wait(lock);
        continue;
      }
    }
    pollfd fds[2];
    int count = 0;
    if (work.videoLeft()) fds[count++] = pollfd{_videoFd, POLLOUT, 0};
    if (work.audioLeft()) fds[count++] = pollfd{_audioFd, POLLOUT, 0};
    const int ready = poll(fds, nfds_t(count), kPollMs);
    if (ready < 0 && errno != EINTR) {
      std::lock_guard<std::mutex> lock(_mutex);
      failWith(std::string("poll: ") + std::strerror(errno));
      break;
    }
    std::string error;
    for (int i = 0; i < count && ready > 0; ++i) {
      if (fds[i].revents == 0) continue;
      const bool isVideo = fds[i].fd == _videoFd;
      const uint8_t* data = isVideo ? work.current.data + work.videoDone : work.audio.data() + work.audioDone;
      const size_t left = isVideo ? work.current.bytes - work.videoDone : work.audio.size() - work.audioDone;
      const ssize_t n = ::write(fds[i].fd, data, std::min(left, kMaxWrite));
      if (n < 0) {
        if (errno == EAGAIN || errno == EINTR) continue;
        error = errno == EPIPE
                    ? std::string("the encoder stopped reading its ") + (isVideo ? "video" : "audio") + " input"
                    : std::string("writing to the encoder: ") + std::strerror(errno);
        break;
      }
      if (isVideo)
        work.videoDone += size_t(n);
      else
        work.audioDone += size_t(n);
    }
    std::lock_guard<std::mutex> lock(_mutex);
    if (!error.empty()) {
      failWith(error);
      break;
    }
    releaseWrittenFrame(work);
  }
  // End of input for the child (or it is gone): closing lets it finish the file.
  closeFd(_videoFd);
  closeFd(_audioFd);
}

bool FfmpegPipe::reap() {
  if (_pid <= 0) return false;
  int status = 0;
  pid_t got;
  do {
    got = waitpid(_pid, &status, 0);
  } while (got < 0 && errno == EINTR);
  _pid = -1;
  if (got < 0) {
    std::lock_guard<std::mutex> lock(_mutex);
    if (_cause.empty()) _cause = std::string("waiting for the encoder: ") + std::strerror(errno);
    return false;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  const std::string how = WIFEXITED(status) ? "exit code " + std::to_string(WEXITSTATUS(status))
                                      : "signal " + std::to_string(WTERMSIG(status));
  return failedExit(how);
}

std::string FfmpegPipe::stderrTail() const {
  if (_stderrFd < 0) return std::string();
  const off_t size = lseek(_stderrFd, 0, SEEK_END);
  if (size <= 0) return std::string();
  const off_t from = size > off_t(kMessageBytes) ? size - off_t(kMessageBytes) : 0;
  std::string text(size_t(size - from), '\0');
  const ssize_t n = pread(_stderrFd, &text[0], text.size(), from);
  text.resize(n > 0 ? size_t(n) : 0);
  return text;
}

void FfmpegPipe::abort() {
  if (_pid > 0) kill(_pid, SIGKILL);
  {
    std::lock_guard<std::mutex> lock(_mutex);
    _aborting = true;
    dropQueued();
  }
  if (_writer.joinable()) _writer.join();
  if (_pid > 0) {
    int status = 0;
    while (waitpid(_pid, &status, 0) < 0 && errno == EINTR) {
    }
    _pid = -1;
  }
}

#endif
