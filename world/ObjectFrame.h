// CObjectFrame: the placement of every placed thing of a location (world
// objects, the camera, system points, helper marks), and the small geometric
// helpers the object code builds orientation, billboard and texture matrices
// with.
//
// A frame is a 4x4 matrix in the base library's convention (row vectors,
// translation in row 3, m33 = 1), a position and three axis vectors that
// cache matrix columns: forward = column 2, up = column 1, side = column 0.
// The axes are valid after UpdateAxes, SetForward and CopyTransform;
// RebuildMatrix writes them back. World z is up; the default object matrix
// faces +y (x negated, y and z swapped).
//
// Ownership: plain value; derived frames (the view camera) replace
// SetPosition. Threads: main thread (the location loader fills frames
// before the game frame runs).
#pragma once

#include "foundation/Vector.h"

class CObjectFrame
{
public:
    // The default object matrix and the zero position; the axes are left
    // unset (call UpdateAxes when they are needed).
    CObjectFrame();
    virtual ~CObjectFrame() = default;
    CObjectFrame(const CObjectFrame&) = default;
    CObjectFrame& operator=(const CObjectFrame&) = default;

    // position = p and the translation row = p.
    virtual void SetPosition(const CVector& p);
    // All 16 elements from m; with takePosition, position = m's row 3.
    virtual void SetMatrix(const CMatrix& m, bool takePosition);

    // Heading turn by a radians: matrix = Rz x matrix (4x4, row 3 kept).
    void RotateZ(float a);
    // Pitch turn by a radians: the 3x3 block = block x Rx.
    void RotateX(float a);
    // Rows 0-2 of f, then the virtual SetPosition with f's translation row.
    void Assign(const CObjectFrame& f);
    // The view-matrix form of a camera placed at p.
    void SetViewPosition(const CVector& p);
    // Axes from the matrix columns.
    void UpdateAxes();
    // Matrix from the axes and the position.
    void RebuildMatrix();
    // Faces f with z as up; a vertical f gets a fixed heading (never NaN).
    void SetForward(const CVector& f);
    // Matrix, position and axes of f.
    void CopyTransform(const CObjectFrame& f);

    CMatrix m_Matrix;
    CVector m_vPosition;
    CVector m_vForward;
    CVector m_vUp;
    CVector m_vSide;
};

// a . b
float Dot(const CVector& a, const CVector& b);
// Rows (-1,0,0,0), (0,0,1,0), (0,1,0,0), (0,0,0,1).
CMatrix MakeDefaultObjectMatrix();

// out_i = m_i0 v.x + m_i1 v.y + m_i2 v.z: the rotation block applied with v
// as a column (no translation). out may be v.
CVector* TransformNormal(CVector* out, const CMatrix& m, const CVector& v);
// out's 3x3 block = the inverse of in's 3x3 block; other elements of out
// untouched. A singular block gives the identity block. in may be out.
void InvertMatrix(const CMatrix& in, CMatrix& out);
// Rows 0-2 of out = side, up, d with d = Normalize(p - q) and up made
// perpendicular to d; out's row 3 = p; column 3 is not written. A
// degenerate direction or up still gives an orthonormal block.
void BuildFacingMatrix(const CVector& p, const CVector& q, CMatrix& out, const CVector& up);
// BuildFacingMatrix with q = eye and up = (0, 0, -1).
void BuildBillboardMatrix(const CVector& p, const CVector& eye, CMatrix& out);
// A unit vector perpendicular to the unit vector d.
CVector* MakePerpendicular(CVector* out, const CVector& d);
// Texture transform of stage 0 selecting frame `frame` of a columns x rows
// atlas, with two-coordinate texture-transform flags; nothing without a device.
void MakeAtlasFrameMatrix(int columns, int rows, int frame);
// Texture transform of stage 0 mapping (u, v) to (su u + ou, sv v + ov),
// with two-coordinate texture-transform flags; nothing without a device.
void MakeTextureWindowMatrix(float su, float sv, float ou, float ov);
// Texture-transform flags of stage 0 back to disabled.
void DisableTextureTransform();
// Frame-rate independent decay: *value /= ((|*value / scale| + 1) x base)^dt
// (base alone when scale is 0). A factor that is not positive leaves the
// value alone.
void DampValue(float* value, float dt, float base, float scale);
// index = 0..n-1 sorted ascending by keys[2 x index] (shell sort, gaps n/2,
// n/4, ..., 1; equal keys keep their order within a gap); returns n.
int SortByKey(const float* keys, int n, int* index);
// Grows the box [min, max] to hold p.
void ExpandBounds(const CVector& p, CVector& min, CVector& max);
