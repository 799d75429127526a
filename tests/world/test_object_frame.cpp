#include "world/ObjectFrame.h"

#include <gtest/gtest.h>

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

bool Finite(const CMatrix& m)
{
    for (const auto& row : m.m)
        for (float e : row)
            if (!std::isfinite(e)) return false;
    return true;
}

// A view frame keeps its eye point in the position and the view translation
// in the row, like the view camera.
class CViewFrame : public CObjectFrame
{
public:
    void SetPosition(const CVector& p) override { SetViewPosition(p); }
};

} // namespace

TEST(ObjectFrame, NewFrameFacesPlusYWithZUp)
{
    CObjectFrame f;
    f.UpdateAxes();
    ExpectVector(f.m_vForward, 0, 1, 0);
    ExpectVector(f.m_vUp, 0, 0, 1);
    ExpectVector(f.m_vSide, -1, 0, 0);
    ExpectVector(f.m_vPosition, 0, 0, 0);
    EXPECT_EQ(f.m_Matrix.m[3][3], 1.0f);
}

TEST(ObjectFrame, SetForwardKeepsAnOrthonormalFrame)
{
    struct SCase
    {
        CVector forward, up, side;
    } cases[] = {
        {{0, 1, 0}, {0, 0, 1}, {-1, 0, 0}},
        {{0, 0, 1}, {0, 1, 0}, {1, 0, 0}},
        // Straight down has no heading of its own; it must still give a frame.
        {{0, 0, -1}, {0, 1, 0}, {-1, 0, 0}},
        {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
    };
    for (const SCase& c : cases)
    {
        CObjectFrame f;
        f.SetPosition({5, 6, 7});
        f.SetForward(c.forward);
        ExpectVector(f.m_vUp, c.up.x, c.up.y, c.up.z);
        ExpectVector(f.m_vSide, c.side.x, c.side.y, c.side.z);
        EXPECT_TRUE(Finite(f.m_Matrix));
        // The matrix carries the axes and the position back.
        CObjectFrame g;
        g.SetMatrix(f.m_Matrix, true);
        g.UpdateAxes();
        ExpectVector(g.m_vForward, c.forward.x, c.forward.y, c.forward.z);
        ExpectVector(g.m_vPosition, 5, 6, 7);
    }
}

TEST(ObjectFrame, RotateZTurnsTheHeadingAndKeepsThePosition)
{
    CObjectFrame f;
    f.SetPosition({1, 2, 3});
    f.RotateZ(std::numbers::pi_v<float> / 2);
    f.UpdateAxes();
    EXPECT_NEAR(std::fabs(f.m_vForward.x), 1.0f, 1e-5f);
    EXPECT_NEAR(f.m_vForward.y, 0.0f, 1e-5f);
    EXPECT_EQ(f.m_Matrix.m[3][0], 1.0f);
    EXPECT_EQ(f.m_Matrix.m[3][2], 3.0f);
    f.RotateX(0.3f);
    EXPECT_EQ(f.m_Matrix.m[3][1], 2.0f);
    EXPECT_EQ(f.m_Matrix.m[0][3], 0.0f);
}

TEST(ObjectFrame, AssignTakesTheTranslationRowNotThePosition)
{
    CViewFrame view;
    view.RotateZ(0.5f);
    view.SetPosition({10, 20, 30});
    ASSERT_NE(view.m_Matrix.m[3][0], 10.0f);
    CObjectFrame f;
    f.Assign(view);
    ExpectVector(f.m_vPosition, view.m_Matrix.m[3][0], view.m_Matrix.m[3][1], view.m_Matrix.m[3][2]);
    // The view translation puts the eye at the origin.
    CVector eye{10, 20, 30};
    CVector v;
    VectorTransformCoord(&v, &view.m_Matrix, &eye);
    ExpectVector(v, 0, 0, 0);
}

TEST(ObjectFrameHelpers, InvertMatrixIsTheInverseAndSingularGivesIdentity)
{
    CMatrix m(2.0f);
    m.m[0][1] = 1.0f;
    m.m[2][0] = 0.5f;
    CMatrix inv(0.0f);
    inv.m[3][0] = 9.0f;
    InvertMatrix(m, inv);
    CMatrix product;
    MatrixMultiply3x3(&product, &m, &inv);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(product.m[r][c], r == c ? 1.0f : 0.0f, 1e-5f);
    EXPECT_EQ(inv.m[3][0], 9.0f); // untouched

    CMatrix singular; // all zero
    InvertMatrix(singular, inv);
    EXPECT_TRUE(Finite(inv));
    EXPECT_EQ(inv.m[0][0], 1.0f);
    EXPECT_EQ(inv.m[0][1], 0.0f);
}

TEST(ObjectFrameHelpers, FacingAndBillboardMatricesAreOrthonormal)
{
    struct SCase
    {
        CVector p, q, up;
    } cases[] = {
        {{0, 0, 0}, {0, -10, 0}, {0, 0, 1}},
        {{5, 5, 5}, {1, 2, 3}, {0, 0, -1}},
        {{0, 0, 10}, {0, 0, 0}, {0, 0, -1}}, // up along the direction
        {{3, 3, 3}, {3, 3, 3}, {0, 0, 1}},   // no direction at all
    };
    for (const SCase& c : cases)
    {
        CMatrix m(1.0f);
        BuildFacingMatrix(c.p, c.q, m, c.up);
        ASSERT_TRUE(Finite(m));
        for (int r = 0; r < 3; ++r)
        {
            CVector row{m.m[r][0], m.m[r][1], m.m[r][2]};
            EXPECT_NEAR(row.Length(), 1.0f, 1e-5f);
        }
        ExpectVector(CVector{m.m[3][0], m.m[3][1], m.m[3][2]}, c.p.x, c.p.y, c.p.z);
        EXPECT_EQ(m.m[3][3], 1.0f);
    }
    CMatrix b(1.0f);
    BuildBillboardMatrix({0, 10, 0}, {0, 0, 0}, b);
    ExpectVector(CVector{b.m[2][0], b.m[2][1], b.m[2][2]}, 0, 1, 0);
    ExpectVector(CVector{b.m[1][0], b.m[1][1], b.m[1][2]}, 0, 0, -1);
}

TEST(ObjectFrameHelpers, SmallHelpers)
{
    CVector out;
    TransformNormal(&out, MakeDefaultObjectMatrix(), CVector{1, 2, 3});
    ExpectVector(out, -1, 3, 2);

    MakePerpendicular(&out, CVector{0, 0, 1});
    ExpectVector(out, 1, 0, 0);
    MakePerpendicular(&out, CVector{1, 0, 0});
    ExpectVector(out, 0, 0, 1);

    float value = 8.0f;
    DampValue(&value, 0.0f, 2.0f, 0.0f);
    EXPECT_EQ(value, 8.0f);
    DampValue(&value, 1.0f, 2.0f, 0.0f);
    EXPECT_NEAR(value, 4.0f, 1e-5f);
    DampValue(&value, 1.0f, 2.0f, 4.0f); // factor (1 + 1) x 2
    EXPECT_NEAR(value, 1.0f, 1e-5f);
    DampValue(&value, 1.0f, 0.0f, 0.0f); // a zero factor would divide by zero
    EXPECT_NEAR(value, 1.0f, 1e-5f);

    CVector lo{0, 0, 0}, hi{0, 0, 0};
    ExpandBounds({-1, 2, 0}, lo, hi);
    ExpandBounds({3, -4, 5}, lo, hi);
    ExpectVector(lo, -1, -4, 0);
    ExpectVector(hi, 3, 2, 5);
}

TEST(ObjectFrameHelpers, SortByKeyReadsEveryOtherFloat)
{
    // Pairs of (key, spare).
    const float keys[] = {5, 99, 1, -7, 3, 0, 1, 42, 9, 0};
    int index[5];
    EXPECT_EQ(SortByKey(keys, 5, index), 5);
    const int expected[] = {1, 3, 2, 0, 4};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(index[i], expected[i]) << i;
    EXPECT_EQ(SortByKey(keys, 0, index), 0);
}
