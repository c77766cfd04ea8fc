#include "VideoExport.h"

#include "FrameCapture.h"

#include <epoxy/gl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "DemoSettings.h"
#include "SoundSystem.h"
#include "Switches.h"

namespace {
constexpr int64_t kRate = SoundSystem::kMixRate;
constexpr int kProgressMs = 250;  // progress line refresh

volatile sig_atomic_t gInterrupted = 0;
using SignalHandler = void (*)(int);
SignalHandler gOldInt = SIG_DFL;
SignalHandler gOldTerm = SIG_DFL;
bool gHandlersInstalled = false;
VideoExport* gActive = nullptr;  // the export the exit handler cleans up after a fatal report

void onInterrupt(int) { gInterrupted = 1; }

bool endsWithMkv(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return tail == ".mkv";
}
}  // namespace

VideoExport::VideoExport(const CaptureOptions& options) : _options(options), _pipe(kSlots) {}

VideoExport::~VideoExport() {
  if (_prepared) discard();
  if (gActive == this) gActive = nullptr;
}

std::vector<std::string> VideoExport::videoCodecArguments(VideoQuality quality) {
  // Chosen by measuring encode time, size and per-second SSIM against the lossless render of
  // the show (docs/video.md): cheaper presets than medium lose up to 0.03 SSIM where thin
  // strands move, so the default keeps medium; small trades quality for under half the
  // encoder's time and a half to three quarters of the size.
  switch (quality) {
    case VideoQuality::Lossless:
      return {"-c:v", "libx264rgb", "-preset", "ultrafast", "-qp", "0", "-pix_fmt", "rgb24"};
    case VideoQuality::Small:
      return {"-c:v", "libx264", "-preset", "veryfast", "-crf", "21", "-pix_fmt", "yuv420p"};
    case VideoQuality::Crf:
      break;
  }
  return {"-c:v", "libx264", "-preset", "medium", "-crf", "18", "-pix_fmt", "yuv420p"};
}

std::vector<std::string> VideoExport::encoderArguments(const CaptureOptions& options, int width, int height,
                                                       const std::string& outputPath) {
  const bool mkv = endsWithMkv(options.videoFile);
  // Both inputs are fully described, so ffmpeg must not probe them: probing one input reads
  // seconds of it while the other is not read, and the two streams only advance together.
  // -xerror: without it ffmpeg logs a failed write of the output (a full disk) and still exits
  // with 0, leaving a cut-off video that would be renamed into place.
  std::vector<std::string> args = {
      "-hide_banner", "-nostdin", "-loglevel", "error", "-xerror", "-y",
      // frames: raw RGB, rows bottom-up as GL reads them
      "-probesize", "32", "-analyzeduration", "0", "-thread_queue_size", "64", "-f", "rawvideo", "-pix_fmt", "rgb24",
      "-video_size", std::to_string(width) + "x" + std::to_string(height), "-framerate", std::to_string(options.fps),
      "-i", "pipe:3",
      // soundtrack: the offline mix
      "-probesize", "32", "-analyzeduration", "0", "-thread_queue_size", "64", "-f", "s16le", "-ar",
      std::to_string(kRate), "-ac", "2", "-i", "pipe:4", "-map", "0:v", "-map", "1:a", "-vf", "vflip"};
  const std::vector<std::string> video = videoCodecArguments(options.quality);
  args.insert(args.end(), video.begin(), video.end());
  if (options.quality == VideoQuality::Lossless)
    args.insert(args.end(), {"-c:a", mkv ? "flac" : "alac"});
  else
    args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k"});
  if (mkv) {
    args.insert(args.end(), {"-f", "matroska"});
  } else {
    args.insert(args.end(), {"-movflags", "+faststart", "-f", "mp4"});
  }
  args.push_back(outputPath);
  return args;
}

std::string VideoExport::temporaryPath(const std::string& videoFile) { return videoFile + ".part"; }

int64_t VideoExport::frameCount(const CaptureOptions& options, int64_t lastMs) {
  // Frame k is shown while from + floor(k * 1000 / fps) <= last, that is k * 1000 < (last - from + 1) * fps.
  const int64_t span = lastMs - options.fromMs + 1;
  if (span <= 0) return 0;
  return (span * options.fps + 999) / 1000;
}

int64_t VideoExport::sampleAt(int64_t ms) {
  const int64_t scaled = ms * kRate;
  return scaled >= 0 ? scaled / 1000 : -((-scaled + 999) / 1000);
}

