#pragma once
// The text of the blur passes' GLSL programs, made from a pass's shape (pure functions, no GL).
// Blur and DOF run their passes through BlurChain, which builds these programs and caches them.
//
// The fragment programs of the fast passes: the taps of one pass summed in straight-line code,
// one program per pass shape (sizes, step, offset, directions), made at first use. A tap adds
// where the literal path's moved quad covers the pixel (its sample point, in target pixels,
// lies in [0, size), pixel centres on the left and bottom edges counting as covered), and each
// tap is rounded to the 8 bits the literal path's blended quads write, so both paths add the
// same numbers.
//
// Every tap samples halfway between texels (or on a texel centre across the tap), so when the
// source is the target's size or twice it, the fast program fetches the texels themselves, each
// once, and averages them as the renderer's bilinear filter does for 8-bit textures (along x in
// each row, then along y, each step rounded half up). A texel fetch costs a fraction of a
// filtered sample on a software renderer, and neighbouring taps share texels. Other shapes take
// filtered samples.
#include <string>
#include <vector>

namespace BlurPassText {
// The spacing of the four passes of a chain: step and start offset in target pixels.
inline constexpr float kPassSteps[4][2] = {{1.0f, 2.5f}, {3.0f, 6.5f}, {5.0f, 12.5f}, {7.0f, 17.5f}};

// Where each tap of a pass samples, relative to the pixel (target pixels, x then y per tap). A
// quad moved right by t pixels shows at x the texel of x - t; moved down (y-down projection) by
// t it shows at window row y the texel of y + t.
std::vector<float> tapShifts(float step, float offset, bool onlyX, bool onlyY);
// Pixels from each edge of the target within which some tap of a split pass (taps halfway
// between pixels) leaves the buffer: a tap moved by s covers pixel X and reads stored value
// X + s - 0.5 of the buffer for every X in [|s| + 0.5, size - |s| - 0.5).
int tapMargin(const std::vector<float>& shifts);

// The vertex program every pass program is linked with.
const char* passVertex();
// Filtered samples at the taps moved by shifts (target pixels, x then y per tap).
std::string filteredPassFragment(const std::vector<float>& shifts, float size);
// Texel fetches for the taps moved by shifts from a source of sourceSize (a power of two, the
// target's size or twice it, repeating as the buffers' textures do); empty when a tap does not
// fall halfway between texels or on a centre.
std::string fetchedPassFragment(const std::vector<float>& shifts, float size, int sourceSize);
// The one-program pass for taps moved by shifts into a target of size from a source of
// sourceSize pixels: texel fetches where they apply (and texelFetches is on), filtered samples
// otherwise.
std::string passFragment(const std::vector<float>& shifts, float size, int sourceSize, bool texelFetches);

// The split form of a fast pass, for a source of the target's size or twice it whose taps all
// sit halfway between texels along their own direction (every usual pass). A first program
// stores, per pixel of a scratch buffer of the target's size, the weighted and rounded value of
// the tap that starts there, one buffer for the taps across and one for the taps down; the pass
// then sums one texel of a scratch buffer per tap instead of sampling the source for each. The
// values are those of the literal taps, so the picture is too. They must fit 8 bits: the weight
// lies in [0, 1].
//
// The tap value across at scratch pixel (X, Y) is the source's filtered sample halfway between
// texels (X, Y) and (X + 1, Y), or from a source twice as large at the centre of the box
// (2X + 1 .. 2X + 2, 2Y .. 2Y + 1); down: halfway between (X, Y) and (X, Y + 1), or at the centre
// of the box (2X .. 2X + 1, 2Y + 1 .. 2Y + 2). These are the very points where the literal quads
// sample (the source's own filter and wrap mode then give the same texel values): one filtered
// sample per direction costs less than fetching and averaging the two or four texels. A tap moved
// by s (a half-integer) across reads the value across at X + s - 0.5; one moved down, the value
// down at Y + s - 0.5.
std::string tapValueFragment(bool across, bool down, int ratio, int sourceSize);
// The sum of the stored tap values for taps moved by shifts (target pixels, x then y per tap;
// each tap moves along one direction only) into a target of size. The stored values are whole
// 8-bit steps and none is negative, so they are summed as they come: the conversion of the sum
// to 8 bits rounds it to the same whole number and clamps it once, as the literal path's
// saturating blended adds do. Only the border program (for pixels within tapMargin of an edge)
// tests whether a tap's moved quad covers the pixel and repeats the stored values at the edges;
// inside that margin every tap covers the pixel and reads a stored value of the buffer itself.
std::string tapSumFragment(const std::vector<float>& shifts, float size, bool border);
// True when every tap moved by shifts sits halfway between texels along its own direction and
// less than size pixels away: the shapes the split form serves.
bool tapsHalfway(const std::vector<float>& shifts, float size);
}  // namespace BlurPassText
