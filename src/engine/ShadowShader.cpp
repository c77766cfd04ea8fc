#include "ShadowShader.h"

#include <cstdio>
#include <string>

#include "GLContextCheck.h"
#include "GLGeneration.h"
#include "GlslProgram.h"
#include "Material.h"
#include "Switches.h"

namespace {

constexpr int kLights = 8;  // the lights the fixed-function lighting offers here

// The fixed-function lighting (eye space, infinite viewer, spot cones, attenuation, separate
// specular) twice: "full" with every enabled light, "rest" without the left-out one. Colours are
// clamped as the fixed-function vertex stage clamps them. The shadow coordinates are the eye-linear
// coordinates of unit 2 through its texture matrix.
const char* const kVertex = R"(
uniform int uLightCount;   // enabled lights
uniform int uLights[8];    // their GL indices
uniform float uInRest[8];  // 1 where the second colour takes the light too
uniform int uLit;          // 0: the vertex colour
uniform int uSeparate;     // 1: specular kept apart and added after texturing
uniform int uNormalize;
varying vec4 vFull;
varying vec4 vRest;
varying vec3 vFullSpecular;
varying vec3 vRestSpecular;
varying vec4 vShadow;
varying float vFogCoord;
void main() {
  gl_Position = ftransform();
  vec4 eye = gl_ModelViewMatrix * gl_Vertex;
  vFogCoord = abs(eye.z);  // the fixed-function fog distance: the eye plane's, unsigned
  gl_TexCoord[0] = gl_TextureMatrix[0] * gl_MultiTexCoord0;
  gl_TexCoord[1] = gl_TextureMatrix[1] * gl_MultiTexCoord1;
  vShadow = gl_TextureMatrix[2] * vec4(dot(eye, gl_EyePlaneS[2]), dot(eye, gl_EyePlaneT[2]),
                                       dot(eye, gl_EyePlaneR[2]), dot(eye, gl_EyePlaneQ[2]));
  if (uLit == 0) {
    vFull = gl_Color;
    vRest = gl_Color;
    vFullSpecular = vec3(0.0);
    vRestSpecular = vec3(0.0);
    return;
  }
  vec3 n = gl_NormalMatrix * gl_Normal;
  if (uNormalize != 0) n = normalize(n);
  vec3 full = gl_FrontLightModelProduct.sceneColor.rgb;
  vec3 rest = full;
  vec3 fullSpecular = vec3(0.0);
  vec3 restSpecular = vec3(0.0);
  for (int k = 0; k < 8; ++k) {
    if (k >= uLightCount) break;
    int i = uLights[k];
    vec4 position = gl_LightSource[i].position;
    vec3 toLight = position.xyz;
    float attenuation = 1.0;
    if (position.w != 0.0) {
      toLight = position.xyz - eye.xyz;
      float d = length(toLight);
      toLight = toLight / d;
      attenuation = 1.0 / (gl_LightSource[i].constantAttenuation + gl_LightSource[i].linearAttenuation * d +
                           gl_LightSource[i].quadraticAttenuation * d * d);
      if (gl_LightSource[i].spotCutoff != 180.0) {
        float spot = dot(-toLight, normalize(gl_LightSource[i].spotDirection));
        attenuation *= spot >= gl_LightSource[i].spotCosCutoff ? pow(spot, gl_LightSource[i].spotExponent) : 0.0;
      }
    } else {
      toLight = normalize(toLight);
    }
    float nl = dot(n, toLight);
    float diffuse = max(nl, 0.0);
    float specular = 0.0;
    if (nl > 0.0) specular = pow(max(dot(n, normalize(toLight + vec3(0.0, 0.0, 1.0))), 0.0),
                                 clamp(gl_FrontMaterial.shininess, 0.0, 128.0));
    vec3 colour = attenuation * (gl_FrontLightProduct[i].ambient.rgb + diffuse * gl_FrontLightProduct[i].diffuse.rgb);
    vec3 highlight = attenuation * (specular * gl_FrontLightProduct[i].specular.rgb);
    full += colour;
    fullSpecular += highlight;
    rest += uInRest[k] * colour;
    restSpecular += uInRest[k] * highlight;
  }
  if (uSeparate == 0) {
    full += fullSpecular;
    rest += restSpecular;
    fullSpecular = vec3(0.0);
    restSpecular = vec3(0.0);
  }
  float alpha = gl_FrontMaterial.diffuse.a;
  vFull = clamp(vec4(full, alpha), 0.0, 1.0);
  vRest = clamp(vec4(rest, alpha * 0.5), 0.0, 1.0);  // the second pass halves the opacity
  vFullSpecular = clamp(fullSpecular, 0.0, 1.0);
  vRestSpecular = clamp(restSpecular, 0.0, 1.0);
}
)";

