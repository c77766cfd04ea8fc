#include "PngRead.h"

#include <png.h>

std::vector<uint8_t> readPngRgb(const std::string& path, int* width, int* height) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
  *width = int(image.width);
  *height = int(image.height);
  return pixels;
}
