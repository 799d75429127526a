#include "location/ViewCamera.h"

#include <cmath>

CViewCamera g_ViewCamera;

CViewCamera::CViewCamera()
{
    m_vLeftDiagonal = Normalize(CVector{-1.0f, 1.0f, 0.0f});
    m_vRightDiagonal = Normalize(CVector{1.0f, 1.0f, 0.0f});
    // The frame leaves its axes unset; take them from the default matrix
    // before rebuilding, or the rebuilt matrix would be empty.
    UpdateAxes();
    RebuildMatrix();
    RotateX(-1.4922565f);
}

void CViewCamera::UpdateViewProjection()
{
    MatrixMultiply(&m_mViewProjection, &m_mView, &m_mProjection);
}

bool CViewCamera::IsSphereVisible(const CVector& c, float radius) const
{
    const auto& m = m_mViewProjection.m;
    // Planes of a row-vector clip matrix: w + x, w - x, w + y, w - y, z, w - z.
    static constexpr int kPlanes[6][2] = {{0, 1}, {0, -1}, {1, 1}, {1, -1}, {2, 0}, {2, -1}};
    for (const auto& plane : kPlanes)
    {
        float p[4];
        for (int row = 0; row < 4; ++row)
        {
            const float axis = m[row][plane[0]];
            p[row] = plane[1] == 0 ? axis : m[row][3] + float(plane[1]) * axis;
        }
        const float length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        if (length == 0.0f) continue;
        if ((p[0] * c.x + p[1] * c.y + p[2] * c.z + p[3]) / length < -radius) return false;
    }
    return true;
}

bool CViewCamera::IsPointVisible(const CVector& p) const
{
    const auto& m = m_mViewProjection.m;
    const float x = p.x * m[0][0] + p.y * m[1][0] + p.z * m[2][0] + m[3][0];
    const float y = p.x * m[0][1] + p.y * m[1][1] + p.z * m[2][1] + m[3][1];
    const float w = p.x * m[0][3] + p.y * m[1][3] + p.z * m[2][3] + m[3][3];
    return w >= 0.0f && std::fabs(x) <= 1.02f * w && std::fabs(y) <= 1.02f * w;
}

void CViewCamera::MirrorInPlane(float level)
{
    UpdateAxes();
    CVector eye = m_vPosition;
    eye.z = 2.0f * level - eye.z;
    m_vSide.z = -m_vSide.z;
    m_vForward.z = -m_vForward.z;
    m_vUp = CVector{-m_vUp.x, -m_vUp.y, m_vUp.z};
    const CVector* columns[3] = {&m_vSide, &m_vUp, &m_vForward};
    for (int c = 0; c < 3; ++c)
    {
        m_Matrix.m[0][c] = columns[c]->x;
        m_Matrix.m[1][c] = columns[c]->y;
        m_Matrix.m[2][c] = columns[c]->z;
    }
    SetViewPosition(eye);
    m_mView = m_Matrix;
    UpdateViewProjection();
    InvertMatrix(m_mView, m_mInverseView);
}
