#include "MaskPicture.h"

#include <cstdio>
#include <memory>

#include "ImageData.h"
#include "ImageLibrary.h"
#include "PngCodec.h"

namespace gltfimport {

std::string MaskPicture::add(ImportResult& result, const std::string& basePicture, double alphaFactor, double cutoff,
                             std::string& error) {
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, "_mask%03d_%03d.png", int(cutoff * 1000 + 0.5) % 1000,
                int(alphaFactor * 1000 + 0.5) % 1000);
  const std::string name = basePicture.substr(0, basePicture.find_last_of('.')) + suffix;
  const NamedBytes* base = nullptr;
  for (const NamedBytes& picture : result.pictures) {
    if (picture.name == name) return name;
    if (picture.name == basePicture) base = &picture;
  }
  if (!base) {
    error = "picture " + basePicture + " is missing";
    return {};
  }
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgba;
  if (!PngCodec::decodeRgba(base->bytes, width, height, rgba)) {
    // A JPEG has no alpha: every pixel has the base colour's alpha.
    std::unique_ptr<ImageData> jpeg(ImageLibrary::decode(ImageLibrary::FileType::Jpeg, base->bytes.data(),
                                                         base->bytes.size()));
    if (!jpeg) {
      error = "picture " + basePicture + " cannot be decoded";
      return {};
    }
    width = jpeg->width;
    height = jpeg->height;
    rgba.assign(size_t(width) * height * 4, 255);
  }
  for (size_t i = 0; i < rgba.size(); i += 4) {
    const uint8_t grey = rgba[i + 3] / 255.0 * alphaFactor >= cutoff ? 255 : 0;
    rgba[i] = rgba[i + 1] = rgba[i + 2] = grey;
    rgba[i + 3] = 255;
  }
  NamedBytes mask{name, {}};
  if (!PngCodec::encodeRgba(width, height, rgba, mask.bytes)) {
    error = "cannot write the mask of picture " + basePicture;
    return {};
  }
  result.pictures.push_back(std::move(mask));
  return name;
}

}  // namespace gltfimport