std::string VideoExport::progressText(int64_t frames, int64_t total, int64_t demoMs, double fps, double secondsLeft) {
  char line[160];
  const long long left = static_cast<long long>(secondsLeft + 0.5);
  std::snprintf(line, sizeof line, "rk17: frame %lld/%lld, demo time %lld.%03lld s, %.1f fps, %lld:%02lld left",
                static_cast<long long>(frames), static_cast<long long>(total), static_cast<long long>(demoMs / 1000),
                static_cast<long long>(std::abs(demoMs % 1000)), fps, left / 60, left % 60);
  return line;
}

bool VideoExport::prepare() {
  _ffmpeg = FfmpegPipe::findOnPath("ffmpeg");
  if (_ffmpeg.empty()) {
    std::fprintf(stderr, "rk17: ffmpeg not found on PATH; install the Debian package ffmpeg to render videos\n");
    return false;
  }
  // Created here, so a folder that does not exist or cannot be written is reported before the
  // show starts; ffmpeg overwrites it.
  _temporary = temporaryPath(_options.videoFile);
  std::FILE* file = std::fopen(_temporary.c_str(), "wb");
  if (!file) {
    std::fprintf(stderr, "rk17: cannot write %s: %s\n", _temporary.c_str(), std::strerror(errno));
    return false;
  }
  std::fclose(file);
  _prepared = true;
  gActive = this;
  static bool exitHandler = false;
  if (!exitHandler) std::atexit(atExit);
  exitHandler = true;

  gInterrupted = 0;
  gOldInt = std::signal(SIGINT, onInterrupt);
  gOldTerm = std::signal(SIGTERM, onInterrupt);
  gHandlersInstalled = true;

  _audioStart = sampleAt(_options.fromMs);
  SoundSystem::instance().setOfflineTap(&VideoExport::onAudio, this);
  _startedAt = std::chrono::steady_clock::now();
  _lastProgress = _startedAt;
  return true;
}

int64_t VideoExport::plannedFrames() {
  // The script sets the end time: known from the first mixed block on.
  if (_plannedFrames < 0) {
    const DemoSettings& settings = demoSettings();
    const int64_t last = std::min<int64_t>(FrameCapture::lastTime(_options, settings.endTime), settings.endTime);
    _plannedFrames = frameCount(_options, last);
  }
  return _plannedFrames;
}

void VideoExport::onAudio(void* self, const int16_t* samples, int32_t frames, int64_t streamFrame) {
  static_cast<VideoExport*>(self)->takeAudio(samples, frames, streamFrame);
}

void VideoExport::takeAudio(const int16_t* samples, int32_t frames, int64_t streamFrame) {
  // Blocks mixed while no stream played are silence at an unknown position: the gap before the
  // next stream block, or the end, is filled with silence instead.
  if (streamFrame < 0 || _failed) return;
  const int64_t end = _audioStart + plannedFrames() * kRate / _options.fps;
  int64_t next = _audioStart + _audioSent;
  if (streamFrame > next) {
    sendSilence(std::min(streamFrame, end) - next);
    next = _audioStart + _audioSent;
  }
  const int64_t from = std::max(next, streamFrame);
  const int64_t to = std::min(streamFrame + frames, end);
  if (to <= from) return;
  const int16_t* first = samples + 2 * (from - streamFrame);
  const size_t count = size_t(to - from) * 2;
  if (_pipe.running())
    _pipe.sendAudio(first, count * sizeof(int16_t));
  else
    _audioBacklog.insert(_audioBacklog.end(), first, first + count);
  _audioSent += to - from;
}

void VideoExport::sendSilence(int64_t frames) {
  if (frames <= 0) return;
  static const std::vector<int16_t> zeros(size_t(SoundSystem::kBlockFrames) * 2, 0);
  for (int64_t left = frames; left > 0;) {
    const int64_t n = std::min<int64_t>(left, SoundSystem::kBlockFrames);
    if (_pipe.running())
      _pipe.sendAudio(zeros.data(), size_t(n) * 2 * sizeof(int16_t));
    else
      _audioBacklog.insert(_audioBacklog.end(), zeros.begin(), zeros.begin() + n * 2);
    left -= n;
  }
  _audioSent += frames;
}

