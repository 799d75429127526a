#include "world/ObjectFrame.h"

#include "foundation/Graphic.h"

#include <cmath>

using namespace plat::d3d;

float Dot(const CVector& a, const CVector& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

namespace
{

CVector Cross(const CVector& a, const CVector& b)
{
    CVector out;
    VectorCross(&out, &a, &b);
    return out;
}

} // namespace

CMatrix MakeDefaultObjectMatrix()
{
    CMatrix m;
    m.m[0][0] = -1.0f;
    m.m[1][2] = 1.0f;
    m.m[2][1] = 1.0f;
    m.m[3][3] = 1.0f;
    return m;
}

CObjectFrame::CObjectFrame() : m_Matrix(MakeDefaultObjectMatrix()) {}

void CObjectFrame::SetPosition(const CVector& p)
{
    m_vPosition = p;
    m_Matrix.m[3][0] = p.x;
    m_Matrix.m[3][1] = p.y;
    m_Matrix.m[3][2] = p.z;
}

void CObjectFrame::SetMatrix(const CMatrix& m, bool takePosition)
{
    m_Matrix = m;
    if (takePosition) m_vPosition = CVector{m.m[3][0], m.m[3][1], m.m[3][2]};
}

void CObjectFrame::RotateZ(float a)
{
    CMatrix rz(1.0f);
    const float c = std::cos(a);
    const float s = std::sin(a);
    rz.m[0][0] = c;
    rz.m[0][1] = s;
    rz.m[1][0] = -s;
    rz.m[1][1] = c;
    MatrixMultiply(&m_Matrix, &rz, &m_Matrix);
}

void CObjectFrame::RotateX(float a)
{
    CMatrix rx(1.0f);
    const float c = std::cos(a);
    const float s = std::sin(a);
    rx.m[1][1] = c;
    rx.m[1][2] = -s;
    rx.m[2][1] = s;
    rx.m[2][2] = c;
    m_Matrix.MultiplyRotation(rx);
}

void CObjectFrame::Assign(const CObjectFrame& f)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            m_Matrix.m[r][c] = f.m_Matrix.m[r][c];
    // The row, not f's position: a view frame keeps its eye point in the
    // position field and the view translation in the row.
    SetPosition(CVector{f.m_Matrix.m[3][0], f.m_Matrix.m[3][1], f.m_Matrix.m[3][2]});
}

void CObjectFrame::SetViewPosition(const CVector& p)
{
    m_vPosition = p;
    for (int c = 0; c < 3; ++c)
        m_Matrix.m[3][c] = -(p.x * m_Matrix.m[0][c] + p.y * m_Matrix.m[1][c] + p.z * m_Matrix.m[2][c]);
}

void CObjectFrame::UpdateAxes()
{
    m_vForward = CVector{m_Matrix.m[0][2], m_Matrix.m[1][2], m_Matrix.m[2][2]};
    m_vUp = CVector{m_Matrix.m[0][1], m_Matrix.m[1][1], m_Matrix.m[2][1]};
    m_vSide = CVector{m_Matrix.m[0][0], m_Matrix.m[1][0], m_Matrix.m[2][0]};
}

void CObjectFrame::RebuildMatrix()
{
    m_Matrix = CMatrix(1.0f);
    const CVector* columns[3] = {&m_vSide, &m_vUp, &m_vForward};
    for (int c = 0; c < 3; ++c)
    {
        m_Matrix.m[0][c] = columns[c]->x;
        m_Matrix.m[1][c] = columns[c]->y;
        m_Matrix.m[2][c] = columns[c]->z;
    }
    m_Matrix.SetTranslation(m_vPosition);
}

void CObjectFrame::SetForward(const CVector& f)
{
    UpdateAxes();
    // A zero direction has no heading: the frame stays as it is.
    if (f.x == 0.0f && f.y == 0.0f && f.z == 0.0f) return;
    m_vForward = f;
    const bool vertical = f.x * f.x + f.y * f.y < 1e-12f;
    if (f.z == 1.0f || (vertical && f.z > 0.0f))
    {
        m_vUp = CVector{0.0f, 1.0f, 0.0f};
        m_vSide = CVector{1.0f, 0.0f, 0.0f};
    }
    else if (vertical)
    {
        // Straight down: z x f vanishes and would leave zero axes. Take the
        // limit of a forward leaning towards +y instead.
        m_vSide = CVector{-1.0f, 0.0f, 0.0f};
        m_vUp = CVector{0.0f, 1.0f, 0.0f};
    }
    else
    {
        m_vSide = Normalize(CVector{-f.y, f.x, 0.0f});
        m_vUp = Normalize(Cross(f, m_vSide));
    }
    RebuildMatrix();
}

void CObjectFrame::CopyTransform(const CObjectFrame& f)
{
    m_Matrix = f.m_Matrix;
    m_vPosition = f.m_vPosition;
    m_vForward = f.m_vForward;
    m_vUp = f.m_vUp;
    m_vSide = f.m_vSide;
}

