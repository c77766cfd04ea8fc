#include "GridExp.h"

#include <cmath>

#include "Perspective.h"
#include "TextureManager.h"

GridExp::GridExp() : PostEffect("GridExp", GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT) {
  registerVariable(_anim, "Anim", EffectVariable::kNoStringList, EffectVariable::kInt);
  _anim.setCount(4);
  _anim.setCurrentValue(3);
  registerBool(_rotate, "Rotate", false);
  registerBool(_blend, "Blend", true);
  registerBool(_shade, "Shade", false);
  registerFloat(_ampX, "ampX", 0.3f);
  registerFloat(_ampY, "ampY", 0.1f);
  registerFloat(_ampZ, "ampZ", 0.2f);
  registerFloat(_magicStrength, "magicStrength", 0.3f);
  const char* magicNames[5] = {"magic1", "magic2", "magic3", "magic4", "magic5"};
  for (int i = 0; i < 5; ++i) registerFloat(_magic[i], magicNames[i], 0.4f);
  setSpeed(0.1f);

  const int n = kSize;
  _grid.resize(size_t(n * n));
  for (int j = 0; j < n; ++j) {
    for (int k = 0; k < n; ++k) {
      Vertex& v = _grid[size_t(j * n + k)];
      v.rest[0] = -10.0f + float(k) * 20.0f / float(n - 1);
      v.rest[1] = -10.0f + float(j) * 20.0f / float(n - 1);
      v.rest[2] = 0.0f;
      v.restUv[0] = float(k) * 0.5f / float(n - 1);
      v.restUv[1] = float(j) * 0.7f / float(n - 1);
      for (float& c : v.colour) c = 1.0f;
    }
  }
  resetGrid();
  _strips.reserve(size_t(2 * n * (n - 1)));
  for (int j = 0; j < n - 1; ++j) {
    for (int k = 0; k < n; ++k) {
      _strips.push_back(uint16_t(j * n + k));
      _strips.push_back(uint16_t(j * n + k + n));
    }
  }
  // Each row's strip leaves out the last column of cells: 2n - 2 of its 2n indices.
  for (int j = 0; j < n - 1; ++j) {
    _stripCounts.push_back(GLsizei(2 * n - 2));
    _stripStarts.push_back(&_strips[size_t(j * 2 * n)]);
  }
  createBuffer(_buffer, 512, 512, GL_LINEAR);
}

void GridExp::resetGrid() {
  for (Vertex& v : _grid) {
    for (int c = 0; c < 3; ++c) v.position[c] = v.rest[c];
    v.uv[0] = v.restUv[0];
    v.uv[1] = v.restUv[1];
  }
}

void GridExp::startLinked(uint32_t time) {
  if (!_buffer.isInitialized()) return;
  _buffer.enable();
  _linkedEffect->start(time);
  _buffer.disable();
}

void GridExp::runInputPass(uint32_t time) {
  if (!_buffer.isInitialized()) return;
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  _buffer.enable();
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  _linkedEffect->update(time);
  _linkedEffect->render(time);
  _buffer.disable();
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}

void GridExp::handleEvent(const EffectEvent& event) {
  PostEffect::handleEvent(event);
  if (event.type == 4) _texture = TextureManager::getInstance().getTexture(event.text, "", GL_TEXTURE_2D);
}

void GridExp::render(uint32_t time) {
  const bool fromBuffer = _linkedEffect && _buffer.isInitialized();
  if (fromBuffer) {
    glEnable(GL_TEXTURE_2D);
    _buffer.bind(WGL_FRONT_LEFT_ARB);
  } else if (_texture) {
    glEnable(GL_TEXTURE_2D);
    _texture->bind();
  } else {
    glDisable(GL_TEXTURE_2D);  // untextured, whatever the effects before left bound
  }
  Perspective::load(45.0, 0.1, 2000.0);
  glTranslatef(0.0f, 0.0f, -20.0f);
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  if (_rotate.valueAt(time)) glRotatef(0.05f * _phase, 0.0f, 0.0f, 1.0f);
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_FRONT);
  glDisable(GL_LIGHTING);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

  // The changed flag alone misses keyed changes (sampling between keys does not raise it), so
  // a mode other than the last one drawn resets the grid too.
  const uint32_t mode = _anim.valueAt(time);
  if (_anim.isChanged() || mode != _lastMode) {
    resetGrid();
    _anim.clearChanged();
  }
  _lastMode = mode;
  runMode(mode, 0.05f * _phase, time);

  const bool blend = _blend.valueAt(time);
  const bool shade = _shade.valueAt(time);
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  if (blend) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  }
  glColor4f(_red.valueAt(time), _green.valueAt(time), _blue.valueAt(time), _alpha.valueAt(time));

  const GLsizei stride = sizeof(Vertex);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, stride, _grid[0].position);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, stride, _grid[0].uv);
  if (shade) {
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, stride, _grid[0].colour);
  }
  // One call for all row strips: the same triangles in the same order as a draw per row, without
  // the driver's per-draw set-up 49 times.
  glMultiDrawElements(GL_TRIANGLE_STRIP, _stripCounts.data(), GL_UNSIGNED_SHORT, _stripStarts.data(),
                      GLsizei(_stripStarts.size()));
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);

  if (blend) {
    glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glDisable(GL_BLEND);
  }
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_TEST);
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glCullFace(GL_BACK);
  glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
  if (fromBuffer) _buffer.release(WGL_FRONT_LEFT_ARB);
}

