#pragma once
// The surface description of meshes: colours, opacity, shininess, texture maps and switches, and
// the shade model chosen from the maps present. apply() sets a shade model's texture-unit and
// combiner recipe; restore() puts back the state from before. The recipe goes through a state
// cache (GLStateCache) so that only real changes reach GL; the literal path (the switch
// MaterialLiteral: setLiteralPath, or RK17_MATERIAL_LITERAL=1) pushes and pops the attribute stack around each
// apply instead. Both leave GL in the same state. A render target (model 13) always pushes.
#include <epoxy/gl.h>

#include <cstdint>
#include <string>

#include "Color4.h"
#include "Vector3.h"

class PBuffer;
class Texture;

class Material {
 public:
  static constexpr int32_t kShadeModelCount = 14;  // models 0..13
  static constexpr int32_t kCubeMapModel = 11;
  static constexpr int32_t kRenderTargetModel = 13;

  Material(int32_t id, const std::string& name);

  // Picks the shade model and its flags from the maps present (first matching row wins). A
  // material with a bump map gets the shared normalisation cube map; one that generates
  // reflection coordinates loads the environment vertex program when the GL offers them.
  void chooseShadeModel();

  // Sets the shade model's state (pushing all GL attributes first on the literal path). A model
  // outside 0..13 is the fatal report "Material cannot handle this shademodel". Always pair with
  // restore().
  void apply() const;
  // Puts back the state from before apply (literal path: ends the environment program, pops the
  // attributes), releases a render target. With mayDefer (and restores deferred, see
  // beginDeferredRestores), this waits: when the next apply is of this same material, the state
  // it would set is already in place and both are skipped; another material then changes only
  // what differs.
  void restore(bool mayDefer = false) const;

  // While a scene draws: consecutive meshes of one material then apply it once instead of
  // popping and pushing the same state between them, which is what costs most per mesh on
  // llvmpipe. The picture is the same. endDeferredRestores finishes a waiting restore.
  // RK17_MATERIAL_NO_DEFER=1 in the environment keeps every restore immediate.
  static void beginDeferredRestores();
  static void endDeferredRestores();
  // Finishes a waiting restore now (before state is changed outside apply); deferral goes on.
  static void finishDeferredRestore();
  // Chooses the literal path (pushed attribute block per apply) over the state cache.
  static void setLiteralPath(bool literal);
  static bool literalPath();

  // The shared environment vertex program name (0 until loaded).
  static GLuint environmentProgram();
  // True when the GL offers ARB vertex programs.
  static bool hasVertexPrograms();
  // Loads the ARB vertex program text of fileName into the program bound to
  // GL_VERTEX_PROGRAM_ARB. False when the file cannot be opened (nothing is reported); a
  // program the GL refuses is the fatal report "\nError loading shader:\n %s".
  static bool loadVertexProgram(const char* fileName);

  void setAmbient(const Color4& color) { _ambient = color; }
  void setDiffuse(const Color4& color) { _diffuse = color; }
  void setSpecular(const Color4& color) { _specular = color; }
  void setShininess(float shininess, float strength) {
    _shininess = shininess;
    _shininessStrength = strength;
  }
  void setOpacity(float opacity);
  void setAdditive(bool additive);
  void setTwoSided(bool twoSided) { _twoSided = twoSided; }
  void setBaseMap(Texture* texture) { _baseMap = texture; }
  void setSecondMap(Texture* texture) { _secondMap = texture; }
  void setBumpMap(Texture* texture) { _bumpMap = texture; }
  void setReflectionMap(Texture* texture) { _reflectionMap = texture; }
  void setNormalisationCubeMap(Texture* texture) { _normalisationCubeMap = texture; }
  void setCubeMap(Texture* texture) { _cubeMap = texture; }
  void setRampTexture(Texture* texture) { _rampTexture = texture; }
  void setAlphaBlend(bool on) { _alphaBlend = on; }
  void setWireframe(bool on) { _wireframe = on; }
  void setUnlitTextured(bool on) { _unlitTextured = on; }
  void setAlphaTest(bool on, float reference) {
    _alphaTest = on;
    _alphaTestReference = reference;
  }
  void setStencil(bool on) { _stencil = on; }
  // Rotation in degrees about X, then Y, then Z.
  void setTextureMatrix(bool on, const Vector3& translation, const Vector3& rotation, const Vector3& scale) {
    _textureMatrix = on;
    _textureTranslation = translation;
    _textureRotation = rotation;
    _textureScale = scale;
  }
  // Stores the map and switches the alpha test on. When a base map is set and both images are
  // held, 32-bit and of equal size, the base map becomes the shared merged texture of the two
  // (TextureManager::getOpacityMergedTexture): the base picture with the opacity image's grey
  // level ((r + g + b) / 3) as alpha. The base map's own texture is left as loaded.
  void setOpacityMap(Texture* texture);
  // Also sets shade model 13.
  void setRenderTarget(PBuffer* target);
  void setShadeModel(int32_t model) { _shadeModel = model; }
  void setForceLightingOn(bool on) { _forceLightingOn = on; }
  void setForceLightingOff(bool off) { _forceLightingOff = off; }
  void setExtraLightPass(bool on) { _extraLightPass = on; }
  void setEnvironmentVertexProgram(bool on) { _environmentVertexProgram = on; }

