#include "MaterialState.h"

namespace {

void setEnabled(GLenum capability, GLboolean on) {
  if (on)
    glEnable(capability);
  else
    glDisable(capability);
}

}  // namespace

void MaterialState::save(bool textureMatrix) {
  glGetIntegerv(GL_ACTIVE_TEXTURE, &_activeUnit);
  for (int i = 0; i < kUnits; ++i) {
    Unit& u = _units[i];
    glActiveTexture(GLenum(GL_TEXTURE0 + i));
    u.texture1D = glIsEnabled(GL_TEXTURE_1D);
    u.texture2D = glIsEnabled(GL_TEXTURE_2D);
    u.textureCube = glIsEnabled(GL_TEXTURE_CUBE_MAP);
    glGetIntegerv(GL_TEXTURE_BINDING_1D, &u.binding1D);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &u.binding2D);
    glGetIntegerv(GL_TEXTURE_BINDING_CUBE_MAP, &u.bindingCube);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &u.envMode);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_COMBINE_RGB, &u.combineRgb);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_SOURCE0_RGB, &u.source0Rgb);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_SOURCE1_RGB, &u.source1Rgb);
  }
  glActiveTexture(GLenum(_activeUnit));
  glGetMaterialfv(GL_FRONT, GL_AMBIENT, _frontAmbient);
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, _frontDiffuse);
  glGetMaterialfv(GL_BACK, GL_DIFFUSE, _backDiffuse);
  glGetMaterialfv(GL_FRONT, GL_SPECULAR, _frontSpecular);
  glGetMaterialfv(GL_FRONT, GL_SHININESS, &_frontShininess);
  glGetIntegerv(GL_LIGHT_MODEL_COLOR_CONTROL, &_colorControl);
  glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &_twoSide);
  _lighting = glIsEnabled(GL_LIGHTING);
  _stencilTest = glIsEnabled(GL_STENCIL_TEST);
  glGetIntegerv(GL_STENCIL_FUNC, &_stencilFunc);
  glGetIntegerv(GL_STENCIL_REF, &_stencilRef);
  glGetIntegerv(GL_STENCIL_VALUE_MASK, &_stencilMask);
  glGetIntegerv(GL_STENCIL_FAIL, &_stencilFail);
  glGetIntegerv(GL_STENCIL_PASS_DEPTH_FAIL, &_stencilDepthFail);
  glGetIntegerv(GL_STENCIL_PASS_DEPTH_PASS, &_stencilPass);
  _alphaTest = glIsEnabled(GL_ALPHA_TEST);
  glGetIntegerv(GL_ALPHA_TEST_FUNC, &_alphaFunc);
  glGetFloatv(GL_ALPHA_TEST_REF, &_alphaRef);
  _blend = glIsEnabled(GL_BLEND);
  glGetIntegerv(GL_BLEND_SRC, &_blendSrc);
  glGetIntegerv(GL_BLEND_DST, &_blendDst);
  _cullFace = glIsEnabled(GL_CULL_FACE);
  glGetBooleanv(GL_DEPTH_WRITEMASK, &_depthMask);
  glGetIntegerv(GL_POLYGON_MODE, _polygonMode);
  _textureMatrix = textureMatrix;
  if (textureMatrix) {
    glActiveTexture(GL_TEXTURE0);
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glActiveTexture(GLenum(_activeUnit));
  }
}

void MaterialState::restore() {
  if (_textureMatrix) {
    glActiveTexture(GL_TEXTURE0);
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
  }
  for (int i = kUnits - 1; i >= 0; --i) {
    const Unit& u = _units[i];
    glActiveTexture(GLenum(GL_TEXTURE0 + i));
    setEnabled(GL_TEXTURE_1D, u.texture1D);
    setEnabled(GL_TEXTURE_2D, u.texture2D);
    setEnabled(GL_TEXTURE_CUBE_MAP, u.textureCube);
    glBindTexture(GL_TEXTURE_1D, GLuint(u.binding1D));
    glBindTexture(GL_TEXTURE_2D, GLuint(u.binding2D));
    glBindTexture(GL_TEXTURE_CUBE_MAP, GLuint(u.bindingCube));
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, u.envMode);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, u.combineRgb);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, u.source0Rgb);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, u.source1Rgb);
  }
  glActiveTexture(GLenum(_activeUnit));
  glMaterialfv(GL_FRONT, GL_AMBIENT, _frontAmbient);
  glMaterialfv(GL_FRONT, GL_DIFFUSE, _frontDiffuse);
  glMaterialfv(GL_BACK, GL_DIFFUSE, _backDiffuse);
  glMaterialfv(GL_FRONT, GL_SPECULAR, _frontSpecular);
  glMaterialf(GL_FRONT, GL_SHININESS, _frontShininess);
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, _colorControl);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, _twoSide);
  setEnabled(GL_LIGHTING, _lighting);
  setEnabled(GL_STENCIL_TEST, _stencilTest);
  glStencilFunc(GLenum(_stencilFunc), _stencilRef, GLuint(_stencilMask));
  glStencilOp(GLenum(_stencilFail), GLenum(_stencilDepthFail), GLenum(_stencilPass));
  setEnabled(GL_ALPHA_TEST, _alphaTest);
  glAlphaFunc(GLenum(_alphaFunc), _alphaRef);
  setEnabled(GL_BLEND, _blend);
  glBlendFunc(GLenum(_blendSrc), GLenum(_blendDst));
  setEnabled(GL_CULL_FACE, _cullFace);
  glDepthMask(_depthMask);
  glPolygonMode(GL_FRONT, GLenum(_polygonMode[0]));
  glPolygonMode(GL_BACK, GLenum(_polygonMode[1]));
}
