#include "DemoSettings.h"

DemoSettings& demoSettings() {
  static DemoSettings settings;
  return settings;
}
