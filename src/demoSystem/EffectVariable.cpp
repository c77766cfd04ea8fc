#include "EffectVariable.h"

namespace {
uint32_t gEndKeyTime = 0;  // ms
}  // namespace

void EffectVariable::setRegistration(const std::string& name, int32_t stringList, int32_t typeCode) {
  _name = name;
  _stringList = stringList;
  _typeCode = typeCode;
}

uint32_t EffectVariable::getEndKeyTime() { return gEndKeyTime; }

void EffectVariable::setEndKeyTime(uint32_t time) { gEndKeyTime = time; }
