#include "GLGeneration.h"

namespace {
uint32_t gGeneration = 0;
}  // namespace

void GLGeneration::advance() { ++gGeneration; }

uint32_t GLGeneration::current() { return gGeneration; }
