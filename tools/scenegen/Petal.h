#pragma once
// A flower petal that opens: one vertex layout for every opening, so the frames of its morph
// data (closed bud to open flower) line up vertex for vertex with the mesh in the scene file.
#include <vector>

#include "MeshBuilder.h"
#include "VdgWriter.h"

namespace scenegen {

struct PetalStyle {
  float length = 60.0f;
  float halfWidth = 16.0f;
  float tilt = 0.0f;   // extra outward lean when open, degrees
  float delay = 0.0f;  // 0..0.5: share of the opening before this petal starts to move
};

// The petal in its own frame: base at the origin, growing up (+Y) and out (+Z), its inner face
// towards the flower's axis. openness 0 = closed bud, 1 = open. Both faces are built (the engine
// culls back faces), the inner first.
MeshBuilder petalMesh(float openness, const PetalStyle& style);
// frameCount frames (at least 2) from bud to open flower, eased.
std::vector<vdg::MorphFrame> petalMorphFrames(int frameCount, const PetalStyle& style);

}  // namespace scenegen
