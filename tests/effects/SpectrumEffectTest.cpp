#include "EffectList.h"
#include "FakeSoundLibrary.h"
#include "Spectrum.h"
#include "VelmorMusic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {
std::vector<std::string> gPulseLog;  // "<name> <pulse>" per pulse event received, in order

// A target that logs the pulse events it gets.
class PulseTarget : public Effect {
 public:
  explicit PulseTarget(const std::string& name) : Effect(name) {}
  void render(uint32_t) override {}
  void handleEvent(const EffectEvent& event) override {
    Effect::handleEvent(event);
    if (event.type == 5) gPulseLog.push_back(getName() + " " + std::to_string(static_cast<int>(getPulse() * 1000)));
  }
};

std::unique_ptr<Effect> makeTarget(const std::string& name) { return std::make_unique<PulseTarget>(name); }
std::unique_ptr<Effect> makeSpectrum(const std::string&) { return std::make_unique<Spectrum>(); }

class SpectrumEffectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setSoundLibrary(&fake);
    shutdownMusic();
    list = std::make_unique<EffectList>(std::vector<EffectRegistryRow>{
        {"Spectrum", &makeSpectrum}, {"A", &makeTarget}, {"B", &makeTarget}});
    EffectList::setCurrent(list.get());
    for (const char* name : {"Spectrum", "A", "B"}) list->insert(name);
    spectrum = static_cast<Spectrum*>(list->find("Spectrum"));
    // "SpectrumStr" of A = 1, of B = 2.
    static_cast<FloatVariable*>(list->find("A")->findVariable("SpectrumStr"))->setCurrentValue(1.0f);
    static_cast<FloatVariable*>(list->find("B")->findVariable("SpectrumStr"))->setCurrentValue(2.0f);
    std::fill(fake.spectrum.begin(), fake.spectrum.end(), 0.0f);
    fake.spectrum[10] = 0.25f;
    fake.spectrum[300] = 0.5f;  // total 0.75
    gPulseLog.clear();
  }
  void TearDown() override {
    EffectList::setCurrent(nullptr);
    shutdownMusic();
    setSoundLibrary(nullptr);
  }
  void connect(const std::string& name) {
    EffectEvent e;
    e.type = 3;
    e.text = name;
    spectrum->handleEvent(e);
  }
  size_t countCalls(const std::string& call) const {
    return static_cast<size_t>(std::count(fake.calls.begin(), fake.calls.end(), call));
  }

  FakeSoundLibrary fake;
  std::unique_ptr<EffectList> list;
  Spectrum* spectrum = nullptr;
};

TEST_F(SpectrumEffectTest, WithoutSoundNothingIsCalledNorSent) {
  connect("A");
  spectrum->start(0);
  spectrum->update(100);
  EXPECT_TRUE(fake.calls.empty());
  EXPECT_TRUE(gPulseLog.empty());
  EXPECT_FALSE(spectrum->isFftActive());
}

TEST_F(SpectrumEffectTest, PausedMusicSwitchesTheAnalysisOnOnceAndSendsNothing) {
  startMusicAt(0);
  pauseMusic();
  fake.calls.clear();
  connect("A");
  spectrum->start(0);
  spectrum->update(40);
  spectrum->update(80);
  EXPECT_EQ(countCalls("fft on"), 1u);
  EXPECT_EQ(countCalls("spectrum"), 0u);
  EXPECT_TRUE(gPulseLog.empty());
}

TEST_F(SpectrumEffectTest, PlayingMusicSendsTheTotalToEveryTargetInOrder) {
  startMusicAt(0);
  connect("B");
  connect("A");
  connect("B");  // twice: gets two pulses
  spectrum->update(500);
  EXPECT_FLOAT_EQ(spectrum->getTotal(), 0.75f);
  EXPECT_EQ(gPulseLog, (std::vector<std::string>{"B 1500", "A 750", "B 1500"}));
  EXPECT_EQ(countCalls("fft on"), 1u);
  // The clock of the instance is not advanced (no base update).
  EXPECT_EQ(spectrum->getCurrentTime(), 0u);
}

TEST_F(SpectrumEffectTest, NoSpectrumKeepsTheLastTotalAndSendsNothing) {
  startMusicAt(0);
  connect("A");
  spectrum->update(40);
  gPulseLog.clear();
  fake.spectrumAvailable = false;
  spectrum->update(80);
  EXPECT_TRUE(gPulseLog.empty());
  EXPECT_FLOAT_EQ(spectrum->getTotal(), 0.75f);
}

TEST_F(SpectrumEffectTest, StartResetsTheTotalWithSound) {
  startMusicAt(0);
  spectrum->update(40);  // no targets: reads, sends nothing
  EXPECT_FLOAT_EQ(spectrum->getTotal(), 0.75f);
  EXPECT_TRUE(gPulseLog.empty());
  spectrum->start(100);
  EXPECT_FLOAT_EQ(spectrum->getTotal(), 0.0f);
  EXPECT_EQ(countCalls("fft on"), 1u);
}

TEST_F(SpectrumEffectTest, UnknownNamesAddNothingAndTypeTwoDropsAllTargets) {
  connect("Nobody");
  EXPECT_TRUE(spectrum->getTargets().empty());
  connect("A");
  connect("B");
  EXPECT_EQ(spectrum->getTargets().size(), 2u);
  EffectEvent link;
  link.type = 2;
  link.text = "A";
  spectrum->handleEvent(link);
  EXPECT_TRUE(spectrum->getTargets().empty());
  EXPECT_EQ(spectrum->getLinkedEffect(), list->find("A"));  // the base's link
}

TEST_F(SpectrumEffectTest, TheRegistryTableCreatesTheSoundEffectsByName) {
  EXPECT_EQ(spectrum->getName(), "Spectrum");
  // Spectrum registers nothing beyond the base variables.
  EXPECT_EQ(spectrum->getVariables().size(), 3u);
}
}  // namespace
