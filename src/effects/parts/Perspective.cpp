#include "Perspective.h"

#include <epoxy/gl.h>

#include <cmath>

#include "DemoSettings.h"

double Perspective::screenAspect() {
  const DemoSettings& settings = demoSettings();
  if (settings.screenHeight <= 0) return 1.0;
  return double(settings.screenWidth) / double(settings.screenHeight);
}

void Perspective::load(double fovY, double nearPlane, double farPlane) {
  const double halfHeight = nearPlane * std::tan(fovY * 3.14159265358979323846 / 360.0);
  const double halfWidth = halfHeight * screenAspect();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-halfWidth, halfWidth, -halfHeight, halfHeight, nearPlane, farPlane);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}
