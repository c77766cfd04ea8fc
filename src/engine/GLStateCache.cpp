#include "GLStateCache.h"

#include <cstring>

namespace {

constexpr GLenum kUnitCaps[3] = {GL_TEXTURE_1D, GL_TEXTURE_2D, GL_TEXTURE_CUBE_MAP};
constexpr GLenum kEnvNames[4] = {GL_TEXTURE_ENV_MODE, GL_SOURCE0_RGB, GL_COMBINE_RGB, GL_SOURCE1_RGB};
constexpr GLenum kBindingTargets[3] = {GL_TEXTURE_1D, GL_TEXTURE_2D, GL_TEXTURE_CUBE_MAP};
constexpr GLenum kBindingQueries[3] = {GL_TEXTURE_BINDING_1D, GL_TEXTURE_BINDING_2D, GL_TEXTURE_BINDING_CUBE_MAP};
constexpr GLenum kGlobalCaps[6] = {GL_LIGHTING, GL_STENCIL_TEST, GL_ALPHA_TEST,
                                   GL_BLEND,    GL_CULL_FACE,    GL_VERTEX_PROGRAM_ARB};

}  // namespace

bool GLStateCache::same(const Value& a, const Value& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void GLStateCache::selectUnit(int unit) {
  if (_glUnit == unit) return;
  glActiveTexture(GLenum(GL_TEXTURE0 + unit));
  _glUnit = unit;
}

void GLStateCache::activeTexture(GLenum unit) {
  const int index = int(unit) - int(GL_TEXTURE0);
  if (index < 0 || index >= kUnits) return;  // recipes use units 0..2 only
  _wantedUnit = index;
  selectUnit(index);
}

void GLStateCache::beginApply() {
  ++_recipe;
  // A recipe starts on the unit the caller left active (read unless this cache put it there).
  if (_passThrough || _originalUnit < 0) {
    GLint unit = GL_TEXTURE0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    _glUnit = int(unit) - int(GL_TEXTURE0);
    if (!_passThrough) _originalUnit = _glUnit;
  }
  _wantedUnit = _glUnit >= 0 && _glUnit < kUnits ? _glUnit : 0;
}

void GLStateCache::finishApply() {
  if (!_passThrough) {
    for (int item = 0; item < kItemCount; ++item) {
      Slot& slot = _slots[item];
      if (!slot.known || slot.setIn == _recipe || same(slot.current, slot.original)) continue;
      write(item, slot.original);
      slot.current = slot.original;
    }
  }
  activeTexture(GL_TEXTURE0);
}

void GLStateCache::revertAll() {
  if (_passThrough) return;
  for (int item = 0; item < kItemCount; ++item) {
    Slot& slot = _slots[item];
    if (slot.known && !same(slot.current, slot.original)) write(item, slot.original);
    slot.known = false;
  }
  if (_originalUnit >= 0) selectUnit(_originalUnit);
  _originalUnit = _glUnit = -1;
  _wantedUnit = 0;
}

bool GLStateCache::hasChanges() const {
  for (const Slot& slot : _slots)
    if (slot.known && !same(slot.current, slot.original)) return true;
  return false;
}

GLStateCache::Value GLStateCache::read(int item) {
  Value v;
  std::memset(&v, 0, sizeof v);
  GLint ints[4] = {0, 0, 0, 0};
  float floats[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  GLboolean flag = GL_FALSE;
  if (item >= kFirstUnitItem) {
    const int unit = (item - kFirstUnitItem) / kUnitItemCount;
    const int what = (item - kFirstUnitItem) % kUnitItemCount;
    selectUnit(unit);
    if (what <= kTextureCube) {
      v.w[0].i = glIsEnabled(kUnitCaps[what]) ? 1 : 0;
    } else if (what <= kSource1) {
      glGetTexEnviv(GL_TEXTURE_ENV, kEnvNames[what - kEnvMode], ints);
      v.w[0].i = ints[0];
    } else {
      glGetIntegerv(kBindingQueries[what - kBinding1D], ints);
      v.w[0].i = ints[0];
    }
    return v;
  }
  switch (item) {
    case kFrontAmbient:
      glGetMaterialfv(GL_FRONT, GL_AMBIENT, floats);
      break;
    case kFrontDiffuse:
      glGetMaterialfv(GL_FRONT, GL_DIFFUSE, floats);
      break;
    case kBackDiffuse:
      glGetMaterialfv(GL_BACK, GL_DIFFUSE, floats);
      break;
    case kFrontSpecular:
      glGetMaterialfv(GL_FRONT, GL_SPECULAR, floats);
      break;
    case kFrontShininess:
      glGetMaterialfv(GL_FRONT, GL_SHININESS, floats);
      break;
    case kColorControl:
      glGetIntegerv(GL_LIGHT_MODEL_COLOR_CONTROL, ints);
      break;
    case kTwoSide:
      glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, ints);
      break;
    case kBlendFunc:
      glGetIntegerv(GL_BLEND_SRC_RGB, &ints[0]);
      glGetIntegerv(GL_BLEND_DST_RGB, &ints[1]);
      glGetIntegerv(GL_BLEND_SRC_ALPHA, &ints[2]);
      glGetIntegerv(GL_BLEND_DST_ALPHA, &ints[3]);
      break;
    case kAlphaFunc:
      glGetIntegerv(GL_ALPHA_TEST_FUNC, &ints[0]);
      glGetFloatv(GL_ALPHA_TEST_REF, &floats[1]);
      v.w[1].f = floats[1];
      v.w[0].i = ints[0];
      return v;
    case kStencilFunc:
      glGetIntegerv(GL_STENCIL_FUNC, &ints[0]);
      glGetIntegerv(GL_STENCIL_REF, &ints[1]);
      glGetIntegerv(GL_STENCIL_VALUE_MASK, &ints[2]);
      break;
    case kStencilOp:
      glGetIntegerv(GL_STENCIL_FAIL, &ints[0]);
      glGetIntegerv(GL_STENCIL_PASS_DEPTH_FAIL, &ints[1]);
      glGetIntegerv(GL_STENCIL_PASS_DEPTH_PASS, &ints[2]);
      break;
    case kDepthMask:
      glGetBooleanv(GL_DEPTH_WRITEMASK, &flag);
      v.w[0].i = flag ? 1 : 0;
      return v;
    case kPolygonMode:
      glGetIntegerv(GL_POLYGON_MODE, ints);  // front, back
      v.w[0].i = ints[0];
      return v;
    default:  // the global capabilities
      v.w[0].i = glIsEnabled(kGlobalCaps[item]) ? 1 : 0;
      return v;
  }
  const bool isFloat = item >= kFrontAmbient && item <= kFrontShininess;
  for (int i = 0; i < 4; ++i) {
    if (isFloat)
      v.w[i].f = floats[i];
    else
      v.w[i].i = ints[i];
  }
  return v;
}

void GLStateCache::write(int item, const Value& v) {
  if (item >= kFirstUnitItem) {
    const int unit = (item - kFirstUnitItem) / kUnitItemCount;
    const int what = (item - kFirstUnitItem) % kUnitItemCount;
    selectUnit(unit);
    if (what <= kTextureCube) {
      if (v.w[0].i)
        glEnable(kUnitCaps[what]);
      else
        glDisable(kUnitCaps[what]);
    } else if (what <= kSource1) {
      glTexEnvi(GL_TEXTURE_ENV, kEnvNames[what - kEnvMode], v.w[0].i);
    } else {
      glBindTexture(kBindingTargets[what - kBinding1D], GLuint(v.w[0].i));
    }
    return;
  }
  const float values[4] = {v.w[0].f, v.w[1].f, v.w[2].f, v.w[3].f};
  switch (item) {
    case kFrontAmbient:
      glMaterialfv(GL_FRONT, GL_AMBIENT, values);
      break;
    case kFrontDiffuse:
      glMaterialfv(GL_FRONT, GL_DIFFUSE, values);
      break;
    case kBackDiffuse:
      glMaterialfv(GL_BACK, GL_DIFFUSE, values);
      break;
    case kFrontSpecular:
      glMaterialfv(GL_FRONT, GL_SPECULAR, values);
      break;
    case kFrontShininess:
      glMaterialf(GL_FRONT, GL_SHININESS, values[0]);
      break;
    case kColorControl:
      glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, v.w[0].i);
      break;
    case kTwoSide:
      glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, v.w[0].i);
      break;
    case kBlendFunc:
      glBlendFuncSeparate(GLenum(v.w[0].i), GLenum(v.w[1].i), GLenum(v.w[2].i), GLenum(v.w[3].i));
      break;
    case kAlphaFunc:
      glAlphaFunc(GLenum(v.w[0].i), v.w[1].f);
      break;
    case kStencilFunc:
      glStencilFunc(GLenum(v.w[0].i), v.w[1].i, GLuint(v.w[2].i));
      break;
    case kStencilOp:
      glStencilOp(GLenum(v.w[0].i), GLenum(v.w[1].i), GLenum(v.w[2].i));
      break;
    case kDepthMask:
      glDepthMask(v.w[0].i ? GL_TRUE : GL_FALSE);
      break;
    case kPolygonMode:
      glPolygonMode(GL_FRONT, GLenum(v.w[0].i));
      break;
    default:
      if (v.w[0].i)
        glEnable(kGlobalCaps[item]);
      else
        glDisable(kGlobalCaps[item]);
      break;
  }
}

