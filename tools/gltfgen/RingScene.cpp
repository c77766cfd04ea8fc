#include "RingScene.h"

#include <cmath>
#include <string>

#include "GlbBuilder.h"

namespace gltfgen {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kSeconds = 4.0f;  // the animation's length
constexpr int kKeys = 17;         // keys 0.25 s apart

std::string floats(std::initializer_list<float> values) {
  std::string text = "[";
  for (float v : values) {
    char number[32];
    std::snprintf(number, sizeof number, "%.7g", double(v));
    text += (text.size() > 1 ? "," : "") + std::string(number);
  }
  return text + "]";
}

// A torus about the Z axis (radius 1, tube 0.3), 48 x 16 quads; returns the mesh index.
int addTorus(GlbBuilder& glb, int material) {
  const int ring = 48, tube = 16;
  std::vector<float> positions, normals;
  for (int i = 0; i <= ring; ++i)
    for (int j = 0; j <= tube; ++j) {
      const float a = 2 * kPi * float(i) / ring, b = 2 * kPi * float(j) / tube;
      const float nx = std::cos(a) * std::cos(b), ny = std::sin(a) * std::cos(b), nz = std::sin(b);
      positions.insert(positions.end(), {std::cos(a) + 0.3f * nx, std::sin(a) + 0.3f * ny, 0.3f * nz});
      normals.insert(normals.end(), {nx, ny, nz});
    }
  std::vector<uint32_t> indices;
  for (int i = 0; i < ring; ++i)
    for (int j = 0; j < tube; ++j) {
      const uint32_t p = uint32_t(i * (tube + 1) + j), q = p + uint32_t(tube + 1);
      indices.insert(indices.end(), {p, q, q + 1, p, q + 1, p + 1});
    }
  const int pos = glb.addFloats(positions, "VEC3"), nor = glb.addFloats(normals, "VEC3");
  const int idx = glb.addIndices(indices);
  return glb.add("meshes", "{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(pos) +
                               ",\"NORMAL\":" + std::to_string(nor) + "},\"indices\":" + std::to_string(idx) +
                               ",\"material\":" + std::to_string(material) + "}]}");
}

// A cube of edge 1 about the origin with flat faces; returns the mesh index.
int addCube(GlbBuilder& glb, int material) {
  std::vector<float> positions, normals;
  std::vector<uint32_t> indices;
  for (int axis = 0; axis < 3; ++axis)
    for (int side = -1; side <= 1; side += 2) {
      const uint32_t first = uint32_t(positions.size() / 3);
      for (int corner = 0; corner < 4; ++corner) {
        // The two other axes, counter-clockwise seen from outside.
        const float u = (corner == 1 || corner == 2) ? 0.5f : -0.5f, v = corner >= 2 ? 0.5f : -0.5f;
        float p[3];
        p[axis] = 0.5f * float(side);
        p[(axis + 1) % 3] = side > 0 ? u : v;
        p[(axis + 2) % 3] = side > 0 ? v : u;
        float n[3] = {0, 0, 0};
        n[axis] = float(side);
        positions.insert(positions.end(), {p[0], p[1], p[2]});
        normals.insert(normals.end(), {n[0], n[1], n[2]});
      }
      indices.insert(indices.end(), {first, first + 1, first + 2, first, first + 2, first + 3});
    }
  const int pos = glb.addFloats(positions, "VEC3"), nor = glb.addFloats(normals, "VEC3");
  const int idx = glb.addIndices(indices);
  return glb.add("meshes", "{\"primitives\":[{\"attributes\":{\"POSITION\":" + std::to_string(pos) +
                               ",\"NORMAL\":" + std::to_string(nor) + "},\"indices\":" + std::to_string(idx) +
                               ",\"material\":" + std::to_string(material) + "}]}");
}

// Rotation keys about a unit axis, turning by `turns` over the animation; returns the output accessor.
int addTurn(GlbBuilder& glb, float ax, float ay, float az, float turns) {
  std::vector<float> values;
  for (int k = 0; k < kKeys; ++k) {
    const float half = kPi * turns * float(k) / float(kKeys - 1);
    values.insert(values.end(), {ax * std::sin(half), ay * std::sin(half), az * std::sin(half), std::cos(half)});
  }
  return glb.addFloats(values, "VEC4");
}

}  // namespace

