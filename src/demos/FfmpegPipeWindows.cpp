#include "FfmpegPipe.h"

#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace {
constexpr int kWaitMs = 20;             // the writer re-checks its queue at least this often
constexpr DWORD kMaxWrite = 1 << 16;    // bytes per write call
constexpr DWORD kPipeBuffer = 1 << 20;  // the pipes' buffer size
constexpr size_t kMessageBytes = 4096;  // tail of the child's stderr kept for a report
std::atomic<int> gPipeNumber{0};

std::string lastError() {
  const DWORD code = GetLastError();
  char text[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                 nullptr);
  std::string message = text;
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
    message.pop_back();
  return message.empty() ? "error " + std::to_string(code) : message;
}

void closeHandle(void*& handle) {
  if (handle) CloseHandle(handle);
  handle = nullptr;
}

bool isFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// One argument quoted for CommandLineToArgvW and the C runtime's parser.
std::string quoted(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

// One named pipe's server end and its pending overlapped operation.
struct PipeState {
  HANDLE pipe;
  OVERLAPPED overlapped = {};
  bool connected = false;
  bool pending = false;  // a connect or a write is in flight
};
}  // namespace

FfmpegPipe::~FfmpegPipe() {
  if (running() || _writer.joinable()) abort();
  closeHandle(_stderrFd);
  closeHandle(_process);
}

std::string FfmpegPipe::findOnPath(const std::string& name) {
  const bool hasExtension = name.find('.') != std::string::npos;
  const std::string file = hasExtension ? name : name + ".exe";
  if (name.find_first_of("/\\:") != std::string::npos) return isFile(file) ? file : std::string();
  const char* path = std::getenv("PATH");
  const std::string folders = path ? path : "";
  size_t begin = 0;
  while (begin < folders.size()) {
    size_t end = folders.find(';', begin);
    if (end == std::string::npos) end = folders.size();
    std::string folder = folders.substr(begin, end - begin);
    if (folder.size() >= 2 && folder.front() == '"' && folder.back() == '"') folder = folder.substr(1, folder.size() - 2);
    if (!folder.empty()) {
      const std::string candidate = folder + "\\" + file;
      if (isFile(candidate)) return candidate;
    }
    begin = end + 1;
  }
  return std::string();
}

bool FfmpegPipe::start(const std::string& program, const std::vector<std::string>& args) {
  const std::string base = "\\\\.\\pipe\\rk17-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(gPipeNumber++);
  const std::string videoName = base + "-video";
  const std::string audioName = base + "-audio";
  const DWORD openMode = PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE;
  const DWORD pipeMode = PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS;
  _videoFd = CreateNamedPipeA(videoName.c_str(), openMode, pipeMode, 1, kPipeBuffer, 0, 0, nullptr);
  if (_videoFd == INVALID_HANDLE_VALUE) _videoFd = nullptr;
  _audioFd = CreateNamedPipeA(audioName.c_str(), openMode, pipeMode, 1, kPipeBuffer, 0, 0, nullptr);
  if (_audioFd == INVALID_HANDLE_VALUE) _audioFd = nullptr;
  if (!_videoFd || !_audioFd) {
    _cause = "cannot create pipes: " + lastError();
    closeHandle(_videoFd);
    closeHandle(_audioFd);
    return false;
  }

  // The child's stderr goes to a temporary file that disappears when the last handle closes.
  SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  char folder[MAX_PATH + 1] = {};
  char file[MAX_PATH + 1] = {};
  if (GetTempPathA(sizeof folder, folder) > 0 && GetTempFileNameA(folder, "rk17", 0, file) != 0) {
    _stderrFd = CreateFileA(file, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (_stderrFd == INVALID_HANDLE_VALUE) _stderrFd = nullptr;
  }
  HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr);

  std::string commandLine = quoted(program);
  for (const std::string& arg : args) {
    if (arg == "pipe:3")
      commandLine += " " + quoted(videoName);
    else if (arg == "pipe:4")
      commandLine += " " + quoted(audioName);
    else
      commandLine += " " + quoted(arg);
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul;
  startup.hStdOutput = nul;
  startup.hStdError = _stderrFd ? _stderrFd : nul;
  PROCESS_INFORMATION child = {};
  // A process group of its own (a Ctrl-C at the console reaches only us), and no console window.
  const BOOL started = CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                                      CREATE_NEW_PROCESS_GROUP | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &child);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) {
    _cause = "cannot start " + program + ": " + lastError();
    closeHandle(_videoFd);
    closeHandle(_audioFd);
    return false;
  }
  CloseHandle(child.hThread);
  _process = child.hProcess;
  _pid = pid_t(child.dwProcessId);
  _writer = std::thread(&FfmpegPipe::writerLoop, this);
  return true;
}

