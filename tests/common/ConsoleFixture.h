// The building consoles' headless fixture, shared by every console's tests.
//
// What it sets up, and undoes after the test:
// - tiny unit and goods tables in an INI resource database of the test's
//   own directory (gliders GL_LIGHT and GL_HEAVY, guns GUN_LASER and
//   GUN_ROCKET, five equipment items, a missile, an explosion, a gun
//   modifier; goods TOV_FOOD, TOV_ORE, TOV_GEMS, TOV_MECHANOID);
// - a world (g_pWorld) with the player's record (organisation
//   "ORG_PLAYER") and the building "HALL" owned by "ORG_MERCHANTS";
// - the player's glider and mechanoid (g_pPlayerGlider): glider GL_LIGHT
//   (400 of goods room), 1000 money, an empty hold;
// - the hall's goods trade (g_pTrade, an empty record; AddGood fills it),
//   its equipment stock (the world's m_pEqpTrade, empty) and its building
//   type (kBuildingType, 1: a trading building with a garage; m_nType);
// - a text database whose entries are their keys (text and name), unless
//   the test gives a key its own (Text), and which has only those keys;
// - the script manager fake: the menus' recorder, which also records the
//   events raised (m_ConsoleScripts.m_Events; the menus kit's m_Scripts is not installed) and runs the test's hook on them;
// - the consoles' events (sounds, purchases, sales, spending) recorded in
//   m_Events;
// - the menus' fake input, clock and drawing recorder (a 1024 x 768 screen)
//   and a building menu host (m_Host) that takes its building's type and
//   cluster from the fixture and records EndModal. OpenHost registers the
//   consoles (RegisterConsolesClasses) and opens the host on "HALL".
//
// Console logic runs headless: controls keep their state, drawing goes to
// the recorder. Compare models, list items and markup, never pixels.
#pragma once

#include "menus/ConsoleTestKit.h"
#include "menus/MenuTestKit.h"