std::vector<uint8_t> ringScene() {
  GlbBuilder glb;
  const int amber = glb.add("materials", "{\"name\":\"amber\",\"pbrMetallicRoughness\":{\"baseColorFactor\":" +
                                             floats({1.0f, 0.55f, 0.15f, 1}) + "}}");
  const int teal = glb.add("materials", "{\"name\":\"teal\",\"pbrMetallicRoughness\":{\"baseColorFactor\":" +
                                            floats({0.15f, 0.7f, 0.8f, 1}) + "}}");
  const int glass = glb.add("materials", "{\"name\":\"glass\",\"alphaMode\":\"BLEND\",\"doubleSided\":true,"
                                         "\"pbrMetallicRoughness\":{\"baseColorFactor\":" +
                                             floats({0.7f, 0.85f, 1.0f, 0.35f}) + "}}");
  const int white = glb.add("materials", "{\"name\":\"white\",\"pbrMetallicRoughness\":{\"baseColorFactor\":" +
                                             floats({0.95f, 0.95f, 0.9f, 1}) + "}}");
  const int amberTorus = addTorus(glb, amber), tealTorus = addTorus(glb, teal);
  const int glassCube = addCube(glb, glass), whiteCube = addCube(glb, white);

  // Nodes: 0 the ring, 1..12 its slots, 13..24 the tori, 25 the core, 26 the glass, then the
  // camera and the lights.
  std::string ringChildren;
  for (int i = 0; i < 12; ++i) ringChildren += (i ? "," : "") + std::to_string(1 + i);
  glb.add("nodes", "{\"name\":\"Ring\",\"children\":[" + ringChildren + "]}");
  for (int i = 0; i < 12; ++i) {
    const float a = 2 * kPi * float(i) / 12;
    // Placed on a circle of radius 4 in the XZ plane, the torus's axis along the circle.
    glb.add("nodes", "{\"name\":\"Slot" + std::to_string(i) + "\",\"translation\":" +
                         floats({4 * std::cos(a), 0, 4 * std::sin(a)}) + ",\"rotation\":" +
                         floats({0, std::sin(-a / 2), 0, std::cos(-a / 2)}) + ",\"children\":[" +
                         std::to_string(13 + i) + "]}");
  }
  for (int i = 0; i < 12; ++i)
    glb.add("nodes", "{\"name\":\"Torus" + std::to_string(i) + "\",\"mesh\":" +
                         std::to_string(i % 2 ? tealTorus : amberTorus) + ",\"scale\":" + floats({0.8f, 0.8f, 0.8f}) +
                         "}");
  glb.add("nodes", "{\"name\":\"Core\",\"mesh\":" + std::to_string(whiteCube) + "}");
  glb.add("nodes", "{\"name\":\"Glass\",\"mesh\":" + std::to_string(glassCube) + ",\"scale\":" +
                       floats({2.2f, 2.2f, 2.2f}) + "}");
  const float tilt = -std::atan2(3.0f, 11.0f);
  const int camera = glb.add("nodes", "{\"name\":\"Camera01\",\"camera\":0,\"translation\":" + floats({0, 3, 11}) +
                                          ",\"rotation\":" + floats({std::sin(tilt / 2), 0, 0, std::cos(tilt / 2)}) +
                                          "}");
  const int sun = glb.add("nodes", "{\"name\":\"Sun\",\"extensions\":{\"KHR_lights_punctual\":{\"light\":0}},"
                                   "\"rotation\":" +
                                       floats({std::sin(-0.35f), std::sin(0.0f), 0, std::cos(-0.35f)}) + "}");
  const int sky = glb.add("nodes", "{\"name\":\"Sky\",\"extensions\":{\"KHR_lights_punctual\":{\"light\":1}},"
                                   "\"rotation\":" +
                                       floats({0, std::sin(1.3f), 0, std::cos(1.3f)}) + "}");
  glb.add("cameras", "{\"name\":\"Camera01\",\"type\":\"perspective\",\"perspective\":{\"yfov\":0.7,"
                     "\"aspectRatio\":1.3333333,\"znear\":0.5,\"zfar\":100}}");
  glb.set("extensionsUsed", "[\"KHR_lights_punctual\"]");
  glb.set("extensions", "{\"KHR_lights_punctual\":{\"lights\":[{\"name\":\"sun\",\"type\":\"directional\",\"color\":" +
                            floats({1, 0.95f, 0.85f}) + ",\"intensity\":1},{\"name\":\"sky\",\"type\":\"directional\","
                                                        "\"color\":" +
                            floats({0.35f, 0.45f, 0.8f}) + ",\"intensity\":0.6}]}}");
  std::string sceneNodes = "0,25,26," + std::to_string(camera) + "," + std::to_string(sun) + "," + std::to_string(sky);
  glb.set("scenes", "[{\"nodes\":[" + sceneNodes + "]}]");
  glb.set("scene", "0");

  // The animation: the ring a quarter turn, each torus two turns about its own axis (one
  // sampler for all), the core's scale pulsing by cubic spline keys.
  std::vector<float> times;
  for (int k = 0; k < kKeys; ++k) times.push_back(kSeconds * float(k) / float(kKeys - 1));
  const int input = glb.addFloats(times, "SCALAR");
  const int ringTurn = addTurn(glb, 0, 1, 0, 0.25f), torusTurn = addTurn(glb, 0, 0, 1, 2.0f);
  std::vector<float> pulse;  // in-tangent, value, out-tangent per key
  for (int k = 0; k < kKeys; ++k) {
    const float s = k % 4 == 2 ? 1.5f : (k % 2 ? 1.25f : 1.0f);
    const float slope = k % 4 == 1 ? 1.0f : (k % 4 == 3 ? -1.0f : 0.0f);
    pulse.insert(pulse.end(), {slope, slope, slope, s, s, s, slope, slope, slope});
  }
  const int pulseValues = glb.addFloats(pulse, "VEC3");
  std::string samplers = "{\"input\":" + std::to_string(input) + ",\"output\":" + std::to_string(ringTurn) + "},{\"input\":" +
                         std::to_string(input) + ",\"output\":" + std::to_string(torusTurn) + "},{\"input\":" +
                         std::to_string(input) + ",\"output\":" + std::to_string(pulseValues) +
                         ",\"interpolation\":\"CUBICSPLINE\"}";
  std::string channels = "{\"sampler\":0,\"target\":{\"node\":0,\"path\":\"rotation\"}}";
  for (int i = 0; i < 12; ++i)
    channels += ",{\"sampler\":1,\"target\":{\"node\":" + std::to_string(13 + i) + ",\"path\":\"rotation\"}}";
  channels += ",{\"sampler\":2,\"target\":{\"node\":25,\"path\":\"scale\"}}";
  glb.add("animations", "{\"name\":\"ring\",\"samplers\":[" + samplers + "],\"channels\":[" + channels + "]}");
  return glb.bytes();
}

}  // namespace gltfgen
