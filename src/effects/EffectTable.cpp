#include "EffectTable.h"

#include "Effect.h"
#include "Oscillo.h"
#include "Spectrum.h"

std::vector<EffectRegistryRow> EffectTable::rows() {
  // Adding an effect: include its header and put its constructor into its row, for example
  //   {"Fade", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Fade>(); }},
  // The scene rows (Scene1 to Scene7, Mech) pass the registry name on to their constructor.
  // One row per line, so that adding an effect changes one line.
  // clang-format off
  return {
      {"Blur", nullptr},
      {"Clear", nullptr},
      {"Cloud", nullptr},
      {"DOF", nullptr},
      {"GridExp", nullptr},
      {"Image", nullptr},
      {"Image2", nullptr},
      {"RotoZoom", nullptr},
      {"Mosaic", nullptr},
      {"Osc", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Oscillo>(); }},
      {"Fade", nullptr},
      {"Flash", nullptr},
      {"Flower", nullptr},
      {"Noise", nullptr},
      {"Scene1", nullptr},
      {"Scene2", nullptr},
      {"Scene3", nullptr},
      {"Spectrum", [](const std::string&) -> std::unique_ptr<Effect> { return std::make_unique<Spectrum>(); }},
      {"Scene4", nullptr},
      {"Scene5", nullptr},
      {"Scene6", nullptr},
      {"Scene7", nullptr},
      {"Splinzor", nullptr},
      {"Test3d", nullptr},
      {"Head", nullptr},
      {"Tentacle", nullptr},
      {"Mech", nullptr},
      {"Tiles", nullptr},
  };
  // clang-format on
}
