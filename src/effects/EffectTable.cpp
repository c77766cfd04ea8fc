#include "EffectTable.h"

#include "EffectDescriptions.h"

#include "Blur.h"
#include "Clear.h"
#include "Cloud.h"
#include "DepthOfField.h"
#include "Effect.h"
#include "Effect3D.h"
#include "Fade.h"
#include "Flash.h"
#include "Flower.h"
#include "GridExp.h"
#include "Head.h"
#include "Image.h"
#include "Image2.h"
#include "Mech.h"
#include "Mosaic.h"
#include "Noise.h"
#include "Oscillo.h"
#include "RotoZoom.h"
#include "Spectrum.h"
#include "Splinzor.h"
#include "Tentacle.h"
#include "Test3d.h"
#include "Tiles.h"

std::vector<EffectRegistryRow> EffectTable::rows() {
  std::vector<EffectRegistryRow> rows = table();
  for (EffectRegistryRow& row : rows) row.description = EffectDescriptions::find(row.name);
  return rows;
}

std::vector<EffectRegistryRow> EffectTable::table() {
  // Adding an effect: include its header and put its constructor into its row, for example
  //   {"Fade", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Fade>(); }},
  // The scene rows (Scene1 to Scene7, Mech) pass the registry name on to their constructor.
  // One row per line, so that adding an effect changes one line.
  // clang-format off
  return {
      {"Blur", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Blur>(); }},
      {"Clear", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Clear>(0.0f, 0.0f, 0.0f, 1.0f); }},
      {"Cloud", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Cloud>(); }},
      {"DOF", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<DepthOfField>(); }},
      {"GridExp", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<GridExp>(); }},
      {"Image", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Image>(); }},
      {"Image2", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Image2>(); }},
      {"RotoZoom", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<RotoZoom>(); }},
      {"Mosaic", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Mosaic>(); }},
      {"Osc", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Oscillo>(); }},
      {"Fade", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Fade>(); }},
      {"Flash", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Flash>(); }},
      {"Flower", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Flower>(); }},
      {"Noise", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Noise>(); }},
      {"Scene1", [](const std::string& name) -> std::unique_ptr<Effect> { return std::make_unique<Effect3D>(name); }},
      {"Scene2", [](const std::string& name) -> std::unique_ptr<Effect> { return std::make_unique<Effect3D>(name); }},
      {"Scene3", [](const std::string& name) -> std::unique_ptr<Effect> { return std::make_unique<Effect3D>(name); }},
      {"Spectrum", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Spectrum>(); }},
      {"Scene4", [](const std::string& name) -> std::unique_ptr<Effect> { return std::make_unique<Effect3D>(name); }},
      {"Scene5", [](const std::string& name) -> std::unique_ptr<Effect> { return std::make_unique<Effect3D>(name); }},
      {"Scene6", [](const std::string& name) -> std::unique_ptr<Effect> { return std::make_unique<Effect3D>(name); }},
      {"Scene7", [](const std::string& name) -> std::unique_ptr<Effect> { return std::make_unique<Effect3D>(name); }},
      {"Splinzor", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Splinzor>(); }},
      {"Test3d", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Test3d>(); }},
      {"Head", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Head>(); }},
      {"Tentacle", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Tentacle>(); }},
      {"Mech", [](const std::string& name) -> std::unique_ptr<Effect> { return std::make_unique<Mech>(name); }},
      {"Tiles", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Tiles>(); }},
  };
  // clang-format on
}
