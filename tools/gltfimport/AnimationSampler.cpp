#include "AnimationSampler.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <cmath>

#include "AccessorReader.h"

namespace gltfimport {

std::vector<double> AnimationSampler::evaluate(const std::vector<float>& times, const std::vector<float>& values,
                                               size_t width, Interpolation interpolation, bool rotation, double t) {
  const size_t keys = times.size();
  const bool cubic = interpolation == Interpolation::CubicSpline;
  const size_t keyStride = cubic ? width * 3 : width;
  const size_t valueOffset = cubic ? width : 0;
  auto value = [&](size_t key, size_t offset) {
    std::vector<double> v(width);
    for (size_t c = 0; c < width; ++c) v[c] = values[key * keyStride + offset + c];
    return v;
  };
  auto normalized = [&](std::vector<double> v) {
    if (!rotation) return v;
    const Quatd q = Transform::normalize({v[0], v[1], v[2], v[3]});
    return std::vector<double>(q.begin(), q.end());
  };
  if (t <= times[0]) return normalized(value(0, valueOffset));
  if (t >= times[keys - 1]) return normalized(value(keys - 1, valueOffset));
  // The key interval holding t: times[k] <= t < times[k + 1].
  const size_t k = size_t(std::upper_bound(times.begin(), times.end(), float(t)) - times.begin()) - 1;
  const size_t next = std::min(k + 1, keys - 1);
  const double span = double(times[next]) - times[k];
  const double s = span > 0 ? (t - times[k]) / span : 0.0;
  if (interpolation == Interpolation::Step) return normalized(value(k, valueOffset));
  if (interpolation == Interpolation::Linear) {
    const std::vector<double> a = value(k, 0), b = value(next, 0);
    if (rotation) {
      const Quatd q = Transform::slerp(Transform::normalize({a[0], a[1], a[2], a[3]}),
                                       Transform::normalize({b[0], b[1], b[2], b[3]}), s);
      return std::vector<double>(q.begin(), q.end());
    }
    std::vector<double> out(width);
    for (size_t c = 0; c < width; ++c) out[c] = a[c] + (b[c] - a[c]) * s;
    return out;
  }
  // Hermite spline with the key's out-tangent and the next key's in-tangent, scaled by the span.
  const std::vector<double> v0 = value(k, width), b0 = value(k, 2 * width), v1 = value(next, width),
                            a1 = value(next, 0);
  const double s2 = s * s, s3 = s2 * s;
  std::vector<double> out(width);
  for (size_t c = 0; c < width; ++c)
    out[c] = (2 * s3 - 3 * s2 + 1) * v0[c] + span * (s3 - 2 * s2 + s) * b0[c] + (-2 * s3 + 3 * s2) * v1[c] +
             span * (s3 - s2) * a1[c];
  return normalized(out);
}

bool AnimationSampler::sample(int animationIndex, int rate, int64_t maxFrames, int64_t maxValues,
                              std::map<int, NodeAnimation>& nodes, int& frames, std::string& error) const {
  const tinygltf::Animation& animation = _model.animations[size_t(animationIndex)];
  struct Channel {
    int node;
    std::string path;
    std::vector<float> times, values;
    size_t width;
    Interpolation interpolation;
  };
  std::vector<Channel> channels;
  double duration = 0;
  for (size_t c = 0; c < animation.channels.size(); ++c) {
    const tinygltf::AnimationChannel& ch = animation.channels[c];
    const std::string where = "channel " + std::to_string(c) + ": ";
    if (ch.target_node < 0 || size_t(ch.target_node) >= _model.nodes.size()) continue;  // no target: ignored
    if (ch.sampler < 0 || size_t(ch.sampler) >= animation.samplers.size()) {
      error = where + "its sampler does not exist";
      return false;
    }
    const tinygltf::AnimationSampler& sampler = animation.samplers[size_t(ch.sampler)];
    Channel out{ch.target_node, ch.target_path, {}, {}, 0, Interpolation::Linear};
    if (sampler.interpolation == "STEP") out.interpolation = Interpolation::Step;
    if (sampler.interpolation == "CUBICSPLINE") out.interpolation = Interpolation::CubicSpline;
    int type = TINYGLTF_TYPE_VEC3;
    if (out.path == "rotation") type = TINYGLTF_TYPE_VEC4;
    if (out.path == "weights") type = TINYGLTF_TYPE_SCALAR;
    if (out.path != "translation" && out.path != "rotation" && out.path != "scale" && out.path != "weights") continue;
    if (!_reader.readFloats(sampler.input, TINYGLTF_TYPE_SCALAR, out.times, error) ||
        !_reader.readFloats(sampler.output, type, out.values, error)) {
      error = where + error;
      return false;
    }
    if (out.times.empty()) {
      error = where + "has no keys";
      return false;
    }
    for (size_t i = 0; i < out.times.size(); ++i)
      if (out.times[i] < 0 || (i > 0 && out.times[i] < out.times[i - 1])) {
        error = where + "key times are negative or not increasing";
        return false;
      }
    const size_t perKey = out.interpolation == Interpolation::CubicSpline ? 3 : 1;
    const size_t keys = out.times.size();
    if (out.path == "weights") {
      if (out.values.size() % (keys * perKey) != 0 || out.values.empty()) {
        error = where + "the number of weights does not match the keys";
        return false;
      }
      out.width = out.values.size() / (keys * perKey);
    } else {
      out.width = type == TINYGLTF_TYPE_VEC4 ? 4 : 3;
      if (out.values.size() != keys * perKey * out.width) {
        error = where + "the number of values does not match the keys";
        return false;
      }
    }
    duration = std::max(duration, double(out.times.back()));
    channels.push_back(std::move(out));
  }
  const double frameCount = std::floor(duration * rate + 1e-6) + (std::fmod(duration * rate, 1.0) > 1e-6 ? 2 : 1);
  if (frameCount > double(maxFrames)) {
    error = "animation is too long to sample (" + std::to_string(duration) + " s)";
    return false;
  }
  frames = int(frameCount);
  int64_t values = 0;
  for (const Channel& ch : channels) values += int64_t(frames) * int64_t(ch.width);
  if (values > maxValues) {
    error = "the animation asks for too many sampled values (" + std::to_string(values) + ")";
    return false;
  }
  for (const Channel& ch : channels) {
    NodeAnimation& node = nodes[ch.node];
    for (int f = 0; f < frames; ++f) {
      const std::vector<double> v =
          evaluate(ch.times, ch.values, ch.width, ch.interpolation, ch.path == "rotation", double(f) / rate);
      if (ch.path == "translation") {
        node.translation.resize(size_t(frames));
        node.translation[size_t(f)] = {v[0], v[1], v[2]};
      } else if (ch.path == "scale") {
        node.scale.resize(size_t(frames));
        node.scale[size_t(f)] = {v[0], v[1], v[2]};
      } else if (ch.path == "rotation") {
        node.rotation.resize(size_t(frames));
        node.rotation[size_t(f)] = {v[0], v[1], v[2], v[3]};
      } else {
        node.weights.resize(size_t(frames));
        node.weights[size_t(f)] = v;
      }
    }
  }
  return true;
}

}  // namespace gltfimport
