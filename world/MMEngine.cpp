#include "world/MMEngine.h"

#include "world/GameWorldState.h"
#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "foundation/PakFileSystem.h"
#include "graphics/ModelManager.h"
#include "graphics/TextureManager.h"
#include "platform/Ini.h"
#include "platform/Types.h"
#include "platform/Window.h"
#include "world/Trade.h"
#include "sound/MusicManager.h"
#include "sound/SoundManager.h"
#include "world/KindManagers.h"
#include "world/MechGroupList.h"
#include "world/ObjectList.h"
#include "world/RoadManager.h"
#include "world/World.h"
#include "world/WorldTerrain.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

CMMEngine g_MMEngine;
SUnitManagers g_UnitManagers;
IMMTrade* g_pTrade = nullptr;
IOrgManager* g_pOrgManager = nullptr;
bool g_bFixCursor = false;

CMechGroupList g_MechGroupList;

namespace
{

struct SManagerStep
{
    DefaultManager* manager;
    const char* section; // code page 1251
    int stage;           // the loading stage set before this manager, or 0
};

// MMInit's order; the units' managers as registered.
std::array<SManagerStep, CMMEngine::kManagers> ManagerSteps()
{
    const SUnitManagers& u = g_UnitManagers;
    return {{
        {&g_StoneManager, "\xca\xe0\xec\xed\xe8", 0},                         // Камни
        {&g_TreeManager, "\xc4\xe5\xf0\xe5\xe2\xfc\xff", 0},                  // Деревья
        {u.glider, "\xc3\xeb\xe0\xe9\xe4\xe5\xf0\xfb", 0},                    // Глайдеры
        {&g_HelperManager, "\xd5\xe5\xeb\xef\xe5\xf0\xfb", 0},                // Хелперы
        {&g_RoadManager, "\xc4\xee\xf0\xee\xe3\xe8", 0},                      // Дороги
        {u.explo, "\xc2\xe7\xf0\xfb\xe2\xfb", 0},                             // Взрывы
        {u.missile, "\xd1\xed\xe0\xf0\xff\xe4\xfb", 0},                       // Снаряды
        {u.equipment, "\xce\xe1\xee\xf0\xf3\xe4\xee\xe2\xe0\xed\xe8\xe5", 0}, // Оборудование
        {u.gun, "\xce\xf0\xf3\xe6\xe8\xe5", 0},                               // Оружие
        {u.modif, "\xcc\xee\xe4\xe8\xf4\xe8\xea\xe0\xf2\xee\xf0\xfb", 0},     // Модификаторы
        {&g_BuildingManager, "\xc7\xe4\xe0\xed\xe8\xff", 8},                  // Здания
        {&g_MapCoverManager, "\xcf\xee\xea\xf0\xfb\xf2\xe8\xe5", 0},          // Покрытие
        {&g_LampManager, "\xd4\xee\xed\xe0\xf0\xe8", 0},                      // Фонари
        {&g_LightManager, "\xd1\xe2\xe5\xf2\xee\xe2\xfb\xe5 \xee\xe1\xfa\xe5\xea\xf2\xfb",
         0},                                      // Световые объекты
        {u.goods, "\xd2\xee\xe2\xe0\xf0\xfb", 0}, // Товары
        {u.mechConfig, "\xca\xee\xed\xf4\xe8\xe3\xf3\xf0\xe0\xf6\xe8\xe8", 0}, // Конфигурации
        {&g_AnomalZoneManager, "Anomal", 0},
        {u.tower, "Tower", 0},
        {u.tank, "TANKS", 0},
        {&g_BoundaryManager, "Boundary", 0},
        {&g_SoundZoneManager, "SoundZone", 0},
        {u.flyTeh, "FlyTeh", 0},
        {u.gatherer, "Gatherer", 0},
        // The first letter is the Cyrillic capital Es, not a Latin C.
        {u.capsule,
         "\xd1"
         "apsule",
         0},
        {&g_ThingManager, "THINGS", 0},
    }};
}

struct SSectionKind
{
    std::int32_t code;
    CMMObjectManager* manager;
};

// The kinds with a section in the objects file; the units' as registered.
std::array<SSectionKind, 14> SectionKinds()
{
    const SUnitManagers& u = g_UnitManagers;
    return {{
        {OBJ_STONE, &g_StoneManager},
        {OBJ_TREE, &g_TreeManager},
        {OBJ_HELPER, &g_HelperManager},
        {OBJ_ROAD, &g_RoadManager},
        {OBJ_BUILDING, &g_BuildingManager},
        {OBJ_MAPCOVER, &g_MapCoverManager},
        {OBJ_LAMP, &g_LampManager},
        {OBJ_LIGHT, &g_LightManager},
        {OBJ_ANOMALZONE, &g_AnomalZoneManager},
        {OBJ_THING, &g_ThingManager},
        {OBJ_TOWER, u.tower},
        {OBJ_BOUND, &g_BoundaryManager},
        {OBJ_SOUNDPOINT, &g_SoundZoneManager},
        {OBJ_TANK, u.tank},
    }};
}

const char* const kSingleNames[CMMEngine::kSingleIds] = {
    "GUN_BOMB_LAUNCHER", "GUN_ROCKET_LAUNCHER", "SND_T_DOOR_OPENING",
    "SND_G_MISC_PICKUP", "TEX_SUN_FRONT",       "TEX_SUN_BACK",
};

const char* const kTableNames[CMMEngine::kResourceIds] = {
    "EQP_ANTIROCKET_SYSTEM", "EQP_INVISIBILITY_SHIELD",
    "EQP_BOOSTER",           "EQP_ANALYZER",
    "TEX_FX_ROCKET_SMOKE",   "TEX_FX_WATER_DUST",
    "MOD_GL_FIRE",           "TEX_GL_FIRE_GLOW",
    "TEX_FIRE_GLOW2",        "MOD_FX_FORCE_3",
    "MOD_FX_ROCKET_FIRE",    "TEX_LAMP_SHADOW",
    "TEX_LAMP_GLOW",         "TEX_LAMP_FLARE",
    "MOD_GUN_CORBEL",        "TEX_FX_HAOS_PARTICLE",
    "TEX_FX_BORDER",         "TEX_EXP_MASK",
    "MOD_FX_PODBOR",         "TEX_KPT_PRICEL",
    "TEX_KPT_PRICEL_GREEN",  "TEX_KT_ALL",
    "TEX_KT_ICONS",          "MUS_OBSERVER",
};

// The id of a name in a list by its prefix: the list's own not-found value
// (-1) when the name or the list is missing.
std::int32_t FindResource(const char* name)
{
    const DefaultManager* list = nullptr;
    if (std::strncmp(name, "GUN_", 4) == 0)
        list = g_UnitManagers.gun;
    else if (std::strncmp(name, "EQP_", 4) == 0)
        list = g_UnitManagers.equipment;
    else if (std::strncmp(name, "SND_", 4) == 0)
        list = g_pSoundManager;
    else if (std::strncmp(name, "TEX_", 4) == 0)
        list = g_pTextureManager;
    else if (std::strncmp(name, "MOD_", 4) == 0)
        list = g_pModelManager;
    else if (std::strncmp(name, "MUS_", 4) == 0)
        list = g_pMusicManager;
    return list ? list->FindName(name) : -1;
}

IBaseInterface* CreateById(const char* id)
{
    CGuidKey key;
    MakeGuidKey(&key, id);
    return CreateClassInstance(ResolveClassIndex(key));
}

template <class I> I* CreateInterface(const char* id)
{
    IBaseInterface* object = CreateById(id);
    I* typed = dynamic_cast<I*>(object);
    if (!typed)
    {
        delete object;
        // Expected while the organisations and trade are not built: noted
        // in the debug log only.
        g_ErrorLog.LogDebug("CMMEngine: no implementation of %s; going on without it", id);
    }
    return typed;
}

void SetStage(int stage)
{
    g_nLoadingStage.store(stage);
}

void DefaultMessageBox(const char* text)
{
    plat::MessageBox(nullptr, text, nullptr, plat::MB_OK | plat::MB_ICONERROR);
}

// "Возможно вы работаете со старой версией карты, где нет 'Торговли оружием'"
const char kOldMapText[] = "\xc2\xee\xe7\xec\xee\xe6\xed\xee \xe2\xfb \xf0\xe0\xe1\xee\xf2\xe0\xe5\xf2\xe5 "
                           "\xf1\xee \xf1\xf2\xe0\xf0\xee\xe9 "
                           "\xe2\xe5\xf0\xf1\xe8\xe5\xe9 \xea\xe0\xf0\xf2\xfb, \xe3\xe4\xe5 \xed\xe5\xf2 "
                           "'\xd2\xee\xf0\xe3\xee\xe2\xeb\xe8 "
                           "\xee\xf0\xf3\xe6\xe8\xe5\xec'";

std::string WithLast(std::string path, char c)
{
    if (!path.empty()) path.back() = c;
    return path;
}

} // namespace