void GLStateCache::set(int item, const Value& wanted) {
  if (_passThrough) {
    write(item, wanted);
    return;
  }
  Slot& slot = _slots[item];
  slot.setIn = _recipe;
  if (!slot.known) {
    slot.original = slot.current = read(item);
    slot.known = true;
  }
  if (same(slot.current, wanted)) return;
  write(item, wanted);
  slot.current = wanted;
}

namespace {

GLStateCache::Value valueOf(GLint a, GLint b = 0, GLint c = 0, GLint d = 0) {
  GLStateCache::Value v;
  std::memset(&v, 0, sizeof v);
  v.w[0].i = a;
  v.w[1].i = b;
  v.w[2].i = c;
  v.w[3].i = d;
  return v;
}

}  // namespace

void GLStateCache::setEnabled(GLenum cap, bool on) {
  for (int i = 0; i < 3; ++i)
    if (cap == kUnitCaps[i]) return set(unitItem(_wantedUnit, UnitItem(kTexture1D + i)), valueOf(on ? 1 : 0));
  for (int i = 0; i < 6; ++i)
    if (cap == kGlobalCaps[i]) return set(kLighting + i, valueOf(on ? 1 : 0));
  // Capabilities no recipe puts back go straight through.
  if (on)
    glEnable(cap);
  else
    glDisable(cap);
}

