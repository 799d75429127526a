// CSoundPointObject: an ambient sound point (type 24). While the camera is
// within its radius it sounds: continuously for LENGTH seconds, silent for
// PERIOD seconds, and so on (with RANDOM each span is drawn between half
// and the whole of its value). A camera further than twice the radius
// resets it; a point without a sound deletes itself on its first run.
//
// Times come from the frame timer, the camera from the object view.
// Threads: main thread.
#pragma once

#include "world/MMObject.h"

#include <cfloat>
#include <cstdint>

struct SSoundZoneType;

class CSoundPointObject : public CMMObject
{
public:
    CSoundPointObject();
    ~CSoundPointObject() override;

    void Init(const CMatrix* placement, const char* typeName);
    // Step with the frame timer's frame time.
    void Run() override;
    void Step(float dt);
    // Radius = axis length x 100.
    virtual void UpdateRadius();

    const SSoundZoneType* m_pZoneType = nullptr;
    std::int32_t m_nSound = -1;
    std::uint8_t m_bSounding = 0;
    float m_fSilence = 0.0f;
    float m_fPlay = 0.0f;
    float m_fHearing2 = FLT_MAX;
    std::int32_t m_nSource = -1;
    bool m_bFirstRun = true;

private:
    void ReleaseSource();
};
