// The player's glider of the world viewer's games: its mechanoid fitted from
// a configuration row of the resource database, the glider placed for it,
// and the controls that fly it from the keyboard and the mouse.
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
// keys, menus, targets, devices, cruise or run). Fitting reads only the
// configuration row's glider, two guns, reactor, engine, shield, armour and
// first missile stock entry; the game application replaces all of it.
//
// Threads: main thread.
#pragma once

#include "foundation/Vector.h"

#include <memory>

class CGliderObject;
class CMechanoid;
class CPlayerMech;
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

// The player: mech record, mechanoid and glider (owned by the object list).
class CPlayer
{
public:
    static constexpr const char* kConfiguration = "CFG_SAMPLE_PLAYER";

    CPlayer();
    ~CPlayer();

    // Fits the mechanoid from the configuration and places a glider for it
    // at position, heading along +y turned by heading (radians towards +x);
    // the glider is added to the object list and becomes the player's.
    // False (logged) when the configuration or its glider is unknown.
    bool Create(const CVector& position, float heading, const char* configuration = kConfiguration);
    // The glider's mechanoid runs its equipment once a frame.
    void Run(float dt);
    // Forgets the glider (the object list deletes it).
    void Release();

    CGliderObject* GetGlider() const { return m_pGlider; }
    CMechanoid* GetMechanoid() const { return m_pMechanoid.get(); }

private:
    std::unique_ptr<CPlayerMech> m_pMech;
    std::unique_ptr<CMechanoid> m_pMechanoid;
    CGliderObject* m_pGlider = nullptr;
};

// Fits a mechanoid from a configuration row ("Конфигурации"); false when
// the row or its glider is unknown.
bool FitFromConfiguration(CMechanoid& mechanoid, const char* configuration);
