#include "EffectTable.h"

#include "Blur.h"
#include "Clear.h"
#include "Cloud.h"
#include "Effect.h"
#include "Fade.h"
#include "Flash.h"
#include "GridExp.h"
#include "Image.h"
#include "Image2.h"
#include "Mosaic.h"
#include "Noise.h"
#include "Oscillo.h"
#include "RotoZoom.h"
#include "Spectrum.h"
#include "Splinzor.h"
#include "Tiles.h"

std::vector<EffectRegistryRow> EffectTable::rows() {
  // Adding an effect: include its header and put its constructor into its row, for example
  //   {"Fade", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Fade>(); }},
  // The scene rows (Scene1 to Scene7, Mech) pass the registry name on to their constructor.
  // One row per line, so that adding an effect changes one line.
  // clang-format off
  return {
      {"Blur", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Blur>(); }},
      {"Clear", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Clear>(0.0f, 0.0f, 0.0f, 1.0f); }},
      {"Cloud", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Cloud>(); }},
      {"DOF", nullptr},
      {"GridExp", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<GridExp>(); }},
      {"Image", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Image>(); }},
      {"Image2", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Image2>(); }},
      {"RotoZoom", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<RotoZoom>(); }},
      {"Mosaic", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Mosaic>(); }},
      {"Osc", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Oscillo>(); }},
      {"Fade", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Fade>(); }},
      {"Flash", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Flash>(); }},
      {"Flower", nullptr},
      {"Noise", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Noise>(); }},
      {"Scene1", nullptr},
      {"Scene2", nullptr},
      {"Scene3", nullptr},
      {"Spectrum", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Spectrum>(); }},
      {"Scene4", nullptr},
      {"Scene5", nullptr},
      {"Scene6", nullptr},
      {"Scene7", nullptr},
      {"Splinzor", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Splinzor>(); }},
      {"Test3d", nullptr},
      {"Head", nullptr},
      {"Tentacle", nullptr},
      {"Mech", nullptr},
      {"Tiles", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Tiles>(); }},
  };
  // clang-format on
}