  int32_t id() const { return _id; }
  const std::string& name() const { return _name; }
  const Color4& ambient() const { return _ambient; }
  const Color4& diffuse() const { return _diffuse; }
  const Color4& specular() const { return _specular; }
  float shininess() const { return _shininess; }
  float shininessStrength() const { return _shininessStrength; }
  float opacity() const { return _opacity; }
  bool isAdditive() const { return _additive; }
  bool isTwoSided() const { return _twoSided; }
  int32_t shadeModel() const { return _shadeModel; }
  bool alphaTest() const { return _alphaTest; }
  Texture* baseMap() const { return _baseMap; }
  Texture* secondMap() const { return _secondMap; }
  Texture* bumpMap() const { return _bumpMap; }
  Texture* reflectionMap() const { return _reflectionMap; }
  Texture* opacityMap() const { return _opacityMap; }
  Texture* cubeMap() const { return _cubeMap; }
  PBuffer* renderTarget() const { return _renderTarget; }
  bool forceLightingOn() const { return _forceLightingOn; }
  bool forceLightingOff() const { return _forceLightingOff; }
  bool extraLightPass() const { return _extraLightPass; }
  bool environmentVertexProgram() const { return _environmentVertexProgram; }

  // Switches no loader sets; apply reads them.
  bool unlitTextured() const { return _unlitTextured; }
  float alphaTestReference() const { return _alphaTestReference; }
  bool stencil() const { return _stencil; }
  GLenum stencilFunction() const { return _stencilFunction; }
  GLint stencilReference() const { return _stencilReference; }
  GLuint stencilMask() const { return _stencilMask; }
  GLenum stencilFail() const { return _stencilFail; }
  GLenum stencilDepthFail() const { return _stencilDepthFail; }
  GLenum stencilPass() const { return _stencilPass; }
  bool alphaBlend() const { return _alphaBlend; }
  bool wireframe() const { return _wireframe; }
  bool textureMatrix() const { return _textureMatrix; }
  const Vector3& textureRotation() const { return _textureRotation; }
  const Vector3& textureTranslation() const { return _textureTranslation; }
  const Vector3& textureScale() const { return _textureScale; }
  Texture* normalisationCubeMap() const { return _normalisationCubeMap; }
  Texture* rampTexture() const { return _rampTexture; }

  // Flags chosen with the shade model.
  bool usesLayer0() const { return _usesLayer0; }
  bool usesLayer1() const { return _usesLayer1; }
  bool generatesReflection() const { return _generatesReflection; }
  bool isTransparent() const { return _transparent; }
  bool usesSeveralUnits() const { return _severalUnits; }
  bool cubeReflection() const { return _cubeReflection; }
  bool isLit() const { return _lit; }

 private:
  void clearModelFlags();
  void applyColorSet(bool withAlphaAmbient, bool frontAndBackDiffuse, bool withSpecular) const;
  void applyBumpSetUp() const;
  void applyModel() const;
  void finishRestore() const;

  mutable bool _appliedPushed = false;  // the last apply pushed the attribute stack
  bool _unlitTextured = false;          // at the end of apply: lighting off, base and second maps on unit 0
  int32_t _id;
  std::string _name;
  Color4 _ambient{0.2f, 0.2f, 0.2f, 1.0f};
  Color4 _diffuse{0.8f, 0.8f, 0.8f, 1.0f};
  Color4 _specular{0.0f, 0.0f, 0.0f, 1.0f};
  float _shininess = 50.0f;           // GL exponent 0..128
  float _shininessStrength = 0.0f;    // factor on the specular colour
  Texture* _reflectionMap = nullptr;  // maps are shared through TextureManager, never owned
  Texture* _baseMap = nullptr;
  Texture* _secondMap = nullptr;
  Texture* _bumpMap = nullptr;
  Texture* _opacityMap = nullptr;
  Texture* _normalisationCubeMap = nullptr;
  Texture* _cubeMap = nullptr;
  PBuffer* _renderTarget = nullptr;  // not owned
  int32_t _shadeModel = 0;           // 0..13
  float _opacity = 1.0f;
  float _alphaTestReference = 0.0f;
  bool _alphaTest = false;
  bool _stencil = false;
  bool _twoSided = false;
  bool _additive = false;
  bool _alphaBlend = false;
  bool _forceLightingOn = false;
  bool _forceLightingOff = false;
  bool _extraLightPass = false;
  bool _environmentVertexProgram = false;
  bool _wireframe = false;
  Texture* _rampTexture = nullptr;  // 1D ramp
  GLenum _stencilFunction = GL_NOTEQUAL;
  GLint _stencilReference = 1;
  GLuint _stencilMask = 1;
  GLenum _stencilFail = GL_KEEP;
  GLenum _stencilDepthFail = GL_KEEP;
  GLenum _stencilPass = GL_KEEP;
  bool _usesLayer0 = false;
  bool _usesLayer1 = false;
  bool _generatesReflection = false;
  bool _transparent = false;  // opacity below 1 or additive
  bool _severalUnits = false;
  bool _cubeReflection = false;
  bool _lit = false;
  bool _textureMatrix = false;
  Vector3 _textureRotation;  // degrees
  Vector3 _textureTranslation;
  Vector3 _textureScale{1.0f, 1.0f, 1.0f};
};
