// CViewCamera: the view frame the terrain and the renderer draw from (one
// global, g_ViewCamera), with the view and projection matrices the
// renderer keeps with it.
//
// The frame's SetPosition is the view-matrix form (SetViewPosition): the
// translation row holds the camera placed at p as a view matrix, the
// position field p itself. A copy (the water reflection works on one)
// takes the frame, the four matrices and the trailing values.
//
// Threads: main thread only.
#pragma once

#include "world/ObjectFrame.h"

class CViewCamera : public CObjectFrame
{
public:
    // The default object frame pitched down by 1.4922565 rad.
    CViewCamera();
    CViewCamera(const CViewCamera&) = default;
    CViewCamera& operator=(const CViewCamera&) = default;
    ~CViewCamera() override = default;

    void SetPosition(const CVector& p) override { SetViewPosition(p); }
    // m_mViewProjection = view x projection.
    void UpdateViewProjection();
    // False when the sphere lies wholly outside one plane of the view
    // volume of m_mViewProjection (planes of a zero matrix count as passed).
    bool IsSphereVisible(const CVector& centre, float radius) const;
    // p through m_mViewProjection: visible when w >= 0 and |x|, |y| <= 1.02 w
    // (the margin keeps what lies just past the screen edge; NaN fails).
    bool IsPointVisible(const CVector& p) const;
    // This camera mirrored in the horizontal plane z = level, kept a proper
    // rotation: the eye goes to 2 level - z, the viewing axis and the side
    // axis are reflected, the up axis is reflected and turned over. Seen
    // through it the scene is the reflection, upside down: row r of its
    // picture is the reflection at row (height - r) of this camera's.
    // View, view-projection and inverse view follow.
    void MirrorInPlane(float level);

    float m_fValue0 = 0.0f;
    float m_fValue1 = 0.0f;
    float m_fValue2 = -1.0f;
    CVector m_vLeftDiagonal;  // normalise(-1, 1, 0)
    CVector m_vRightDiagonal; // normalise(1, 1, 0)
    CMatrix m_mView{1.0f};
    CMatrix m_mProjection{1.0f};
    CMatrix m_mViewProjection{1.0f};
    CMatrix m_mInverseView{1.0f};
};

extern CViewCamera g_ViewCamera;
