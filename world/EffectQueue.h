// The seam through which world objects queue their transparent parts for
// the effect pass: the location's effect render manager implements it and
// installs itself (g_pEffectQueue). Queued objects are drawn farthest first
// after the scene, each through its DrawEffect(pass).
//
// Without an installed queue an object's effect is drawn at once.
//
// Ownership: the installer uninstalls (null) before it is destroyed.
// Threads: main thread only.
#pragma once

#include <cstdint>

class CMMObject;

class IEffectQueue
{
public:
    virtual ~IEffectQueue() = default;
    // Queues the object's effect under key (the squared distance to the
    // camera, or 0), or draws it at once while the queue is not deferring.
    virtual void AddObject(float key, CMMObject* object, std::uint32_t pass) = 0;
};

extern IEffectQueue* g_pEffectQueue;

// Queues the object's effect keyed by its squared distance to the viewer.
void QueueEffect(CMMObject* object, std::uint32_t pass);
