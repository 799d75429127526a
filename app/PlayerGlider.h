// The controls that fly the player's glider from the keyboard and the mouse.
//
// CPlayerControls maps the input device to the actions of the default
// bindings (W or Up forward, S or Down back, Left and Right turn, A and D
// strafe, Left Ctrl or the left mouse button fire, Right Shift or the right
// mouse button the heavy gun, Caps Lock or the middle mouse button rockets,
// Space jump, U the headlight) and turns them into the glider's sight
// steering, traction, strafe, jump, fire and headlight switch.
//
// Stand-in: the bindings are the defaults (no "cfg.ini" [INPUT] section,
// no joystick, no typed codes, no force feedback); of the player's input
// only the steering, thrust and strafe, jump and fire are here (no camera
// keys, menus, targets, devices, cruise or run); the game's input
// configuration replaces it.
//
// Threads: main thread.
#pragma once

#include "foundation/Vector.h"

class CGliderObject;
class IInput;

// The actions of one frame, as the input configuration builds them.
struct SPlayerActions
{
    float thrust = 0.0f;
    float turn = 0.0f;
    float strafe = 0.0f;
    float lookHorizontal = 0.0f;
    float lookVertical = 0.0f;
    bool fire = false;
    bool fireAlt = false;
    bool rocket = false;
    bool jumpPressed = false;
    bool nightLight = false;
};

class CPlayerControls
{
public:
    static constexpr float kMouseSensitivity = 6.0f; // the file's default 5, plus 1

    // The action state of this frame from the device (already updated).
    static SPlayerActions ReadActions(IInput& input);
    // Steers, drives, jumps and fires the glider.
    void Apply(const SPlayerActions& a, CGliderObject& glider, float dt);

    float m_fSightH = 0.0f;
    float m_fSightV = 0.0f;
};
