#include "GlbBuilder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace gltfgen {

namespace {

void append(std::vector<uint8_t>& out, const void* data, size_t size) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  out.insert(out.end(), p, p + size);
}

std::string number(float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", double(v));
  return text;
}

}  // namespace

int GlbBuilder::add(const std::string& key, const std::string& objectJson) {
  std::vector<std::string>& array = _arrays[key];
  array.push_back(objectJson);
  return int(array.size()) - 1;
}

int GlbBuilder::addView(const void* data, size_t size) {
  while (_bin.size() % 4) _bin.push_back(0);
  const size_t offset = _bin.size();
  append(_bin, data, size);
  return add("bufferViews", "{\"buffer\":0,\"byteOffset\":" + std::to_string(offset) +
                                ",\"byteLength\":" + std::to_string(size) + "}");
}

int GlbBuilder::addFloats(const std::vector<float>& values, const std::string& type) {
  const size_t width = type == "SCALAR" ? 1 : type == "VEC2" ? 2 : type == "VEC3" ? 3 : 4;
  const int view = addView(values.data(), values.size() * 4);
  std::string bounds;
  if (width == 3 && !values.empty()) {
    float low[3] = {values[0], values[1], values[2]}, high[3] = {values[0], values[1], values[2]};
    for (size_t i = 0; i < values.size(); ++i) {
      low[i % 3] = std::min(low[i % 3], values[i]);
      high[i % 3] = std::max(high[i % 3], values[i]);
    }
    bounds = ",\"min\":[" + number(low[0]) + "," + number(low[1]) + "," + number(low[2]) + "],\"max\":[" +
             number(high[0]) + "," + number(high[1]) + "," + number(high[2]) + "]";
  }
  return add("accessors", "{\"bufferView\":" + std::to_string(view) + ",\"componentType\":5126,\"count\":" +
                              std::to_string(values.size() / width) + ",\"type\":\"" + type + "\"" + bounds + "}");
}

int GlbBuilder::addIndices(const std::vector<uint32_t>& indices) {
  const int view = addView(indices.data(), indices.size() * 4);
  return add("accessors", "{\"bufferView\":" + std::to_string(view) + ",\"componentType\":5125,\"count\":" +
                              std::to_string(indices.size()) + ",\"type\":\"SCALAR\"}");
}

std::vector<uint8_t> GlbBuilder::bytes() const {
  std::string json = "{\"asset\":{\"version\":\"2.0\",\"generator\":\"rk17_gltfgen\"}";
  for (const auto& member : _members) json += ",\"" + member.first + "\":" + member.second;
  for (const auto& array : _arrays) {
    json += ",\"" + array.first + "\":[";
    for (size_t i = 0; i < array.second.size(); ++i) json += (i ? "," : "") + array.second[i];
    json += "]";
  }
  json += ",\"buffers\":[{\"byteLength\":" + std::to_string(_bin.size()) + "}]}";
  while (json.size() % 4) json += ' ';
  std::vector<uint8_t> bin = _bin;
  while (bin.size() % 4) bin.push_back(0);
  std::vector<uint8_t> glb;
  const uint32_t header[5] = {0x46546C67, 2, uint32_t(12 + 8 + json.size() + 8 + bin.size()), uint32_t(json.size()),
                              0x4E4F534A};
  append(glb, header, sizeof header);
  append(glb, json.data(), json.size());
  const uint32_t binHeader[2] = {uint32_t(bin.size()), 0x004E4942};
  append(glb, binHeader, sizeof binHeader);
  append(glb, bin.data(), bin.size());
  return glb;
}

}  // namespace gltfgen
