// A mechanoid fitted from the fixture's tables, with a glider object.
#pragma once

#include "UnitTestTables.h"

#include "units/GliderObject.h"
#include "units/HitIndicators.h"
#include "units/Mechanoid.h"

#include <algorithm>
#include <memory>

namespace unittest
{

class CMechanoidTest : public CUnitTables
{
protected:
    void SetUp() override
    {
        CUnitTables::SetUp();
        std::fill(std::begin(g_PlayerHitIndicators), std::end(g_PlayerHitIndicators), 0.0f);
        std::fill(std::begin(g_PlayerHitRing), std::end(g_PlayerHitRing), 0.0f);
    }

    // Reactor, engine, shield, armour and the light glider; pools full.
    std::unique_ptr<CMechanoid> Fitted(std::initializer_list<const char*> devices = {},
                                       bool withGlider = true)
    {
        auto m = std::make_unique<CMechanoid>();
        m->m_Reactor.Assign(STypeKey(Eqp("REACTOR_1")), 0);
        m->m_Engine.Assign(STypeKey(Eqp("ENGINE_1")), 0);
        m->m_Shield.Assign(STypeKey(Eqp("SHIELD_1")), 0);
        m->m_Armor.Assign(STypeKey(Eqp("ARMOR_1")), 0);
        if (withGlider) m->m_GliderData.Assign(STypeKey(0), 0);
        for (const char* d : devices)
            m->AddEquipment(STypeKey(Eqp(d)), 0);
        m->UpdateEquipment();
        m->Repair();
        return m;
    }
    void Fly(CMechanoid& m)
    {
        m_Glider.m_pMechanoid = &m;
        m.m_lpObject = &m_Glider;
    }

    CGliderObject m_Glider;
};

} // namespace unittest
