// The scenery kind managers over an INI-mode database, the light ware's
// choice of lights, trees and lamps.
#include "WorldTestScene.h"
#include "common/LogDirTest.h"

#include "foundation/GameTime.h"
#include "foundation/ResourceDB.h"
#include "graphics/TextureManager.h"
#include "platform/CodePage.h"
#include "platform/File.h"
#include "world/DynamicObject.h"
#include "world/EffectQueue.h"
#include "world/KindManagers.h"
#include "world/LampObject.h"
#include "world/LightWare.h"
#include "world/TreeObject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using plat::d3d::SLight;

namespace
{

std::string Cp(const char* utf8)
{
    return plat::Utf8ToCp1251(utf8);
}

class Scenery : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        testutil::CLogDirTest::SetUp();
        m_previous = plat::GetCurrentDirectory();
        ASSERT_TRUE(plat::SetCurrentDirectory(m_dir.c_str()));
        Write("main.ini", "[" + Cp("Деревья") + "]\nfilename=trees.ini\n[Lamps]\nfilename=lamps.ini\n"
                          "[Sounds]\nfilename=sounds.ini\n[Covers]\nfilename=covers.ini\n"
                          "[Buildings]\nfilename=buildings.ini\n");
        Write("trees.ini", "[TREE_A]\nFlexibility=2.5\n[TREE_B]\nNOSOLID=1\n");
        Write("lamps.ini", "[LAMP_A]\nRADIUS=0\nSCALE=0\nCOLOR=0\n[LAMP_B]\nRADIUS=80\nSCALE=0.4\nCOLOR=16744448\n"
                           "LIMIT=0.25\n");
        Write("sounds.ini", "[ZONE_A]\nLOOP=1\n[ZONE_B]\nPERIOD=3\nLENGTH=1.5\nRANDOM=1\n");
        Write("covers.ini", "[COVER_A]\nModel=TEX_NOWHERE\nTYPE=1\nPERIOD=2\n");
        Write("buildings.ini", "[HOUSE]\nNORADIATE=1\nReverseOpen=1\nCluster=3\n[SHED]\n");
        ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
        ASSERT_TRUE(g_TreeManager.Init(Cp("Деревья").c_str()));
        ASSERT_TRUE(g_LampManager.Init("Lamps"));
        ASSERT_TRUE(g_SoundZoneManager.Init("Sounds"));
        // A texture manager that knows no texture: the cover's name is unknown.
        g_pTextureManager = &m_Textures;
        ASSERT_TRUE(g_MapCoverManager.Init("Covers"));
        g_pTextureManager = nullptr;
        ASSERT_TRUE(g_BuildingManager.Init("Buildings"));
    }
    void TearDown() override
    {
        g_ResourceDB.Done();
        plat::SetCurrentDirectory(m_previous.c_str());
        testutil::CLogDirTest::TearDown();
    }
    void Write(const char* name, const std::string& text)
    {
        std::ofstream(m_dir / name, std::ios::binary) << text;
    }

    worldtest::CScene m_Scene;
    TextureManager m_Textures;
    std::string m_previous;
};

CMatrix Scaled(float scale, CVector at)
{
    CMatrix m(scale);
    m.SetTranslation(at);
    return m;
}

} // namespace

