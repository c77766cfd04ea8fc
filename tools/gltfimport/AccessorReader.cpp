#include "AccessorReader.h"

#include <tiny_gltf.h>

#include <cmath>
#include <cstring>

namespace gltfimport {

namespace {

size_t componentSize(int componentType) {
  switch (componentType) {
    case TINYGLTF_COMPONENT_TYPE_BYTE:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
      return 1;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
      return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
      return 4;
    default:
      return 0;
  }
}

size_t componentCount(int type) {
  switch (type) {
    case TINYGLTF_TYPE_SCALAR:
      return 1;
    case TINYGLTF_TYPE_VEC2:
      return 2;
    case TINYGLTF_TYPE_VEC3:
      return 3;
    case TINYGLTF_TYPE_VEC4:
    case TINYGLTF_TYPE_MAT2:
      return 4;
    case TINYGLTF_TYPE_MAT3:
      return 9;
    case TINYGLTF_TYPE_MAT4:
      return 16;
    default:
      return 0;
  }
}

std::string named(int accessor, const char* what) { return "accessor " + std::to_string(accessor) + ": " + what; }

}  // namespace

size_t AccessorReader::count(int accessor) const {
  if (accessor < 0 || size_t(accessor) >= _model.accessors.size()) return 0;
  return _model.accessors[size_t(accessor)].count;
}

bool AccessorReader::copyView(int view, uint64_t byteOffset, uint64_t count, size_t elementSize, uint64_t stride,
                              uint8_t* out, std::string& error) const {
  if (view < 0 || size_t(view) >= _model.bufferViews.size()) {
    error = "buffer view " + std::to_string(view) + " does not exist";
    return false;
  }
  const tinygltf::BufferView& bv = _model.bufferViews[size_t(view)];
  if (bv.buffer < 0 || size_t(bv.buffer) >= _model.buffers.size()) {
    error = "buffer view " + std::to_string(view) + " names a buffer that does not exist";
    return false;
  }
  const std::vector<unsigned char>& data = _model.buffers[size_t(bv.buffer)].data;
  if (bv.byteOffset > data.size() || bv.byteLength > data.size() - bv.byteOffset) {
    error = "buffer view " + std::to_string(view) + " reaches past the end of its buffer";
    return false;
  }
  if (stride == 0) stride = elementSize;
  if (stride < elementSize) {
    error = "buffer view " + std::to_string(view) + " has a stride smaller than one element";
    return false;
  }
  if (count == 0) return true;
  // count <= byteLength keeps the product below 2^64 for any stride a 32-bit view can have.
  if (count > bv.byteLength || byteOffset > bv.byteLength ||
      stride * (count - 1) + elementSize > bv.byteLength - byteOffset) {
    error = "the data reaches past the end of buffer view " + std::to_string(view);
    return false;
  }
  const uint8_t* source = data.data() + bv.byteOffset + byteOffset;
  for (uint64_t i = 0; i < count; ++i) std::memcpy(out + i * elementSize, source + i * stride, elementSize);
  return true;
}

bool AccessorReader::applySparse(const tinygltf::Accessor& a, size_t elementSize, uint8_t* packed,
                                 std::string& error) const {
  const uint64_t n = uint64_t(a.sparse.count);
  if (a.sparse.count < 0 || n > a.count) {
    error = "sparse count is larger than the accessor";
    return false;
  }
  const size_t indexSize = componentSize(a.sparse.indices.componentType);
  if (indexSize == 0 || a.sparse.indices.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT ||
      a.sparse.indices.componentType == TINYGLTF_COMPONENT_TYPE_BYTE ||
      a.sparse.indices.componentType == TINYGLTF_COMPONENT_TYPE_SHORT) {
    error = "sparse indices are not of an unsigned integer type";
    return false;
  }
  std::vector<uint8_t> indices(size_t(n) * indexSize), values(size_t(n) * elementSize);
  if (!copyView(a.sparse.indices.bufferView, uint64_t(a.sparse.indices.byteOffset), n, indexSize, 0,
                indices.data(), error) ||
      !copyView(a.sparse.values.bufferView, uint64_t(a.sparse.values.byteOffset), n, elementSize, 0, values.data(),
                error))
    return false;
  for (uint64_t i = 0; i < n; ++i) {
    uint32_t index = 0;
    if (indexSize == 1) index = indices[i];
    if (indexSize == 2) {
      uint16_t v;
      std::memcpy(&v, &indices[i * 2], 2);
      index = v;
    }
    if (indexSize == 4) std::memcpy(&index, &indices[i * 4], 4);
    if (index >= a.count) {
      error = "a sparse index is past the end of the accessor";
      return false;
    }
    std::memcpy(&packed[size_t(index) * elementSize], &values[i * elementSize], elementSize);
  }
  return true;
}

bool AccessorReader::check(int index, int type, size_t& components, size_t& elementSize, std::string& error) const {
  if (index < 0 || size_t(index) >= _model.accessors.size()) {
    error = "accessor " + std::to_string(index) + " does not exist";
    return false;
  }
  const tinygltf::Accessor& a = _model.accessors[size_t(index)];
  components = componentCount(a.type);
  const size_t size = componentSize(a.componentType);
  if (a.type != type || components == 0 || size == 0) {
    error = named(index, "has the wrong type for its use");
    return false;
  }
  elementSize = components * size;
  const int view = a.bufferView;
  if (view < 0 && a.count > kMaxZeroElements) {
    error = named(index, "count is larger than any buffer holds");
    return false;
  }
  if (view >= 0) {
    // Checked before allocating: a view cannot hold more elements than it has bytes.
    if (size_t(view) >= _model.bufferViews.size() || a.count > _model.bufferViews[size_t(view)].byteLength) {
      error = named(index, ("count " + std::to_string(a.count) + " is more than its buffer view holds").c_str());
      return false;
    }
  }
  return true;
}

bool AccessorReader::copyChecked(int index, size_t elementSize, uint8_t* packed, std::string& error) const {
  const tinygltf::Accessor& a = _model.accessors[size_t(index)];
  const int view = a.bufferView;
  if (view >= 0) {
    const uint64_t stride = uint64_t(_model.bufferViews[size_t(view)].byteStride);
    std::string why;
    if (!copyView(view, a.byteOffset, a.count, elementSize, stride, packed, why)) {
      error = named(index, why.c_str());
      return false;
    }
  }
  if (a.sparse.isSparse) {
    std::string why;
    if (!applySparse(a, elementSize, packed, why)) {
      error = named(index, why.c_str());
      return false;
    }
  }
  return true;
}

template <typename T>
bool AccessorReader::readValues(int index, int type, int nativeType, std::vector<T>& out, std::vector<uint8_t>& packed,
                                std::string& error) const {
  size_t components = 0, elementSize = 0;
  if (!check(index, type, components, elementSize, error)) return false;
  const tinygltf::Accessor& a = _model.accessors[size_t(index)];
  const size_t values = a.count * components;
  if (a.componentType == nativeType) {
    // Straight into the result: large accessors are held once.
    out.assign(values, T(0));
    return copyChecked(index, elementSize, reinterpret_cast<uint8_t*>(out.data()), error);
  }
  packed.assign(a.count * elementSize, 0);
  if (!copyChecked(index, elementSize, packed.data(), error)) return false;
  out.resize(values);
  return true;
}

bool AccessorReader::readFloats(int index, int type, std::vector<float>& out, std::string& error) const {
  std::vector<uint8_t> packed;
  if (!readValues(index, type, TINYGLTF_COMPONENT_TYPE_FLOAT, out, packed, error)) return false;
  const tinygltf::Accessor& a = _model.accessors[size_t(index)];
  if (a.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT) {
    for (float v : out)
      if (!std::isfinite(v) || std::fabs(v) > kMaxMagnitude) {
        error = named(index, "holds NaN, infinite or huge values");
        return false;
      }
    return true;
  }
  const size_t values = out.size();
  const uint8_t* p = packed.data();
  switch (a.componentType) {
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
      for (size_t i = 0; i < values; ++i) out[i] = float(p[i]) / 255.0f;
      break;
    case TINYGLTF_COMPONENT_TYPE_BYTE:
      for (size_t i = 0; i < values; ++i) out[i] = std::fmax(float(int8_t(p[i])) / 127.0f, -1.0f);
      break;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
      for (size_t i = 0; i < values; ++i) {
        uint16_t v;
        std::memcpy(&v, p + i * 2, 2);
        out[i] = float(v) / 65535.0f;
      }
      break;
    case TINYGLTF_COMPONENT_TYPE_SHORT:
      for (size_t i = 0; i < values; ++i) {
        int16_t v;
        std::memcpy(&v, p + i * 2, 2);
        out[i] = std::fmax(float(v) / 32767.0f, -1.0f);
      }
      break;
    default:
      error = named(index, "has integer values where floats are needed");
      return false;
  }
  if (!a.normalized) {
    error = named(index, "has integer values that are not marked normalized");
    return false;
  }
  return true;
}

bool AccessorReader::readUnsigned(int index, int type, std::vector<uint32_t>& out, std::string& error) const {
  std::vector<uint8_t> packed;
  if (!readValues(index, type, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, out, packed, error)) return false;
  const tinygltf::Accessor& a = _model.accessors[size_t(index)];
  if (a.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT) return true;
  const size_t values = out.size();
  const uint8_t* p = packed.data();
  switch (a.componentType) {
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
      for (size_t i = 0; i < values; ++i) out[i] = p[i];
      return true;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
      for (size_t i = 0; i < values; ++i) {
        uint16_t v;
        std::memcpy(&v, p + i * 2, 2);
        out[i] = v;
      }
      return true;
    default:
      error = named(index, "is not of an unsigned integer type");
      return false;
  }
}

}  // namespace gltfimport