bool VideoExport::startEncoder(int width, int height) {
  _width = width;
  _height = height;
  if (!createSlots(size_t(width) * size_t(height) * 3)) return false;
  if (!_pipe.start(_ffmpeg, encoderArguments(_options, width, height, _temporary))) {
    std::fprintf(stderr, "rk17: %s\n", _pipe.error().c_str());
    return false;
  }
  if (!_audioBacklog.empty()) _pipe.sendAudio(_audioBacklog.data(), _audioBacklog.size() * sizeof(int16_t));
  _audioBacklog = std::vector<int16_t>();
  return true;
}

bool VideoExport::createSlots(size_t bytes) {
  _frameBytes = bytes;
  // Persistent mapping lets the writer thread read a finished frame straight out of the buffer
  // the GL filled, with no copy; RK17_VIDEO_READBACK=plain forces the direct read path.
  const bool plain = Switches::isOn(Switch::VideoReadback);
  _useBuffers = !plain && (epoxy_gl_version() >= 44 || epoxy_has_gl_extension("GL_ARB_buffer_storage"));
  if (_useBuffers) {
    const GLbitfield flags = GL_MAP_READ_BIT | GL_MAP_PERSISTENT_BIT | GL_MAP_COHERENT_BIT;
    glGenBuffers(kSlots, _buffers.data());
    for (int i = 0; i < kSlots; ++i) {
      glBindBuffer(GL_PIXEL_PACK_BUFFER, _buffers[size_t(i)]);
      glBufferStorage(GL_PIXEL_PACK_BUFFER, GLsizeiptr(bytes), nullptr, flags);
      _mapped[size_t(i)] = static_cast<uint8_t*>(glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, GLsizeiptr(bytes), flags));
      if (!_mapped[size_t(i)]) _useBuffers = false;
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    if (!_useBuffers) releaseSlots();
  }
  if (!_useBuffers) {
    _memory.assign(bytes * kSlots, 0);
    for (int i = 0; i < kSlots; ++i) _mapped[size_t(i)] = _memory.data() + bytes * size_t(i);
  }
  return true;
}

void VideoExport::releaseSlots() {
  for (void*& fence : _fences) {
    if (fence) glDeleteSync(static_cast<GLsync>(fence));
    fence = nullptr;
  }
  if (_buffers[0] != 0) {
    for (int i = 0; i < kSlots; ++i) {
      glBindBuffer(GL_PIXEL_PACK_BUFFER, _buffers[size_t(i)]);
      if (_mapped[size_t(i)]) glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    glDeleteBuffers(kSlots, _buffers.data());
    _buffers.fill(0);
  }
  _mapped.fill(nullptr);
  _pending = -1;
}

void VideoExport::handOver(int slot) {
  GLsync fence = static_cast<GLsync>(_fences[size_t(slot)]);
  if (fence) {
    while (glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, 1000000000ull) == GL_TIMEOUT_EXPIRED) {
    }
    glDeleteSync(fence);
    _fences[size_t(slot)] = nullptr;
  }
  _pipe.sendVideo(slot, _mapped[size_t(slot)], _frameBytes);
}

bool VideoExport::writeFrame(int width, int height) {
  if (_failed) return false;
  if (gInterrupted) {
    _failed = true;
    return false;
  }
  if (_frames == 0 && !_pipe.running() && !startEncoder(width, height)) {
    _failed = true;
    return false;
  }
  if (width != _width || height != _height) {
    std::fprintf(stderr, "rk17: the frame size changed to %dx%d during the video\n", width, height);
    _failed = true;
    return false;
  }
  // Where no music plays the mix delivers nothing: silence keeps the audio input level with the
  // frames, as ffmpeg reads both inputs side by side.
  const int64_t frameSample = sampleAt(_options.fromMs + _frames * 1000 / _options.fps);
  const int64_t audioEnd = _audioStart + plannedFrames() * kRate / _options.fps;
  sendSilence(std::min(frameSample, audioEnd) - (_audioStart + _audioSent));
  const int slot = int(_frames % kSlots);
  if (!_pipe.waitForSlot(slot, &gInterrupted)) {
    _failed = true;
    return false;
  }
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if (_useBuffers) {
    // The read lands in the slot's buffer; the previous frame is handed over meanwhile, so two
    // read-backs are in flight.
    glBindBuffer(GL_PIXEL_PACK_BUFFER, _buffers[size_t(slot)]);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    _fences[size_t(slot)] = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    if (_pending >= 0) handOver(_pending);
    _pending = slot;
  } else {
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, _mapped[size_t(slot)]);
    handOver(slot);
  }
  ++_frames;
  showProgress(false);
  return true;
}

