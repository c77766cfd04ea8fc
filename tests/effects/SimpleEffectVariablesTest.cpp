// Registration of the simple 2D effects: registry name, variable names in order, kinds, string
// lists and default values (sampled at time 0 with no keys).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Clear.h"
#include "Fade.h"
#include "Flash.h"
#include "Image.h"
#include "Image2.h"

namespace {

struct Expected {
  const char* name;
  int32_t typeCode;
  int32_t stringList;
  float value;  // sample (0); strings sample as 0
};

struct RegistrationCase {
  const char* registryName;
  std::function<std::unique_ptr<Effect>()> create;
  std::vector<Expected> variables;  // after "Speed", "SpectrumStr", "Pattern"
};

constexpr int32_t kNone = EffectVariable::kNoStringList;

std::vector<RegistrationCase> cases() {
  const std::vector<Expected> imageVariables = {{"Red", 1, kNone, 1.0f},
                                                {"Green", 1, kNone, 1.0f},
                                                {"Blue", 1, kNone, 1.0f},
                                                {"Alpha", 1, kNone, 1.0f},
                                                {"BlendMultipy", 2, kNone, 0.0f},
                                                {"BlendAdd", 2, kNone, 0.0f},
                                                {"Datafile", 3, EffectVariable::kStringList0, 0.0f}};
  return {
      {"Clear",
       [] { return std::make_unique<Clear>(0.1f, 0.2f, 0.3f, 0.4f); },
       {{"Red", 1, kNone, 0.1f},
        {"Green", 1, kNone, 0.2f},
        {"Blue", 1, kNone, 0.3f},
        {"Alpha", 1, kNone, 0.4f},
        {"ClearColor", 2, kNone, 1.0f},
        {"ClearDepth", 2, kNone, 1.0f},
        {"ClearStencil", 2, kNone, 1.0f}}},
      {"Fade",
       [] { return std::make_unique<Fade>(); },
       {{"Red", 1, kNone, 0.0f}, {"Green", 1, kNone, 0.0f}, {"Blue", 1, kNone, 0.0f}, {"Alpha", 1, kNone, 0.0f}}},
      {"Flash", [] { return std::make_unique<Flash>(); }, {{"Add", 2, kNone, 1.0f}, {"Repeat", 2, kNone, 1.0f}}},
      {"Image", [] { return std::make_unique<Image>(); }, imageVariables},
      {"Image2", [] { return std::make_unique<Image2>(); }, imageVariables},
  };
}

TEST(SimpleEffectVariables, NamesKindsListsAndDefaultsInOrder) {
  for (const RegistrationCase& c : cases()) {
    SCOPED_TRACE(c.registryName);
    std::unique_ptr<Effect> effect = c.create();
    EXPECT_EQ(effect->getName(), c.registryName);
    const std::vector<EffectVariable*>& variables = effect->getVariables();
    ASSERT_EQ(variables.size(), 3 + c.variables.size());
    EXPECT_EQ(variables[0]->getName(), "Speed");
    EXPECT_EQ(variables[1]->getName(), "SpectrumStr");
    EXPECT_EQ(variables[2]->getName(), "Pattern");
    for (size_t i = 0; i < c.variables.size(); ++i) {
      const Expected& e = c.variables[i];
      EffectVariable* v = variables[3 + i];
      EXPECT_EQ(v->getName(), e.name);
      EXPECT_EQ(v->getTypeCode(), e.typeCode) << e.name;
      EXPECT_EQ(v->getStringList(), e.stringList) << e.name;
      EXPECT_FLOAT_EQ(v->sample(0), e.value) << e.name;
    }
  }
}

TEST(SimpleEffectVariables, ImageDatafileIsListIndexed) {
  Image image;
  EXPECT_TRUE(image.findVariable("Datafile")->isListIndexed());
}

}  // namespace
