#include "foundation/Vector.h"

CMatrix::CMatrix(float s)
{
    m[0][0] = m[1][1] = m[2][2] = s;
    m[3][3] = 1.0f;
}

CMatrix* MatrixMultiply(CMatrix* out, const CMatrix* a, const CMatrix* b)
{
    for (int r = 0; r < 4; ++r)
    {
        for (int c = 0; c < 4; ++c)
        {
            out->m[r][c] = a->m[r][0] * b->m[0][c] + a->m[r][1] * b->m[1][c] + a->m[r][2] * b->m[2][c] +
                           a->m[r][3] * b->m[3][c];
        }
    }
    return out;
}