void FfmpegPipe::writerLoop() {
  PipeState video{_videoFd};
  PipeState audio{_audioFd};
  video.overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  audio.overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  WriterWork work;
  std::string error;

  // Closes a pipe once its data is drained: the child reads what is buffered, then its end.
  auto closePipe = [](PipeState& state, void*& member) {
    if (!state.pipe) return;
    if (state.pending) {
      CancelIoEx(state.pipe, &state.overlapped);
      DWORD ignored = 0;
      GetOverlappedResult(state.pipe, &state.overlapped, &ignored, TRUE);
      state.pending = false;
    }
    CloseHandle(state.pipe);
    state.pipe = nullptr;
    member = nullptr;
  };
  // Starts a connect or a write on a pipe with nothing in flight; false on a failed write.
  auto begin = [&](PipeState& state, const uint8_t* data, size_t left, bool isVideo) {
    ResetEvent(state.overlapped.hEvent);
    if (!state.connected) {
      if (ConnectNamedPipe(state.pipe, &state.overlapped) || GetLastError() == ERROR_PIPE_CONNECTED) {
        state.connected = true;
      } else if (GetLastError() == ERROR_IO_PENDING) {
        state.pending = true;
      } else {
        error = "connecting the encoder's input: " + lastError();
        return false;
      }
      return true;
    }
    if (WriteFile(state.pipe, data, DWORD(std::min<size_t>(left, kMaxWrite)), nullptr, &state.overlapped) ||
        GetLastError() == ERROR_IO_PENDING) {
      state.pending = true;
      return true;
    }
    const DWORD code = GetLastError();
    error = code == ERROR_NO_DATA || code == ERROR_BROKEN_PIPE
                ? std::string("the encoder stopped reading its ") + (isVideo ? "video" : "audio") + " input"
                : "writing to the encoder: " + lastError();
    return false;
  };
  // Collects a finished operation: the bytes written, or 0 for a connect; -1 on failure.
  auto collect = [&](PipeState& state, bool isVideo) -> long long {
    if (!state.pending || !HasOverlappedIoCompleted(&state.overlapped)) return 0;
    state.pending = false;
    DWORD bytes = 0;
    if (!GetOverlappedResult(state.pipe, &state.overlapped, &bytes, FALSE)) {
      const DWORD code = GetLastError();
      error = code == ERROR_NO_DATA || code == ERROR_BROKEN_PIPE
                  ? std::string("the encoder stopped reading its ") + (isVideo ? "video" : "audio") + " input"
                  : "writing to the encoder: " + lastError();
      return -1;
    }
    if (!state.connected) {
      state.connected = true;
      return 0;
    }
    return (long long)bytes;
  };

  for (;;) {
    {
      std::unique_lock<std::mutex> lock(_mutex);
      if (!takeWork(work)) break;
      const bool videoIdle = !work.videoLeft() && !video.pending;
      const bool audioIdle = !work.audioLeft() && !audio.pending;
      // Once no more data comes, each input closes as soon as it is drained; an input the child
      // has not opened yet is connected first, so it finds it.
      if (_closing && videoIdle && video.connected) closePipe(video, _videoFd);
      if (_closing && audioIdle && audio.connected) closePipe(audio, _audioFd);
      if (!video.pipe && !audio.pipe) break;
      if (videoIdle && audioIdle && !_closing) {
        _changed.wait(lock);
        continue;
      }
    }
    bool ok = true;
    if (video.pipe && !video.pending && (work.videoLeft() || !video.connected))
      ok = begin(video, work.current.data + work.videoDone, work.current.bytes - work.videoDone, true);
    if (ok && audio.pipe && !audio.pending && (work.audioLeft() || !audio.connected))
      ok = begin(audio, work.audio.data() + work.audioDone, work.audio.size() - work.audioDone, false);
    if (ok) {
      // The child's end counts too: a child that exits without opening an input fails the pipe.
      HANDLE events[3];
      DWORD count = 0;
      if (video.pending) events[count++] = video.overlapped.hEvent;
      if (audio.pending) events[count++] = audio.overlapped.hEvent;
      events[count++] = _process;
      const DWORD woke = WaitForMultipleObjects(count, events, FALSE, kWaitMs);
      const long long videoBytes = collect(video, true);
      const long long audioWritten = videoBytes < 0 ? 0 : collect(audio, false);
      if (videoBytes < 0 || audioWritten < 0) {
        ok = false;
      } else {
        work.videoDone += size_t(videoBytes);
        work.audioDone += size_t(audioWritten);
        if (woke == WAIT_OBJECT_0 + count - 1 && (!video.connected || !audio.connected)) {
          error = "the encoder ended before it opened its inputs";
          ok = false;
        }
      }
    }
    std::lock_guard<std::mutex> lock(_mutex);
    if (!ok) {
      failWith(error);
      break;
    }
    releaseWrittenFrame(work);
  }
  // End of input for the child (or it is gone): closing lets it finish the file.
  closePipe(video, _videoFd);
  closePipe(audio, _audioFd);
  CloseHandle(video.overlapped.hEvent);
  CloseHandle(audio.overlapped.hEvent);
}

bool FfmpegPipe::reap() {
  if (_pid <= 0) return false;
  WaitForSingleObject(_process, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(_process, &code);
  closeHandle(_process);
  _pid = -1;
  if (code == 0) return true;
  return failedExit("exit code " + std::to_string(code));
}

std::string FfmpegPipe::stderrTail() const {
  if (!_stderrFd) return std::string();
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(_stderrFd, &size) || size.QuadPart <= 0) return std::string();
  const long long from = size.QuadPart > (long long)kMessageBytes ? size.QuadPart - (long long)kMessageBytes : 0;
  LARGE_INTEGER at = {};
  at.QuadPart = from;
  SetFilePointerEx(_stderrFd, at, nullptr, FILE_BEGIN);
  std::string text(size_t(size.QuadPart - from), '\0');
  DWORD got = 0;
  if (!ReadFile(_stderrFd, &text[0], DWORD(text.size()), &got, nullptr)) got = 0;
  text.resize(got);
  return text;
}

void FfmpegPipe::abort() {
  if (_process) TerminateProcess(_process, 1);
  {
    std::lock_guard<std::mutex> lock(_mutex);
    _aborting = true;
    dropQueued();
  }
  if (_writer.joinable()) _writer.join();
  if (_process) WaitForSingleObject(_process, INFINITE);
  closeHandle(_process);
  _pid = -1;
}

#endif
