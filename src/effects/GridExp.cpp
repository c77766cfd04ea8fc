#include "GridExp.h"

#include <algorithm>
#include <cmath>

#include "MagnifySampler.h"
#include "Perspective.h"
#include "Switches.h"
#include "Texture.h"
#include "TextureManager.h"

namespace {
constexpr double kGridFieldOfView = 45.0;  // degrees, vertical
constexpr float kGridEyeDistance = 20.0f;  // the grid's plane from the eye
}  // namespace

void GridExp::setMagnifyPath(bool on) { Switches::set(Switch::GridMagnify, on); }

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
  // After the variables above, which keep their order.
  registerVariable(_datafile, "Datafile", EffectVariable::kStringList0, EffectVariable::kInt);
  _datafile.setCurrentValue(0);
  _datafile.setListIndexed(true);
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
  _magnified.resize(size_t(6 * (n - 1) * (n - 2)));
  _others.resize(_magnified.size());
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

void GridExp::onStringAdded(int32_t list, const std::string& text, uint32_t count) {
  if (list != EffectVariable::kStringList0) return;
  _texture = TextureManager::getInstance().getTexture(text, "", GL_TEXTURE_2D);
  _datafile.setCount(count);
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
  Perspective::load(kGridFieldOfView, 0.1, 2000.0);
  glTranslatef(0.0f, 0.0f, -kGridEyeDistance);
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  if (_rotate.valueAt(time)) glRotatef(0.05f * _phase, 0.0f, 0.0f, 1.0f);  // turn in degrees
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

  // A mipmapped picture under additive blending: the triangles that magnify it go through
  // MagnifySampler, the others through its own filter (the sum does not depend on the order).
  GLuint sampler = 0;
  GLint unit = GL_TEXTURE0;
  if (!fromBuffer && _texture && blend && Switches::isOn(Switch::GridMagnify) && _texture->getTarget() == GL_TEXTURE_2D) {
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const float texels = float(std::max(_texture->getWidth(), _texture->getHeight()));
    const float turn = _rotate.valueAt(time) ? 0.05f * _phase : 0.0f;
    if (sortByMagnification(texels, turn, float(viewport[2]), float(viewport[3])) > 0) {
      glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
      sampler = MagnifySampler::forBoundTexture();
    }
  }

  const GLsizei stride = sizeof(Vertex);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, stride, _grid[0].position);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, stride, _grid[0].uv);
  if (shade) {
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, stride, _grid[0].colour);
  }
  if (sampler) {
    glBindSampler(GLuint(unit - GL_TEXTURE0), sampler);
    glDrawElements(GL_TRIANGLES, GLsizei(_magnifiedCount), GL_UNSIGNED_SHORT, _magnified.data());
    glBindSampler(GLuint(unit - GL_TEXTURE0), 0);
    if (_otherCount > 0) glDrawElements(GL_TRIANGLES, GLsizei(_otherCount), GL_UNSIGNED_SHORT, _others.data());
  } else {
    // One call for all row strips: the same triangles in the same order as a draw per row,
    // without the driver's per-draw set-up 49 times.
    glMultiDrawElements(GL_TRIANGLE_STRIP, _stripCounts.data(), GL_UNSIGNED_SHORT, _stripStarts.data(),
                        GLsizei(_stripStarts.size()));
  }
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

