#pragma once
// The perspective projection of the 3D-looking effects, with the screen's aspect.
class Perspective {
 public:
  // Projection = perspective with a vertical field of fovY degrees, the screen aspect (width /
  // height of the demo settings), near and far planes; then the model-view matrix is identity
  // and current.
  static void load(double fovY, double nearPlane, double farPlane);
  // Screen width / height of the demo settings (1 when the height is not positive).
  static double screenAspect();
};