#include "app/GameData.h"
#include "world/GameWorldState.h"
#include "consoles/ConsoleServices.h"
#include "consoles/ConsolesModule.h"
#include "foundation/ClassFactory.h"
#include "foundation/Random.h"
#include "foundation/ResourceDB.h"
#include "menus/GMenu.h"
#include "menus/UIMenu.h"
#include "platform/File.h"
#include "society/EqpTrade.h"
#include "society/MMTrade.h"
#include "units/EquipmentManager.h"
#include "units/GliderObject.h"
#include "units/GunManager.h"
#include "units/KindManagers.h"
#include "units/Mechanoid.h"
#include "units/ModifManager.h"
#include "units/UnitTypes.h"
#include "world/KindManagers.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/TypeManagers.h"
#include "world/World.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace consoletest
{

// Every key is an entry: its text and its name are the key, unless the
// test set the key's own (m_Entries). HasKey knows only the keys set, so
// that link words still run as script procedures.
class CKeyTextDB : public uitest::CFakeTextDB
{
public:
    bool Lookup(STextKey key, CXAnsiString& text, CXAnsiString& name) override
    {
        if (uitest::CFakeTextDB::Lookup(key, text, name)) return true;
        text = key.name;
        name = key.name;
        return true;
    }
    bool GetText(STextKey key, CXAnsiString& text) override
    {
        CXAnsiString name;
        Lookup(key, text, name);
        if (text.IsEmpty()) text = name;
        return true;
    }
    bool GetName(STextKey key, CXAnsiString& name) override
    {
        CXAnsiString text;
        return Lookup(key, text, name);
    }
};

// The menus' script recorder, also recording events; m_OnEvent may add
// results for the console to show.
class CConsoleScripts : public menutest::CScriptRecorder
{
public:
    struct SEvent
    {
        std::string object, event, param;
    };

    bool RunEvent(const char* object, const char* event, const char* param) override
    {
        m_Events.push_back(SEvent{object ? object : "", event ? event : "", param ? param : ""});
        if (m_OnEvent) m_OnEvent(m_Events.back());
        return true;
    }
    // How many times that event was raised (for any object).
    int Count(const char* event) const
    {
        int n = 0;
        for (const SEvent& e : m_Events)
            n += e.event == event;
        return n;
    }

    std::vector<SEvent> m_Events;
    std::function<void(const SEvent&)> m_OnEvent;
};

// The consoles' sounds and reports to the event sink.
class CEventRecorder : public IConsoleEvents
{
public:
    struct SDeal
    {
        float unitPrice;
        std::int32_t count;
        bool secondKind;
    };
    struct SSpending
    {
        float amount;
        std::int32_t kind;
    };

    void Play2D(const char* sound) override { m_Sounds.push_back(sound ? sound : ""); }
    void OnBuyGood(float unitPrice, std::int32_t count) override { m_Bought.push_back({unitPrice, count, false}); }
    void OnSoldGood(float unitPrice, std::int32_t count, bool secondKind) override
    {
        m_Sold.push_back({unitPrice, count, secondKind});
    }
    void OnSpendMoney(float amount, std::int32_t kind) override { m_Spent.push_back({amount, kind}); }
    int Played(const char* sound) const
    {
        int n = 0;
        for (const std::string& s : m_Sounds)
            n += s == sound;
        return n;
    }
    void Clear()
    {
        m_Sounds.clear();
        m_Bought.clear();
        m_Sold.clear();
        m_Spent.clear();
    }

    std::vector<std::string> m_Sounds;
    std::vector<SDeal> m_Bought;
    std::vector<SDeal> m_Sold;
    std::vector<SSpending> m_Spent;
};

// What the fixture's host and the consoles learn of the building.
struct SBuildingSetup
{
    bool found = true;
    std::int32_t type = 1;
    std::int32_t cluster = 1;
};
inline SBuildingSetup g_Building;

// The building menu over the fixture's building; EndModal is recorded (and
// still ends the run).
class CConsoleHost : public CBuildingUI
{
public:
    SBuildingFacts ReadBuilding(const char*) override
    {
        return SBuildingFacts{g_Building.found, g_Building.type, g_Building.cluster};
    }
    void EndModal(int result) override
    {
        m_EndCodes.push_back(result);
        CBuildingUI::EndModal(result);
    }

    std::vector<int> m_EndCodes;
};

class CConsoleTest : public menutest::CMenuTest
{
protected:
    static constexpr char kHall[] = "HALL";
    static constexpr char kHallOwner[] = "ORG_MERCHANTS";
    static constexpr float kMoney = 1000.0f;

    void SetUp() override
    {
        menutest::CMenuTest::SetUp();
        m_previous = plat::GetCurrentDirectory();
        ASSERT_TRUE(plat::SetCurrentDirectory(m_dir.c_str()));
        WriteTables();
        g_pTextDB = &m_KeyTexts;
        g_pScriptManager = &m_ConsoleScripts;
        SetConsoleEvents(&m_Events);

        m_saved = {g_pWorld, g_pPlayerGlider, g_pTrade};
        g_Building = SBuildingSetup{};
        g_pfnConsoleBuildingType = [](const char*, bool* found)
        {
            if (found) *found = g_Building.found;
            return g_Building.found ? g_Building.type : 0;
        };
        g_pfnTradeBuildingType = [](const char*) { return g_Building.found ? g_Building.type : 0; };

        g_pWorld = &m_World;
        std::strcpy(m_Player.m_szId, "PLAYER");
        std::strcpy(m_Player.m_szOrg, "ORG_PLAYER");
        m_World.SetPlayerMech(&m_Player);
        SBuildingRecord& hall = m_World.m_Buildings[0];
        std::snprintf(hall.name, sizeof hall.name, "%s", kHall);
        std::snprintf(hall.owner, sizeof hall.owner, "%s", kHallOwner);
        m_World.m_nBuildings = 1;
        m_World.m_pEqpTrade = &m_EqpTrade;

        g_pPlayerGlider = &m_Glider;
        m_Glider.m_pMechanoid = &m_Mechanoid;
        m_Mechanoid.m_bPlayer = 1;
        m_Mechanoid.m_Garbage.m_fMoney = kMoney;
        SetGlider("GL_LIGHT");

        g_pTrade = &m_Trade;
        m_pHallTrade = m_Trade.AddBuilding(kHall);
        ASSERT_NE(m_pHallTrade, nullptr);

        g_GameData.OnNewGame();
        m_Graphic.m_Size = {1024, 768};
        ResetClassRegistry();
    }
    void TearDown() override
    {
        m_pHost.reset();
        ResetClassRegistry();
        g_GameData.OnNewGame();
        g_pTrade = m_saved.trade;
        g_pPlayerGlider = m_saved.glider;
        m_World.SetPlayerMech(nullptr);
        m_World.m_pEqpTrade = nullptr; // the fixture's, not the world's to delete
        g_pWorld = m_saved.world;
        g_pfnTradeBuildingType = nullptr;
        g_pfnConsoleBuildingType = nullptr;
        SetConsoleEvents(nullptr);
        g_ResourceDB.Done();
        plat::SetCurrentDirectory(m_previous.c_str());
        menutest::CMenuTest::TearDown();
    }

    // The key's own text and name (the other keys are their own).
    void Text(const char* key, const char* text, const char* name = "")
    {
        m_KeyTexts.m_Entries[key] = {text, name};
    }

    // The player's glider type (a row of the glider table).
    void SetGlider(const char* glider)
    {
        m_Mechanoid.m_gEqp.m_Config[CFG_GLIDER].m_Key = STypeKey(g_GliderManager.FindName(glider));
    }
    // A goods entry of the hall: whole units in stock, what the hall pays
    // (0: it does not buy) and asks (0: it does not sell); mass and class
    // from the goods table.
    STradeGood& AddGood(const char* name, std::int32_t units, float buyPrice, float sellPrice)
    {
        STradeGood g;
        std::snprintf(g.m_szName, sizeof g.m_szName, "%s", name);
        const SGoodsParameters* t = g_GoodsManager.FindGoods(name);
        g.m_fUnitMass = t ? t->m_fMass : 1.0f;
        g.m_nClass = t ? std::uint32_t(t->m_nType) : 0u;
        g.m_fStock = float(units) * g.m_fUnitMass;
        g.m_fBuyPrice = buyPrice;
        g.m_fSellPrice = sellPrice;
        m_pHallTrade->m_Goods.push_back(g);
        return m_pHallTrade->m_Goods.back();
    }
    // A cargo entry of the player's hold.
    SItemRec& AddCargo(const char* name, std::int32_t count, std::int32_t count2 = 0, float price = 10.0f,
                       std::int32_t kind = ITEM_GOODS)
    {
        SItemRec e;
        e.m_nKind = kind;
        std::snprintf(e.m_szName, sizeof e.m_szName, "%s", name);
        e.m_nCount = count;
        e.m_nCount2 = count2;
        e.m_fPrice = price;
        m_Mechanoid.m_Garbage.m_Items.push_back(e);
        return m_Mechanoid.m_Garbage.m_Items.back();
    }
    // The units of a good in the hold (all entries of that name).
    std::int32_t Cargo(const char* name) const
    {
        std::int32_t n = 0;
        for (const SItemRec& e : m_Mechanoid.m_Garbage.m_Items)
            if (std::strncmp(e.m_szName, name, sizeof e.m_szName) == 0) n += e.m_nCount;
        return n;
    }
    float Money() const { return m_Mechanoid.m_Garbage.m_fMoney; }
    // The hall's entry of a good, or null.
    STradeGood* HallGood(const char* name) { return m_pHallTrade->FindGood(name); }
    // A world mech record (for carried mechminds and conviction).
    CMech* AddMech(const char* id, const char* organisation)
    {
        CMech* m = m_World.AddMech(id);
        if (m) std::snprintf(m->m_szOrg, sizeof m->m_szOrg, "%s", organisation);
        return m;
    }
    // The hall's owner changes (the world record).
    void SetOwner(const char* organisation)
    {
        SBuildingRecord* b = m_World.FindBuilding(kHall);
        ASSERT_NE(b, nullptr);
        std::snprintf(b->owner, sizeof b->owner, "%s", organisation);
    }

    // The player's glider fitted (its record bound) and damaged by that
    // much of its hull (GL_LIGHT has 200; above half is bad damage).
    void DamageGlider(float damage)
    {
        const std::int32_t glider = m_Mechanoid.m_gEqp.m_Config[CFG_GLIDER].m_Key.Index();
        m_Mechanoid.m_GliderData.Assign(STypeKey(glider), 0);
        m_Mechanoid.m_GliderData.m_fDamage = damage;
        m_Mechanoid.m_GliderData.m_bDamaged = damage > 0.0f ? 1 : 0;
    }

    // Registers the consoles and opens the building menu on the hall (its
    // first console in front, activated). The tabs listed whose console no
    // library registers get the menus kit's test console, so that the host
    // shows them.
    CConsoleHost& OpenHost(std::initializer_list<int> testTabs = {})
    {
        ResetClassRegistry();
        RegisterConsolesClasses();
        for (int tab : testTabs)
        {
            CGuidKey key;
            MakeGuidKey(&key, CUIMenu::kConsoleClassIds[tab]);
            if (ResolveClassIndex(key) < 0) menutest::RegisterTestConsoles({tab});
        }
        m_pHost = std::make_unique<CConsoleHost>();
        m_pHost->Init(&m_Graphic, &m_Input);
        m_pHost->SetClock(&m_Clock);
        char building[32] = {};
        std::snprintf(building, sizeof building, "%s", kHall);
        m_pHost->SetParam(building);
        return *m_pHost;
    }
    // The host's console of that tab, as its class.
    template <class T> T* Console(CUIMenu::ETab tab) const
    {
        return m_pHost ? dynamic_cast<T*>(m_pHost->GetConsole(tab)) : nullptr;
    }
    // Brings the tab's console to the front (activating it).
    void ShowTab(CUIMenu::ETab tab)
    {
        ASSERT_NE(m_pHost, nullptr);
        m_pHost->ShowMenu(m_pHost->GetConsole(tab));
    }

    CKeyTextDB m_KeyTexts;
    CConsoleScripts m_ConsoleScripts;
    CEventRecorder m_Events;
    CWorld m_World;
    CPlayerMech m_Player;
    CEqpTrade m_EqpTrade;
    CGliderObject m_Glider;
    CMechanoid m_Mechanoid;
    CMMTrade m_Trade;
    SExBuildingTrade* m_pHallTrade = nullptr;
    std::unique_ptr<CConsoleHost> m_pHost;

private:
    void Write(const char* name, const std::string& text)
    {
        std::ofstream(m_dir / name, std::ios::binary) << text;
    }
    void WriteTables()
    {
        using namespace unit_sections;
        Write("main.ini", std::string("[") + kWeapons + "]\nfilename=weapons.ini\n[" + kEquipment +
                              "]\nfilename=equipment.ini\n[" + kModifiers + "]\nfilename=modif.ini\n[" +
                              kMissiles + "]\nfilename=missiles.ini\n[" + kExplosions +
                              "]\nfilename=explo.ini\n[" + kGliders + "]\nfilename=gliders.ini\n[" + kGoods +
                              "]\nfilename=goods.ini\n");
        Write("weapons.ini", "[GUN_LASER]\nTYPE=0\nShootType=1\nRATEOFFIRE=120\nDAMAGE=10\nPOWER=2\nPRICE=1000\n"
                             "EXPLO=EXP_SMALL\nWEIGHT=15\nTFIRE=8\n"
                             "[GUN_ROCKET]\nTYPE=1\nShootType=2\nMISSILE=MIS_ROCKET\nPRICE=3000\nWEIGHT=30\n");
        Write("equipment.ini", "[REACTOR_1]\nTYPE=1\nVALUE1=10\nDAMAGE=100\nWEIGHT=50\nPRICE=500\n"
                               "[ENGINE_1]\nTYPE=4\nPOWER=5\nVALUE1=100\nDAMAGE=100\nWEIGHT=40\nPRICE=400\n"
                               "[SHIELD_1]\nTYPE=2\nVALUE1=100\nVALUE2=50\nVALUE3=10\nPOWER=1\nDAMAGE=100\n"
                               "WEIGHT=10\nPRICE=300\n"
                               "[ARMOR_1]\nTYPE=3\nVALUE1=20\nVALUE3=5\nPOWER=0.5\nDAMAGE=100\nWEIGHT=30\n"
                               "PRICE=200\n"
                               "[EQP_CHAOS_GEN]\nPOWER=0.1\nWEIGHT=5\nPRICE=100\n");
        Write("modif.ini", "[M_GUN_RATE]\nUNICUM_ID=8193\nK_INCREASE_1_PAR=1.5\nK_DECREASE_2_PAR=0.8\n"
                           "K_CHANGE_PRICE=1.2\n");
        Write("missiles.ini", "[MIS_ROCKET]\nDAMAGE=40\nWEIGHT=2\nPRICE=10\nEXPLO=EXP_SMALL\n");
        Write("explo.ini", "[EXP_SMALL]\nDAMAGE=25\n");
        Write("gliders.ini", "[GL_LIGHT]\nWEIGHT=100\nMAXWEIGHT=400\nDAMAGE=200\nPRICE=5000\nSTANDARD=1\n"
                             "[GL_HEAVY]\nWEIGHT=300\nMAXWEIGHT=1200\nDAMAGE=800\nPRICE=20000\nSTANDARD=3\n");
        Write("goods.ini", "[TOV_FOOD]\nMASSA=1\nPRICE=20\nTYPE=1\n[TOV_ORE]\nMASSA=2\nPRICE=10\nTYPE=0\n"
                           "[TOV_GEMS]\nMASSA=1\nPRICE=100\nTYPE=2\n[TOV_MECHANOID]\nMASSA=50\n");
        ASSERT_TRUE(g_ResourceDB.Init("main.ini", ResourceDBManager::kModeIni));
        RegisterUnitManagers();
        ASSERT_TRUE(g_ExploManager.Init(kExplosions));
        ASSERT_TRUE(g_MissileManager.Init(kMissiles));
        ASSERT_TRUE(g_GliderManager.Init(kGliders));
        ASSERT_TRUE(g_GoodsManager.Init(kGoods));
        ASSERT_TRUE(g_ModifManager.Init(kModifiers));
        ASSERT_TRUE(g_EquipmentManager.Init(kEquipment));
        ASSERT_TRUE(g_GunManager.Init(kWeapons));
        g_Random.SetState(12345);
    }

    struct
    {
        CWorld* world;
        CGliderObject* glider;
        IMMTrade* trade;
    } m_saved{};
    std::string m_previous;
};

} // namespace consoletest
