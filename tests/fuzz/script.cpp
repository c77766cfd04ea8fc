// Fuzz target "script": the script loader over bytes in memory, into an effect list whose rows
// make GL-free effects with variables of every kind, then every variable sampled at a few times.
// Fatal reports (bad scripts end the show) unwind back here instead of ending the process.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "BoolVariable.h"
#include "DemoSettings.h"
#include "Effect.h"
#include "EffectList.h"
#include "ErrorReport.h"
#include "FloatVariable.h"
#include "IntVariable.h"
#include "ScriptLoader.h"
#include "StringVariable.h"
#include "Timeline.h"

namespace {

constexpr size_t kMaxScriptSize = 1 << 16;

struct FatalReport {};

void quietReport(const char*, bool fatal) {
  if (fatal) throw FatalReport{};
}

class FuzzEffect : public Effect {
 public:
  FuzzEffect(const std::string& name, bool pattern) : Effect(name) {
    registerColour(_red, _green, _blue, _alpha, 1, 1, 1, 1);
    registerVariable(_index, "Index", EffectVariable::kNoStringList, EffectVariable::kInt);
    registerBool(_flag, "Flag", false);
    registerVariable(_caption, "Caption", EffectVariable::kNoStringList, EffectVariable::kString);
    registerVariable(_texture, "Texture", EffectVariable::kStringList0, EffectVariable::kInt);
    registerVariable(_file, "Datafile", EffectVariable::kStringList1000, EffectVariable::kInt);
    _index.setCount(5);
    _caption.setTakesStringKeys(true);
    _texture.setListIndexed(true);
    _file.setListIndexed(true);
    enablePattern(pattern);
  }
  void render(uint32_t) override {}

  void sample(uint32_t time) {
    _red.valueAt(time);
    _alpha.valueAt(time);
    _index.valueAt(time);
    _flag.valueAt(time);
    _caption.valueAt(time);
    _texture.valueAt(time);
    _file.valueAt(time);
  }

 private:
  FloatVariable _red, _green, _blue, _alpha;
  IntVariable _index, _texture, _file;
  BoolVariable _flag;
  StringVariable _caption;
};

template <bool Pattern>
std::unique_ptr<Effect> makeEffect(const std::string& name) {
  return std::make_unique<FuzzEffect>(name, Pattern);
}

const char* const kNames[] = {"Clear", "Fade", "Flash", "Image", "Osc", "Spectrum", "Scene3"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool installed = (setReportHandler(quietReport), true);
  (void)installed;
  if (size > kMaxScriptSize) return 0;
  EffectVariable::setEndKeyTime(0);
  Effect::setLastPatternStep(1000);
  demoSettings() = DemoSettings();
  EffectList list;
  for (const char* name : kNames) list.addRegistryRowForTest({name, makeEffect<false>});
  list.addRegistryRowForTest({"Pat", makeEffect<true>});
  Timeline timeline;
  EffectList::setCurrent(&list);
  Timeline::setCurrent(&timeline);
  ScriptLoader loader;
  bool loaded = true;
  try {
    loader.loadBytes(reinterpret_cast<const char*>(data), size, "data/scripts/demo.scr");
  } catch (const FatalReport&) {
    loaded = false;
  }
  if (loaded) {
    const uint32_t times[] = {0, 1, 999, 1000, 60000, uint32_t(demoSettings().endTime), 0xFFFFFFFFu};
    for (const char* name : kNames)
      if (Effect* effect = list.find(name))
        for (uint32_t time : times) static_cast<FuzzEffect*>(effect)->sample(time);
  }
  EffectList::setCurrent(nullptr);
  Timeline::setCurrent(nullptr);
  return 0;
}
