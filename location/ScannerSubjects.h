// What the scanner strip asks of the objects it shows that only the units
// and the buildings know: the player's glider (left out), a glider's pilot
// value and whether it fires, a building type's scanner flag, and whether a
// pick-up thing is shown (below the money kinds and not marked). The units
// install an implementation (g_pScannerSubjects); without one no glider is
// the player's, pilots are 0, nobody fires, no building is flagged and every
// thing is shown.
//
// Threads: main thread.
#pragma once

class CMMObject;

class IScannerSubjects
{
public:
    virtual ~IScannerSubjects() = default;
    virtual const CMMObject* GetPlayerGlider() = 0;
    virtual int GetPilotValue(const CMMObject* glider) = 0;
    virtual bool IsFiring(const CMMObject* glider) = 0;
    virtual bool HasScannerFlag(const CMMObject* building) = 0;
    virtual bool IsShownThing(const CMMObject* thing) = 0;
};

extern IScannerSubjects* g_pScannerSubjects;
