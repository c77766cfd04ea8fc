#include "Switches.h"

#include <cstdlib>
#include <cstring>

namespace {
using Form = Switches::Form;

// Every switch once. Literal paths give the same picture as the default ones (within the
// rounding the owning class states) and exist to compare and measure.
constexpr std::array<Switches::Row, Switches::kCount> kTable = {{
    {Switch::NonInteractive, "RK17_NONINTERACTIVE", Form::Exact, "1", false,
     "no message box is shown and every Yes/No question is answered Yes (also without a display: neither "
     "DISPLAY nor WAYLAND_DISPLAY set, not on Windows)",
     "users, tests, benchmarks"},
    {Switch::BlurLiteral, "RK17_BLUR_LITERAL", Form::Exact, "1", false,
     "Blur and DOF draw every tap as its own blended quad and the glow and the focus mix as two quads, instead "
     "of one fragment program per pass (Blur::setFastPath)",
     "tests, benchmarks"},
    {Switch::CloudLiteral, "RK17_CLOUD_LITERAL", Form::Exact, "1", false,
     "Cloud draws the flat copies of its dots one by one and the deep ones after them, instead of both in one "
     "call (Cloud::setFastPath)",
     "tests, benchmarks"},
    {Switch::MosaicLiteral, "RK17_MOSAIC_LITERAL", Form::Exact, "1", false,
     "Mosaic brightens over the whole screen instead of inside its block buffer (Mosaic::setFastPath)",
     "tests, benchmarks"},
    {Switch::ImageMagnify, nullptr, Form::CodeOnly, nullptr, true,
     "Image samples a picture it magnifies everywhere without the mipmap filter; off: through the texture's own "
     "settings (Image::setMagnifyPath)",
     "tests, benchmarks"},
    {Switch::GridMagnify, nullptr, Form::CodeOnly, nullptr, true,
     "GridExp draws the triangles that magnify its picture without the mipmap filter; off: every triangle with "
     "the picture's own filter (GridExp::setMagnifyPath)",
     "tests, benchmarks"},
    {Switch::MaterialLiteral, "RK17_MATERIAL_LITERAL", Form::Leading, "1", false,
     "materials push and pop the attribute stack around every apply instead of going through the GL state "
     "cache (Material::setLiteralPath)",
     "tests, benchmarks"},
    {Switch::MaterialNoDefer, "RK17_MATERIAL_NO_DEFER", Form::Leading, "1", false,
     "a scene restores the material around every mesh instead of sharing one apply between meshes of one "
     "material",
     "tests, benchmarks"},
    {Switch::SceneChainOrder, "RK17_SCENE_CHAIN_ORDER", Form::Leading, "1", false,
     "a scene draws its objects in chain order instead of opaque top-level objects nearest first "
     "(Scene::setNearestFirst)",
     "tests, benchmarks"},
    {Switch::ShadowLiteral, "RK17_SHADOW_LITERAL", Form::Leading, "1", false,
     "every shadow receiver is drawn in two passes instead of one GLSL program where it can "
     "(ShadowShader::setLiteralPath)",
     "tests, benchmarks"},
    {Switch::NoRenderDepthTexture, "RK17_NO_RENDER_DEPTH_TEXTURE", Form::Exact, "1", false,
     "depth buffers count as not bindable as textures: Blur and the shadow maps take their copy paths "
     "(PBuffer::setRenderDepthTextureMissing)",
     "tests"},
    {Switch::VideoReadback, "RK17_VIDEO_READBACK", Form::Exact, "plain", false,
     "--video reads frames back with a plain glReadPixels instead of into mapped pixel buffers",
     "benchmarks"},
    {Switch::EditActions, "RK17_EDIT_ACTIONS", Form::Present, nullptr, false,
     "--edit runs the actions of its text one per frame (see EditActions.h)", "tests"},
    {Switch::BenchTraceAllocations, "RK17_BENCH_TRACE_ALLOCATIONS", Form::Present, nullptr, false,
     "bench_playback prints the call stack of the first heap allocation of each frame", "benchmarks"},
}};

constexpr bool inTableOrder() {
  for (size_t i = 0; i < Switches::kCount; ++i)
    if (kTable[i].id != Switch(i)) return false;
  return true;
}
static_assert(inTableOrder(), "the table's rows follow the order of enum Switch");

struct State {
  bool read = false;
  std::array<bool, Switches::kCount> on{};
  std::array<bool, Switches::kCount> given{};
  std::array<std::string, Switches::kCount> text;
};

State& state() {
  static State s;
  return s;
}

// The state, with the environment read if nothing has read it yet.
State& readState() {
  State& s = state();
  if (!s.read) Switches::readEnvironment();
  return s;
}
}  // namespace

const std::array<Switches::Row, Switches::kCount>& Switches::table() { return kTable; }

const Switches::Row& Switches::row(Switch id) { return kTable[size_t(id)]; }

bool Switches::parse(const Row& row, const char* text) {
  if (!text) return row.byDefault;
  switch (row.form) {
    case Form::CodeOnly: return row.byDefault;
    case Form::Exact: return std::strcmp(text, row.onText) == 0;
    case Form::Leading: return std::strncmp(text, row.onText, std::strlen(row.onText)) == 0;
    case Form::Present: return true;
  }
  return row.byDefault;
}

void Switches::readEnvironment() {
  State& s = state();
  s.read = true;
  for (const Row& row : kTable) {
    const char* value = row.variable ? std::getenv(row.variable) : nullptr;
    s.on[size_t(row.id)] = parse(row, value);
    s.given[size_t(row.id)] = value != nullptr;
    s.text[size_t(row.id)] = value && row.form == Form::Present ? value : "";
  }
}

bool Switches::isOn(Switch id) { return readState().on[size_t(id)]; }

bool Switches::isGiven(Switch id) { return readState().given[size_t(id)]; }

const std::string& Switches::text(Switch id) { return readState().text[size_t(id)]; }

void Switches::set(Switch id, bool on) { readState().on[size_t(id)] = on; }