CVector* TransformNormal(CVector* out, const CMatrix& m, const CVector& v)
{
    const CVector in = v;
    out->x = m.m[0][0] * in.x + m.m[0][1] * in.y + m.m[0][2] * in.z;
    out->y = m.m[1][0] * in.x + m.m[1][1] * in.y + m.m[1][2] * in.z;
    out->z = m.m[2][0] * in.x + m.m[2][1] * in.y + m.m[2][2] * in.z;
    return out;
}

void InvertMatrix(const CMatrix& in, CMatrix& out)
{
    const auto& a = in.m;
    const double det = double(a[0][0]) * (double(a[1][1]) * a[2][2] - double(a[1][2]) * a[2][1]) -
                       double(a[0][1]) * (double(a[1][0]) * a[2][2] - double(a[1][2]) * a[2][0]) +
                       double(a[0][2]) * (double(a[1][0]) * a[2][1] - double(a[1][1]) * a[2][0]);
    // A singular block (a zero-scaled object, a collapsed frame) would
    // divide by zero and spread NaN through everything placed with it.
    if (!std::isfinite(det) || std::fabs(det) < 1e-12)
    {
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                out.m[r][c] = r == c ? 1.0f : 0.0f;
        return;
    }
    CMatrix adj = in;
    CMatrix::InvertRotation(in, adj);
    const float k = float(1.0 / det);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out.m[r][c] = adj.m[r][c] * k;
}

CVector* MakePerpendicular(CVector* out, const CVector& d)
{
    const CVector a = std::fabs(d.x) < 1e-5f ? CVector{1.0f, 0.0f, 0.0f} : CVector{0.0f, 0.0f, 1.0f};
    *out = Normalize(a - d * Dot(a, d));
    return out;
}

void BuildFacingMatrix(const CVector& p, const CVector& q, CMatrix& out, const CVector& up)
{
    CVector d = Normalize(p - q);
    if (d.LengthSq() == 0.0f) d = CVector{0.0f, 0.0f, 1.0f};
    CVector u = Normalize(up - d * Dot(d, up));
    // An up along the view direction leaves nothing to make perpendicular.
    if (u.LengthSq() == 0.0f) MakePerpendicular(&u, d);
    const CVector s = Cross(u, d);
    // The block whose columns are s, u, d is orthonormal with determinant 1,
    // so its transposed inverse has them as rows.
    const CVector* rows[3] = {&s, &u, &d};
    for (int r = 0; r < 3; ++r)
    {
        out.m[r][0] = rows[r]->x;
        out.m[r][1] = rows[r]->y;
        out.m[r][2] = rows[r]->z;
    }
    out.m[3][0] = p.x;
    out.m[3][1] = p.y;
    out.m[3][2] = p.z;
}

void BuildBillboardMatrix(const CVector& p, const CVector& eye, CMatrix& out)
{
    BuildFacingMatrix(p, eye, out, CVector{0.0f, 0.0f, -1.0f});
}

void MakeAtlasFrameMatrix(int columns, int rows, int frame)
{
    if (columns <= 0 || rows <= 0) return;
    MakeTextureWindowMatrix(1.0f / float(columns), 1.0f / float(rows),
                            float(frame % columns) / float(columns), float(frame / columns) / float(rows));
}

void MakeTextureWindowMatrix(float su, float sv, float ou, float ov)
{
    if (!graph.m_lpDevice) return;
    SMatrix m = IdentityMatrix();
    m.m[0][0] = su;
    m.m[1][1] = sv;
    m.m[2][0] = ou;
    m.m[2][1] = ov;
    graph.m_lpDevice->SetTransform(D3DTS_TEXTURE0, &m);
    graph.m_lpDevice->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
}

void DisableTextureTransform()
{
    if (graph.m_lpDevice)
        graph.m_lpDevice->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
}

void DampValue(float* value, float dt, float base, float scale)
{
    const float factor = scale != 0.0f ? (std::fabs(*value / scale) + 1.0f) * base : base;
    if (!(factor > 0.0f)) return;
    *value = *value / std::exp2(dt * std::log2(factor));
}

int SortByKey(const float* keys, int n, int* index)
{
    for (int i = 0; i < n; ++i)
        index[i] = i;
    for (int gap = n / 2; gap > 0; gap /= 2)
    {
        for (int i = gap; i < n; ++i)
        {
            const int moving = index[i];
            const float key = keys[2 * moving];
            int j = i;
            while (j >= gap && key < keys[2 * index[j - gap]])
            {
                index[j] = index[j - gap];
                j -= gap;
            }
            index[j] = moving;
        }
    }
    return n;
}

void ExpandBounds(const CVector& p, CVector& min, CVector& max)
{
    if (p.x < min.x) min.x = p.x;
    if (p.y < min.y) min.y = p.y;
    if (p.z < min.z) min.z = p.z;
    if (p.x > max.x) max.x = p.x;
    if (p.y > max.y) max.y = p.y;
    if (p.z > max.z) max.z = p.z;
}
