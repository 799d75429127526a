// CPhysics: the motion of dynamic objects, stepped by the object list's
// pre-move and move passes (g_pPhysics).
//
// Only the entry points the object list calls exist yet; they leave the
// object as it is until the motion itself is built. A test may install a
// recording physics through g_pPhysics.
//
// Threads: main thread.
#pragma once

class CDynamicObject;

class CPhysics
{
public:
    virtual ~CPhysics() = default;
    virtual void PreMove(CDynamicObject* /*object*/, float /*dt*/) {}
    virtual void Move(CDynamicObject* /*object*/, float /*dt*/) {}
};

// The physics the object list steps through (never null).
extern CPhysics* g_pPhysics;