void VideoExport::showProgress(bool last) {
  if (_options.quiet) return;
  const auto now = std::chrono::steady_clock::now();
  if (!last && now - _lastProgress < std::chrono::milliseconds(kProgressMs)) return;
  _lastProgress = now;
  const double seconds = std::chrono::duration<double>(now - _startedAt).count();
  const double fps = seconds > 0 ? double(_frames) / seconds : 0.0;
  const int64_t total = std::max(plannedFrames(), _frames);
  const double left = fps > 0 ? double(total - _frames) / fps : 0.0;
  const int64_t demoMs = _frames > 0 ? _options.fromMs + (_frames - 1) * 1000 / _options.fps : _options.fromMs;
  std::fprintf(stderr, "\r%s   ", progressText(_frames, total, demoMs, fps, left).c_str());
  if (last) std::fputc('\n', stderr);
  std::fflush(stderr);
  _progressShown = true;
}

bool VideoExport::finish(bool complete) {
  if (!_prepared) return false;
  if (_progressShown) showProgress(true);
  if (gInterrupted) {
    std::fprintf(stderr, "rk17: interrupted; no video written\n");
    discard();
    releaseSlots();
    return false;
  }
  if (!complete || _failed || _pipe.failed()) {
    if (_pipe.failed()) {
      _pipe.finish();  // reaps the encoder, so the report can say why it stopped
      std::fprintf(stderr, "rk17: %s; no video written\n", _pipe.error().c_str());
    } else if (!_failed) {
      std::fprintf(stderr, "rk17: the show was stopped; no video written\n");
    }
    discard();
    releaseSlots();
    return false;
  }
  if (_frames == 0) {
    std::fprintf(stderr, "rk17: no frame between --from and --to; no video written\n");
    discard();
    releaseSlots();
    return false;
  }
  if (_pending >= 0) handOver(_pending);
  _pending = -1;
  // The soundtrack runs to the end of the last frame: mix what the show has not heard yet, and
  // fill with silence where no music plays.
  const int64_t end = _audioStart + _frames * kRate / _options.fps;
  const int64_t endMs = ((end + 1) * 1000 + kRate - 1) / kRate;
  if (endMs <= INT32_MAX) SoundSystem::instance().mixOfflineUntil(int32_t(endMs));
  SoundSystem::instance().setOfflineTap(nullptr, nullptr);
  sendSilence(end - (_audioStart + _audioSent));

  const bool encoded = _pipe.finish();
  releaseSlots();
  if (!encoded || gInterrupted) {
    if (gInterrupted)
      std::fprintf(stderr, "rk17: interrupted; no video written\n");
    else
      std::fprintf(stderr, "rk17: %s; no video written\n", _pipe.error().c_str());
    discard();
    return false;
  }
  // std::filesystem::rename replaces an existing file on Windows too.
  std::error_code renamed;
  std::filesystem::rename(_temporary, _options.videoFile, renamed);
  if (renamed) {
    std::fprintf(stderr, "rk17: cannot rename %s to %s: %s\n", _temporary.c_str(), _options.videoFile.c_str(),
                 renamed.message().c_str());
    discard();
    return false;
  }
  _prepared = false;
  restoreSignals();
  if (!_options.quiet) {
    struct stat info = {};
    stat(_options.videoFile.c_str(), &info);
    std::fprintf(stderr, "rk17: wrote %s (%lld frames, %.1f MB)\n", _options.videoFile.c_str(),
                 static_cast<long long>(_frames), double(info.st_size) / 1e6);
  }
  return true;
}

void VideoExport::discard() {
  _failed = true;
  SoundSystem::instance().setOfflineTap(nullptr, nullptr);
  _pipe.abort();
  if (_prepared && !_temporary.empty()) std::remove(_temporary.c_str());
  _prepared = false;
  restoreSignals();
}

void VideoExport::restoreSignals() {
  if (!gHandlersInstalled) return;
  std::signal(SIGINT, gOldInt);
  std::signal(SIGTERM, gOldTerm);
  gHandlersInstalled = false;
}

void VideoExport::atExit() {
  // A fatal report during the run ends the process through exit(): no partial file stays.
  if (gActive && gActive->_prepared) {
    gActive->_pipe.abort();
    std::remove(gActive->_temporary.c_str());
    gActive->_prepared = false;
  }
}
