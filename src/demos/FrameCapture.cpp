#include "FrameCapture.h"

#include <epoxy/gl.h>
#include <png.h>

#include <cstdio>
#include <filesystem>

namespace {
int64_t gTicks = 0;  // ms of the stepped clock
}  // namespace

FrameCapture::FrameCapture(const CaptureOptions& options) : _options(options) {}

bool FrameCapture::prepare() {
  std::error_code error;
  std::filesystem::create_directories(_options.directory, error);
  if (error || !std::filesystem::is_directory(_options.directory)) {
    std::fprintf(stderr, "rk17: cannot create capture folder %s: %s\n", _options.directory.c_str(),
                 error ? error.message().c_str() : "not a folder");
    return false;
  }
  return true;
}

int64_t FrameCapture::frameTime(const CaptureOptions& options, int64_t k) {
  return options.fromMs + k * 1000 / options.fps;
}

int64_t FrameCapture::lastTime(const CaptureOptions& options, int32_t endTime) {
  return options.hasTo ? options.toMs : int64_t(endTime) - 1;
}

int64_t FrameCapture::counter() { return gTicks; }

void FrameCapture::stepTo(int64_t timeMs, int32_t startMs) { gTicks = timeMs - startMs; }

bool FrameCapture::writeFrame(int width, int height) {
  _pixels.resize(size_t(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, _pixels.data());

  char name[32];
  std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(_written));
  const std::string path = (std::filesystem::path(_options.directory) / name).string();
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(width);
  image.height = png_uint_32(height);
  image.format = PNG_FORMAT_RGB;
  // GL rows run bottom-up: a negative stride writes them top-down.
  if (!png_image_write_to_file(&image, path.c_str(), 0, _pixels.data(), -width * 3, nullptr)) {
    std::fprintf(stderr, "rk17: cannot write %s: %s\n", path.c_str(), image.message);
    return false;
  }
  ++_written;
  return true;
}