TEST_F(Scenery, DatabaseKeysAndDefaults)
{
    const SLampType* a = g_LampManager.GetKind(0);
    EXPECT_FLOAT_EQ(a->m_fRadius, 125.0f);
    EXPECT_FLOAT_EQ(a->m_fScale, 1.0f);
    for (float c : a->m_fColor)
        EXPECT_FLOAT_EQ(c, 0.5f);
    EXPECT_EQ(a->m_nGlow, -1);
    const SLampType* b = g_LampManager.GetKind(1);
    EXPECT_FLOAT_EQ(b->m_fRadius, 80.0f);
    EXPECT_FLOAT_EQ(b->m_fScale, 0.4f);
    EXPECT_FLOAT_EQ(b->m_fColor[0], 1.0f);
    EXPECT_FLOAT_EQ(b->m_fColor[1], 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(b->m_fColor[2], 0.0f);

    const SSoundZoneType* z = g_SoundZoneManager.GetKind(0);
    EXPECT_FLOAT_EQ(z->m_fPeriod, 10.0f);
    EXPECT_FLOAT_EQ(z->m_fLength, 5.0f);
    EXPECT_EQ(z->m_bLoop, 1);
    const SSoundZoneType* z2 = g_SoundZoneManager.GetKind(1);
    EXPECT_FLOAT_EQ(z2->m_fPeriod, 3.0f);
    EXPECT_FLOAT_EQ(z2->m_fLength, 1.5f);
    EXPECT_EQ(z2->m_bRandom, 1);

    EXPECT_FLOAT_EQ(g_TreeManager.GetKind(0)->m_fFlexibility, 2.5f);
    EXPECT_EQ(g_TreeManager.GetKind(1)->m_bNoSolid, 1);
    EXPECT_NE(g_TreeManager.GetType(-1), nullptr);
    EXPECT_EQ(g_TreeManager.GetType(2), nullptr);

    const SBuildingType* house = g_BuildingManager.GetKind(0);
    EXPECT_EQ(house->m_bRadiate, 0);
    EXPECT_EQ(house->m_bReverseOpen, 1);
    EXPECT_EQ(house->m_nCluster, 3);
    EXPECT_EQ(g_BuildingManager.GetKind(1)->m_bRadiate, 1);

    // The unknown cover texture is the one name a manager logs.
    const SMapCoverType* cover = g_MapCoverManager.GetKind(0);
    EXPECT_EQ(cover->m_nTexture, -1);
    EXPECT_EQ(cover->m_nGlowing, 1);
    EXPECT_NE(ReadText("error.log").find("TEX_NOWHERE"), std::string::npos);

    g_LampManager.InitLamp(1);
    EXPECT_EQ(g_LampManager.GetKind(1)->m_bPrepared, 1);
    EXPECT_EQ(g_LampManager.GetKind(1)->m_nFxPart, -1);
}

TEST_F(Scenery, PropertiesTextAndEditing)
{
    char text[256];
    g_TreeManager.GetPropertiesText(-1, text, sizeof text);
    EXPECT_EQ(std::string(text), Cp("Гибкость=1.000000\r\nБезПересечений=0"));
    g_TreeManager.GetPropertiesText(1, text, sizeof text);
    EXPECT_EQ(std::string(text), Cp("Гибкость=0.000000\r\nБезПересечений=1"));

    // Cyrillic keys match only as written; ASCII letters of a key in any case.
    const std::string flex = Cp("Гибкость=4.5"), solid = Cp("безПересечений=1");
    const char* pairs[] = {flex.c_str(), solid.c_str()};
    g_TreeManager.SetProperties("TREE_A", pairs, 2);
    EXPECT_FLOAT_EQ(g_ResourceDB.GetFloatField("TREE_A", "FLEXIBILITY", 0.0f), 4.5f);
    EXPECT_EQ(g_ResourceDB.GetIntegerField("TREE_A", "NOSOLID", 0), 0);

    g_SoundZoneManager.GetPropertiesText(0, text, sizeof text);
    EXPECT_EQ(std::string(text),
              Cp("Зацикленный=1\r\nСлучайный=0\r\nПериод=10.000000\r\nПродолжительность=5.000000\r\n"));
}

TEST_F(Scenery, TreeThresholds)
{
    struct Case
    {
        float radius;
        int type;
        bool damageable, collidable, sphere;
        float health;
    };
    const Case cases[] = {
        {299.0f, 0, true, true, false, 3000.0f}, {300.0f, 0, false, true, false, 0.0f},
        {20.0f, 0, true, false, true, 210.0f},   {25.0f, 0, true, true, true, 260.0f},
        {500.0f, 1, false, false, true, 0.0f},
    };
    for (const Case& c : cases)
    {
        const char* name = c.type ? "TREE_B" : "TREE_A";
        const CMatrix at = Scaled(c.radius, {0, 0, 0});
        auto* tree = static_cast<CTreeObject*>(g_TreeManager.CreateObject(name, &at, nullptr));
        SCOPED_TRACE(c.radius);
        EXPECT_FLOAT_EQ(tree->m_fRadius, c.radius);
        EXPECT_EQ(tree->m_bDamageable != 0, c.damageable);
        EXPECT_EQ(tree->m_bCollidable != 0, c.collidable);
        EXPECT_EQ(tree->m_bSphereCollider != 0, c.sphere);
        EXPECT_FLOAT_EQ(tree->m_fHealth, c.health);
    }
}

TEST_F(Scenery, TreeBreaksIntoWoodExplosionOnlyWithoutWeapon)
{
    static std::vector<std::string> made;
    made.clear();
    g_pMakeExplosion = [](const char* type, const CMatrix&) -> CMMObject* {
        made.push_back(type);
        return nullptr;
    };
    const CMatrix at = Scaled(10.0f, {100, 0, 0});
    auto* tree = static_cast<CTreeObject*>(g_TreeManager.CreateObject("TREE_A", &at, nullptr));
    ASSERT_FLOAT_EQ(tree->m_fHealth, 110.0f);
    // A tree with a model runs every frame.
    EXPECT_EQ(tree->m_bMoving, tree->GetModelId() != -1 ? 1 : 0);
    tree->Damage(500.0f, {}, 0, nullptr, 3, 0);
    EXPECT_FLOAT_EQ(tree->m_fHealth, 110.0f);
    // A collision hurts it by the mover's speed, whatever the mover's size;
    // what does not move hurts it not. Only the collision that fells it may
    // have changed objects for the collision pass.
    struct Case
    {
        CVector velocity;
        float radius, health;
    };
    const Case collisions[] = {
        {{30, 40, 0}, 2.0f, 60.0f}, {{0, 0, 0}, 50.0f, 60.0f}, {{0, 0, -10}, 1.0f, 50.0f}};
    for (const Case& c : collisions)
    {
        CDynamicObject mover;
        mover.m_vVelocity = c.velocity;
        mover.m_fRadius = c.radius;
        EXPECT_FALSE(tree->SetColissionObject(&mover, CVector{0, 0, 1}, CVector{100, 0, 5})) << c.radius;
        EXPECT_FLOAT_EQ(tree->m_fHealth, c.health) << c.radius;
    }
    CMMObject still;
    still.m_fRadius = 40.0f;
    EXPECT_FALSE(tree->SetColissionObject(&still, CVector{0, 0, 1}, CVector{100, 0, 5}));
    EXPECT_FLOAT_EQ(tree->m_fHealth, 50.0f);
    tree->Damage(40.0f, {}, 0, nullptr, -1, 666);
    EXPECT_EQ(tree->m_bShown, 1);
    CDynamicObject last;
    last.m_vVelocity = CVector{0, 10, 0};
    EXPECT_TRUE(tree->SetColissionObject(&last, CVector{0, 0, 1}, CVector{100, 0, 5}));
    EXPECT_EQ(tree->m_bShown, 0);
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0], "EXP_WOOD_01");
    tree->Damage(10.0f, {}, 0, nullptr, -1, 666);
    EXPECT_EQ(made.size(), 1u);
    EXPECT_FALSE(tree->SetColissionObject(&last, CVector{0, 0, 1}, CVector{100, 0, 5}));
    g_pMakeExplosion = nullptr;
}