CMMEngine::CMMEngine() : m_pfnMessageBox(&DefaultMessageBox)
{
    for (std::int32_t& id : m_nResourceIds)
        id = -1;
}

CMMEngine::~CMMEngine()
{
    Done();
}

const char* CMMEngine::GetManagerSection(int i)
{
    return i >= 0 && i < kManagers ? ManagerSteps()[std::size_t(i)].section : nullptr;
}

void CMMEngine::MMInit()
{
    XTRACE("CMMEngine::MMInit");
    SetStage(7);
    for (const SManagerStep& step : ManagerSteps())
    {
        if (step.stage) SetStage(step.stage);
        if (step.manager) step.manager->Init(step.section);
    }
    SetStage(9);
    for (std::uint8_t* flags : g_UnitManagers.exploFlags)
        if (flags) std::memset(flags, 1, g_UnitManagers.exploFlagCount);
    ReadConfig();
    InitResourceIds();
    SetStage(10);
    if (g_pWorldLocation) g_pWorldLocation->Init();
    SetStage(11);
    delete g_pTrade;
    g_pTrade = CreateInterface<IMMTrade>("IGUID_IMMTrade");
    if (g_pOrgManager == m_pOrgManager) g_pOrgManager = nullptr;
    delete m_pOrgManager;
    m_pOrgManager = CreateInterface<IOrgManager>("IGUID_IOrgManager");
    if (m_pOrgManager)
    {
        m_pOrgManager->LoadTable("\xce\xf0\xe3\xe0\xed\xe8\xe7\xe0\xf6\xe8\xe8"); // Организации
        g_pOrgManager = m_pOrgManager;
    }
}

