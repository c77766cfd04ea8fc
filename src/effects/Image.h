#pragma once
// "Image": a textured full-screen quad (an image of string list 0) over what earlier instances
// drew, placed, rotated, scaled and scrolled by events, with optional alpha, additive or
// reverse-subtract blending. "Image2" (a subclass) differs only in ignoring the alpha offset.
#include "BoolVariable.h"
#include "Effect.h"
#include "FloatVariable.h"
#include "IntVariable.h"

class Texture;

class Image : public Effect {
 public:
  Image();

  // Base start, then position, rotation and the three speeds 0, scale 1, scale growing, alpha
  // offset and alpha factor 0. Texture, reverse-subtract flag and loaded index stay.
  void start(uint32_t time) override;
  // Loads string list 0 entry "Datafile" (at time) when that index differs from the one last
  // loaded; an index without an entry gives no texture.
  void prepare(uint32_t time) override;
  // Draws the quad; leaves blending off, depth writes and test on, blend equation GL_FUNC_ADD,
  // colour (1, 1, 1, 1) and face culling off. Without a texture the quad is drawn untextured.
  void render(uint32_t time) override;
  // Base handling, then 5 alpha offset, 7 to 12 position, rotation, scale and their speeds from
  // the three values, 23/24 scale grows/shrinks, 26 texture named by the text, 28 alpha factor,
  // 29 "Alpha", 30 reverse-subtract flag.
  void handleEvent(const EffectEvent& event) override;
  // List 0: the named image becomes the texture and "Datafile" gets count choices.
  void onStringAdded(int32_t list, const std::string& text, uint32_t count) override;

  Texture* getTexture() const { return _texture; }

  struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
  };
  // Whether the whole-texture quad, rotated (degrees about x, y, z, in that order) and scaled
  // about the screen centre, magnifies the texture at every pixel (no direction of either screen
  // axis steps more than one texel per pixel). pixelsPerTexel: viewport size over texture size.
  // Where the quad magnifies a mipmapped image texture everywhere, render samples it through a
  // sampler without the mipmap filter (the same picture, cheaper on llvmpipe); off: always
  // through the texture's own settings. On by default.
  static void setMagnifyPath(bool on);
  static bool magnifiesEverywhere(const Vec3& rotation, const Vec3& scale, float pixelsPerTexelX,
                                  float pixelsPerTexelY);
  int64_t getLoadedIndex() const { return _loadedIndex; }

 protected:
  // name: the registry name; alphaOffsetApplies: whether the colour's alpha adds the offset.
  Image(const std::string& name, bool alphaOffsetApplies);

 private:
  static Vec3 valuesOf(const EffectEvent& event);
  // The shared texture named text (path from the working folder), or null.
  static Texture* findImage(const std::string& text);

  FloatVariable _red;
  FloatVariable _green;
  FloatVariable _blue;
  FloatVariable _alpha;
  BoolVariable _blendMultiply;  // "BlendMultipy": alpha blending
  BoolVariable _blendAdd;       // "BlendAdd": additive blending, wins over "BlendMultipy"
  IntVariable _datafile;        // "Datafile": index into string list 0

  const bool _alphaOffsetApplies;  // false for "Image2"
  Texture* _texture = nullptr;     // shared, owned by the texture manager; null draws untextured
  Vec3 _position;                  // unit screen coordinates, y upwards
  Vec3 _rotation;                  // degrees about x, y, z
  Vec3 _scale = {1.0f, 1.0f, 1.0f};
  Vec3 _scrollSpeed;              // screen units per unit of phase (x, y used; y downwards)
  Vec3 _rotationSpeed;            // degrees per unit of phase
  Vec3 _scaleSpeed;               // scale per unit of phase
  bool _scaleGrows = true;        // scale + speed x p; else scale - speed x p
  float _alphaOffset = 0.0f;      // added to "Alpha" (Image only)
  float _alphaFactor = 0.0f;      // alpha offset per pulse event value
  bool _reverseSubtract = false;  // destination minus source
  int64_t _loadedIndex = -1;      // string list 0 index last loaded by prepare (-1: none yet)
};
