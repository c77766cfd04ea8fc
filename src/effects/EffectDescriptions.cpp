#include "EffectDescriptions.h"

#include <cstring>

namespace {
using T = EventDescription::Text;

const std::vector<VariableDescription> kColour = {
    {"Red", "colour, 0 to 1"}, {"Green", "colour, 0 to 1"}, {"Blue", "colour, 0 to 1"}, {"Alpha", "opacity, 0 to 1"}};

std::vector<VariableDescription> colourAnd(std::vector<VariableDescription> more) {
  std::vector<VariableDescription> all = kColour;
  all.insert(all.end(), more.begin(), more.end());
  return all;
}

const std::vector<VariableDescription> kSceneVariables = {
    {"Datafile", "picks among the scene files of the setup's Datafile lines"},
    {"Loop", "the scene's animation loops"},
    {"Shadows", "shadow maps from the scene's shadow light"},
    {"Camera", "index into the scene's cameras (rk17 --scene-info FILE lists them)"},
    {"FOV", "field of view, x 180 degrees"},
    {"Fog", "fog on"},
    {"FogMode", "0 exp, 1 exp2, 2 linear"},
    {"FogR", "fog colour"},
    {"FogG", "fog colour"},
    {"FogB", "fog colour"},
    {"FogDensity", "exp fog density, x 0.01"},
    {"FogScale", "linear fog: distances x FogScale x 30000"},
    {"FogStart", "linear fog start (with FogScale)"},
    {"FogEnd", "linear fog end (with FogScale)"},
    {"LightingOn", "forces lighting on for every material"},
    {"LightingOff", "forces lighting off for every material"},
    {"MoreLight", "an extra light pass for every material"},
    {"VShader", "reflection coordinates from the vertex program"},
};

const std::vector<EventDescription> kSceneEvents = {
    {1, "FLICKER", 1, 1, T::None, "1: the first light flickers, 0: steady"},
    {6, "PICK", 0, 0, T::Object, "picks the object by name for events 11, 16 and 20"},
    {11, "SPIN", 3, 3, T::None, "spins the picked object: x, y, z degrees per phase unit"},
    {16, "CHILDREN", 1, 1, T::None, "1: the picked object's children follow it"},
    {18, "CAMERA_BY_NAME", 0, 0, T::Camera, "looks through the camera of that name (Camera and FOV stop applying)"},
    {20, "SHOW", 1, 1, T::None, "1 shows, 0 hides the picked object"},
    {21, "SHADOWS", 1, 1, T::None, "1: shadows on"},
    {25, "FIELD_OF_VIEW", 1, 1, T::None, "the active camera's field of view in degrees"},
};

const std::vector<EventDescription> kImageEvents = {
    {5, "PULSE", 1, 1, T::None, "adds value x the alpha factor (event 28) to the alpha"},
    {7, "POSITION", 3, 3, T::None, "places the picture: x, y, z"},
    {8, "ROTATION", 3, 3, T::None, "turns the picture: x, y, z degrees"},
    {9, "SCALE", 3, 3, T::None, "scales the picture: x, y, z"},
    {10, "SCROLL", 3, 3, T::None, "moves the picture: x, y, z per phase unit"},
    {11, "ROTSPEED", 3, 3, T::None, "turns the picture: x, y, z degrees per phase unit"},
    {12, "SCALESPEED", 3, 3, T::None, "scales the picture over time: x, y, z per phase unit"},
    {23, "GROW", 0, 1, T::None, "the scale speed makes the picture grow"},
    {24, "SHRINK", 0, 1, T::None, "the scale speed makes the picture shrink"},
    {26, "TEXTURE", 0, 0, T::File, "shows another picture file"},
    {28, "ALPHAFACTOR", 1, 1, T::None, "how strongly pulses (event 5) add to the alpha"},
    {29, "ALPHA", 1, 1, T::None, "sets the alpha now"},
    {30, "SUBTRACT", 1, 1, T::None, "1: the picture is subtracted from what is below"},
};

const char* const kImageLists =
    "the setup's `0 s Image Datafile \"data/images/NAME.png\"` lines load pictures (PNG, JPEG or DDS); "
    "the picture is stretched to the screen's shape whatever its own";
const char* const kSceneLists =
    "the setup's `0 s Scene1 Datafile \"data/scenes/NAME.vdg\"` lines load scene files; the camera names "
    "of the scene fill list 1000";

// A picture effect's row (Image, Image2): the colour, the blend switches and Datafile, the picture
// events and the picture lists.
EffectDescription imageRow(const char* summary) {
  return {summary,
          colourAnd({{"BlendMultipy", "multiply over what is below"},
                     {"BlendAdd", "add to what is below"},
                     {"Datafile", "picks among the setup's pictures"}}),
          kImageEvents, kImageLists};
}

// A scene effect's row (Scene1 and the effects built on it): the scene's variables, events (and
// more) and lists.
EffectDescription sceneRow(const char* summary, const std::vector<EventDescription>& more = {}) {
  std::vector<EventDescription> events = kSceneEvents;
  events.insert(events.end(), more.begin(), more.end());
  return {summary, kSceneVariables, events, kSceneLists};
}

struct Named {
  const char* name;
  EffectDescription description;
};

const std::vector<Named>& table() {
  static const std::vector<Named> rows = {
      {"Blur",
       {"its input (event 2) blurred, or glowing over itself: DoMulSub brightens the light parts, "
        "the passes blur them, DoGlow adds them over the sharp picture",
        {{"DoBlur", "blur the input"},
         {"DoMulSub", "brighten the light parts first (Multiply, Subtract)"},
         {"DoGlow", "add the blurred picture over the sharp one"},
         {"BlurAmount", "passes - 1, 0 to 3"},
         {"BlurOnlyX", "blur across only"},
         {"BlurOnlyY", "blur down only"},
         {"Subtract", "bright pass: subtracted before multiplying"},
         {"Multiply", "bright pass: factor"},
         {"BlurFactor", "brightness of the blurred picture"},
         {"GlowStrength", "strength of the glow"}},
        {{10, "SHAKE", 3, 3, T::None, "shakes the picture: direction x, y and duration"},
         {12, "SHAKE_AMPLITUDE", 2, 2, T::None, "shakes the picture: amplitude and duration"},
         {17, "COPY_PATH", 1, 1, T::None, "1: the input is copied instead of drawn into a depth buffer"}},
        ""}},
      {"Clear",
       {"clears colour, depth and stencil",
        colourAnd(
            {{"ClearColor", "clear the colour"}, {"ClearDepth", "clear depth"}, {"ClearStencil", "clear stencil"}}),
        {},
        ""}},
      {"Cloud",
       {"up to 2500 soft dots drifting on straight paths (data/images/dot.png)",
        colourAnd({{"X", "spread across"},
                   {"Y", "spread up"},
                   {"Z", "spread in depth"},
                   {"Depth", "how deep the cloud reaches"},
                   {"Dim", "dot size"},
                   {"Num", "share of the dots drawn, 0 to 1"}}),
        {},
        ""}},
      {"DOF",
       {"its input (event 2, normally a scene) with depth of field: sharp near the focus, blurred away from it "
        "(data/shaders/dof_light.vds)",
        {{"DoBlur", "blur the input"},
         {"DoGlow", "the sharp picture over the blurred one"},
         {"BlurAmount", "passes - 1, 0 to 3"},
         {"BlurFactor", "0.5: as bright as the input"},
         {"GlowStrength", "strength of the sharp picture"},
         {"Constant", "focus distance factor"},
         {"Weight1", "focus: lower pulls the focus in to the camera"},
         {"Weight2", "focus offset"}},
        {},
        ""}},
      {"GridExp",
       {"a 50 x 50 grid in perspective showing its input (event 2) or a picture, deformed by one of four modes",
        colourAnd({{"Anim", "mode: 0 waves, 0.34 ripple, 0.67 parametric wave, 1 texture wobble"},
                   {"Rotate", "turn the grid"},
                   {"Blend", "blend over what is below"},
                   {"Shade", "shade the grid"},
                   {"ampX", "deformation amplitude"},
                   {"ampY", "deformation amplitude"},
                   {"ampZ", "deformation amplitude"},
                   {"magicStrength", "strength of the deformation"},
                   {"magic1", "shape of the deformation"},
                   {"magic2", "shape of the deformation"},
                   {"magic3", "shape of the deformation"},
                   {"magic4", "shape of the deformation"},
                   {"magic5", "shape of the deformation"},
                   {"Datafile", "picks among the setup's pictures"}}),
        {{4, "TEXTURE", 0, 0, T::File, "shows the picture file instead of the input"}},
        "the setup's Datafile lines load pictures"}},
      {"Image", imageRow("a picture over the screen, stretched to the screen's shape whatever its own")},
      {"Image2", imageRow("as Image; its alpha is Alpha alone (pulses add nothing that is drawn)")},
      {"RotoZoom",
       {"its input (event 2) turned and zoomed over the whole screen; switch the input off (`e`) while it is "
        "hidden, or it is drawn twice",
        colourAnd({{"RotSpeed", "turning speed"}}),
        {},
        ""}},
      {"Mosaic",
       {"its input (event 2) in blocks, each holding a small copy of the picture",
        colourAnd({{"Saturation", "colour of the blocks"},
                   {"PreSaturation", "colour of the input first"},
                   {"ZoomCenter", "zoom about the centre"}}),
        {},
        ""}},
      {"Osc",
       {"an oscilloscope trace of the music in a rectangle",
        colourAnd(
            {{"xPos", "left edge, 0 to 1"}, {"yPos", "bottom edge, 0 to 1"}, {"Width", "width"}, {"Height", "height"}}),
        {},
        ""}},
      {"Fade",
       {"a full-screen colour that fades out (or in) with the phase",
        kColour,
        {{22, "SPEED", 1, 1, T::None, "the fade takes value phase units (Speed becomes 1 / value)"},
         {27, "FADEOUT", 1, 1, T::None, "1: fades out, 0: fades in"},
         {31, "BLEND", 1, 1, T::None, "1: blended over what is below"}},
        ""}},
      {"Flash",
       {"white flashes on the beat pattern's '1' steps",
        {{"Add", "add the flash (else blend)"}, {"Repeat", "flash on every '1' step"}},
        {},
        ""}},
      {"Flower",
       sceneRow("as Scene1; the petals morph with data/scenes/morphdata_<petal>.vmd",
                {{15, "MORPH", 3, 3, T::None, "morph start frame, rate (morph frames per scene frame), loop"}})},
      {"Noise", {"grey noise", colourAnd({{"Animate", "new noise every frame"}}), {}, ""}},
      {"Spectrum",
       {"draws nothing: sends the music's loudness as pulses (event 5) to the effects added with event 3",
        {},
        {{2, "CLEAR_TARGETS", 0, 0, T::Effect, "links like every effect and forgets the targets"},
         {3, "ADDTARGET", 0, 0, T::Effect, "sends pulses to that effect too"}},
        ""}},
      {"Splinzor",
       {"a hundred glowing strands wound about the view axis, bent by a delayed wobble",
        colourAnd({{"Radius", "radius of the strands"},
                   {"zInc", "depth step"},
                   {"magic1", "shape of the wobble"},
                   {"magic2", "shape of the wobble"},
                   {"magic3", "shape of the wobble"}}),
        {},
        ""}},
      {"Test3d", sceneRow("as Scene1; the box \"Box01\" shows the music's oscilloscope trace")},
      {"Head", sceneRow("as Scene1; the object \"head\" keeps turning about its y axis (faster with pulses)")},
      {"Tentacle",
       {"data/scenes/tentacle.vdg with ten swinging tentacles",
        [] {
          std::vector<VariableDescription> variables = kSceneVariables;
          variables.push_back({"TentacleSpeed", "swing speed; 0 holds the tentacles still"});
          return variables;
        }(),
        kSceneEvents, "", "data/scenes/tentacle.vdg"}},
      {"Mech", {"data/scenes/mechparts.vdg with one swinging tentacle, seen by \"Camera01\"", {}, {}, ""}},
      {"Tiles",
       {"its input (event 2) in nine tiles that turn and fade one after another",
        colourAnd({{"RotSpeed", "turning speed"}, {"FadeSpeed", "fading speed"}}),
        {},
        ""}},
  };
  return rows;
}

const EffectDescription kScene = sceneRow("a scene file (.vdg) from Datafile, animated by the phase");
}  // namespace

const EffectDescription* EffectDescriptions::find(const char* name) {
  if (!name) return nullptr;
  if (std::strncmp(name, "Scene", 5) == 0 && name[5] >= '1' && name[5] <= '7' && name[6] == '\0') return &kScene;
  for (const Named& row : table())
    if (std::strcmp(row.name, name) == 0) return &row.description;
  return nullptr;
}
