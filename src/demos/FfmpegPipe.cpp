#include "FfmpegPipe.h"

#include <algorithm>
#include <chrono>

// The parts that do not depend on the operating system; FfmpegPipePosix.cpp and
// FfmpegPipeWindows.cpp start the child and move the data.

namespace {
constexpr int kSlotPollMs = 20;  // a waiting caller re-checks its stop flag at least this often
}  // namespace

FfmpegPipe::FfmpegPipe(int slotCount) : _slotCount(slotCount), _slotBusy(size_t(std::max(slotCount, 1)), false) {}

bool FfmpegPipe::waitForSlot(int slot, const volatile sig_atomic_t* stop) {
  std::unique_lock<std::mutex> lock(_mutex);
  while (!_failed && _slotBusy[size_t(slot)]) {
    if (stop && *stop) return false;
    _changed.wait_for(lock, std::chrono::milliseconds(kSlotPollMs));
  }
  return !_failed;
}

void FfmpegPipe::sendVideo(int slot, const uint8_t* data, size_t bytes) {
  std::lock_guard<std::mutex> lock(_mutex);
  if (_failed || _closing) return;
  _slotBusy[size_t(slot)] = true;
  _video.push_back(VideoItem{slot, data, bytes});
  _changed.notify_all();
}

void FfmpegPipe::sendAudio(const void* data, size_t bytes) {
  std::lock_guard<std::mutex> lock(_mutex);
  if (_failed || _closing) return;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  _audio.insert(_audio.end(), p, p + bytes);
  _changed.notify_all();
}

bool FfmpegPipe::takeWork(WriterWork& work) {
  if (_aborting || _failed) return false;
  if (!work.audioLeft() && !_audio.empty()) {
    work.audio.swap(_audio);
    _audio.clear();
    work.audioDone = 0;
  }
  if (!work.videoLeft() && !_video.empty()) {
    work.current = _video.front();
    work.videoDone = 0;
  }
  return true;
}

void FfmpegPipe::releaseWrittenFrame(WriterWork& work) {
  if (!work.videoLeft() || work.videoDone != work.current.bytes) return;
  _video.pop_front();
  _slotBusy[size_t(work.current.slot)] = false;
  work.current = VideoItem{-1, nullptr, 0};
  _changed.notify_all();
}

void FfmpegPipe::dropQueued() {
  _video.clear();
  _audio.clear();
  std::fill(_slotBusy.begin(), _slotBusy.end(), false);
  _changed.notify_all();
}

void FfmpegPipe::failWith(const std::string& cause) {
  if (!_failed) _cause = cause;
  _failed = true;
  dropQueued();
}

bool FfmpegPipe::failedExit(const std::string& how) {
  std::lock_guard<std::mutex> lock(_mutex);
  const std::string message = encoderMessage();
  std::string cause = "ffmpeg failed (" + how + ")";
  if (!message.empty()) cause += ": " + message;
  if (!_cause.empty()) cause += " [" + _cause + "]";
  _cause = cause;
  _failed = true;
  return false;
}

std::string FfmpegPipe::encoderMessage() const {
  std::string text = stderrTail();
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  // The last two lines say what went wrong; earlier ones are usually consequences.
  size_t cut = text.rfind('\n');
  if (cut != std::string::npos && cut > 0) cut = text.rfind('\n', cut - 1);
  if (cut != std::string::npos) text = text.substr(cut + 1);
  std::replace(text.begin(), text.end(), '\n', ' ');
  std::replace(text.begin(), text.end(), '\r', ' ');
  return text;
}

bool FfmpegPipe::finish() {
  if (!_writer.joinable() && _pid <= 0) return false;
  {
    std::lock_guard<std::mutex> lock(_mutex);
    _closing = true;
    _changed.notify_all();
  }
  if (_writer.joinable()) _writer.join();
  const bool exitedWell = reap();
  std::lock_guard<std::mutex> lock(_mutex);
  if (exitedWell && _failed) {
    _cause = "ffmpeg ended before it read all input [" + _cause + "]";
    return false;
  }
  return exitedWell && !_failed;
}

bool FfmpegPipe::failed() const {
  std::lock_guard<std::mutex> lock(_mutex);
  return _failed;
}

std::string FfmpegPipe::error() const {
  std::lock_guard<std::mutex> lock(_mutex);
  return _cause;
}
