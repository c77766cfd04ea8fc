#pragma once
// Procedural shapes for the show's scenes, all built around the origin with outward normals and
// counter-clockwise front faces. Texture coordinates run 0..1 over each shape unless said.
#include <functional>
#include <vector>

#include "MeshBuilder.h"

namespace scenegen {

// A point of a lathe profile: distance from the Y axis and height. Two equal points in a row make
// a sharp edge there.
struct ProfilePoint {
  float r, y;
};

// Turns a profile (listed from bottom to top) about the Y axis; profile normals are exact, so
// the seam shows no crease. uRepeat and vRepeat tile the texture around and along.
MeshBuilder lathe(const std::vector<ProfilePoint>& profile, int segments, float uRepeat = 1.0f, float vRepeat = 1.0f);

// An axis-aligned box of the given full size, one texture square per face.
MeshBuilder box(const Vec3& size);
// A closed cylinder along Y from y = 0 to y = height.
MeshBuilder cylinder(float radius, float height, int segments, bool caps = true);
// A cylinder with half-sphere ends along Y, centred on the origin; length is the full length.
MeshBuilder capsule(float radius, float length, int segments, int capRings);
MeshBuilder sphere(float radius, int segments, int rings);
// A ring about the Y axis: major radius to the tube's centre, minor radius of the tube.
MeshBuilder torus(float majorRadius, float minorRadius, int segments, int sides);
// A prism: the polygon (counter-clockwise in the XY plane, star-shaped about its centroid)
// pushed out along Z from -depth / 2 to depth / 2, with sharp edges.
MeshBuilder extrude(const std::vector<Vec2>& polygon, float depth);
// A gear wheel's outline: teeth count, root and tip radius.
std::vector<Vec2> gearOutline(int teeth, float rootRadius, float tipRadius);
// A height field facing +Y over x in [-sizeX/2, sizeX/2], z likewise; uvRepeat tiles the texture.
MeshBuilder terrain(float sizeX, float sizeZ, int cellsX, int cellsZ, float uvRepeat,
                    const std::function<float(float x, float z)>& height);

}  // namespace scenegen