size_t GridExp::sortByMagnification(float texels, float turnDegrees, float width, float height) {
  // Window position (pixels) and eye depth of each vertex, as the projection of render maps it.
  const float focal = float(1.0 / std::tan(kGridFieldOfView * 3.14159265358979 / 360.0));
  const float aspect = float(Perspective::screenAspect());
  struct Projected {
    float x, y, w;
  };
  auto project = [&](const Vertex& v) {
    const float w = kGridEyeDistance - v.position[2];
    return Projected{(focal / aspect * v.position[0] / w + 1.0f) * 0.5f * width,
                     (focal * v.position[1] / w + 1.0f) * 0.5f * height, w};
  };
  // The texture matrix's turn and the picture's size, applied to (u, v) before sampling.
  const float radians = turnDegrees * 3.14159265f / 180.0f;
  const float turnCos = std::cos(radians) * texels, turnSin = std::sin(radians) * texels;
  // Triangle (a, b, c) in the strip's winding: whether every pixel it draws magnifies.
  auto magnifies = [&](const Vertex& a, const Vertex& b, const Vertex& c) {
    const Projected p[3] = {project(a), project(b), project(c)};
    const float e1x = p[1].x - p[0].x, e1y = p[1].y - p[0].y, e2x = p[2].x - p[0].x, e2y = p[2].y - p[0].y;
    const float det = e1x * e2y - e1y * e2x;
    if (!std::isfinite(det)) return false;
    if (det >= 0.0f) return true;  // front-facing (culled) or empty: no pixel
    // u / w, v / w and 1 / w are affine over the window: their gradients from the corners.
    const Vertex* corner[3] = {&a, &b, &c};
    float q[3][3];  // per corner: u / w, v / w, 1 / w
    for (int i = 0; i < 3; ++i) {
      if (!(p[i].w > 0.0f)) return false;
      q[i][2] = 1.0f / p[i].w;
      q[i][0] = corner[i]->uv[0] * q[i][2];
      q[i][1] = corner[i]->uv[1] * q[i][2];
    }
    float gx[3], gy[3];
    for (int f = 0; f < 3; ++f) {
      const float d1 = q[1][f] - q[0][f], d2 = q[2][f] - q[0][f];
      gx[f] = (d1 * e2y - d2 * e1y) / det;
      gy[f] = (d2 * e1x - d1 * e2x) / det;
    }
    // d(u)/dx = (d(u/w)/dx (1/w) - (u/w) d(1/w)/dx) / (1/w)^2: an affine numerator over a squared
    // affine denominator, so over the triangle each is at most its largest corner numerator over
    // the smallest corner denominator. Numerators turned and scaled to texels as the sampler sees them.
    float largest[2][2] = {{0, 0}, {0, 0}};  // [screen axis][texture axis]
    float smallest = q[0][2];
    for (int i = 0; i < 3; ++i) {
      smallest = std::min(smallest, q[i][2]);
      const float nux = gx[0] * q[i][2] - q[i][0] * gx[2], nvx = gx[1] * q[i][2] - q[i][1] * gx[2];
      const float nuy = gy[0] * q[i][2] - q[i][0] * gy[2], nvy = gy[1] * q[i][2] - q[i][1] * gy[2];
      const float n[2][2] = {{turnCos * nux - turnSin * nvx, turnSin * nux + turnCos * nvx},
                             {turnCos * nuy - turnSin * nvy, turnSin * nuy + turnCos * nvy}};
      for (int axis = 0; axis < 2; ++axis)
        for (int t = 0; t < 2; ++t) largest[axis][t] = std::max(largest[axis][t], std::fabs(n[axis][t]));
    }
    // The sum of both texture steps bounds every length a GL may measure the level of detail by;
    // a tenth is left for the rasteriser's own rounding and its pixels just outside the triangle.
    const float limit = 0.9f * smallest * smallest;
    return largest[0][0] + largest[0][1] <= limit && largest[1][0] + largest[1][1] <= limit;
  };
  _magnifiedCount = 0;
  _otherCount = 0;
  auto add = [&](bool magnified, int a, int b, int c) {
    uint16_t* list = magnified ? &_magnified[_magnifiedCount] : &_others[_otherCount];
    list[0] = uint16_t(a);
    list[1] = uint16_t(b);
    list[2] = uint16_t(c);
    (magnified ? _magnifiedCount : _otherCount) += 3;
  };
  const int n = kSize;
  for (int j = 0; j < n - 1; ++j) {
    for (int k = 0; k < n - 2; ++k) {  // the last column of cells is not drawn
      const int a = j * n + k, b = a + n, c = a + 1, d = b + 1;
      add(magnifies(_grid[size_t(a)], _grid[size_t(b)], _grid[size_t(c)]), a, b, c);
      add(magnifies(_grid[size_t(c)], _grid[size_t(b)], _grid[size_t(d)]), c, b, d);
    }
  }
  return _magnifiedCount / 3;
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
