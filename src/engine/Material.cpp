#include "Material.h"

#include <cstdio>
#include <vector>

#include "ErrorReport.h"
#include "GLContextCheck.h"
#include "GLGeneration.h"
#include "GLStateCache.h"
#include "MemoryFile.h"
#include "NormalisationCubeMap.h"
#include "PBuffer.h"
#include "Switches.h"
#include "Texture.h"
#include "TextureManager.h"

namespace {

GLuint gEnvironmentProgram = 0;             // shared by every material that uses the environment program
GLGeneration gProgramGeneration;            // window context gEnvironmentProgram was made in
bool gDeferring = false;                    // inside a scene draw, deferral switched on
const Material* gPendingRestore = nullptr;  // applied material whose restore is waiting
constexpr const char* kEnvironmentProgramFile = "data/shaders/envmap.vds";

// Per context state of the recipes; the literal path passes every call through.
GLStateCache gState;

void bindMap(const Texture* texture) {
  if (!texture) return;
  gState.bindTexture(texture->getTarget() == GL_DEPTH_COMPONENT ? GL_TEXTURE_2D : texture->getTarget(),
                     texture->getTextureId());
}

}  // namespace

void Material::beginDeferredRestores() {
  gDeferring = !Switches::isOn(Switch::MaterialNoDefer);
}

void Material::setLiteralPath(bool literal) { Switches::set(Switch::MaterialLiteral, literal); }

bool Material::literalPath() { return Switches::isOn(Switch::MaterialLiteral); }

void Material::finishDeferredRestore() {
  if (gPendingRestore) gPendingRestore->finishRestore();
  gPendingRestore = nullptr;
}

void Material::endDeferredRestores() {
  finishDeferredRestore();
  gDeferring = false;
}

bool Material::hasVertexPrograms() { return hasCurrentGLContext() && epoxy_has_gl_extension("GL_ARB_vertex_program"); }

GLuint Material::environmentProgram() {
  if (gProgramGeneration.changed()) gEnvironmentProgram = 0;  // went with its context
  return gEnvironmentProgram;
}

bool Material::loadVertexProgram(const char* fileName) {
  MemoryFile* file = openFile(fileName, nullptr);
  if (!file) return false;
  seekFile(file, 0, 2);
  const uint32_t size = tellFile(file);
  seekFile(file, 0, 0);
  std::vector<char> text(size_t(size) + 1, '\0');
  const size_t got = readFile(text.data(), 1, size, file);
  while (glGetError() != GL_NO_ERROR) {
  }
  glProgramStringARB(GL_VERTEX_PROGRAM_ARB, GL_PROGRAM_FORMAT_ASCII_ARB, GLsizei(got), text.data());
  if (glGetError() != GL_NO_ERROR) {
    const char* error = reinterpret_cast<const char*>(glGetString(GL_PROGRAM_ERROR_STRING_ARB));
    GLint position = -1;
    glGetIntegerv(GL_PROGRAM_ERROR_POSITION_ARB, &position);
    closeFile(file);
    char message[kReportBufferSize];
    std::snprintf(message, sizeof message, "\nError loading shader:\n %s", error ? error : "");
    reportError(__FILE__, __LINE__, message, true);
    return false;
  }
  closeFile(file);
  return true;
}

Material::Material(int32_t id, const std::string& name) : _id(id), _name(name) {}

void Material::setOpacity(float opacity) {
  _opacity = opacity;
  _transparent = _opacity < 1.0f || _additive;
}

void Material::setAdditive(bool additive) {
  _additive = additive;
  _transparent = _opacity < 1.0f || _additive;
}

void Material::setRenderTarget(PBuffer* target) {
  _renderTarget = target;
  _shadeModel = kRenderTargetModel;
}

void Material::clearModelFlags() {
  _usesLayer0 = _usesLayer1 = _generatesReflection = _severalUnits = _cubeReflection = _lit = false;
}

