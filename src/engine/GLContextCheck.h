#pragma once
// Whether a GL context is current on this thread. Loading (scenes, materials, lights) makes its
// few GL calls only when one is, so tools, unit tests and fuzz targets can load without a window.
bool hasCurrentGLContext();
