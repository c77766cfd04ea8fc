#include "MagnifySampler.h"

#include "GLGeneration.h"

namespace {
GLuint gSampler = 0;
bool gTried = false;
GLGeneration gGeneration;  // window context the sampler was made in

GLuint sampler() {
  if (gGeneration.changed()) {  // the sampler went with its context
    gSampler = 0;
    gTried = false;
  }
  if (gTried) return gSampler;
  gTried = true;
  if (!(epoxy_gl_version() >= 33 || epoxy_has_gl_extension("GL_ARB_sampler_objects"))) return 0;
  glGenSamplers(1, &gSampler);
  glSamplerParameteri(gSampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glSamplerParameteri(gSampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glSamplerParameteri(gSampler, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glSamplerParameteri(gSampler, GL_TEXTURE_WRAP_T, GL_REPEAT);
  return gSampler;
}
}  // namespace

GLuint MagnifySampler::forBoundTexture() {
  const GLuint made = sampler();
  if (made == 0) return 0;
  GLint minFilter = 0, magFilter = 0, wrapS = 0, wrapT = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrapS);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
  const bool fits =
      minFilter == GL_LINEAR_MIPMAP_LINEAR && magFilter == GL_LINEAR && wrapS == GL_REPEAT && wrapT == GL_REPEAT;
  return fits ? made : 0;
}
