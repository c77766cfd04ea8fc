#pragma once
// Bakes what the engine cannot animate into a mesh's vertices: morph target weights (the node's
// animated weights, or its or its mesh's default weights) and skins (joint world transforms times
// inverse bind matrices, up to four influences per vertex). Frame 0 goes into the geometry; when
// the weights or joints move, every sampled frame becomes a morph frame.
#include <map>
#include <string>
#include <vector>

#include "AnimationSampler.h"
#include "MeshGeometry.h"
#include "Transform.h"
#include "VdgWriter.h"

namespace tinygltf {
class Model;
}

namespace gltfimport {

class AccessorReader;

class MeshBaker {
 public:
  // world: per node one matrix, or one per frame when it moves (empty: not in the scene).
  MeshBaker(const tinygltf::Model& model, const AccessorReader& reader, const std::map<int, NodeAnimation>& animation,
            int frames, const std::vector<std::vector<Mat4d>>& world)
      : _model(model), _reader(reader), _animation(animation), _frames(frames), _world(world) {}

  // Bakes node's mesh geometry g. frames receives one morph frame per sampled frame when the
  // weights or joints move (else stays empty); worldSpace is set for skinned meshes, whose
  // vertices are then in world space. False with error for a broken skin or too much to bake.
  bool bake(int node, MeshGeometry& g, std::vector<vdg::MorphFrame>& frames, bool& worldSpace,
            std::string& error) const;

 private:
  const Mat4d& world(int node, int frame) const;
  bool moving(int node) const { return _world[size_t(node)].size() > 1; }

  const tinygltf::Model& _model;
  const AccessorReader& _reader;
  const std::map<int, NodeAnimation>& _animation;
  int _frames;
  const std::vector<std::vector<Mat4d>>& _world;
};

}  // namespace gltfimport
