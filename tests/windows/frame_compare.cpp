// Compares two folders of captured frames (frame-NNNNNN.png, RGB or RGBA, equal sizes): a pixel
// matches when no colour channel differs by more than TOLERANCE steps. Prints each frame's share
// of matching pixels and the worst frame; exit code 0 when every frame of A exists in B and
// reaches MIN_PERCENT, 1 otherwise.
// Usage: frame_compare DIR_A DIR_B TOLERANCE MIN_PERCENT
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
bool readRgb(const fs::path& path, std::vector<unsigned char>& rgb, unsigned& width, unsigned& height) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.string().c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  rgb.resize(PNG_IMAGE_SIZE(image));
  width = image.width;
  height = image.height;
  return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: frame_compare DIR_A DIR_B TOLERANCE MIN_PERCENT\n");
    return 2;
  }
  const fs::path a = argv[1], b = argv[2];
  const int tolerance = std::atoi(argv[3]);
  const double minPercent = std::atof(argv[4]);
  std::vector<fs::path> names;
  for (const auto& entry : fs::directory_iterator(a))
    if (entry.path().extension() == ".png") names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  if (names.empty()) {
    std::fprintf(stderr, "frame_compare: no frames in %s\n", a.string().c_str());
    return 1;
  }
  bool ok = true;
  double worst = 101.0, maxDifference = 0;
  std::string worstName;
  unsigned long long total = 0, matching = 0, identical = 0;
  for (const fs::path& name : names) {
    std::vector<unsigned char> pa, pb;
    unsigned wa = 0, ha = 0, wb = 0, hb = 0;
    if (!readRgb(a / name, pa, wa, ha) || !readRgb(b / name, pb, wb, hb) || wa != wb || ha != hb) {
      std::printf("%s: missing, unreadable or of another size\n", name.string().c_str());
      ok = false;
      continue;
    }
    unsigned long long same = 0;
    for (size_t i = 0; i < pa.size(); i += 3) {
      int largest = 0;
      for (size_t c = 0; c < 3; ++c) largest = std::max(largest, std::abs(int(pa[i + c]) - int(pb[i + c])));
      if (largest <= tolerance) ++same;
      if (largest == 0) ++identical;
      if (largest > maxDifference) maxDifference = largest;
    }
    const unsigned long long pixels = pa.size() / 3;
    const double percent = 100.0 * double(same) / double(pixels);
    total += pixels;
    matching += same;
    std::printf("%s: %.4f %% within %d (%llu pixels beyond)\n", name.string().c_str(), percent, tolerance,
                pixels - same);
    if (percent < worst) {
      worst = percent;
      worstName = name.string();
    }
    if (percent < minPercent) ok = false;
  }
  std::printf("frame_compare: %zu frames; worst %s with %.4f %% of its pixels within %d steps; all frames "
              "%.4f %% (%llu pixels beyond, %.4f %% identical); largest difference %.0f steps\n",
              names.size(), worstName.c_str(), worst, tolerance, 100.0 * double(matching) / double(total ? total : 1),
              total - matching, 100.0 * double(identical) / double(total ? total : 1), maxDifference);
  return ok ? 0 : 1;
}
