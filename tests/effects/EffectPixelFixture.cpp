#include "EffectPixelFixture.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "GLGeneration.h"

namespace {
std::unique_ptr<Effect> makeInput(const std::string& name) { return std::make_unique<PostInputEffect>(name); }

SDL_Window* gWindow = nullptr;  // of the process-wide test context
SDL_GLContext gGLContext = nullptr;
}  // namespace

TestGLContext* EffectPixelFixture::gContext = nullptr;

// One context for the whole process, made current again for every suite, while other suites may
// make their own contexts current in between (the GL objects cached meanwhile are theirs).
void EffectPixelFixture::SetUpTestSuite() {
  if (!gContext) {
    gContext = new TestGLContext(800, 600);
    gWindow = SDL_GL_GetCurrentWindow();
    gGLContext = SDL_GL_GetCurrentContext();
  } else if (gGLContext) {
    SDL_GL_MakeCurrent(gWindow, gGLContext);
    GLGeneration::advance();
  }
}

void EffectPixelFixture::TearDownTestSuite() {}

void EffectPixelFixture::SetUp() {
  ASSERT_TRUE(gContext->ok());
  _list = std::make_unique<EffectList>(std::vector<EffectRegistryRow>{{"Input", &makeInput}});
  _list->insert("Input");
  EffectList::setCurrent(_list.get());
  glViewport(0, 0, width(), height());
  for (GLenum stack : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW}) {
    glMatrixMode(stack);
    glLoadIdentity();
  }
  clearWindow(0, 0, 0);
}

void EffectPixelFixture::TearDown() {
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  EffectList::setCurrent(nullptr);
}

PostInputEffect* EffectPixelFixture::linkInput(Effect& effect) {
  EffectEvent link;
  link.type = 2;
  link.text = "Input";
  effect.handleEvent(link);
  PostInputEffect* input = static_cast<PostInputEffect*>(_list->find("Input"));
  input->resetCounts();
  return input;
}

void EffectPixelFixture::clearWindow(float r, float g, float b) {
  glClearColor(r, g, b, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glColor4f(1, 1, 1, 1);
}

uint32_t EffectPixelFixture::pixelFromTop(float fx, float fy) {
  return gContext->readPixel(int(fx * width()), height() - 1 - int(fy * height()));
}

uint32_t EffectPixelFixture::pixelAt(int x, int y) { return gContext->readPixel(x, y); }

void EffectPixelFixture::savePicture(const char* name) {
  const char* folder = std::getenv("RK17_TEST_PICTURES");
  if (folder && *folder) {
    EXPECT_TRUE(gContext->savePng((std::string(folder) + "/" + name).c_str()));
  }
}

::testing::AssertionResult colourNear(uint32_t actual, uint32_t expected, int tolerance, bool withAlpha) {
  const int channels = withAlpha ? 4 : 3;
  for (int c = 0; c < channels; ++c) {
    const int a = int((actual >> (8 * c)) & 0xff), e = int((expected >> (8 * c)) & 0xff);
    if (std::abs(a - e) > tolerance) {
      char text[96];
      std::snprintf(text, sizeof text, "got %08x, expected %08x (abgr) within %d", actual, expected, tolerance);
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

namespace {
const GLenum kStacks[3] = {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW};
const GLenum kMatrixQueries[3] = {GL_PROJECTION_MATRIX, GL_TEXTURE_MATRIX, GL_MODELVIEW_MATRIX};
const GLenum kDepthQueries[3] = {GL_PROJECTION_STACK_DEPTH, GL_TEXTURE_STACK_DEPTH, GL_MODELVIEW_STACK_DEPTH};

// The translation loadMarkerMatrices puts into stack i (projection, texture, model-view).
float markerOf(int stack, bool texture) { return (stack == 1 && !texture) ? 0.0f : 0.125f * float(stack + 1); }
}  // namespace

void loadMarkerMatrices(bool texture) {
  for (int i = 0; i < 3; ++i) {
    glMatrixMode(kStacks[i]);
    glLoadIdentity();
    glTranslatef(markerOf(i, texture), 0.0f, 0.0f);
  }
}

void expectMarkerMatrices(bool texture) {
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  for (int i = 0; i < 3; ++i) {
    GLfloat m[16];
    glGetFloatv(kMatrixQueries[i], m);
    EXPECT_FLOAT_EQ(m[12], markerOf(i, texture)) << "matrix " << i;
    EXPECT_FLOAT_EQ(m[0], 1.0f) << "matrix " << i;
    GLint depth = 0;
    glGetIntegerv(kDepthQueries[i], &depth);
    EXPECT_EQ(depth, 1) << "matrix " << i;
  }
  for (int i = 0; i < 3; ++i) {
    glMatrixMode(kStacks[i]);
    glLoadIdentity();
  }
}

void expectPostEndState() {
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
  GLfloat colour[4] = {0, 0, 0, 0};
  glGetFloatv(GL_CURRENT_COLOR, colour);
  for (float c : colour) EXPECT_FLOAT_EQ(c, 1.0f);
}