void GLStateCache::texEnv(GLenum pname, GLint value) {
  for (int i = 0; i < 4; ++i)
    if (pname == kEnvNames[i]) return set(unitItem(_wantedUnit, UnitItem(kEnvMode + i)), valueOf(value));
  glTexEnvi(GL_TEXTURE_ENV, pname, value);
}

void GLStateCache::bindTexture(GLenum target, GLuint name) {
  for (int i = 0; i < 3; ++i)
    if (target == kBindingTargets[i]) return set(unitItem(_wantedUnit, UnitItem(kBinding1D + i)), valueOf(GLint(name)));
  glBindTexture(target, name);
}

void GLStateCache::material(GLenum face, GLenum pname, const float* values) {
  Value v;
  std::memset(&v, 0, sizeof v);
  for (int i = 0; i < 4; ++i) v.w[i].f = values[i];
  const bool front = face == GL_FRONT || face == GL_FRONT_AND_BACK;
  const bool back = face == GL_BACK || face == GL_FRONT_AND_BACK;
  if (pname == GL_AMBIENT && face == GL_FRONT) return set(kFrontAmbient, v);
  if (pname == GL_SPECULAR && face == GL_FRONT) return set(kFrontSpecular, v);
  if (pname == GL_DIFFUSE) {
    if (front) set(kFrontDiffuse, v);
    if (back) set(kBackDiffuse, v);
    return;
  }
  glMaterialfv(face, pname, values);
}

void GLStateCache::material(GLenum face, GLenum pname, float value) {
  if (face == GL_FRONT && pname == GL_SHININESS) {
    Value v;
    std::memset(&v, 0, sizeof v);
    v.w[0].f = value;
    return set(kFrontShininess, v);
  }
  glMaterialf(face, pname, value);
}

void GLStateCache::lightModel(GLenum pname, GLint value) {
  if (pname == GL_LIGHT_MODEL_COLOR_CONTROL) return set(kColorControl, valueOf(value));
  if (pname == GL_LIGHT_MODEL_TWO_SIDE) return set(kTwoSide, valueOf(value ? 1 : 0));
  glLightModeli(pname, value);
}

void GLStateCache::blendFunc(GLenum source, GLenum destination) {
  set(kBlendFunc, valueOf(GLint(source), GLint(destination), GLint(source), GLint(destination)));
}

void GLStateCache::alphaFunc(GLenum function, float reference) {
  Value v = valueOf(GLint(function));
  // GL keeps the reference clamped to 0..1.
  v.w[1].f = reference < 0.0f ? 0.0f : (reference > 1.0f ? 1.0f : reference);
  set(kAlphaFunc, v);
}

void GLStateCache::stencilFunc(GLenum function, GLint reference, GLuint mask) {
  set(kStencilFunc, valueOf(GLint(function), reference, GLint(mask)));
}

void GLStateCache::stencilOp(GLenum fail, GLenum depthFail, GLenum pass) {
  set(kStencilOp, valueOf(GLint(fail), GLint(depthFail), GLint(pass)));
}

void GLStateCache::depthMask(bool on) { set(kDepthMask, valueOf(on ? 1 : 0)); }

void GLStateCache::frontPolygonMode(GLenum mode) { set(kPolygonMode, valueOf(GLint(mode))); }