void GridExp::runMode(uint32_t mode, float x, uint32_t time) {
  switch (mode) {
    case 0:
      waveMode(x);
      break;
    case 1:
      rippleMode(x);
      break;
    case 2:
      parametricMode(x, time);
      break;
    case 3:
      wobbleMode(x, time);
      break;
    default:
      break;
  }
}

namespace {
void setShade(GridExp::Vertex& v, float shade) {
  v.colour[0] = v.colour[1] = v.colour[2] = shade;
  v.colour[3] = 1.0f;
}
}  // namespace

// Only the interior is written: rows and columns 1 to n - 3.
void GridExp::waveMode(float x) {
  const float n = float(kSize);
  const float b = 0.2f * x, q = x / 9.0f, s = x / 7.0f;
  for (int i = 1; i <= kSize - 3; ++i) {
    const float e = float(i) / n;
    const float f = std::cos(std::sin(q) + 27.0f * e);
    const float g = std::sin(7.0f * e + b);
    for (int j = 1; j <= kSize - 3; ++j) {
      Vertex& v = _grid[size_t(i * kSize + j)];
      const float l = 10.0f * float(j) / n;
      const float px = (g + std::sin(b + 3.0f * l)) * 0.5f + v.rest[0];
      const float py = std::cos(q + l) * 0.3f + v.rest[1];
      const float pz = (px * std::sin(27.0f * l + s) + f * py) * 0.2f;
      v.position[0] = px;
      v.position[1] = py;
      v.position[2] = pz;
      setShade(v, pz * 0.5f + 1.0f);
    }
  }
}

void GridExp::rippleMode(float x) {
  const float n = float(kSize);
  const float h = n / 2.0f;
  const float c = 0.5f * std::sin(0.1f * x);
  const float depth = c >= 0.0f ? c : 0.01f;
  const float pi = 3.14159265358979f;
  const float reach = std::sqrt(n * n / 2.0f);
  for (int i = 1; i <= kSize - 3; ++i) {
    for (int j = 1; j <= kSize - 3; ++j) {
      Vertex& v = _grid[size_t(i * kSize + j)];
      const float di = float(i) - h, dj = float(j) - h;
      const float r = std::sqrt(di * di + dj * dj);
      const float rs = r * std::sin(r * pi / reach);
      const float z = -rs * rs * depth;
      v.position[0] = v.rest[0];
      v.position[1] = v.rest[1];
      v.position[2] = z;
      setShade(v, -0.1f * z);
    }
  }
}

void GridExp::parametricMode(float x, uint32_t time) {
  const float n = float(kSize);
  const float strength = 20.0f * _magicStrength.valueAt(time);
  const float t = strength * _magic[1].valueAt(time);
  const float u = strength * _magic[0].valueAt(time);
  const float vf = strength * _magic[2].valueAt(time);
  const float a = strength * _magic[4].valueAt(time);
  const float d = strength * _magic[3].valueAt(time);
  const float ampX = _ampX.valueAt(time), ampY = _ampY.valueAt(time), ampZ = _ampZ.valueAt(time);
  const float w = 0.2f * x, q = x / 9.0f, s = x / 7.0f;
  for (int i = 1; i <= kSize - 3; ++i) {
    const float g = float(i) / n;
    const float hh = std::cos(std::cos(q) + g * a);
    const float ii = std::sin(g * t + w);
    for (int j = 1; j <= kSize - 3; ++j) {
      Vertex& v = _grid[size_t(i * kSize + j)];
      const float l = float(j) * u / n;
      const float px = (ii + std::cos(w + l * vf)) * ampX + v.rest[0];
      const float py = std::cos(q + t * l) * ampY + v.rest[1];
      const float pz = (v.rest[0] * std::sin(l * d + s) + hh * px) * ampZ;
      v.position[0] = px;
      v.position[1] = py;
      v.position[2] = pz;
      setShade(v, pz * 0.5f + 1.0f);
    }
  }
}

void GridExp::wobbleMode(float x, uint32_t time) {
  const float n = float(kSize);
  const float strength = 20.0f * _magicStrength.valueAt(time);
  const float t = strength * _magic[1].valueAt(time);
  const float u = strength * _magic[0].valueAt(time);
  const float vf = strength * _magic[2].valueAt(time);
  const float a = strength * _magic[3].valueAt(time);
  const float c = strength * _magic[4].valueAt(time);
  const float w = 0.2f * x, q = x / 9.0f;
  const float bu = _ampX.valueAt(time) * (2.0f * _pulse + 1.0f);
  const float bv = _ampY.valueAt(time) * (2.0f * _pulse + 1.0f);
  for (int i = 1; i <= kSize - 3; ++i) {
    const float g = std::sin(float(i) / n * t + w);
    for (int j = 1; j <= kSize - 3; ++j) {
      Vertex& v = _grid[size_t(i * kSize + j)];
      const float l = float(j) * u / n;
      const float tu = (g + std::cos(w + l * a)) * bu + v.restUv[0];
      v.uv[0] = tu;
      v.uv[1] = (std::cos(tu * c) + std::cos(l * vf + q)) * bv + v.restUv[1] + 0.1f;
    }
  }
}
