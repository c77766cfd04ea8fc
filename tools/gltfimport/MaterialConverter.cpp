#include "MaterialConverter.h"

#include <tiny_gltf.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "ImageData.h"
#include "ImageLibrary.h"
#include "MaskPicture.h"
#include "PngCodec.h"
#include "SafeName.h"

namespace gltfimport {

namespace {

double number(const tinygltf::Value& object, const char* key, double fallback) {
  if (!object.IsObject() || !object.Has(key) || !object.Get(key).IsNumber()) return fallback;
  const double v = object.Get(key).GetNumberAsDouble();
  return std::isfinite(v) ? v : fallback;
}

double item(const tinygltf::Value& object, const char* key, int i, double fallback) {
  if (!object.IsObject() || !object.Has(key)) return fallback;
  const tinygltf::Value& array = object.Get(key);
  if (!array.IsArray() || int(array.ArrayLen()) <= i || !array.Get(i).IsNumber()) return fallback;
  const double v = array.Get(i).GetNumberAsDouble();
  return std::isfinite(v) ? v : fallback;
}

float clamp01(double v) { return float(std::fmin(1.0, std::fmax(0.0, std::isfinite(v) ? v : 0.0))); }

}  // namespace

std::string MaterialConverter::pictureName(int image, std::string& error) {
  if (image < 0 || size_t(image) >= _model.images.size()) {
    error = "picture " + std::to_string(image) + " does not exist";
    return {};
  }
  if (_pictureNames.size() < _model.images.size()) _pictureNames.resize(_model.images.size());
  std::string& name = _pictureNames[size_t(image)];
  if (!name.empty()) return name;
  const tinygltf::Image& picture = _model.images[size_t(image)];
  const std::string label = "picture " + std::to_string(image) + (picture.uri.empty() ? "" : " (" + picture.uri + ")");
  const std::vector<unsigned char>& bytes = picture.image;
  const bool png = bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG", 4) == 0;
  const bool jpeg = bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
  if (bytes.empty()) {
    error = label + " is missing";
    return {};
  }
  if (!png && !jpeg) {
    error = label + " is neither PNG nor JPEG";
    return {};
  }
  std::vector<uint8_t> kept(bytes.begin(), bytes.end());
  if (png) {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;
    if (!PngCodec::decodeRgba(kept, width, height, rgba)) {
      error = label + " cannot be decoded";
      return {};
    }
    if (!PngCodec::isEngineReady(kept)) {
      PngCodec::encodeRgba(width, height, rgba, kept);
      _result.warnings.push_back(label + ": written anew as 8-bit RGBA PNG (the engine takes no other PNG)");
    }
  } else {
    std::unique_ptr<ImageData> decoded(ImageLibrary::decode(ImageLibrary::FileType::Jpeg, kept.data(), kept.size()));
    if (!decoded) {
      error = label + " cannot be decoded";
      return {};
    }
  }
  name = SafeName::of(_options.picturePrefix.empty() ? _options.sceneName : _options.picturePrefix) + "_" + std::to_string(image) + (png ? ".png" : ".jpg");
  _result.pictures.push_back({name, std::move(kept)});
  return name;
}

void MaterialConverter::reportSampler(int sampler, const std::string& label) {
  if (sampler < 0 || size_t(sampler) >= _model.samplers.size()) return;  // glTF's default: repeat, linear
  const tinygltf::Sampler& s = _model.samplers[size_t(sampler)];
  if (s.wrapS != TINYGLTF_TEXTURE_WRAP_REPEAT || s.wrapT != TINYGLTF_TEXTURE_WRAP_REPEAT)
    _result.skipped.push_back(label + ": clamped or mirrored texture wrap (the engine's textures always repeat)");
  const bool nearest = s.magFilter == TINYGLTF_TEXTURE_FILTER_NEAREST || s.minFilter == TINYGLTF_TEXTURE_FILTER_NEAREST ||
                       s.minFilter == TINYGLTF_TEXTURE_FILTER_NEAREST_MIPMAP_NEAREST ||
                       s.minFilter == TINYGLTF_TEXTURE_FILTER_NEAREST_MIPMAP_LINEAR;
  if (nearest)
    _result.skipped.push_back(label + ": nearest texture filter (the engine's textures filter linearly, with mipmaps)");
}

bool MaterialConverter::convert(int index, int32_t id, MaterialInfo& info, std::string& error) {
  info = MaterialInfo{};
  vdg::MaterialRecord& r = info.record;
  r.id = id;
  // Ambient 0: a white light of multiplier 1 facing the surface gives exactly the base colour.
  r.ambient = {0, 0, 0};
  r.specular = {0, 0, 0};
  r.diffuse = {1, 1, 1};
  if (index < 0) {
    r.name = "default";
    return true;
  }
  const tinygltf::Material& m = _model.materials[size_t(index)];
  r.name = m.name.empty() ? "material" + std::to_string(index) : m.name;
  const std::string label = "material '" + r.name + "'";
  const std::vector<double>& f = m.pbrMetallicRoughness.baseColorFactor;
  const double alpha = f.size() == 4 ? clamp01(f[3]) : 1.0;
  if (f.size() == 4) r.diffuse = {clamp01(f[0]), clamp01(f[1]), clamp01(f[2])};
  info.doubleSided = m.doubleSided;

  const tinygltf::TextureInfo& base = m.pbrMetallicRoughness.baseColorTexture;
  std::string baseName;
  if (base.index >= 0) {
    if (size_t(base.index) >= _model.textures.size() || _model.textures[size_t(base.index)].source < 0) {
      error = label + ": base colour texture " + std::to_string(base.index) + " does not exist";
      return false;
    }
    std::string why;
    baseName = pictureName(_model.textures[size_t(base.index)].source, why);
    if (baseName.empty()) {
      error = label + ": " + why;
      return false;
    }
    r.textures.push_back({baseName, 1});
    reportSampler(_model.textures[size_t(base.index)].sampler, label);
    info.uvSet = base.texCoord == 1 ? 1 : 0;
    auto transform = base.extensions.find("KHR_texture_transform");
    if (transform != base.extensions.end()) {
      const tinygltf::Value& t = transform->second;
      const double rotation = number(t, "rotation", 0.0);
      const double sx = item(t, "scale", 0, 1.0), sy = item(t, "scale", 1, 1.0);
      const double c = std::cos(rotation), s = std::sin(rotation);
      info.uvMatrix = {c * sx, -s * sx, s * sy, c * sy, item(t, "offset", 0, 0.0), item(t, "offset", 1, 0.0)};
      if (t.IsObject() && t.Has("texCoord") && t.Get("texCoord").IsNumber())
        info.uvSet = t.Get("texCoord").GetNumberAsInt() == 1 ? 1 : 0;
    }
  }

  if (m.alphaMode == "BLEND") {
    // Just below 1 so that the engine blends by the texture's alpha as well.
    r.opacity = float(std::fmin(alpha, 0.9999));
  } else if (m.alphaMode == "MASK") {
    const double cutoff = m.alphaCutoff;
    if (baseName.empty()) {
      info.invisible = alpha < cutoff;
    } else {
      std::string why;
      const std::string maskName = MaskPicture::add(_result, baseName, alpha, cutoff, why);
      if (maskName.empty()) {
        error = label + ": " + why;
        return false;
      }
      r.textures.push_back({maskName, 6});
    }
  }

  const bool emissive = !m.emissiveFactor.empty() &&
                        (m.emissiveFactor[0] > 0 || m.emissiveFactor.size() < 3 || m.emissiveFactor[1] > 0 ||
                         m.emissiveFactor[2] > 0);
  if (emissive || m.emissiveTexture.index >= 0)
    _result.skipped.push_back(label + ": emission (neither the engine's materials nor the scene file hold an "
                              "emissive colour or map)");
  if (m.normalTexture.index >= 0)
    _result.skipped.push_back(label + ": normal map (the engine's bump shade models take no base map and light "
                              "along a tangent of their own, not the texture's)");
  if (m.occlusionTexture.index >= 0 || m.pbrMetallicRoughness.metallicRoughnessTexture.index >= 0)
    _result.skipped.push_back(label + ": metallic-roughness and occlusion (fixed-function lighting)");
  return true;
}

}  // namespace gltfimport
