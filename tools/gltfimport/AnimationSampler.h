#pragma once
// Samples one glTF animation at a fixed rate: per frame the local translation, rotation and scale
// of every animated node and the morph weights of every node with animated weights. STEP, LINEAR
// (slerp for rotations) and CUBICSPLINE are evaluated as glTF defines them; before the first key
// the first value holds, after the last key the last.
#include <map>
#include <string>
#include <vector>

#include "Transform.h"

namespace tinygltf {
class Model;
}

namespace gltfimport {

class AccessorReader;

struct NodeAnimation {
  std::vector<Vec3d> translation;  // per frame, or empty when not animated
  std::vector<Quatd> rotation;
  std::vector<Vec3d> scale;
  std::vector<std::vector<double>> weights;  // per frame: one weight per morph target
};

class AnimationSampler {
 public:
  AnimationSampler(const tinygltf::Model& model, const AccessorReader& reader) : _model(model), _reader(reader) {}

  // Frames from time 0 to the animation's last key at rate frames per second (at least 1).
  // False with error for broken channels, more than maxFrames frames or more than maxValues
  // values sampled in all.
  bool sample(int animation, int rate, int64_t maxFrames, int64_t maxValues, std::map<int, NodeAnimation>& nodes,
              int& frames, std::string& error) const;

  enum class Interpolation { Step, Linear, CubicSpline };
  // The value at time t of keys times with values of `width` components (three per key for
  // CUBICSPLINE: in-tangent, value, out-tangent). rotation: slerp and normalise.
  static std::vector<double> evaluate(const std::vector<float>& times, const std::vector<float>& values, size_t width,
                                      Interpolation interpolation, bool rotation, double t);

 private:
  const tinygltf::Model& _model;
  const AccessorReader& _reader;
};

}  // namespace gltfimport
