// Built-ins on the player: equipment, cargo hold, money and progress.
#include "script/game/ScriptBuiltIns.h"

#include "foundation/ErrorLog.h"
#include "foundation/MemStream.h"
#include "sound/SoundManager.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "units/GunManager.h"
#include "units/EquipmentManager.h"
#include "units/MechConfigManager.h"
#include "units/Mechanoid.h"
#include "world/KindManagers.h"
#include "world/Mech.h"
#include "world/World.h"
#include "world/WorldSeams.h"
#include "world/TypeManagers.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

using namespace scriptargs;

namespace scriptargs
{
CMechanoid* PlayerMechanoid()
{
    if (g_ScriptGameCalls.playerMechanoid) return g_ScriptGameCalls.playerMechanoid();
    CGliderObject* glider = g_pBuildingHost ? g_pBuildingHost->GetPlayerGlider() : nullptr;
    return glider ? glider->m_pMechanoid : nullptr;
}

void PlaySound(const char* name)
{
    if (g_pSoundManager) g_pSoundManager->Play2D(name, false);
}
} // namespace scriptargs

namespace
{
using Params = const char* const[5];

CMechanoid* Player()
{
    CMechanoid* m = PlayerMechanoid();
    if (!m) Unavailable("player's mechanoid");
    return m;
}

// The scripts number the configuration 1-9: the glider, the six equipment
// items, the two guns. -1 for any other slot.
int ConfigEntry(int slot)
{
    if (slot == 1) return CFG_GLIDER;
    if (slot >= 2 && slot <= 7) return CFG_REACTOR + (slot - 2);
    if (slot == 8 || slot == 9) return CFG_LIGHTGUN + (slot - 8);
    return -1;
}

const DefaultManager& TableOf(int entry)
{
    if (entry == CFG_GLIDER) return g_GliderManager;
    if (entry == CFG_LIGHTGUN || entry == CFG_HEAVYGUN) return g_GunManager;
    return g_EquipmentManager;
}

// The player's glider takes up the changed configuration.
void ReEquipGlider(CMechanoid& player)
{
    if (player.m_lpObject) player.m_lpObject->UpdateGliderConfig();
}

bool IsFittable(const char* item)
{
    return g_GliderManager.FindName(item) != -1 || g_GunManager.FindName(item) != -1 ||
           g_EquipmentManager.FindName(item) != -1 || g_MissileManager.FindName(item) != -1;
}

const char* GiveObject(CScriptManager& m, Params p, int)
{
    const char* item = Text(p[0]);
    const int count = Number(p[1]);
    if (count == 0)
    {
        g_ErrorLog.LogError("CMMScriptManager::AddObject invalid number of objects");
        return nullptr;
    }
    m.AddResult(7, std::strncmp(item, "MDF", 3) == 0 ? "INT_MODIFIER" : item, count, false);
    CMechanoid* player = Player();
    if (!player) return nullptr;
    // Fitting keeps the configuration and the glider's guns in step.
    if (IsFittable(item))
    {
        if (player->AddToConfig(item, nullptr, count, 0, false) < 0.0f)
            g_ErrorLog.LogError("SCRIPT: the player cannot take '%s'", item);
        // Missiles go to the stock; the launchers load from it.
        if (g_MissileManager.FindName(item) != -1 && player->m_lpObject)
            player->m_lpObject->UpdateAmmo(true, false);
        ReEquipGlider(*player);
    }
    else if (const SGoodsParameters* goods = g_GoodsManager.FindGoods(item))
    {
        SGoodsItem units;
        std::snprintf(units.m_szName, sizeof units.m_szName, "%s", item);
        units.m_nCount = count;
        units.m_fPrice = goods->m_fPrice;
        player->m_Garbage.AddGoods(units, goods->m_bUnique ? ITEM_UNIQUE : ITEM_GOODS, false);
    }
    else
    {
        g_ErrorLog.LogError("SCRIPT: no item '%s' to give the player", item);
        return nullptr;
    }
    return nullptr;
}

const char* TakeGoods(CScriptManager& m, Params p, int)
{
    m.AddResult(8, Text(p[0]), Number(p[1]), false);
    if (CMechanoid* player = Player())
    {
        SGoodsItem units;
        std::snprintf(units.m_szName, sizeof units.m_szName, "%s", Text(p[0]));
        units.m_nCount = Number(p[1]);
        player->m_Garbage.RemoveGoods(units, false);
    }
    return nullptr;
}

const char* AddMoneyOrRating(CScriptManager& m, Params p, int)
{
    const char* kind = Text(p[0]);
    const int amount = Number(p[1]);
    if (std::strcmp(kind, "1") == 0)
    {
        if (CMechanoid* player = Player())
        {
            player->m_Garbage.m_fMoney += static_cast<float>(amount);
            m.AddResult(9, "", amount, false);
        }
        return nullptr;
    }
    static const struct
    {
        const char* text;
        int kind;
    } kRatings[] = {{"2", 0}, {"3", 2}, {"4", 1}};
    for (const auto& rating : kRatings)
        if (std::strcmp(kind, rating.text) == 0)
        {
            if (g_ScriptGameCalls.changeRating)
                g_ScriptGameCalls.changeRating(rating.kind, amount);
            else
                Unavailable("player's rating");
        }
    return nullptr;
}

// The mechanoid whole again, and its glider with it: RepairAll makes the
// glider not destroyed and active with no broken part; here its parts'
// damage goes too and it is sent on as changed.
const char* RepairPlayer(CScriptManager&, Params, int)
{
    CMechanoid* player = Player();
    if (!player) return nullptr;
    player->RepairAll();
    if (CGliderObject* glider = player->m_lpObject)
    {
        glider->ResetBrokenParts();
        glider->m_bChanged = 1;
    }
    return nullptr;
}

const char* SlotItem(CScriptManager& m, Params p, int)
{
    const int entry = ConfigEntry(Number(p[0]));
    CMechanoid* player = entry < 0 ? nullptr : Player();
    if (!player) return nullptr;
    const char* name = TableOf(entry).GetName(player->m_gEqp.m_Config[entry].m_Key.Index());
    return m.KeepText(name ? name : "");
}

const char* FitSlot(CScriptManager&, Params p, int)
{
    const int slot = Number(p[0]);
    const char* item = Text(p[1]);
    CMechanoid* player = Player();
    if (!player) return nullptr;
    if (slot == 10)
    {
        const std::int32_t config = g_MechConfigManager.FindName(item);
        if (config < 0)
        {
            g_ErrorLog.LogError("SCRIPT:INSTALLEQUIPLAYER config %s not found", item);
            return nullptr;
        }
        player->InitConfig(config, false);
        ReEquipGlider(*player);
        return nullptr;
    }
    const int entry = ConfigEntry(slot);
    const std::int32_t index = entry < 0 ? -1 : TableOf(entry).FindName(item);
    if (index < 0)
    {
        g_ErrorLog.LogError("SCRIPT: no item '%s' for configuration slot %d", item, slot);
        return nullptr;
    }
    player->m_gEqp.m_Config[entry].m_Key = STypeKey(index);
    player->m_gEqp.m_Config[entry].m_dwModif = 0;
    player->InitConfig(-1, false);
    ReEquipGlider(*player);
    return nullptr;
}

const char* EmptySlot(CScriptManager&, Params p, int)
{
    const int entry = ConfigEntry(Number(p[0]));
    CMechanoid* player = entry < 0 ? nullptr : Player();
    if (!player) return nullptr;
    player->m_gEqp.m_Config[entry] = SMechConfig{};
    player->InitConfig(-1, false);
    ReEquipGlider(*player);
    return nullptr;
}

int PlayerHas(CScriptManager&, Params p, int)
{
    const char* item = Text(p[0]);
    CMechanoid* player = Player();
    if (!player) return 0;
    for (int entry = 0; entry < CFG_COUNT; ++entry)
    {
        const std::int32_t index = TableOf(entry).FindName(item);
        if (index >= 0 && index == player->m_gEqp.m_Config[entry].m_Key.Index()) return 1;
    }
    if (const std::int32_t eqp = g_EquipmentManager.FindName(item); eqp >= 0)
    {
        for (int i = 0; i < player->m_nAddCount; ++i)
            if (player->GetAddEquipment(i)->GetIndex() == eqp) return 1;
        return 0;
    }
    if (g_GliderManager.FindName(item) >= 0 || g_GunManager.FindName(item) >= 0) return 0;
    int units = 0;
    for (const SItemRec& e : player->m_Garbage.m_Items)
        if (std::strncmp(e.m_szName, item, sizeof e.m_szName) == 0) units += e.m_nCount;
    return units;
}

// The item's value in its table: the price of a gun, glider, equipment
// item or goods type, looked up in that order; 0 for none.
int ItemValue(CScriptManager&, Params p, int)
{
    const char* item = Text(p[0]);
    float price = 0.0f;
    if (const std::int32_t gun = g_GunManager.FindName(item); gun >= 0)
        price = g_GunManager.GetGun(gun)->m_fPrice;
    else if (const SGliderParameters* glider = g_GliderManager.GetGlider(g_GliderManager.FindName(item)))
        price = glider->m_fPrice;
    else if (const SEquipmentParameters* eqp =
                 g_EquipmentManager.GetEquipment(g_EquipmentManager.FindName(item)))
        price = eqp->m_fPrice;
    else if (const SGoodsParameters* goods = g_GoodsManager.FindGoods(item))
        price = goods->m_fPrice;
    return static_cast<int>(price);
}

// The player's progress lives with the game application (the call table).
const char* AddLocationKey(CScriptManager& m, Params p, int)
{
    m.AddResult(12, Text(p[0]), Number(p[1]), false);
    if (g_ScriptGameCalls.addLocationKey)
        g_ScriptGameCalls.addLocationKey(Text(p[0]), Number(p[1]) == 0);
    else
        Unavailable("location records");
    return nullptr;
}

int LocationHasKey(CScriptManager&, Params p, int)
{
    if (g_ScriptGameCalls.locationHasKey) return g_ScriptGameCalls.locationHasKey(Text(p[0])) ? 1 : 0;
    Unavailable("location records");
    return 0;
}

// "0" asks rating kind 2, "1" kind 1, "2" kind 0.
int RatingLevel(CScriptManager&, Params p, int)
{
    const char* kind = Text(p[0]);
    static const char* const kTexts[3] = {"2", "1", "0"};
    for (int k = 0; k < 3; ++k)
        if (std::strcmp(kind, kTexts[k]) == 0)
        {
            if (g_ScriptGameCalls.ratingLevel) return static_cast<int>(g_ScriptGameCalls.ratingLevel(k));
            Unavailable("player's rating");
            return 0;
        }
    return 0;
}

// The player's record keeps the copy (it is saved with the record). The
// copy is taken of the mechanoid the player's glider carries, through the
// mechanoid's stream form, and read back into that same mechanoid.
CPlayerMech* PlayerRecord()
{
    CPlayerMech* record = g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
    if (!record) Unavailable("player's mech record");
    return record;
}

void CopyThroughStream(const std::function<void(CMemStream&)>& write,
                       const std::function<void(CMemStream&)>& read)
{
    CMemStream out;
    write(out);
    CMemStream in;
    if (out.m_nPosition) std::memcpy(in.Allocate(out.m_nPosition), out.m_pData, out.m_nPosition);
    read(in);
}

void KeepCopy(CPlayerMech& record, CMechanoid& player)
{
    std::unique_ptr<IWorldMechanoid> copy(g_pfnCreateWorldMechanoid ? g_pfnCreateWorldMechanoid() : nullptr);
    if (!copy)
    {
        Unavailable("mechanoid maker");
        return;
    }
    CopyThroughStream([&](CMemStream& s) { player.SaveToStream(s); },
                      [&](CMemStream& s) { copy->LoadFromStream(s); });
    delete record.m_pBackup;
    record.m_pBackup = copy.release();
}

// A copy of the player's mechanoid is kept, then it is fitted from the
// configuration; the glider follows either way.
const char* BackupAndFit(CScriptManager&, Params p, int)
{
    CPlayerMech* record = PlayerRecord();
    CMechanoid* player = record ? Player() : nullptr;
    if (!player) return nullptr;
    KeepCopy(*record, *player);
    const char* name = Text(p[0]);
    if (const std::int32_t config = g_MechConfigManager.FindName(name); config < 0)
        g_ErrorLog.LogError("SCRIPT:INSTALLEQUIPLAYER config %s not found", name);
    else
        player->InitConfig(config, false);
    ReEquipGlider(*player);
    return nullptr;
}

const char* RestoreBackup(CScriptManager&, Params, int)
{
    CPlayerMech* record = PlayerRecord();
    CMechanoid* player = record ? Player() : nullptr;
    if (!player) return nullptr;
    if (!record->m_pBackup)
        g_ErrorLog.LogError("SCRIPT: no copy of the player's mechanoid is kept");
    else
        CopyThroughStream([&](CMemStream& s) { record->m_pBackup->SaveToStream(s); },
                          [&](CMemStream& s) { player->LoadFromStream(s); });
    ReEquipGlider(*player);
    return nullptr;
}

} // namespace

void AddPlayerBuiltIns(std::vector<SScriptBuiltIn>& t)
{
    t.insert(t.end(), {
                          {6, GiveObject, nullptr},
                          {22, TakeGoods, nullptr},
                          {7, AddMoneyOrRating, nullptr},
                          {62, RepairPlayer, nullptr},
                          {63, SlotItem, nullptr},
                          {64, FitSlot, nullptr},
                          {65, EmptySlot, nullptr},
                          {21, nullptr, PlayerHas},
                          {74, nullptr, ItemValue},
                          {85, AddLocationKey, nullptr},
                          {86, nullptr, LocationHasKey},
                          {90, nullptr, RatingLevel},
                          {100, BackupAndFit, nullptr},
                          {101, RestoreBackup, nullptr},
                      });
}
