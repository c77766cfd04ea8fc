#pragma once
// The show's scenes, one builder per file. Names of objects that the effects look up are fixed
// here: they are how the show finds its helpers, cameras, lights and meshes.
#include <string>
#include <vector>

#include "SceneBuilder.h"
#include "VdgWriter.h"

namespace scenegen {

// Morph data for one mesh, written as data/scenes/morphdata_<meshName>.vmd.
struct MorphSet {
  std::string meshName;
  std::vector<vdg::MorphFrame> frames;
};

SceneBuilder buildTentacleScene();
SceneBuilder buildMechPartsScene();
SceneBuilder buildFlowerScene(std::vector<MorphSet>& morphs);
SceneBuilder buildHeadScene();
SceneBuilder buildOscBoxScene();
SceneBuilder buildCityScene();
SceneBuilder buildGardenScene();
SceneBuilder buildMachineHallScene();

}  // namespace scenegen