void Material::chooseShadeModel() {
  clearModelFlags();
  if (_baseMap && _reflectionMap) {
    _shadeModel = 4;
    _usesLayer0 = _generatesReflection = _severalUnits = true;
  } else if (_baseMap && _secondMap) {
    _shadeModel = 5;
    _usesLayer0 = _usesLayer1 = _severalUnits = true;
  } else if (_baseMap) {
    _shadeModel = 1;
    _usesLayer0 = _lit = true;
  } else if (_secondMap) {
    _shadeModel = 6;
    _usesLayer1 = true;
  } else if (_reflectionMap && _bumpMap) {
    _shadeModel = 8;
    _generatesReflection = _severalUnits = true;
  } else if (_reflectionMap) {
    _shadeModel = 2;
    _generatesReflection = _lit = true;
  } else if (_renderTarget) {
    _shadeModel = kRenderTargetModel;
  } else {
    _shadeModel = 0;
    _lit = true;
  }
  _transparent = _opacity < 1.0f || _additive;
  if (!hasCurrentGLContext()) return;
  checkGLError(__FILE__, __LINE__);
  if (_bumpMap && !_normalisationCubeMap) _normalisationCubeMap = NormalisationCubeMap::get();
  // One program serves every material: it is loaded once per process.
  if (_generatesReflection && hasVertexPrograms() && environmentProgram() == 0) {
    GLuint program = 0;
    glGenProgramsARB(1, &program);
    glBindProgramARB(GL_VERTEX_PROGRAM_ARB, program);
    if (loadVertexProgram(kEnvironmentProgramFile))
      gEnvironmentProgram = program;
    else
      glDeleteProgramsARB(1, &program);
  }
}

void Material::applyColorSet(bool ambientAlphaOne, bool frontAndBackDiffuse, bool withSpecular) const {
  const float ambient[4] = {_ambient.r, _ambient.g, _ambient.b, ambientAlphaOne ? 1.0f : 0.0f};
  const float diffuse[4] = {_diffuse.r, _diffuse.g, _diffuse.b, _opacity};
  gState.material(GL_FRONT, GL_AMBIENT, ambient);
  gState.material(frontAndBackDiffuse ? GL_FRONT_AND_BACK : GL_FRONT, GL_DIFFUSE, diffuse);
  if (!withSpecular) return;
  const float specular[4] = {_specular.r * _shininessStrength, _specular.g * _shininessStrength,
                             _specular.b * _shininessStrength, 1.0f};
  gState.material(GL_FRONT, GL_SPECULAR, specular);
  gState.material(GL_FRONT, GL_SHININESS, _shininess);
}

// DOT3: unit 0 puts the bump map's normal through, unit 1 dots it with the light vector that the
// normalisation cube map looks up from the mesh's three-component coordinates.
void Material::applyBumpSetUp() const {
  gState.activeTexture(GL_TEXTURE0);
  bindMap(_bumpMap);
  gState.enable(GL_TEXTURE_2D);
  gState.texEnv(GL_TEXTURE_ENV_MODE, GL_COMBINE);
  gState.texEnv(GL_SOURCE0_RGB, GL_TEXTURE);
  gState.texEnv(GL_COMBINE_RGB, GL_REPLACE);
  gState.activeTexture(GL_TEXTURE1);
  bindMap(_normalisationCubeMap);
  gState.enable(GL_TEXTURE_CUBE_MAP);
  gState.texEnv(GL_TEXTURE_ENV_MODE, GL_COMBINE);
  gState.texEnv(GL_SOURCE0_RGB, GL_TEXTURE);
  gState.texEnv(GL_COMBINE_RGB, GL_DOT3_RGB);
  gState.texEnv(GL_SOURCE1_RGB, GL_PREVIOUS);
}

