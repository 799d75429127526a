// CMechanoid: a mechanoid's equipment, cargo hold, glider record and state.
//
// Stand-in: only the link to its glider object in the world. Equipment,
// cargo (CGarbage), configuration (InitConfig), streams, price and the
// per-frame equipment run are not here yet; the units subsystem replaces
// this file.
#pragma once

class CGliderObject;

class CMechanoid
{
public:
    CMechanoid() = default;

    // The glider object while one is in the world, else null.
    CGliderObject* m_pGlider = nullptr;
};