void CMMEngine::ReadConfig()
{
    const std::string path = m_sRoot + "DATA\\CONFIG\\cfg.ini";
    const char* f = path.c_str();
    g_bFixCursor = plat::GetPrivateProfileInt("MMCONFIG", "FIXCURSOR", 0, f) == 1;
    m_fMinVolume = float(plat::GetPrivateProfileInt("SND_ENG", "MIN_VOLUME", 0, f)) * 0.01f;
    m_fMaxVolume = float(plat::GetPrivateProfileInt("SND_ENG", "MAX_VOLUME", 100, f)) * 0.01f;
    m_fMaxSpeed = float(plat::GetPrivateProfileInt("SND_ENG", "MAX_SPEED", 300, f));
    m_fMinFreq = float(plat::GetPrivateProfileInt("SND_ENG", "MIN_FREQ", 20000, f));
    m_fMaxFreq = float(plat::GetPrivateProfileInt("SND_ENG", "MAX_FREQ", 40000, f));
    m_nEngineSounds[0] = FindResource("SND_G_ENGINE_IDLE_L");
    m_nEngineSounds[1] = FindResource("SND_G_ENGINE_BASIC_L");
    m_nEngineSounds[2] = FindResource("SND_G_ENGINE_AFTERBURNER_L");
}

