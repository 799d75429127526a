// What the player's mechanoid hands to the head-up display: the shield,
// hull and equipment hit amounts and the environment damage total, and the
// hits by direction sector around the glider. The mechanoid adds to them
// and decays them every step; drawing them is the HUD's matter.
//
// The cockpit's panels read them (hud/Cockpit.cpp).
#pragma once

enum EPlayerHit
{
    HIT_SHIELD = 0,
    HIT_HULL = 1,
    HIT_EQUIPMENT = 2,
    HIT_ENVIRONMENT = 3,
};

inline float g_PlayerHitIndicators[4] = {};
inline float g_PlayerHitRing[56] = {};
