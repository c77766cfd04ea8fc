#pragma once
// The effect registry table handed to EffectList by the entry. Rows are tried in this order;
// a row whose constructor is still null stands for an effect not built yet, and inserting its
// name is the fatal "Effect Id not found".
#include "EffectRegistryRow.h"

#include <vector>

class EffectTable {
 public:
  // Every registry row, in precedence order, each with its description (EffectDescriptions).
  static std::vector<EffectRegistryRow> rows();

 private:
  static std::vector<EffectRegistryRow> table();  // the rows without their descriptions
};
