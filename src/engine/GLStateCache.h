#pragma once
// The GL state a material recipe sets, held so that only real changes reach GL. A recipe calls
// these setters between beginApply and finishApply; finishApply puts back everything an earlier
// recipe changed that this one does not set, and revertAll puts back everything. The state GL
// ends up in is exactly what a pushed attribute block around each recipe gives, without pushing
// and popping the whole attribute stack (on llvmpipe that revalidates and flushes per mesh).
//
// The value an item had before the first recipe changed it is read from GL when the item is first
// set; revertAll forgets every value read, so code outside the recipes may change GL state freely
// between a revertAll and the next beginApply (and must not in between).
//
// In pass-through mode every setter goes straight to GL and nothing is held (the literal path
// inside glPushAttrib/glPopAttrib).
#include <epoxy/gl.h>

#include <cstdint>

class GLStateCache {
 public:
  static constexpr int kUnits = 3;  // texture units a recipe sets

  // One item's value: up to four integers or floats.
  union Word {
    GLint i;
    float f;
  };
  struct Value {
    Word w[4];
  };

  void setPassThrough(bool on) { _passThrough = on; }
  bool passThrough() const { return _passThrough; }

  // Starts a recipe; finishApply ends it (puts back what the previous recipe changed and this
  // one does not set, and leaves texture unit 0 active).
  void beginApply();
  void finishApply();
  // Puts back everything changed since the values were read and forgets them all.
  void revertAll();
  // True while some item differs from the value it had before the recipes (for tests).
  bool hasChanges() const;

  void activeTexture(GLenum unit);
  void enable(GLenum cap) { setEnabled(cap, true); }
  void disable(GLenum cap) { setEnabled(cap, false); }
  // GL_TEXTURE_1D / 2D / CUBE_MAP act on the active unit; other capabilities are global.
  void setEnabled(GLenum cap, bool on);
  void texEnv(GLenum pname, GLint value);  // on the active unit's GL_TEXTURE_ENV
  void bindTexture(GLenum target, GLuint name);
  // GL_FRONT_AND_BACK sets both faces.
  void material(GLenum face, GLenum pname, const float* values);
  void material(GLenum face, GLenum pname, float value);
  void lightModel(GLenum pname, GLint value);
  void blendFunc(GLenum source, GLenum destination);
  void alphaFunc(GLenum function, float reference);
  void stencilFunc(GLenum function, GLint reference, GLuint mask);
  void stencilOp(GLenum fail, GLenum depthFail, GLenum pass);
  void depthMask(bool on);
  void frontPolygonMode(GLenum mode);

 private:
  enum Item : int {
    kLighting,
    kStencilTest,
    kAlphaTest,
    kBlend,
    kCullFace,
    kVertexProgram,
    kFrontAmbient,
    kFrontDiffuse,
    kBackDiffuse,
    kFrontSpecular,
    kFrontShininess,
    kColorControl,
    kTwoSide,
    kBlendFunc,
    kAlphaFunc,
    kStencilFunc,
    kStencilOp,
    kDepthMask,
    kPolygonMode,
    kFirstUnitItem,
  };
  enum UnitItem : int {
    kTexture1D,
    kTexture2D,
    kTextureCube,
    kEnvMode,
    kSource0,
    kCombine,
    kSource1,
    kBinding1D,
    kBinding2D,
    kBindingCube,
    kUnitItemCount,
  };
  static constexpr int kItemCount = kFirstUnitItem + kUnits * kUnitItemCount;

  struct Slot {
    Value original;      // before the first recipe changed it (valid when known)
    Value current;       // what GL holds (valid when known)
    uint32_t setIn = 0;  // the recipe that last set it
    bool known = false;
  };

  void set(int item, const Value& wanted);
  Value read(int item);
  void write(int item, const Value& value);
  void selectUnit(int unit);
  int unitItem(int unit, UnitItem what) const { return kFirstUnitItem + unit * kUnitItemCount + what; }
  static bool same(const Value& a, const Value& b);

  Slot _slots[kItemCount];
  uint32_t _recipe = 1;
  int _wantedUnit = 0;     // unit the recipe works on
  int _glUnit = -1;        // unit active in GL (-1: unknown)
  int _originalUnit = -1;  // unit active before the recipes (-1: unknown)
  bool _passThrough = false;
};
