// The engine's 3-D arithmetic, with the conventions of the Direct3D pipeline
// the engine draws with: left-handed coordinates, row vectors multiplied on
// the left (v' = v x M), matrices row-major with the translation in row 3
// (m[3][0..2]) and m[3][3] = 1 for an affine matrix. Storage is single
// precision; sums may be formed in double.
//
// Also here: float-to-integer rounding, the float sign and rectangles. Pure
// value types; any thread.
#pragma once

#include "platform/Types.h"

#include <cstdint>

struct CVector
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    CVector operator-(const CVector& b) const { return CVector{x - b.x, y - b.y, z - b.z}; }
    CVector operator+(const CVector& b) const { return CVector{x + b.x, y + b.y, z + b.z}; }
    CVector operator*(float s) const { return CVector{x * s, y * s, z * s}; }
    CVector operator-() const { return CVector{-x, -y, -z}; }
    CVector& operator*=(float s);
    CVector& operator+=(const CVector& b);

    float Length() const;
    float LengthSq() const { return x * x + y * y + z * z; }
};
static_assert(sizeof(CVector) == 12);

inline CVector operator*(float s, const CVector& v)
{
    return v * s;
}

struct CMatrix
{
    float m[4][4] = {};

    CMatrix() = default;
    // All zero, then m[0][0] = m[1][1] = m[2][2] = s and m[3][3] = 1.
    explicit CMatrix(float s);

    // Row 3 = (t, 1); m[0..2][3] = 0.
    void SetTranslation(const CVector& t);
    // Rotation about X (Z) by a radians applied to the current diagonal:
    // on a scale matrix this gives scale with rotation.
    void SetRotationX(float a);
    void SetRotationZ(float a);
    // dst's 3x3 block = the adjugate of src's 3x3 block (not divided by the
    // determinant: the inverse for a pure rotation). dst's other elements
    // are left alone. src and dst may be the same matrix.
    static void InvertRotation(const CMatrix& src, CMatrix& dst);
    // This 3x3 block becomes this x b (3x3 blocks); the translation row
    // stays, m[0..2][3] = 0 and m[3][3] = 1.
    void MultiplyRotation(const CMatrix& b);
    // Multiplies the three direction rows (rows 0-2, columns 0-2) by factor.
    void ScaleRotation(float factor);
};
static_assert(sizeof(CMatrix) == 64);

// out = a x b (4x4). out may be a or b.
CMatrix* MatrixMultiply(CMatrix* out, const CMatrix* a, const CMatrix* b);
// out's 3x3 block = a's x b's; every other element of out is 0, m[3][3]
// included. out may be a or b.
CMatrix* MatrixMultiply3x3(CMatrix* out, const CMatrix* a, const CMatrix* b);

// out = a x b; returns out. out may be a or b.
CVector* VectorCross(CVector* out, const CVector* a, const CVector* b);
// out = (v, 1) x M without the division by w; out may be v.
CVector* VectorTransformCoord(CVector* out, const CMatrix* m, const CVector* v);
// out = v x the 3x3 block of M (no translation); out may be v.
CVector* VectorTransformNormal(CVector* out, const CMatrix* m, const CVector* v);

// v divided by its length; a vector of length 0 is returned unchanged.
CVector Normalize(const CVector& v);
// Normalises the three direction rows of a matrix in place.
void NormalizeMatrixRows(CMatrix* m);

// Nearest integer, halves away from zero.
int RoundToInt(float x);
// -1.0 for v <= 0 (and NaN), else +1.0.
inline float FloatSign(float v)
{
    return v > 0.0f ? 1.0f : -1.0f;
}

// {x, y, x + width, y + height}; returns out.
plat::Rect* MakeRect(plat::Rect* out, int x, int y, int width, int height);
