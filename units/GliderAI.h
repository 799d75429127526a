// IGliderAI: what a glider of the world asks of the AI that steers it (the
// per-mechanoid AI, society/BasicAI.h, which sits above the units).
//
// The glider owns its AI and deletes it with itself; it calls Run every
// frame while it is local and its mechanoid lives, OnHit and OnGroupHit when
// it is hit by a glider that has a mech record, and OnCollision when it runs into a
// glider. Threads: main thread.
#pragma once

class CMech;

class IGliderAI
{
public:
    virtual ~IGliderAI() = default;
    virtual void Run() = 0;
    // attacker: the mech record of the glider that hit; damage as the
    // glider passes it on (collisions squared down).
    virtual void OnHit(CMech* attacker, float damage) = 0;
    // Called from the collision pass, which goes on with its copies of the
    // objects afterwards (CMMObject::SetColissionObject): it must not
    // change any object of the world.
    virtual void OnCollision(CMech* other) = 0;
    // Then the glider's group hears of the same hit; true when the group is
    // the player's escort (under the player's command).
    virtual bool OnGroupHit(CMech* attacker, float damage) = 0;
};
