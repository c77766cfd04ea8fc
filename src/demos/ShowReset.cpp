#include "ShowReset.h"

#include "Effect.h"
#include "EffectVariable.h"
#include "Random.h"
#include "SceneCache.h"

void ShowReset::beforeLoad() {
  seedRandom(1);
  Effect::setLastPatternStep(Effect::kInitialPatternStep);
  EffectVariable::setEndKeyTime(0);
  SceneCache::getInstance().restoreLoadedScenes();
}
