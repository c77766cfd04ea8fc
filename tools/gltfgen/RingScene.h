#pragma once
// The show's glTF scene "ring": a ring of twelve spinning tori, alternately amber and teal,
// turning about a white core in a glass cube that pulses, seen by one camera and lit by two
// directional lights. Its animation lasts 4 s: the ring turns a quarter, each torus twice about
// its own axis, the core swells and shrinks four times. About 18,500 triangles.
#include <cstdint>
#include <vector>

namespace gltfgen {

std::vector<uint8_t> ringScene();

}  // namespace gltfgen
