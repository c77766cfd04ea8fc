#pragma once
// glTF's alpha MASK on the engine: an opacity map whose grey is 255 where the base picture's alpha
// times the base colour's alpha reaches the cutoff and 0 elsewhere. The engine writes that grey
// into the base map's alpha and draws with the alpha test (alpha > 0).
#include <string>

#include "GltfImporter.h"

namespace gltfimport {

class MaskPicture {
 public:
  // Adds "<base stem>_mask<cutoff>.png" for the picture basePicture of result (once per cutoff
  // and factor) and returns its name; empty with error when the base cannot be decoded.
  static std::string add(ImportResult& result, const std::string& basePicture, double alphaFactor, double cutoff,
                         std::string& error);
};

}  // namespace gltfimport
