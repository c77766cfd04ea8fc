#pragma once
// The chunk tags of a scene file (.vdg): after the header each chunk starts with its tag (a
// little-endian int32); kTagEnd closes the file. Read by SceneLoaderVDG, written by the scene
// writer (tools/vdgwriter), so both name the format from this one place.
#include <cstdint>

namespace VdgChunkTags {
inline constexpr int32_t kTagMaterials = 1;
inline constexpr int32_t kTagLight = 3;
inline constexpr int32_t kTagCamera = 4;
inline constexpr int32_t kTagMesh = 5;
inline constexpr int32_t kTagPlain = 6;
inline constexpr int32_t kTagHelper = 7;
inline constexpr int32_t kTagEnd = 0x9999;
}  // namespace VdgChunkTags
