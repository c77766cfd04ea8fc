#pragma once
// Reads glTF accessors out of the loaded buffers with every range checked first: the accessor
// must lie inside its buffer view and the view inside its buffer, counts are bounded by the bytes
// that hold them, and values must be finite. Sparse accessors are applied over their base.
// Failures return false with a one-line reason naming the accessor.
#include <cstdint>
#include <string>
#include <vector>

namespace tinygltf {
class Model;
struct Accessor;
}  // namespace tinygltf

namespace gltfimport {

class AccessorReader {
 public:
  // Largest value accepted in positions, coordinates and keys; larger ones count as broken data.
  static constexpr double kMaxMagnitude = 1e12;
  // Most elements of an accessor without a buffer view (all zeros but for its sparse values).
  static constexpr uint64_t kMaxZeroElements = 1u << 24;

  explicit AccessorReader(const tinygltf::Model& model) : _model(model) {}

  // count x components floats, normalised integers turned into 0..1 or -1..1 as glTF defines.
  // type is a TINYGLTF_TYPE_* the accessor must have.
  bool readFloats(int accessor, int type, std::vector<float>& out, std::string& error) const;
  // Unsigned integers of a SCALAR (indices) or VEC4 (joints) accessor of integer components.
  bool readUnsigned(int accessor, int type, std::vector<uint32_t>& out, std::string& error) const;
  // Element count of a valid accessor index; 0 otherwise.
  size_t count(int accessor) const;

 private:
  // Checks the accessor's type and that its count fits what holds it, before anything is allocated.
  bool check(int accessor, int type, size_t& components, size_t& elementSize, std::string& error) const;
  // The checked accessor's elements, tightly packed, into packed (count x elementSize bytes, zeroed),
  // sparse values applied.
  bool copyChecked(int accessor, size_t elementSize, uint8_t* packed, std::string& error) const;
  // check, then the accessor's count x components values: when its components are of nativeType
  // (a TINYGLTF_COMPONENT_TYPE_*) copyChecked straight into out; otherwise into packed (count x
  // elementSize bytes) for the caller to convert, out sized to the values.
  template <typename T>
  bool readValues(int accessor, int type, int nativeType, std::vector<T>& out, std::vector<uint8_t>& packed,
                  std::string& error) const;
  bool applySparse(const tinygltf::Accessor& accessor, size_t elementSize, uint8_t* packed,
                   std::string& error) const;
  // Copies count elements of elementSize from buffer view view at byteOffset with stride (0: packed).
  bool copyView(int view, uint64_t byteOffset, uint64_t count, size_t elementSize, uint64_t stride, uint8_t* out,
                std::string& error) const;

  const tinygltf::Model& _model;
};

}  // namespace gltfimport