TEST(LightWare, TableHoldsTwoHundredLights)
{
    CLightWare ware;
    static SLight light{};
    light.Type = 1;
    light.Range = 10.0f;
    for (int i = 0; i < 200; ++i)
        ware.AddLight(&light, 1.0f);
    EXPECT_EQ(ware.m_nCount, 200);
    ware.AddLight(&light, 1.0f);
    EXPECT_EQ(ware.m_nCount, 200);
}

TEST(LightWare, SixNearestByRatioAndNoRepeatedEnables)
{
    CLightWare ware;
    // Seven lights in reach at x = 10 .. 70 with range 100; one exactly at
    // the edge (radius 5 + range 100 = 105) and one far one.
    std::vector<SLight> lights(9);
    for (int i = 0; i < 7; ++i)
    {
        lights[std::size_t(i)].Range = 100.0f;
        lights[std::size_t(i)].Position = {float(70 - 10 * i), 0, 0};
    }
    lights[7].Range = 100.0f;
    lights[7].Position = {105.0f, 0, 0};
    lights[8].Range = 10.0f;
    lights[8].Position = {1000.0f, 0, 0};
    for (const SLight& l : lights)
        ware.AddLight(&l, 1.0f);

    ware.SetLights(0, 0, 0, 5.0f);
    ASSERT_EQ(ware.m_nEnabled, 6);
    // Nearest first: lights 6, 5, ..., 1 (x = 10 .. 60); light 0 (x = 70)
    // is the seventh and stays off, as do the edge and the far light.
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(ware.m_Enabled[k], std::uint32_t(6 - k));
    EXPECT_EQ(ware.m_Lights[0].enabledNow, 0);
    EXPECT_EQ(ware.m_Lights[7].enabledNow, 0);
    EXPECT_EQ(ware.m_nEnableCalls, 6u);

    ware.SetLights(0, 0, 0, 5.0f);
    EXPECT_EQ(ware.m_nEnableCalls, 6u);

    // At x = 165 only lights 0 (x = 70) and 7 reach: the six go off, the
    // two go on.
    ware.SetLights(165.0f, 0, 0, 5.0f);
    ASSERT_EQ(ware.m_nEnabled, 2);
    EXPECT_EQ(ware.m_Enabled[0], 7u);
    EXPECT_EQ(ware.m_nEnableCalls, 6u + 6u + 2u);
    ware.DisableLights();
    EXPECT_EQ(ware.m_nEnabled, 0);
}

