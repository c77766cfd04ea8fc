#pragma once
// The GL state a Material's apply can change, read before apply and written back by restore: the
// same end result as pushing and popping all attributes, at a fraction of the cost on a software
// renderer (a full attribute push copies and re-validates every texture unit's state).
#include <epoxy/gl.h>

class MaterialState {
 public:
  static constexpr int kUnits = 3;  // the texture units the shade models use

  // Reads the state; textureMatrix also pushes the texture matrix of unit 0.
  void save(bool textureMatrix);
  // Writes back what save read (and pops the texture matrix when it pushed it).
  void restore();

 private:
  struct Unit {
    GLboolean texture1D, texture2D, textureCube;
    GLint binding1D, binding2D, bindingCube;
    GLint envMode, combineRgb, source0Rgb, source1Rgb;
  };
  Unit _units[kUnits];
  GLint _activeUnit;
  GLfloat _frontAmbient[4], _frontDiffuse[4], _backDiffuse[4], _frontSpecular[4], _frontShininess;
  GLint _colorControl, _twoSide;
  GLboolean _lighting, _stencilTest, _alphaTest, _blend, _cullFace, _depthMask;
  GLint _stencilFunc, _stencilRef, _stencilMask, _stencilFail, _stencilDepthFail, _stencilPass;
  GLint _alphaFunc;
  GLfloat _alphaRef;
  GLint _blendSrc, _blendDst;
  GLint _polygonMode[2];
  bool _textureMatrix = false;
};
