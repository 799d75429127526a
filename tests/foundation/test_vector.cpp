#include "foundation/Vector.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numbers>

namespace
{

void ExpectVector(const CVector& v, float x, float y, float z)
{
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
}

CMatrix Sample()
{
    CMatrix m;
    float value = 1.0f;
    for (auto& row : m.m)
        for (float& element : row)
            element = value++;
    m.m[0][0] = 2.0f; // not singular
    return m;
}

TEST(Vector, OperatorsAndLength)
{
    const CVector a{1, 2, 3};
    const CVector b{4, -5, 6};
    ExpectVector(a + b, 5, -3, 9);
    ExpectVector(a - b, -3, 7, -3);
    ExpectVector(a * 2.0f, 2, 4, 6);
    ExpectVector(2.0f * a, 2, 4, 6);
    ExpectVector(-a, -1, -2, -3);
    CVector c = a;
    c *= 3.0f;
    c += b;
    ExpectVector(c, 7, 1, 15);
    EXPECT_FLOAT_EQ(CVector({3, 4, 12}).Length(), 13.0f);
    EXPECT_FLOAT_EQ(a.LengthSq(), 14.0f);
}

TEST(Vector, CrossIsLeftOperandFirstAndMayAlias)
{
    CVector x{1, 0, 0}, y{0, 1, 0}, out;
    ExpectVector(*VectorCross(&out, &x, &y), 0, 0, 1);
    ExpectVector(*VectorCross(&out, &y, &x), 0, 0, -1);
    VectorCross(&x, &x, &y); // out is an input
    ExpectVector(x, 0, 0, 1);
}

TEST(Vector, TransformsUseRowVectorsAndTheTranslationRow)
{
    CMatrix m(1.0f);
    m.SetTranslation({10, 20, 30});
    const CVector zero{};
    CVector out;
    ExpectVector(*VectorTransformCoord(&out, &m, &zero), 10, 20, 30);
    ExpectVector(*VectorTransformNormal(&out, &m, &zero), 0, 0, 0);

    // A row vector picks rows: (1, 0, 0) x M is row 0.
    const CMatrix s = Sample();
    const CVector ex{1, 0, 0};
    ExpectVector(*VectorTransformNormal(&out, &s, &ex), s.m[0][0], s.m[0][1], s.m[0][2]);
    // No division by w, even when the matrix has a projective column.
    ExpectVector(*VectorTransformCoord(&out, &s, &ex), s.m[0][0] + s.m[3][0], s.m[0][1] + s.m[3][1],
                 s.m[0][2] + s.m[3][2]);
}

TEST(Matrix, ConstructionAndTranslation)
{
    const CMatrix m(2.0f);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_FLOAT_EQ(m.m[r][c], r == c ? (r == 3 ? 1.0f : 2.0f) : 0.0f) << r << c;

    CMatrix t = Sample();
    t.SetTranslation({7, 8, 9});
    EXPECT_FLOAT_EQ(t.m[3][0], 7.0f);
    EXPECT_FLOAT_EQ(t.m[3][2], 9.0f);
    EXPECT_FLOAT_EQ(t.m[3][3], 1.0f);
    EXPECT_FLOAT_EQ(t.m[0][3], 0.0f);
    EXPECT_FLOAT_EQ(t.m[2][3], 0.0f);
    EXPECT_FLOAT_EQ(t.m[1][1], Sample().m[1][1]); // the rest stays
}

TEST(Matrix, RotationsBuildOnTheScaleDiagonal)
{
    CMatrix x(2.0f);
    x.SetRotationX(std::numbers::pi_v<float> / 2);
    EXPECT_NEAR(x.m[1][1], 0.0f, 1e-6f);
    EXPECT_NEAR(x.m[1][2], -2.0f, 1e-6f);
    EXPECT_NEAR(x.m[2][1], 2.0f, 1e-6f);
    EXPECT_NEAR(x.m[2][2], 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(x.m[0][0], 2.0f);

    CMatrix z(3.0f);
    z.SetRotationZ(std::numbers::pi_v<float> / 2);
    EXPECT_NEAR(z.m[0][0], 0.0f, 1e-6f);
    EXPECT_NEAR(z.m[0][1], -3.0f, 1e-6f);
    EXPECT_NEAR(z.m[1][0], 3.0f, 1e-6f);
    EXPECT_NEAR(z.m[1][1], 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(z.m[2][2], 3.0f);
}

TEST(Matrix, InvertRotationIsTheAdjugate)
{
    // For a rotation the adjugate is the inverse, so the product is identity.
    CMatrix r(1.0f);
    r.SetRotationX(0.7f);
    CMatrix rz(1.0f);
    rz.SetRotationZ(-1.3f);
    r.MultiplyRotation(rz);
    CMatrix inverse = Sample(); // elements outside the block must survive
    CMatrix::InvertRotation(r, inverse);
    EXPECT_FLOAT_EQ(inverse.m[3][0], Sample().m[3][0]);
    EXPECT_FLOAT_EQ(inverse.m[0][3], Sample().m[0][3]);
    CMatrix product;
    MatrixMultiply3x3(&product, &r, &inverse);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(product.m[i][j], i == j ? 1.0f : 0.0f, 1e-5f);

    // Without dividing by the determinant: a scale of 2 gives 4 on the diagonal.
    CMatrix scaled(2.0f);
    CMatrix::InvertRotation(scaled, scaled); // in place
    EXPECT_FLOAT_EQ(scaled.m[0][0], 4.0f);
    EXPECT_FLOAT_EQ(scaled.m[3][3], 1.0f);
}

TEST(Matrix, MultiplyVariants)
{
    const CMatrix identity(1.0f);
    CMatrix out = Sample();
    MatrixMultiply3x3(&out, &identity, &identity);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_FLOAT_EQ(out.m[r][c], (r == c && r < 3) ? 1.0f : 0.0f) << r << c;

    CMatrix a = Sample();
    a.SetTranslation({1, 2, 3});
    CMatrix b(1.0f);
    b.SetRotationZ(0.5f);
    CMatrix expected;
    MatrixMultiply3x3(&expected, &a, &b);
    a.MultiplyRotation(b);
    for (int r = 0; r < 3; ++r)
    {
        for (int c = 0; c < 3; ++c)
            EXPECT_FLOAT_EQ(a.m[r][c], expected.m[r][c]);
        EXPECT_FLOAT_EQ(a.m[r][3], 0.0f);
    }
    EXPECT_FLOAT_EQ(a.m[3][0], 1.0f);
    EXPECT_FLOAT_EQ(a.m[3][3], 1.0f);

    // The full product may write over an operand.
    CMatrix p = Sample();
    CMatrix q = Sample();
    CMatrix separate;
    MatrixMultiply(&separate, &p, &q);
    MatrixMultiply(&p, &p, &q);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_FLOAT_EQ(p.m[r][c], separate.m[r][c]);
}

TEST(Matrix, NormalizeAndScaleRows)
{
    CMatrix m(1.0f);
    m.ScaleRotation(3.0f);
    m.m[3][0] = 5.0f;
    EXPECT_FLOAT_EQ(m.m[1][1], 3.0f);
    NormalizeMatrixRows(&m);
    EXPECT_FLOAT_EQ(m.m[1][1], 1.0f);
    EXPECT_FLOAT_EQ(m.m[3][0], 5.0f); // translation untouched

    const CVector zero{};
    ExpectVector(Normalize(zero), 0, 0, 0);
    ExpectVector(Normalize({0, 3, 4}), 0, 0.6f, 0.8f);
}

TEST(Vector, RoundToIntRoundsHalvesAwayFromZero)
{
    const struct
    {
        float in;
        int out;
    } cases[] = {{2.5f, 3},  {-2.5f, -3}, {0.0f, 0},       {-0.4f, 0},       {0.4f, 0},
                 {1.49f, 1}, {-1.6f, -2}, {3e9f, INT_MAX}, {-3e9f, INT_MIN}, {NAN, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(RoundToInt(c.in), c.out) << c.in;
}

TEST(Vector, Rect)
{
    plat::Rect r;
    EXPECT_EQ(MakeRect(&r, 10, 20, 5, 5), &r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right, 15);
    EXPECT_EQ(r.bottom, 25);
}

} // namespace