TEST(Lamp, OnLevelFollowsDarkness)
{
    // LIMIT 0: fully on once ambient/256 + sun/128 <= 0.75, off from 1.
    EXPECT_FLOAT_EQ(CLampObject::OnLevel(0x40, 0x40, 0.0f), 1.0f);
    EXPECT_FLOAT_EQ(CLampObject::OnLevel(0x00, 0x60, 0.0f), 1.0f);
    EXPECT_FLOAT_EQ(CLampObject::OnLevel(0x00, 0x80, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(CLampObject::OnLevel(0xFF, 0xFF, 0.0f), 0.0f);
    EXPECT_NEAR(CLampObject::OnLevel(0x00, 0x70, 0.0f), 0.5f, 1e-6f);
}

namespace
{
struct CNight : IEnvironmentLights
{
    std::uint32_t GetLightColor(int) const override { return 0; }
};
} // namespace

TEST_F(Scenery, LampGlowFadesWithDistance)
{
    CNight night;
    g_pEnvironmentLights = &night;
    g_GameTime = 0.0;
    auto glowAt = [](float x) {
        CLampObject lamp;
        lamp.Init(Scaled(1.0f, {x, 0, 0}), "LAMP_A");
        lamp.m_nObjectNumber = 0;
        g_LightWare.ResetFrame();
        lamp.PreDraw();
        return lamp.m_fGlow;
    };
    const float near = glowAt(400.0f);
    EXPECT_FLOAT_EQ(near, 3.0f);
    EXPECT_FLOAT_EQ(glowAt(750.0f), near * 0.5f);
    EXPECT_FLOAT_EQ(glowAt(1000.5f), 0.0f);
    g_LightWare.ResetFrame();
    {
        CLampObject lamp;
        lamp.Init(Scaled(1.0f, {10, 0, 0}), "LAMP_A");
        lamp.PreDraw();
        EXPECT_EQ(g_LightWare.m_nCount, 1);
        EXPECT_FLOAT_EQ(lamp.m_Light.Range, 125.0f);
        EXPECT_FLOAT_EQ(lamp.m_Light.Position.z, lamp.m_fRadius);
    }
    g_LightWare.ResetFrame();
    g_pEnvironmentLights = nullptr;
}

TEST_F(Scenery, StonesBelowTwoUnitsAreSphereColliders)
{
    for (const float radius : {1.9f, 2.0f})
    {
        const CMatrix at = Scaled(radius, {0, 0, 0});
        CMMObject* stone = g_StoneManager.CreateObject("NO_TYPE", &at, nullptr);
        EXPECT_FLOAT_EQ(stone->m_fRadius, radius);
        EXPECT_EQ(stone->m_bSphereCollider, radius < 2.0f ? 1 : 0);
    }
}
