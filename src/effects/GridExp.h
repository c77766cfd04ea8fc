#pragma once
// "GridExp": a 50 x 50 grid in perspective, textured with the linked effect's live picture (a
// 512 x 512 buffer) or a picture file (event 4), deformed every frame by one of four modes
// ("Anim"): 0 waves, 1 a ripple about the centre, 2 a parametric wave, 3 a wobble of the
// texture coordinates. Drawn additively ("Blend") without depth test.
#include <cstdint>
#include <vector>

#include "BoolVariable.h"
#include "IntVariable.h"
#include "PostEffect.h"

class Texture;

class GridExp : public PostEffect {
 public:
  static constexpr int kSize = 50;  // vertices per side

  // One grid vertex: 14 floats, the stride of the vertex arrays.
  struct Vertex {
    float rest[3];      // rest position x, y, z
    float position[3];  // current position
    float restUv[2];    // rest texture coordinate
    float uv[2];        // current texture coordinate
    float colour[4];    // r, g, b, a ("Shade")
  };

  // Needs a current GL context (the buffer).
  GridExp();

  // Texture, perspective (45 degrees, near 0.1, far 2000, eye 20 units in front), the mode,
  // then the grid as one triangle strip per row (a mipmapped picture under additive blending: the
  // same triangles as the two lists of sortByMagnification). Leaves depth test and writes on,
  // blending off, face culling on (GL_BACK), texturing as the texture choice set it, texture
  // matrix identity, colour (1, 1, 1, 1) and the model-view matrix current.
  void render(uint32_t time) override;
  // Base handling; type 4 makes the texture named by the text the grid's picture (null when it
  // cannot be loaded: the grid is then drawn untextured).
  void handleEvent(const EffectEvent& event) override;
  // A "Datafile" line of the setup section loads the picture it names at once and makes it the
  // grid's picture, as event 4 does later: so the picture is known before the show starts (and
  // the warm-up draws the grid as the show will).
  void onStringAdded(int32_t list, const std::string& text, uint32_t count) override;

  // Sorts the triangles the grid draws (as it stands, over a viewport of width x height pixels,
  // with a picture of texels x texels turned by the texture matrix's turnDegrees) into two lists:
  // those that magnify the picture at every pixel (along each screen axis the texels stepped per
  // pixel, summed over both texture axes, stay below one everywhere on the triangle, with a
  // margin; culled and empty triangles draw nothing and count as magnified) and the others.
  // Returns how many magnify.
  size_t sortByMagnification(float texels, float turnDegrees, float width, float height);
  size_t magnifiedTriangles() const { return _magnifiedCount / 3; }
  size_t otherTriangles() const { return _otherCount / 3; }
  // Whether, with additive blending, the triangles that magnify a mipmapped picture (event 4) are
  // drawn through MagnifySampler, the others after them (default on); off draws every triangle
  // with the picture's own mipmap filter, row strip after row strip.
  static void setMagnifyPath(bool on);

  // Runs mode (0 to 3; others do nothing) with x = 0.05 p over the interior vertices.
  void runMode(uint32_t mode, float x, uint32_t time);
  // Current position and texture coordinate back to rest.
  void resetGrid();
  const Vertex& vertexAt(int row, int column) const { return _grid[size_t(row * kSize + column)]; }
  const Texture* getTexture() const { return _texture; }

 protected:
  // Only inside the buffer: enable, start, disable.
  void startLinked(uint32_t time) override;
  // Enable the buffer, clear it to (0, 0, 0, 0) in colour, depth and stencil, identity
  // projection and model-view, the linked effect's update and render, disable it.
  void runInputPass(uint32_t time) override;

 private:
  void waveMode(float x);
  void rippleMode(float x);
  void parametricMode(float x, uint32_t time);
  void wobbleMode(float x, uint32_t time);

  IntVariable _anim;                      // "Anim": mode 0..3, count 4, default 3
  BoolVariable _rotate;                   // "Rotate": texture turns 0.05 p degrees
  BoolVariable _blend;                    // "Blend": additive blending, default true
  BoolVariable _shade;                    // "Shade": per-vertex colours from the mode
  FloatVariable _ampX;                    // "ampX": modes 2 and 3, default 0.3
  FloatVariable _ampY;                    // "ampY": default 0.1
  FloatVariable _ampZ;                    // "ampZ": default 0.2
  FloatVariable _magicStrength;           // "magicStrength": frequency scale, default 0.3
  FloatVariable _magic[5];                // "magic1" .. "magic5": frequencies, default 0.4 each
  IntVariable _datafile;                  // "Datafile": pictures named in the setup section
  std::vector<Vertex> _grid;              // kSize x kSize, row after row
  std::vector<uint16_t> _strips;          // per row j: (j n + k, j n + k + n) for every column k
  std::vector<GLsizei> _stripCounts;      // indices drawn of each row's strip
  std::vector<const void*> _stripStarts;  // first index of each row's strip in _strips
  std::vector<uint16_t> _magnified;       // triangles that magnify the picture (sortByMagnification)
  std::vector<uint16_t> _others;          // the other drawn triangles
  size_t _magnifiedCount = 0;             // indices used in _magnified
  size_t _otherCount = 0;                 // indices used in _others
  PBuffer _buffer;                        // 512 x 512: the linked effect's picture
  Texture* _texture = nullptr;            // shared picture of event 4 (texture manager)
  uint32_t _lastMode = 0xFFFFFFFFu;       // "Anim" of the last render (none yet)
};
