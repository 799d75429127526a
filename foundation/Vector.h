// The engine's 3-D arithmetic: CVector (three floats) and CMatrix (4x4,
// row-major, row vectors multiplied on the left: v' = v x M), matching the
// Direct3D pipeline the engine draws with.
#pragma once

struct CVector
{
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct CMatrix
{
    float m[4][4] = {};

    CMatrix() = default;
    // Diagonal s, s, s, 1.
    explicit CMatrix(float s);
};

// out = a x b; out must be a third matrix, not one of the inputs.
CMatrix* MatrixMultiply(CMatrix* out, const CMatrix* a, const CMatrix* b);
