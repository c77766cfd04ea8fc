// Math types: the quaternion matrix convention, spherical blending and its special cases,
// normalisation, Euler angles and the degree conversion of setRotation.
#include <gtest/gtest.h>

#include <cmath>

#include "Matrix4.h"
#include "Quaternion.h"
#include "SceneObject.h"
#include "Vector3.h"

namespace {

constexpr float kHalfSqrt2 = 0.70710678f;

void expectMatrixNear(const Matrix4& actual, const float (&expected)[16], float tolerance = 1e-5f) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual[i], expected[i], tolerance) << "element " << i;
}

// Rotates (x, y, z) by the upper 3 x 3 of a column-major matrix.
Vector3 apply(const Matrix4& m, const Vector3& v) {
  return Vector3(m[0] * v.x + m[4] * v.y + m[8] * v.z, m[1] * v.x + m[5] * v.y + m[9] * v.z,
                 m[2] * v.x + m[6] * v.y + m[10] * v.z);
}

TEST(QuaternionTest, ZeroQuaternionGivesIdentity) {
  expectMatrixNear(Quaternion(0, 0, 0, 0).toMatrix(), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
}

TEST(QuaternionTest, MatrixIsTheConjugateRotation) {
  // (0, 0, sin 45, cos 45) is +90 degrees about z; the stored matrix turns x to -y.
  const Vector3 x = apply(Quaternion(0, 0, kHalfSqrt2, kHalfSqrt2).toMatrix(), Vector3(1, 0, 0));
  EXPECT_NEAR(x.x, 0.0f, 1e-6f);
  EXPECT_NEAR(x.y, -1.0f, 1e-6f);
  EXPECT_NEAR(x.z, 0.0f, 1e-6f);
}

TEST(QuaternionTest, UnnormalisedQuaternionIsDividedByItsNorm) {
  const Matrix4 unit = Quaternion(0, kHalfSqrt2, 0, kHalfSqrt2).toMatrix();
  const Matrix4 scaled = Quaternion(0, 3 * kHalfSqrt2, 0, 3 * kHalfSqrt2).toMatrix();
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(unit[i], scaled[i], 1e-5f) << i;
}

struct SlerpCase {
  const char* name;
  Quaternion a, b;
  float t;
  Quaternion expected;
};

class SlerpTest : public ::testing::TestWithParam<SlerpCase> {};

TEST_P(SlerpTest, Blends) {
  const SlerpCase& c = GetParam();
  const Quaternion r = slerp(c.a, c.b, c.t, 0);
  EXPECT_NEAR(r.x, c.expected.x, 1e-5f);
  EXPECT_NEAR(r.y, c.expected.y, 1e-5f);
  EXPECT_NEAR(r.z, c.expected.z, 1e-5f);
  EXPECT_NEAR(r.w, c.expected.w, 1e-5f);
}

const float kSin225 = std::sin(0.39269908f), kCos225 = std::cos(0.39269908f);

INSTANTIATE_TEST_SUITE_P(
    Cases, SlerpTest,
    ::testing::Values(
        SlerpCase{"Midway", {0, 0, 0, 1}, {0, 0, kHalfSqrt2, kHalfSqrt2}, 0.5f, {0, 0, kSin225, kCos225}},
        SlerpCase{"Start", {0, 0, 0, 1}, {0, 0, kHalfSqrt2, kHalfSqrt2}, 0.0f, {0, 0, 0, 1}},
        SlerpCase{"End", {0, 0, 0, 1}, {0, 0, kHalfSqrt2, kHalfSqrt2}, 1.0f, {0, 0, kHalfSqrt2, kHalfSqrt2}},
        // The same rotation with its sign flipped: blended the short way, the result stays q1.
        SlerpCase{"SignFlipIdentity", {0, 0, 0, 1}, {0, 0, 0, -1}, 0.5f, {0, 0, 0, 1}},
        // b is -(90 degrees about z): the short way passes 45 degrees, not 225.
        SlerpCase{
            "SignFlipQuarterTurn", {0, 0, 0, 1}, {0, 0, -kHalfSqrt2, -kHalfSqrt2}, 0.5f, {0, 0, kSin225, kCos225}},
        // Nearly equal: linear blend, no division by sin(0).
        SlerpCase{"NearlyEqual", {0, 0, 0, 1}, {0, 0, 1e-4f, 1}, 0.5f, {0, 0, 0.5e-4f, 1}},
        // Fractions outside 0..1 extrapolate (the scene passes negative fractions at negative times).
        SlerpCase{"NegativeFractionNearlyEqual", {0, 0, 0, 1}, {0, 0, 1e-4f, 1}, -1.0f, {0, 0, -1e-4f, 1}}),
    [](const ::testing::TestParamInfo<SlerpCase>& info) { return std::string(info.param.name); });

TEST(VectorTest, NormalizeKeepsTinyVectorsAndScalesOthers) {
  const Vector3 zero = normalize(Vector3(0, 0, 0));
  EXPECT_EQ(zero.x, 0.0f);
  EXPECT_EQ(zero.y, 0.0f);
  EXPECT_EQ(zero.z, 0.0f);
  // Squared length 0.000009 is below the threshold: left as it is.
  const Vector3 tiny = normalize(Vector3(0.003f, 0, 0));
  EXPECT_FLOAT_EQ(tiny.x, 0.003f);
  const Vector3 v = normalize(Vector3(3, 0, 4));
  EXPECT_FLOAT_EQ(v.x, 0.6f);
  EXPECT_FLOAT_EQ(v.z, 0.8f);
  const Vector3 l = lerp(Vector3(0, 2, 4), Vector3(4, 2, 0), 0.25f);
  EXPECT_FLOAT_EQ(l.x, 1.0f);
  EXPECT_FLOAT_EQ(l.z, 3.0f);
}

TEST(Matrix4Test, EulerIsXThenYThenZ) {
  // Rx(90) * Rz(90): x goes to z (Rz turns x into y, Rx turns y into z).
  const Vector3 x = apply(Matrix4::fromEuler(1.5707964f, 0, 1.5707964f), Vector3(1, 0, 0));
  EXPECT_NEAR(x.x, 0.0f, 1e-6f);
  EXPECT_NEAR(x.y, 0.0f, 1e-6f);
  EXPECT_NEAR(x.z, 1.0f, 1e-6f);
  const Matrix4 m = Matrix4::fromEuler(0.3f, -0.7f, 1.1f);
  EXPECT_EQ(m[3], 0.0f);
  EXPECT_EQ(m[12], 0.0f);
  EXPECT_EQ(m[15], 1.0f);
}

TEST(Matrix4Test, SetRotationTakesDegrees) {
  SceneObject object(1, "o");
  object.setRotation(0, 90, 0);
  EXPECT_FLOAT_EQ(object.eulerAngles().y, 90.0f);
  const Vector3 z = apply(object.rotationMatrix(), Vector3(0, 0, 1));
  EXPECT_NEAR(z.x, 1.0f, 1e-6f);  // Ry(90) turns z into x
  EXPECT_NEAR(z.z, 0.0f, 1e-6f);
}

}  // namespace