void CMMEngine::InitResourceIds()
{
    for (int i = 0; i < kSingleIds; ++i)
        m_nSingleIds[i] = FindResource(kSingleNames[i]);
    for (int i = 0; i < kResourceIds; ++i)
        m_nResourceIds[i] = FindResource(kTableNames[i]);
}

void CMMEngine::GetLocationName(const char* fileName, char name[32], std::int32_t* number)
{
    std::string base = fileName ? fileName : "";
    const std::size_t slash = base.find_last_of('\\');
    if (slash != std::string::npos) base = base.substr(slash + 1);
    const std::size_t dot = base.find_last_of('.');
    if (dot != std::string::npos) base = base.substr(0, dot);
    std::snprintf(name, 32, "%s", base.c_str());
    const std::size_t n = std::strlen(name);
    auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : 0; };
    std::int32_t value = 0;
    if (n >= 2 && name[n - 2] == '1')
        value = 10 + digit(name[n - 1]);
    else if (n >= 1)
        value = digit(name[n - 1]);
    *number = value == 0 ? -1 : value;
}

bool CMMEngine::OpenObjectsFile(const std::string& path)
{
    m_sObjectsPath = path;
    return GetPakFileSystem().Open(path.c_str());
}

bool CMMEngine::ReadBlock(CPakStream& file, int block, CMemStream& stream)
{
    const std::uint32_t at = file.Tell();
    std::uint32_t length = 0;
    if (file.ReadBytes(&length, 4) != 4)
    {
        g_ErrorLog.LogError("%s: block %d at offset %u: missing", m_sObjectsPath.c_str(), block, at);
        return false;
    }
    const std::uint32_t left = file.GetLength() > file.Tell() ? file.GetLength() - file.Tell() : 0;
    if (length > left)
    {
        g_ErrorLog.LogError("%s: block %d at offset %u: length %u, %u bytes left", m_sObjectsPath.c_str(),
                            block, at, length, left);
        // What is left cannot be told apart from the later blocks.
        file.Seek(0, 2);
        return false;
    }
    stream.Allocate(length);
    if (length > 0) file.ReadBytes(stream.m_pData, length);
    return true;
}

void CMMEngine::LoadWorld(const char* fileName)
{
    XTRACE("CMMEngine::LoadWorld");
    delete m_pWorld;
    m_pWorld = new CWorld;
    g_pWorld = m_pWorld;
    m_pWorld->CreateEqpTrade();
    GetLocationName(fileName, m_pWorld->m_szLocationName, &m_pWorld->m_nLocationNumber);

    const std::string name = fileName ? fileName : "";
    if (!OpenObjectsFile(WithLast(m_sRoot + "Data\\Locs\\" + name, 'o')) &&
        !OpenObjectsFile(WithLast(m_sRoot + name, 'o')))
    {
        // Said once here rather than by every read of the unopened file.
        g_ErrorLog.LogError("%s: objects file not found", m_sObjectsPath.c_str());
    }
    CMMObjectManager::SetObjectsFileName(m_sObjectsPath.c_str());
    if (g_pWorldLocation) g_pWorldLocation->ClearForNewLocation();

    LoadObjects();

    CPakStream& file = GetPakFileSystem().GetCurrent();
    bool present = true;
    for (int block = 1; block <= kBlocks; ++block)
    {
        CMemStream stream;
        present = present && file.IsOpen() && ReadBlock(file, block, stream);
        if (block == 5)
        {
            // Older maps have no equipment-trade block: say so and go on.
            try
            {
                if (!present) throw std::runtime_error("no equipment-trade block");
                if (m_pWorld->m_pEqpTrade) m_pWorld->m_pEqpTrade->LoadFromStream(stream);
            }
            catch (...)
            {
                if (m_pfnMessageBox) m_pfnMessageBox(kOldMapText);
            }
            break;
        }
        if (!present) continue;
        if (block == 1) g_MechGroupList.Load(stream);
        if (block == 2 && g_pTrade)
        {
            try
            {
                g_pTrade->LoadFromStream(stream);
            }
            catch (const std::exception&)
            {
                // The trade said why; its tables stay as they were.
            }
            g_pTrade->ResetStocks();
        }
        if (block == 3)
        {
            try
            {
                m_LocMusic.Load(stream);
            }
            catch (const std::exception& e)
            {
                // The music is not worth the location: logged, left empty.
                g_ErrorLog.LogError("%s: block 3: %s", m_sObjectsPath.c_str(), e.what());
            }
        }
        if (block == 4) m_pWorld->LoadLocationData(stream);
    }
    GetPakFileSystem().Close();
    CMMObjectManager::SetObjectsFileName(nullptr);
    OpenMapFile();
}

