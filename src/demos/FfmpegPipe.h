#pragma once
// An encoder child process (ffmpeg) fed through two pipes: raw video frames on its fd 3 and raw
// audio bytes on its fd 4. A writer thread moves queued frames and audio into the pipes with
// non-blocking writes, so neither input can stall the other and the caller only waits when
// every frame slot is still queued. The child runs in a process group of its own (a Ctrl-C at
// the terminal reaches only us) and its stderr is kept to explain a failure.
// On Windows the inputs are two named pipes written with overlapped I/O: the arguments "pipe:3"
// and "pipe:4" are replaced by their paths (\\.\pipe\...), which ffmpeg opens as files.
#include <sys/types.h>

#include <condition_variable>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FfmpegPipe {
 public:
  explicit FfmpegPipe(int slotCount);
  ~FfmpegPipe();  // abort() when still running
  FfmpegPipe(const FfmpegPipe&) = delete;
  FfmpegPipe& operator=(const FfmpegPipe&) = delete;

  // Full path of name in the folders of $PATH, empty when no executable file has that name.
  static std::string findOnPath(const std::string& name);

  // Starts program (a path) with args (argv[1...]); false and error() when it cannot start.
  bool start(const std::string& program, const std::vector<std::string>& args);
  bool running() const { return _pid > 0; }

  // Waits until the writer has finished with frame slot (0 .. slotCount-1); false when the pipe
  // failed (nothing can be sent any more) or *stop became non-zero (a signal handler's flag).
  bool waitForSlot(int slot, const volatile sig_atomic_t* stop = nullptr);
  // Queues bytes of slot for the video input; the memory must stay valid until the slot is free
  // again (waitForSlot returns).
  void sendVideo(int slot, const uint8_t* data, size_t bytes);
  // Copies bytes for the audio input.
  void sendAudio(const void* data, size_t bytes);

  // Closes both inputs once everything queued is written and waits for the child; true when
  // it exited with code 0. Otherwise error() names the cause.
  bool finish();
  // Kills the child, drops what is queued and waits for it.
  void abort();

  bool failed() const;
  std::string error() const;

 private:
  struct VideoItem {
    int slot;
    const uint8_t* data;
    size_t bytes;
  };
  // What the writer thread is writing: the front frame and the audio it took from the queue.
  struct WriterWork {
    VideoItem current{-1, nullptr, 0};  // data null: no frame taken
    size_t videoDone = 0;               // bytes of current written
    std::vector<uint8_t> audio;         // audio being written (taken from _audio)
    size_t audioDone = 0;               // bytes of audio written
    bool videoLeft() const { return current.data != nullptr; }
    bool audioLeft() const { return audioDone < audio.size(); }
  };

  void writerLoop();
  // _mutex held: takes the queued audio once the taken audio is written and the front frame
  // when none is taken. False when the writer must stop (aborted or failed).
  bool takeWork(WriterWork& work);
  // _mutex held: once the taken frame is written, drops it from the queue and frees its slot.
  void releaseWrittenFrame(WriterWork& work);
  void dropQueued();  // _mutex held: forgets the queued frames and audio and frees every slot
  void failWith(const std::string& cause);  // _mutex held
  // After the child ended badly (how: "exit code 1", ...): records the cause with the encoder's
  // own last message and returns false.
  bool failedExit(const std::string& how);
  // Waits for the child; sets _exitText to how it ended. True when it exited with code 0.
  bool reap();
  std::string stderrTail() const;      // the end of what the child wrote to stderr, as written
  std::string encoderMessage() const;  // its last two lines, on one line

  const int _slotCount;
  pid_t _pid = -1;
#ifdef _WIN32
  // HANDLEs: the child process, the server ends of the named pipes, the file of its stderr.
  void* _process = nullptr;
  void* _videoFd = nullptr;
  void* _audioFd = nullptr;
  void* _stderrFd = nullptr;
#else
  int _videoFd = -1;
  int _audioFd = -1;
  int _stderrFd = -1;  // a temporary file holding the child's stderr
#endif
  std::thread _writer;

  mutable std::mutex _mutex;
  std::condition_variable _changed;
  std::deque<VideoItem> _video;  // queued frames, front is being written
  std::vector<bool> _slotBusy;
  std::vector<uint8_t> _audio;  // queued audio not yet taken by the writer
  bool _closing = false;        // no more data: close the inputs when drained
  bool _aborting = false;
  bool _failed = false;
  std::string _cause;
};
