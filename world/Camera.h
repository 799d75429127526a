// CCamera: the camera as a world object of its own (type 6), run and moved
// by the object list like any dynamic object. Seven modes (g_CameraMode)
// decide how it follows, orbits, looks at or rides on a target (usually
// the player's glider):
//   0 follow: takes the follow target's frame each frame;
//   1 orbit: behind and above the target, turned with its heading;
//   2 free, moved by the physics, kept within 750 units of the glider
//     (unless set free: the player's death camera);
//   3 free with a target, 4 still and looking at the target;
//   5 riding on the target with the offset and rotation it had when attached;
//   6 as 0, the target shown and the camera's owner, no physics.
// Each frame Run keeps it at least 5 units above the ground and UpdateView
// hands its frame to the view camera (IViewCamera, installed by the
// location's view camera).
//
// Stream record: the dynamic object's (108 bytes), the mode (u32) and the
// three mode parameters (3 floats): 124 bytes.
//
// Ownership: the application owns the camera; targets are not owned (the
// application resets the mode when a target goes). Threads: main thread.
#pragma once

#include "world/DynamicObject.h"

class IViewCamera
{
public:
    virtual ~IViewCamera() = default;
    // Rows 0-2 of the camera's matrix become the view's, the view is placed
    // at the camera's translation row, and the view's derived matrices and
    // the device's view transform are brought up to date.
    virtual void TakeCameraFrame(const CObjectFrame& frame) = 0;
    // The view's position alone (the world running ahead puts it far off).
    virtual void SetViewPosition(const CVector& position) = 0;
};

extern IViewCamera* g_pViewCamera;
extern int g_CameraMode;

class CCamera : public CDynamicObject
{
public:
    static constexpr float kFreeRange = 750.0f;
    static constexpr float kGroundClearance = 5.0f;
    static constexpr int kModeRecordSize = 16;

    CCamera();

    void SetFollowMode(CMMObject* target);
    void SetOrbitMode(CMMObject* target);
    // Unleashed, the free camera may go farther than kFreeRange from the
    // glider (the player's death step sends it to the last attacker).
    void SetMode2(bool leashed = true);
    void SetMode3(CMMObject* target);
    void SetMode4(CMMObject* target);
    // Mode 5: rides on target from where it is now.
    void Attach(CMMObject* target);
    void SetMode6(CMMObject* target);
    // Re-applies g_CameraMode (0-6; others nothing) with the player's glider.
    void RestoreMode();

    void Run() override;
    // Once per frame after the objects have run.
    void UpdateView();
    // velocity = -v x (3 / mass) x side axis.
    void SidePush(float v) override;
    void ProcessDelete(CMMObject* deleted) override;
    void SaveToStream(CMemStream& stream, int* size, bool stateOnly) override;
    void LoadFromStream(CMemStream& stream, int* size, bool stateOnly) override;

    CMMObject* m_pFollowTarget = nullptr;
    CMMObject* m_pModeTarget = nullptr;
    CMatrix m_mRelative{1.0f};
    // Mode 1: distance, second and height factors; mode 5: the offset from
    // the target in the target's axes.
    float m_fModeParams[3] = {10.0f, 10.0f, 6.0f};
    // Mode 2 keeps within kFreeRange of the player's glider (SetMode2).
    bool m_bLeashed = true;

private:
    struct SValues;
    void Apply(const SValues& v);
};
