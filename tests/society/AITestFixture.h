// A per-mechanoid AI over a bare glider, with its controls recorded instead
// of flown: the mech record, the mechanoid, the glider facing +y, a group
// with a group AI that counts its calls, the difficulty and the player's
// glider through small fakes.
#pragma once

#include "common/LogDirTest.h"

#include "foundation/Random.h"
#include "society/BasicAI.h"
#include "society/GroupAI.h"
#include "society/MechGroup.h"
#include "units/GliderObject.h"
#include "units/MechRegistry.h"
#include "units/Mechanoid.h"
#include "world/Mech.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace aitest
{

struct SControl
{
    char what; // T traction, S strafe, J jump, X yaw, Y pitch, F fire, B brake
    int gun;
    float value;
};

class CRecordingAI : public CBasicAI
{
public:
    std::vector<SControl> m_Calls;
    float m_fDt = 0.1f;

    int Count(char what, int gun = -1) const
    {
        int n = 0;
        for (const SControl& c : m_Calls)
            n += c.what == what && (gun < 0 || c.gun == gun);
        return n;
    }
    // The last value of that control (nan when never set).
    float Last(char what) const
    {
        for (auto it = m_Calls.rbegin(); it != m_Calls.rend(); ++it)
            if (it->what == what) return it->value;
        return std::nanf("");
    }

protected:
    void ControlTraction(CGliderObject&, float t) override { m_Calls.push_back({'T', -1, t}); }
    void ControlStrafe(CGliderObject&, float s) override { m_Calls.push_back({'S', -1, s}); }
    void ControlJump(CGliderObject&, float p) override { m_Calls.push_back({'J', -1, p}); }
    void ControlRotation(CGliderObject&, int axis, float v) override
    {
        m_Calls.push_back({axis == 0 ? 'X' : 'Y', -1, v});
    }
    void ControlFire(CGliderObject&, int gun, float dispersion, const CVector&) override
    {
        m_Calls.push_back({'F', gun, dispersion});
    }
    void SetBrake(CGliderObject&, float b) override { m_Calls.push_back({'B', -1, b}); }
    float GetFrameTime() const override { return m_fDt; }
};

class CCountingGroupAI : public CGroupAI
{
public:
    void Move() override { ++m_nMoves; }
    void OnTrouble(CMech*) override { ++m_nTroubles; }
    void FixTrouble() override
    {
        ++m_nFixes;
        CGroupAI::FixTrouble();
    }
    int m_nMoves = 0;
    int m_nTroubles = 0;
    int m_nFixes = 0;
};

class CFakeHost : public IAIEvents, public IMechRegistry
{
public:
    void OnAIEvent(EAIEvent e, CGliderObject*) override { m_Events.push_back(e); }
    CGliderObject* GetPlayerGlider() override { return m_pPlayer; }
    bool FindMech(const char*, SMechInfo*) override { return false; }
    const char* GetPlayerOrganization() override { return ""; }
    void OnMechBuilding(const char*, const char*) override {}
    int GetDifficulty() override { return m_nDifficulty; }
    void OnMoneySound(int) override {}

    std::vector<EAIEvent> m_Events;
    CGliderObject* m_pPlayer = nullptr;
    int m_nDifficulty = 0;
};

// One glider of the world with its mech record and mechanoid.
struct SPilot
{
    CMech mech;
    CMechanoid mechanoid;
    CGliderObject glider;

    explicit SPilot(const char* id, const CVector& at)
    {
        std::snprintf(mech.m_szId, sizeof mech.m_szId, "%s", id);
        glider.m_pMech = &mech;
        glider.m_pMechanoid = &mechanoid;
        mech.m_pObject = &glider;
        mechanoid.m_lpObject = &glider;
        glider.m_Frame.SetPosition(at);
        glider.m_Frame.UpdateAxes();
    }
};

class CAITest : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        g_Random.SetState(1);
        g_pAIEvents = &m_Host;
        g_pMechRegistry = &m_Host;
        auto groupAI = std::make_unique<CCountingGroupAI>();
        m_pGroupAI = groupAI.get();
        m_pGroupAI->m_nKind = 1;
        m_pGroupAI->m_pGroup = &m_Group;
        m_Group.m_pAI = std::move(groupAI);
        m_Group.AddMech(&m_Own.mech);
        m_pAI = new CRecordingAI;
        m_Own.glider.m_pAI.reset(m_pAI);
        m_pAI->SetMech(&m_Own.mech);
    }
    void TearDown() override
    {
        g_pAIEvents = nullptr;
        g_pMechRegistry = nullptr;
    }

    CFakeHost m_Host;
    CMechGroup2 m_Group;
    CCountingGroupAI* m_pGroupAI = nullptr;
    SPilot m_Own{"OWN", CVector{5000.0f, 5000.0f, 10.0f}};
    CRecordingAI* m_pAI = nullptr;
};

} // namespace aitest
