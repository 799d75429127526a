#include "foundation/Vector.h"

#include <climits>
#include <cmath>

CVector& CVector::operator*=(float s)
{
    x *= s;
    y *= s;
    z *= s;
    return *this;
}

CVector& CVector::operator+=(const CVector& b)
{
    x += b.x;
    y += b.y;
    z += b.z;
    return *this;
}

float CVector::Length() const
{
    return std::sqrt(x * x + y * y + z * z);
}

CMatrix::CMatrix(float s)
{
    m[0][0] = m[1][1] = m[2][2] = s;
    m[3][3] = 1.0f;
}

void CMatrix::SetTranslation(const CVector& t)
{
    m[3][0] = t.x;
    m[3][1] = t.y;
    m[3][2] = t.z;
    m[3][3] = 1.0f;
    m[0][3] = m[1][3] = m[2][3] = 0.0f;
}

void CMatrix::SetRotationX(float a)
{
    const float c = std::cos(a);
    const float s = std::sin(a);
    // The diagonal carries the scale, so the rotation is built from it.
    m[1][2] = -s * m[1][1];
    m[1][1] = c * m[1][1];
    m[2][1] = s * m[2][2];
    m[2][2] = c * m[2][2];
}

void CMatrix::SetRotationZ(float a)
{
    const float c = std::cos(a);
    const float s = std::sin(a);
    m[0][1] = -s * m[0][0];
    m[0][0] = c * m[0][0];
    m[1][0] = s * m[1][1];
    m[1][1] = c * m[1][1];
}

void CMatrix::InvertRotation(const CMatrix& src, CMatrix& dst)
{
    const auto& a = src.m;
    float adj[3][3];
    // Transposed cofactors: adj[r][c] is the cofactor of a[c][r].
    adj[0][0] = a[1][1] * a[2][2] - a[1][2] * a[2][1];
    adj[0][1] = a[0][2] * a[2][1] - a[0][1] * a[2][2];
    adj[0][2] = a[0][1] * a[1][2] - a[0][2] * a[1][1];
    adj[1][0] = a[1][2] * a[2][0] - a[1][0] * a[2][2];
    adj[1][1] = a[0][0] * a[2][2] - a[0][2] * a[2][0];
    adj[1][2] = a[0][2] * a[1][0] - a[0][0] * a[1][2];
    adj[2][0] = a[1][0] * a[2][1] - a[1][1] * a[2][0];
    adj[2][1] = a[0][1] * a[2][0] - a[0][0] * a[2][1];
    adj[2][2] = a[0][0] * a[1][1] - a[0][1] * a[1][0];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            dst.m[r][c] = adj[r][c];
}

void CMatrix::MultiplyRotation(const CMatrix& b)
{
    CMatrix product;
    MatrixMultiply3x3(&product, this, &b);
    for (int r = 0; r < 3; ++r)
    {
        for (int c = 0; c < 3; ++c)
            m[r][c] = product.m[r][c];
        m[r][3] = 0.0f;
    }
    m[3][3] = 1.0f;
}

void CMatrix::ScaleRotation(float factor)
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            m[r][c] *= factor;
}

CMatrix* MatrixMultiply(CMatrix* out, const CMatrix* a, const CMatrix* b)
{
    CMatrix product;
    for (int r = 0; r < 4; ++r)
    {
        for (int c = 0; c < 4; ++c)
        {
            product.m[r][c] = a->m[r][0] * b->m[0][c] + a->m[r][1] * b->m[1][c] + a->m[r][2] * b->m[2][c] +
                              a->m[r][3] * b->m[3][c];
        }
    }
    *out = product;
    return out;
}

CMatrix* MatrixMultiply3x3(CMatrix* out, const CMatrix* a, const CMatrix* b)
{
    CMatrix product; // all zero, m[3][3] included
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            product.m[r][c] = a->m[r][0] * b->m[0][c] + a->m[r][1] * b->m[1][c] + a->m[r][2] * b->m[2][c];
    *out = product;
    return out;
}

CVector* VectorCross(CVector* out, const CVector* a, const CVector* b)
{
    const CVector result{a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x};
    *out = result;
    return out;
}

CVector* VectorTransformCoord(CVector* out, const CMatrix* m, const CVector* v)
{
    const auto& t = m->m;
    const CVector result{v->x * t[0][0] + v->y * t[1][0] + v->z * t[2][0] + t[3][0],
                         v->x * t[0][1] + v->y * t[1][1] + v->z * t[2][1] + t[3][1],
                         v->x * t[0][2] + v->y * t[1][2] + v->z * t[2][2] + t[3][2]};
    *out = result;
    return out;
}

CVector* VectorTransformNormal(CVector* out, const CMatrix* m, const CVector* v)
{
    const auto& t = m->m;
    const CVector result{v->x * t[0][0] + v->y * t[1][0] + v->z * t[2][0],
                         v->x * t[0][1] + v->y * t[1][1] + v->z * t[2][1],
                         v->x * t[0][2] + v->y * t[1][2] + v->z * t[2][2]};
    *out = result;
    return out;
}

CVector Normalize(const CVector& v)
{
    const float length = v.Length();
    if (length == 0.0f) return v;
    return v * (1.0f / length);
}

void NormalizeMatrixRows(CMatrix* m)
{
    for (int r = 0; r < 3; ++r)
    {
        const CVector row = Normalize(CVector{m->m[r][0], m->m[r][1], m->m[r][2]});
        m->m[r][0] = row.x;
        m->m[r][1] = row.y;
        m->m[r][2] = row.z;
    }
}

int RoundToInt(float x)
{
    // Out-of-range and NaN inputs would make the conversion undefined; they
    // saturate (NaN gives 0) instead.
    if (!(x == x)) return 0;
    const double shifted = x > 0.0f ? static_cast<double>(x) + 0.5 : static_cast<double>(x) - 0.5;
    if (shifted >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (shifted <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(shifted);
}

plat::Rect* MakeRect(plat::Rect* out, int x, int y, int width, int height)
{
    out->left = x;
    out->top = y;
    out->right = x + width;
    out->bottom = y + height;
    return out;
}
