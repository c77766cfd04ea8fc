#pragma once
// Shorthands the scene files share: materials, lights and the timing of the show's scenes.
#include <cmath>
#include <initializer_list>
#include <string>

#include "SceneBuilder.h"
#include "VdgWriter.h"

namespace scenegen {

// Time units per animation frame: the scene effects pass their phase (0.1 per millisecond at
// the default speed), so a step of 10 gives ten frames per second of show time.
constexpr int kSceneStep = 10;

inline vdg::MaterialRecord material(const std::string& name, vdg::Vec3 diffuse,
                                    std::initializer_list<vdg::TextureEntry> textures = {}, float opacity = 1.0f,
                                    float shininess = 0.2f, float specular = 0.5f) {
  vdg::MaterialRecord m;
  m.name = name;
  m.diffuse = diffuse;
  m.ambient = {diffuse.x * 0.3f, diffuse.y * 0.3f, diffuse.z * 0.3f};
  m.specular = {1.0f, 1.0f, 1.0f};
  m.opacity = opacity;
  m.shininess = shininess;
  m.shininessStrength = specular;
  m.textures = textures;
  return m;
}

// type: 0 omni, 1 targeted spot, 2 free spot, 3 targeted directional.
inline vdg::LightRecord light(int type, vdg::Vec3 colour, float multiplier, float attenuationDistance = 0.0f,
                              int targetId = -1, float coneAngle = 45.0f, float coneExponent = 0.0f) {
  vdg::LightRecord l;
  l.type = type;
  l.color = colour;
  l.multiplier = multiplier;
  l.attenuationDistance = attenuationDistance;
  l.targetId = targetId;
  l.coneAngle = coneAngle;
  l.coneExponent = coneExponent;
  return l;
}

// Turns about axis (in the object's own frame, after base) a number of times over the scene.
inline Animation spin(const SceneBuilder& scene, const Vec3& axis, float turns, const Rotation& base = {}) {
  Animation a;
  a.rotations = scene.rotationTrack([&](float t) { return base * Rotation::axisAngle(axis, 360.0f * turns * t); });
  return a;
}

// Bobs up and down about a rest position: amplitude in units, cycles over the scene.
inline Animation bob(const SceneBuilder& scene, const Vec3& rest, float amplitude, float cycles, float phase = 0.0f) {
  Animation a;
  a.positions = scene.track([&](float t) {
    return rest + Vec3{0.0f, amplitude * std::sin(2.0f * kPi * cycles * t + phase), 0.0f};
  });
  return a;
}

}  // namespace scenegen