void CMMEngine::OpenMapFile()
{
    // sample12.lop, then sample1.lop, then sample.lop.
    std::string path = WithLast(m_sObjectsPath, 'p');
    CPakStream probe;
    bool found = GetPakFileSystem().OpenStream(path.c_str(), probe);
    for (int retry = 0; retry < 2 && !found; ++retry)
    {
        if (path.size() < 5) break;
        path.erase(path.size() - 5, 1);
        found = GetPakFileSystem().OpenStream(path.c_str(), probe);
    }
    probe.Close();
    if (!found) g_ErrorLog.LogError("File not found %s", path.c_str());
    m_sMapPath = path;
    if (g_pWorldLocation) g_pWorldLocation->LoadMap(path.c_str());
}

void CMMEngine::LoadObjects()
{
    XTRACE("CMMEngine::LoadObjects");
    if (g_pWorldLocation) g_pWorldLocation->SetCellCounts(64, 64);
    g_ObjectList.m_bLoading = 1;
    try
    {
        g_ObjectList.Clear();
    }
    catch (...)
    {
        g_ErrorLog.AppendTrace("PURGE");
        g_ObjectList.m_bLoading = 0;
        throw;
    }
    try
    {
        CPakStream& file = GetPakFileSystem().GetCurrent();
        std::uint32_t sections = 0;
        if (file.IsOpen() && file.ReadBytes(&sections, 4) != 4)
            g_ErrorLog.LogError("%s: section count missing", m_sObjectsPath.c_str());
        for (std::uint32_t i = 0; i < sections; ++i)
        {
            std::int32_t code = 0;
            if (file.ReadBytes(&code, 4) != 4)
            {
                g_ErrorLog.LogError("%s: section %u of %u: type code missing", m_sObjectsPath.c_str(), i,
                                    sections);
                break;
            }
            CMMObjectManager* manager = nullptr;
            for (const SSectionKind& k : SectionKinds())
                if (k.code == code) manager = k.manager;
            if (manager)
            {
                manager->LoadObjects();
                continue;
            }
            g_ErrorLog.LogError("CMMEngine::LoadObjects %s: section %u of %u: unknown data type %d",
                                m_sObjectsPath.c_str(), i, sections, code);
            // Read past with a plain manager that knows no names: records of
            // stone types still become stones.
            CMMObjectManager plain(OBJ_STONE);
            plain.LoadObjects();
        }
    }
    catch (...)
    {
        g_ErrorLog.AppendTrace("OBJECTS");
        g_ObjectList.m_bLoading = 0;
        throw;
    }
    g_ObjectList.m_bLoading = 0;
}

void CMMEngine::Done()
{
    delete m_pWorld;
    if (g_pWorld == m_pWorld) g_pWorld = nullptr;
    m_pWorld = nullptr;
    if (g_pOrgManager == m_pOrgManager) g_pOrgManager = nullptr;
    delete m_pOrgManager;
    m_pOrgManager = nullptr;
    delete g_pTrade;
    g_pTrade = nullptr;
}
