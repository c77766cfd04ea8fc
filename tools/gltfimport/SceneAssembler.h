#pragma once
// Builds the scene file of a parsed glTF model: checks the node graph and samples the animation,
// takes every node's world transform per frame from the graph, converts materials and meshes (baking morph
// weights and skins into morph frames), places cameras and lights, adds a default camera and
// light where the file has none, and writes it all through the scene writer.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "AccessorReader.h"
#include "AnimationSampler.h"
#include "GltfImporter.h"
#include "MaterialConverter.h"
#include "MeshGeometry.h"
#include "NodeGraph.h"
#include "Transform.h"
#include "VdgWriter.h"

namespace tinygltf {
class Model;
}

namespace gltfimport {

class SceneAssembler {
 public:
  // The model's buffers are freed once the meshes are converted.
  SceneAssembler(tinygltf::Model& model, const ImportOptions& options, ImportResult& result);
  // False with error (naming the part) when the model cannot be imported.
  bool run(std::string& error);

 private:
  struct MeshPart {
    int node = -1;
    std::string name;
    int32_t materialId = 0;
    bool worldSpace = false;  // skinned: vertices already in world space
    vdg::MeshRecord record;
    std::vector<vdg::MorphFrame> frames;
  };

  bool sampleAnimation(std::string& error);
  bool convertMaterials(std::string& error);
  bool convertMeshes(std::string& error);
  bool convertNodeMesh(int node, std::string& error);
  bool bake(int node, MeshGeometry& geometry, MeshPart& part, std::string& error);
  void computeBounds();
  void emitNode(int node, int32_t parentId, vdg::VdgWriter& writer);
  void emitCamera(int node, const std::string& name, vdg::VdgWriter& writer);
  void emitLight(int node, const std::string& name, vdg::VdgWriter& writer);
  void emitDefaults(vdg::VdgWriter& writer);
  // Header of an object placed by node's world transform (with tracks when it moves).
  vdg::ObjectHeader placed(int node, const std::string& name, int32_t parentId);
  // A helper that follows node's world transform moved by offset along its local -Z (targets).
  vdg::ObjectHeader target(int node, const std::string& name, double distance);

  tinygltf::Model& _model;
  const ImportOptions& _options;
  ImportResult& _result;
  AccessorReader _reader;
  MaterialConverter _materials;
  std::vector<MaterialInfo> _materialInfos;  // glTF index + 1 (0: the default material)
  NodeGraph _graph;
  std::map<int, NodeAnimation> _animation;
  int _frames = 1;
  std::vector<std::vector<MeshPart>> _parts; // per node
  std::set<std::string> _bakedNames;
  Vec3d _center{0, 0, 0};
  double _radius = 1.0;
  int32_t _nextId = 1;
  int _cameras = 0, _lights = 0;
  Vec3d _firstCamera{0, 0, 0};
  size_t _triangles = 0;
  int64_t _meshValues = 0;
  int _pointsAndLines = 0;  // primitives skipped, reported in one line
  std::string _firstPointsOrLines;  // floats and indices of all meshes converted so far
};

}  // namespace gltfimport
