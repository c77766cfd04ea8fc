#pragma once
// A scene node with triangle geometry: the source data handed over by the loader, the flat arrays
// built for GL vertex arrays when the scene is finished, and optional morph data (whole position
// and normal sets per morph frame) blended by scene time. Copies (clones) share the geometry, the
// built arrays and the material with their source.
#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "Color4.h"
#include "SceneObject.h"

class LightObject;

class MeshObject : public SceneObject {
 public:
  struct Vertex {
    Vector3 position;
    Color4 color{1.0f, 1.0f, 1.0f, 1.0f};
    Vector3 normal;
  };
  struct TexCoord {
    float u = 0.0f, v = 0.0f;
  };
  using Face = std::array<int32_t, 3>;

  MeshObject(int32_t id, const std::string& name);

  const char* kindName() const override { return "mesh"; }

  // Source data (the loader's setters); faces must index the vertices (the loader checks).
  void setVertices(std::vector<Vertex> vertices);
  void setNormals(std::vector<Vector3> normals);
  void setLayer0(std::vector<TexCoord> coords);
  void setLayer1(std::vector<TexCoord> coords);
  void setFaces(std::vector<Face> faces);
  void setMaterialId(int32_t id) { _materialId = id; }

  // Positions and normals of every morph frame, frames x vertices x 3 floats each. Switches
  // vertex buffers off for this mesh and clears the held flag.
  void setMorphData(int32_t frameCount, std::vector<float> positions, std::vector<float> normals);

  // Evaluates the tracks, then blends the morph frames at t = frame + fraction (scene frames).
  void animate(int frame, float fraction) override;
  Material* getMaterial() const override { return _material; }
  // Checks the counts (fatal "Geometry input is broken") and makes the flat arrays. A mesh given
  // no normals gets smooth normals averaged from its faces.
  void build() override;
  // One indexed triangle call with the material applied (generated reflection coordinates and
  // DOT3 light vectors filled first), and a second, half-opacity pass without the "Spot01" light
  // when the mesh receives shadows (both in one draw where ShadowShader reproduces them; none
  // where it cannot draw, see ShadowShader::secondPassEmpty). Fatal "Mesh has no material" for a
  // mesh with faces and no material; nothing for a mesh without faces.
  void drawGeometry() override;
  // Positions only, one indexed triangle call.
  void drawDepthOnly() override;

  Scene* scene() const { return _scene; }
  int32_t materialId() const { return _materialId; }
  int32_t vertexCount() const { return _vertexCount; }
  int32_t sourceVertexCount() const { return int32_t(_data->vertices.size()); }
  int32_t faceCount() const { return int32_t(_data->faces.size()); }
  const std::vector<Vertex>& vertices() const { return _data->vertices; }
  const std::vector<Face>& faces() const { return _data->faces; }
  const std::vector<TexCoord>& layer0() const { return _data->layer0; }
  const std::vector<TexCoord>& layer1() const { return _data->layer1; }
  const std::vector<Vector3>& normals() const { return _data->normals; }
  bool receivesShadows() const { return _receivesShadows; }
  bool spareFlag() const { return _spareFlag; }
  LightObject* firstLight() const { return _firstLight; }

  // Built arrays (empty when absent).
  const std::vector<uint32_t>& indexArray() const { return _data->indices; }
  const std::vector<float>& positionArray() const { return _data->positions; }
  const std::vector<float>& normalArray() const { return _data->builtNormals; }
  const std::vector<float>& layer0Array() const { return _data->layer0Array; }
  const std::vector<float>& layer1Array() const { return _data->layer1Array; }
  const std::vector<float>& reflectionArray() const { return _data->reflection; }
  const std::vector<float>& tangentSpaceArray() const { return _data->threeComponent; }

  int32_t morphFrameCount() const { return _data->morphFrameCount; }
  bool morphEndHeld() const { return _data->morphEndHeld; }
  bool usesVertexBuffers() const { return _useVertexBuffers; }
  // True for a built, unmorphed mesh of an additive material whose every vertex lies behind the
  // plane of every face (within 1e-4 of its size): front faces then never cover each other, so
  // each pixel is covered by one face at most. Meshes with more than kMaxConvexityWork face x
  // vertex pairs are not tested (false).
  bool isSingleLayer() const { return _data->convex; }
  static constexpr double kMaxConvexityWork = 4.0e6;

 protected:
  std::unique_ptr<SceneObject> copyNode() const override;
  // Remembers the scene and its first light, finds the material by id (fatal "No Material for
  // mesh" when missing) and builds.
  void attachNode(Scene& scene) override;
  void setReceivesShadowsNode(bool receives) override { _receivesShadows = receives; }
  void setSpareFlagNode(bool flag) override { _spareFlag = flag; }
  void setMaterialNode(Material* material) override { _material = material; }
  // Sets the shade model of the mesh's material.
  void setShadeModelNode(int32_t model) override;
  // Also the shadow and spare flags and the material; geometry and morph data stay.
  void restoreFrom(const SceneObject& loaded) override;

 private:
  // Everything a mesh shares with its copies.
  struct Data {
    Data() = default;
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;
    ~Data();  // deletes the vertex buffers when a GL context is current
    std::vector<Vertex> vertices;
    std::vector<Face> faces;
    std::vector<TexCoord> layer0;
    std::vector<TexCoord> layer1;
    std::vector<Vector3> normals;
    std::vector<uint32_t> indices;
    std::vector<float> positions;       // vertices x 3
    std::vector<float> builtNormals;    // vertices x 3
    std::vector<float> layer0Array;     // vertices x 2
    std::vector<float> layer1Array;     // vertices x 2
    std::vector<float> reflection;      // vertices x 2, generated per frame
    std::vector<float> threeComponent;  // vertices x 3: light vectors in each vertex's frame (DOT3)
    // Vertex buffer names (0: none) for positions, normals, layer 0 and layer 1.
    GLuint positionBuffer = 0, normalBuffer = 0, layer0Buffer = 0, layer1Buffer = 0;
    int32_t morphFrameCount = 0;
    std::vector<float> morphPositions;  // frames x vertices x 3
    std::vector<float> morphNormals;    // frames x vertices x 3
    bool morphEndHeld = false;          // the last morph frame has been copied
    bool convex = false;                // see isSingleLayer
  };

  void morph(float t);
  void uploadVertexBuffers();
  void setUpArraysAndDraw();
  void fillReflectionCoordinates(const float* modelview);
  void fillLightVectors(const float* modelview);
  void copyMorphFrame(int32_t k);
  bool isConvex() const;
  std::vector<Vector3> smoothNormals() const;

  Scene* _scene = nullptr;
  int32_t _vertexCount = 0;  // drawn vertices
  std::shared_ptr<Data> _data;
  bool _receivesShadows = false;
  bool _spareFlag = false;
  Material* _material = nullptr;  // owned by the scene
  int32_t _materialId = -1;
  LightObject* _firstLight = nullptr;
  bool _useVertexBuffers = true;
};
