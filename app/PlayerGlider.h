// The player's glider of the world viewer's games: its mechanoid fitted from
// a configuration row of the resource database and the glider placed for
// it. The player flies it through the application's player input
// (CMMApp::ProcessInput, app/MMApp_Input.cpp).
//
// Stand-in: fitting reads only the configuration row's glider, two guns,
// reactor, engine, shield, armour and first missile stock entry; the game
// application replaces all of it.
//
// Threads: main thread.
#pragma once

#include "foundation/Vector.h"

#include <memory>

class CGliderObject;
class CMechanoid;
class CPlayerMech;

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