// The maps modulate in unit order, the shadow map (unit 2) modulates the first colour, specular
// is added after texturing (the sum clamped), fog mixes in its colour; the first colour is
// rounded to what the frame buffer holds and the second, also rounded, blends over it by its
// alpha, or for additive materials both are added (the frame buffer then adds them to what it
// holds, saturating as two additions would).
const char* const kFragment = R"(
uniform sampler2D uMap0;
uniform sampler2D uMap1;
uniform sampler2DShadow uShadowMap;
uniform float uAlphaRef;  // the alpha test's reference (passes above it)
varying vec4 vFull;
varying vec4 vRest;
varying vec3 vFullSpecular;
varying vec3 vRestSpecular;
varying vec4 vShadow;
varying float vFogCoord;
vec4 stored(vec4 c) { return floor(clamp(c, 0.0, 1.0) * 255.0 + 0.5) / 255.0; }
vec4 finished(vec4 c, vec3 specular, float fog) {
  vec3 sum = clamp(c.rgb + specular, 0.0, 1.0);
#if FOG
  sum = mix(gl_Fog.color.rgb, sum, fog);
#endif
  return stored(vec4(sum, c.a));
}
void main() {
  vec4 full = vFull;
  vec4 rest = vRest;
#if FIRST
  vec4 map0 = texture2DProj(uMap0, gl_TexCoord[0]);
  full *= map0;
  rest *= map0;
#endif
#if SECOND == 1
  vec4 map1 = texture2DProj(uMap1, gl_TexCoord[1]);
  full *= map1;
  rest *= map1;
#elif SECOND == 2
  vec4 map1 = texture2DProj(uMap1, gl_TexCoord[1]);
  full = vec4(min(full.rgb + map1.rgb, 1.0), full.a * map1.a);
  rest = vec4(min(rest.rgb + map1.rgb, 1.0), rest.a * map1.a);
#endif
  full *= shadow2DProj(uShadowMap, vShadow);
#if ALPHA_TEST
  if (full.a <= uAlphaRef) discard;
#endif
  float fog = 1.0;
#if FOG == 1
  fog = clamp((gl_Fog.end - vFogCoord) * gl_Fog.scale, 0.0, 1.0);
#elif FOG == 2
  fog = clamp(exp(-gl_Fog.density * vFogCoord), 0.0, 1.0);
#elif FOG == 3
  float distance = gl_Fog.density * vFogCoord;
  fog = clamp(exp(-distance * distance), 0.0, 1.0);
#endif
  full = finished(full, vFullSpecular, fog);
#if ALPHA_TEST
  if (rest.a <= uAlphaRef) {  // the second pass leaves this pixel alone
    gl_FragColor = full;
    return;
  }
#endif
  rest = finished(rest, vRestSpecular, fog);
#if ADDITIVE
  gl_FragColor = full + rest;
#else
  gl_FragColor = vec4(mix(full.rgb, rest.rgb, rest.a), rest.a * rest.a + full.a * (1.0 - rest.a));
#endif
}
)";

// One program per way of using the maps (their branches and the alpha test's discard cost
// llvmpipe on every pixel, so each variant has only its own), built when first needed.
struct Program {
  GLuint name = 0;
  bool tried = false;
  GLint lightCount = -1, lights = -1, inRest = -1, lit = -1, separate = -1, normalize = -1, alphaRef = -1;
};
// Unit 0 map (2), unit 1 map (3), alpha test (2), fog mode (4), additive (2).
constexpr int kVariants = 2 * 3 * 2 * 4 * 2;
Program gPrograms[kVariants];
bool gVertexPrograms = false;  // ARB vertex programs offered (asked with the first build)
GLGeneration gGeneration;      // window context the programs were built in

// How the recipe uses the maps on units 0 and 1.
struct Maps {
  bool drawn = true;  // false: a recipe the program does not reproduce
  int first = 0;      // 1: unit 0 modulates
  int second = 0;     // unit 1: 0 unused, 1 modulates, 2 adds
};

Maps mapsOf(const Material& m) {
  Maps maps;
  switch (m.shadeModel()) {
    case 0:
      break;
    case 1:
      maps.first = m.baseMap() ? 1 : 0;
      break;
    case 2:
      maps.first = m.reflectionMap() ? 1 : 0;
      break;
    case 4:
      if (m.baseMap() && m.reflectionMap()) {
        maps.first = 1;
        maps.second = 2;
      }
      break;
    case 5:
      if (m.extraLightPass()) maps.drawn = false;
      if (m.baseMap() && m.secondMap()) {
        maps.first = 1;
        maps.second = 1;
      }
      break;
    case 6:
      maps.first = m.secondMap() ? 1 : 0;
      break;
    default:
      maps.drawn = false;
      break;
  }
  return maps;
}

int fogIndex(GLenum mode) {
  switch (mode) {
    case GL_LINEAR:
      return 1;
    case GL_EXP:
      return 2;
    case GL_EXP2:
      return 3;
    default:
      return 0;
  }
}