void Material::applyModel() const {
  switch (_shadeModel) {
    case 0:
      applyColorSet(true, true, true);
      gState.activeTexture(GL_TEXTURE0);
      gState.disable(GL_TEXTURE_2D);
      break;
    case 1:
      if (!_baseMap) break;
      applyColorSet(false, false, true);
      gState.activeTexture(GL_TEXTURE0);
      gState.enable(GL_TEXTURE_2D);
      bindMap(_baseMap);
      gState.lightModel(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
      break;
    case 2:
    case 3:
      if (_reflectionMap) {
        gState.activeTexture(GL_TEXTURE1);
        gState.disable(GL_TEXTURE_2D);
        gState.activeTexture(GL_TEXTURE0);
        gState.enable(GL_TEXTURE_2D);
        bindMap(_reflectionMap);
      }
      applyColorSet(false, false, false);
      break;
    case 4:
      if (!_baseMap || !_reflectionMap) break;
      gState.activeTexture(GL_TEXTURE0);
      bindMap(_baseMap);
      gState.enable(GL_TEXTURE_2D);
      gState.activeTexture(GL_TEXTURE1);
      gState.texEnv(GL_TEXTURE_ENV_MODE, GL_ADD);
      bindMap(_reflectionMap);
      gState.enable(GL_TEXTURE_2D);
      break;
    case 5:
      if (!_baseMap || !_secondMap) break;
      gState.activeTexture(GL_TEXTURE0);
      bindMap(_baseMap);
      gState.enable(GL_TEXTURE_2D);
      if (_extraLightPass) {
        gState.activeTexture(GL_TEXTURE1);
        gState.texEnv(GL_TEXTURE_ENV_MODE, GL_COMBINE);
        gState.texEnv(GL_COMBINE_RGB, GL_ADD_SIGNED);
        bindMap(_secondMap);
        gState.enable(GL_TEXTURE_2D);
        gState.activeTexture(GL_TEXTURE2);
      } else {
        gState.activeTexture(GL_TEXTURE1);
      }
      gState.texEnv(GL_TEXTURE_ENV_MODE, GL_MODULATE);
      bindMap(_secondMap);
      gState.enable(GL_TEXTURE_2D);
      break;
    case 6:
      if (!_secondMap) break;
      gState.activeTexture(GL_TEXTURE0);
      gState.texEnv(GL_TEXTURE_ENV_MODE, GL_MODULATE);
      bindMap(_secondMap);
      gState.enable(GL_TEXTURE_2D);
      break;
    case 7:
      if (!_baseMap || !_bumpMap) break;
      applyBumpSetUp();
      break;
    case 8:
      if (!_reflectionMap || !_bumpMap) break;
      applyBumpSetUp();
      gState.activeTexture(GL_TEXTURE2);
      bindMap(_reflectionMap);
      gState.enable(GL_TEXTURE_2D);
      gState.texEnv(GL_TEXTURE_ENV_MODE, GL_MODULATE);
      break;
    case 9:
      if (!_rampTexture) break;
      gState.activeTexture(GL_TEXTURE0);
      gState.disable(GL_TEXTURE_2D);
      gState.enable(GL_TEXTURE_1D);
      gState.bindTexture(GL_TEXTURE_1D, _rampTexture->getTextureId());
      break;
    case 10:
      if (!_rampTexture || !_baseMap) break;
      gState.activeTexture(GL_TEXTURE0);
      gState.disable(GL_TEXTURE_2D);
      gState.enable(GL_TEXTURE_1D);
      gState.bindTexture(GL_TEXTURE_1D, _rampTexture->getTextureId());
      gState.activeTexture(GL_TEXTURE1);
      gState.texEnv(GL_TEXTURE_ENV_MODE, GL_COMBINE);
      gState.texEnv(GL_COMBINE_RGB, GL_ADD_SIGNED);
      gState.enable(GL_TEXTURE_2D);
      bindMap(_baseMap);
      gState.activeTexture(GL_TEXTURE0);
      gState.disable(GL_TEXTURE_2D);
      break;
    case 11:
      if (!_cubeMap) break;
      gState.enable(GL_TEXTURE_CUBE_MAP);
      gState.bindTexture(GL_TEXTURE_CUBE_MAP, _cubeMap->getTextureId());
      break;
    case 12:
      if (_cubeMap) {
        gState.activeTexture(GL_TEXTURE0);
        gState.enable(GL_TEXTURE_CUBE_MAP);
        gState.bindTexture(GL_TEXTURE_CUBE_MAP, _cubeMap->getTextureId());
      }
      if (_reflectionMap) {
        gState.activeTexture(GL_TEXTURE1);
        gState.texEnv(GL_TEXTURE_ENV_MODE, GL_ADD);
        gState.enable(GL_TEXTURE_2D);
        bindMap(_reflectionMap);
      }
      break;
    case 13:
      if (!_baseMap) break;
      applyColorSet(false, false, true);
      gState.activeTexture(GL_TEXTURE0);
      gState.enable(GL_TEXTURE_2D);
      if (_renderTarget) _renderTarget->bind(WGL_FRONT_LEFT_ARB);
      gState.lightModel(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
      break;
    default:
      break;
  }
}

void Material::apply() const {
  if (gPendingRestore == this) {  // this material's state is still in place
    gPendingRestore = nullptr;
    return;
  }
  // A render target binds its buffer behind the held state's back: it always takes the pushed
  // attribute block.
  const bool pushed = literalPath() || _shadeModel == kRenderTargetModel;
  if (pushed) {
    finishDeferredRestore();
    glPushAttrib(0xFFFFF);
  } else {
    gPendingRestore = nullptr;  // what it changed and this one does not set is put back below
  }
  _appliedPushed = pushed;
  gState.setPassThrough(pushed);
  gState.beginApply();
  if (_shadeModel < 0 || _shadeModel >= kShadeModelCount) {
    reportErrorInt(__FILE__, __LINE__, "Material cannot handle this shademodel", _shadeModel, true);
    return;
  }
  applyModel();
  gState.activeTexture(GL_TEXTURE0);
  const bool lightingOn = (_lit || _forceLightingOn) && !_forceLightingOff;
  const bool lightingOff = (!_lit || _forceLightingOff) && !_forceLightingOn;
  if (lightingOn) gState.enable(GL_LIGHTING);
  if (lightingOff) gState.disable(GL_LIGHTING);
  if (_stencil) {
    gState.enable(GL_STENCIL_TEST);
    gState.stencilFunc(_stencilFunction, _stencilReference, _stencilMask);
    gState.stencilOp(_stencilFail, _stencilDepthFail, _stencilPass);
  }
  if (_alphaTest) {
    gState.enable(GL_ALPHA_TEST);
    gState.alphaFunc(GL_GREATER, _alphaTestReference);
  }
  if (_opacity < 1.0f) {
    gState.depthMask(false);
    gState.enable(GL_BLEND);
    gState.blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  } else {
    gState.disable(GL_BLEND);
  }
  gState.enable(GL_CULL_FACE);
  if (_twoSided) {
    gState.disable(GL_CULL_FACE);
    gState.lightModel(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
  }
  if (_additive) {
    gState.enable(GL_BLEND);
    gState.blendFunc(GL_ONE, GL_ONE);
  }
  if (_alphaBlend) {
    gState.enable(GL_BLEND);
    gState.blendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  if (_wireframe) gState.frontPolygonMode(GL_LINE);
  if (_textureMatrix) {  // the texture matrix is not attribute state: set every time
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glTranslatef(_textureTranslation.x, _textureTranslation.y, _textureTranslation.z);
    glRotatef(_textureRotation.x, 1.0f, 0.0f, 0.0f);
    glRotatef(_textureRotation.y, 0.0f, 1.0f, 0.0f);
    glRotatef(_textureRotation.z, 0.0f, 0.0f, 1.0f);
    glScalef(_textureScale.x, _textureScale.y, _textureScale.z);
    glMatrixMode(GL_MODELVIEW);
  }
  if (_environmentVertexProgram && environmentProgram() != 0) {
    gState.enable(GL_VERTEX_PROGRAM_ARB);
    glBindProgramARB(GL_VERTEX_PROGRAM_ARB, gEnvironmentProgram);
  }
  if (_unlitTextured) {
    gState.disable(GL_LIGHTING);
    gState.enable(GL_TEXTURE_2D);
    bindMap(_baseMap);
    bindMap(_secondMap);
  }
  gState.finishApply();
  checkGLError(__FILE__, __LINE__);
}

void Material::restore(bool mayDefer) const {
  if (mayDefer && gDeferring && _shadeModel != kRenderTargetModel) {
    gPendingRestore = this;
    return;
  }
  finishRestore();
}

void Material::finishRestore() const {
  if (!_appliedPushed) {
    gState.revertAll();
    return;
  }
  if (_environmentVertexProgram && gEnvironmentProgram != 0) glDisable(GL_VERTEX_PROGRAM_ARB);
  glPopAttrib();
  if (_shadeModel == kRenderTargetModel && _renderTarget) _renderTarget->release(WGL_FRONT_LEFT_ARB);
}

void Material::setOpacityMap(Texture* texture) {
  _opacityMap = texture;
  _alphaTest = true;
  if (!_baseMap || !texture) return;
  // The merged picture is a texture of its own, so the file's texture stays as loaded for the
  // materials that name it without this opacity map.
  if (Texture* merged = TextureManager::getInstance().getOpacityMergedTexture(_baseMap, texture)) _baseMap = merged;
}
