#include "GltfTestFile.h"

#include <png.h>

#include <cstring>
#include <fstream>

namespace {

std::string base64(const std::vector<uint8_t>& bytes) {
  static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t v = uint32_t(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= uint32_t(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) v |= bytes[i + 2];
    out += digits[(v >> 18) & 63];
    out += digits[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? digits[(v >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? digits[v & 63] : '=';
  }
  return out;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

void pngWrite(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}
void pngFlush(png_structp) {}

}  // namespace

int GltfTestFile::add(const std::string& key, const std::string& objectJson) {
  _arrays[key].push_back(objectJson);
  return int(_arrays[key].size()) - 1;
}

int GltfTestFile::addView(const std::vector<uint8_t>& bytes) {
  while (_buffer.size() % 4) _buffer.push_back(0);
  const size_t offset = _buffer.size();
  _buffer.insert(_buffer.end(), bytes.begin(), bytes.end());
  return add("bufferViews", "{\"buffer\":0,\"byteOffset\":" + std::to_string(offset) +
                                ",\"byteLength\":" + std::to_string(bytes.size()) + "}");
}

int GltfTestFile::addFloats(const std::vector<float>& values, const std::string& type) {
  std::vector<uint8_t> bytes(values.size() * 4);
  std::memcpy(bytes.data(), values.data(), bytes.size());
  const size_t width = type == "SCALAR" ? 1 : type == "VEC2" ? 2 : type == "VEC3" ? 3 : type == "VEC4" ? 4 : 16;
  const int view = addView(bytes);
  return add("accessors", "{\"bufferView\":" + std::to_string(view) + ",\"componentType\":5126,\"count\":" +
                              std::to_string(values.size() / width) + ",\"type\":\"" + type + "\"}");
}

int GltfTestFile::addIndices(const std::vector<uint32_t>& indices) {
  std::vector<uint8_t> bytes(indices.size() * 4);
  std::memcpy(bytes.data(), indices.data(), bytes.size());
  const int view = addView(bytes);
  return add("accessors", "{\"bufferView\":" + std::to_string(view) + ",\"componentType\":5125,\"count\":" +
                              std::to_string(indices.size()) + ",\"type\":\"SCALAR\"}");
}

int GltfTestFile::addJoints(const std::vector<uint16_t>& joints) {
  std::vector<uint8_t> bytes(joints.size() * 2);
  std::memcpy(bytes.data(), joints.data(), bytes.size());
  const int view = addView(bytes);
  return add("accessors", "{\"bufferView\":" + std::to_string(view) + ",\"componentType\":5123,\"count\":" +
                              std::to_string(joints.size() / 4) + ",\"type\":\"VEC4\"}");
}

int GltfTestFile::addMesh(const std::vector<float>& positions, const std::vector<uint32_t>& indices,
                          const std::vector<float>& normals, const std::vector<float>& uvs, int material) {
  std::string attributes = "\"POSITION\":" + std::to_string(addFloats(positions, "VEC3"));
  if (!normals.empty()) attributes += ",\"NORMAL\":" + std::to_string(addFloats(normals, "VEC3"));
  if (!uvs.empty()) attributes += ",\"TEXCOORD_0\":" + std::to_string(addFloats(uvs, "VEC2"));
  std::string primitive = "{\"attributes\":{" + attributes + "}";
  if (!indices.empty()) primitive += ",\"indices\":" + std::to_string(addIndices(indices));
  if (material >= 0) primitive += ",\"material\":" + std::to_string(material);
  return add("meshes", "{\"primitives\":[" + primitive + "}]}");
}

std::string GltfTestFile::json(const std::string& bufferUri) const {
  std::string out = "{\"asset\":{\"version\":\"2.0\"}";
  for (const auto& member : _members) out += ",\"" + member.first + "\":" + member.second;
  for (const auto& array : _arrays) {
    out += ",\"" + array.first + "\":[";
    for (size_t i = 0; i < array.second.size(); ++i) out += (i ? "," : "") + array.second[i];
    out += "]";
  }
  if (!_buffer.empty()) {
    out += ",\"buffers\":[{\"byteLength\":" + std::to_string(_buffer.size());
    if (!bufferUri.empty()) out += ",\"uri\":\"" + bufferUri + "\"";
    out += "}]";
  }
  return out + "}";
}

std::string GltfTestFile::gltfText() const {
  return json(_buffer.empty() ? "" : "data:application/octet-stream;base64," + base64(_buffer));
}

std::vector<uint8_t> GltfTestFile::glbBytes() const {
  std::string text = json("");
  while (text.size() % 4) text += ' ';
  std::vector<uint8_t> bin = _buffer;
  while (bin.size() % 4) bin.push_back(0);
  std::vector<uint8_t> out;
  put32(out, 0x46546C67);
  put32(out, 2);
  put32(out, uint32_t(12 + 8 + text.size() + (bin.empty() ? 0 : 8 + bin.size())));
  put32(out, uint32_t(text.size()));
  put32(out, 0x4E4F534A);
  out.insert(out.end(), text.begin(), text.end());
  if (!bin.empty()) {
    put32(out, uint32_t(bin.size()));
    put32(out, 0x004E4942);
    out.insert(out.end(), bin.begin(), bin.end());
  }
  return out;
}

bool GltfTestFile::write(const std::string& path) const {
  std::ofstream out(path, std::ios::binary);
  const bool binary = path.size() > 4 && path.compare(path.size() - 4, 4, ".glb") == 0;
  if (binary) {
    const std::vector<uint8_t> bytes = glbBytes();
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  } else {
    const std::string text = gltfText();
    out.write(text.data(), std::streamsize(text.size()));
  }
  return bool(out);
}

std::vector<uint8_t> GltfTestFile::png(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, pngWrite, pngFlush);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (uint32_t y = 0; y < height; ++y) png_write_row(png, const_cast<png_bytep>(rgba.data() + y * width * 4));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}