int variantOf(const Material& m, const ShadowShader::Receiver& receiver) {
  const Maps maps = mapsOf(m);
  return maps.first + 2 * maps.second + 6 * (m.alphaTest() ? 1 : 0) + 12 * fogIndex(receiver.fog) +
         48 * (m.isAdditive() ? 1 : 0);
}

// Builds the variant; false when GLSL is missing or the program fails (reported once).
bool build(int variant) {
  Program& p = gPrograms[variant];
  p.tried = true;
  if (!hasCurrentGLContext() || epoxy_gl_version() < 20) return false;
  gVertexPrograms = Material::hasVertexPrograms();
  char defines[160];
  std::snprintf(defines, sizeof defines,
                "#version 120\n#define FIRST %d\n#define SECOND %d\n#define ALPHA_TEST %d\n#define FOG %d\n"
                "#define ADDITIVE %d\n",
                variant % 2, variant / 2 % 3, variant / 6 % 2, variant / 12 % 4, variant / 48);
  const std::string vertex = std::string("#version 120\n") + kVertex;
  const std::string fragment = std::string(defines) + kFragment;
  const GLuint program = GlslProgram::build(vertex.c_str(), fragment.c_str(), "shadow receiver");
  if (!program) {
    for (Program& other : gPrograms) other.tried = true;  // one report is enough
    return false;
  }
  p.name = program;
  p.lightCount = glGetUniformLocation(program, "uLightCount");
  p.lights = glGetUniformLocation(program, "uLights");
  p.inRest = glGetUniformLocation(program, "uInRest");
  p.lit = glGetUniformLocation(program, "uLit");
  p.separate = glGetUniformLocation(program, "uSeparate");
  p.normalize = glGetUniformLocation(program, "uNormalize");
  p.alphaRef = glGetUniformLocation(program, "uAlphaRef");
  GlslProgram::setSamplerUnits(program, {{"uMap0", 0}, {"uMap1", 1}, {"uShadowMap", 2}});
  return true;
}

}  // namespace

bool ShadowShader::handles(const Material& m, const Receiver& receiver) {
  if (literalPath() || (receiver.fog != 0 && fogIndex(receiver.fog) == 0)) return false;
  if (!mapsOf(m).drawn) return false;
  // Additive: the first pass writes depth and the second adds over the nearest face only.
  const bool additive = m.isAdditive() && m.opacity() >= 1.0f && !m.alphaTest() && receiver.singleLayer;
  if (m.isTransparent() && !additive) return false;
  return !m.isTwoSided() && !m.wireframe() && !m.stencil() && !m.alphaBlend() && !m.textureMatrix() &&
         !m.unlitTextured() && !m.environmentVertexProgram();
}

bool ShadowShader::secondPassEmpty(const Material& m) { return !literalPath() && m.opacity() < 1.0f && !m.stencil(); }

bool ShadowShader::available(const Material& material, const Receiver& receiver) {
  if (gGeneration.changed())
    for (Program& p : gPrograms) p = Program();  // made in a context that is gone
  const int variant = variantOf(material, receiver);
  if (!gPrograms[variant].tried) build(variant);
  if (!gPrograms[variant].name) return false;
  // A program of the caller's (a vertex program drawing the scene for an effect) stays in charge.
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  return current == 0 && !(gVertexPrograms && glIsEnabled(GL_VERTEX_PROGRAM_ARB));
}

void ShadowShader::begin(const Material& material, const Receiver& receiver) {
  const Program& p = gPrograms[variantOf(material, receiver)];
  GLint lights[kLights];
  float inRest[kLights];
  GLint count = 0;
  for (int i = 0; i < kLights; ++i)
    if (glIsEnabled(GLenum(GL_LIGHT0 + i))) {
      lights[count] = i;
      inRest[count] = i == receiver.leftOut ? 0.0f : 1.0f;
      ++count;
    }
  GLint colorControl = GL_SINGLE_COLOR;
  glGetIntegerv(GL_LIGHT_MODEL_COLOR_CONTROL, &colorControl);
  glUseProgram(p.name);
  glUniform1i(p.lightCount, count);
  if (count > 0) {
    glUniform1iv(p.lights, count, lights);
    glUniform1fv(p.inRest, count, inRest);
  }
  glUniform1i(p.lit, glIsEnabled(GL_LIGHTING) ? 1 : 0);
  glUniform1i(p.separate, colorControl == GL_SEPARATE_SPECULAR_COLOR ? 1 : 0);
  glUniform1i(p.normalize, glIsEnabled(GL_NORMALIZE) ? 1 : 0);
  if (material.alphaTest()) glUniform1f(p.alphaRef, material.alphaTestReference());
}

void ShadowShader::end() { glUseProgram(0); }

void ShadowShader::setLiteralPath(bool literal) { Switches::set(Switch::ShadowLiteral, literal); }

bool ShadowShader::literalPath() { return Switches::isOn(Switch::ShadowLiteral); }
