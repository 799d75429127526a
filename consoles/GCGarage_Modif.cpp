// Modifications in the garage: whether and where a modifier fits, applying
// it from the stock or from the cargo, its information texts, and the drop
// highlighting of the console.
#include "consoles/GCGarage.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "menus/AnimatedBar.h"
#include "menus/ControlList.h"
#include "world/Trade.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "units/ModifManager.h"
#include "world/TypeManagers.h"
#include "world/World.h"

#include <cstdio>
#include <cstring>

namespace
{
const char* const kPropertyColours[3] = {"ab2424", "19ab2e", "4d6fff"};

std::string Format(const char* format, double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

void Trim(std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
    {
        s.clear();
        return;
    }
    s = s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

bool Inside(const plat::Rect& r, const plat::Point& p)
{
    return std::min(r.left, r.right + 1) <= p.x && p.x <= std::max(r.left, r.right - 1) &&
           std::min(r.top, r.bottom + 1) <= p.y && p.y <= std::max(r.top, r.bottom - 1);
}
} // namespace

int CGCGarage::FindModifTarget(std::uint32_t identifier, std::uint32_t* upgraded)
{
    CMechanoid* player = PlayerMechanoid();
    if (!player) return -1;
    // Candidates by type, in order; the word to try for each.
    std::uint32_t words[2] = {};
    int slots[2] = {-1, -1};
    int n = 0;
    auto add = [&](int slot, bool filled, std::uint32_t word)
    {
        if (!filled) return;
        slots[n] = slot;
        words[n++] = word;
    };
    switch (IModifierTable::GetModifType(identifier))
    {
    case 1:
        add(kSlotGlider, player->m_GliderData.HasRecord(), player->m_GliderData.m_dwModif);
        break;
    case 2:
        if (g_pPlayerGlider)
            for (int i = 0; i < 2; ++i)
                add(i == 0 ? kSlotGun1 : kSlotGun2, g_pPlayerGlider->m_Guns[i].m_bMounted,
                    g_pPlayerGlider->m_Guns[i].m_dwModif);
        break;
    case 3:
        add(kSlotReactor, player->m_Reactor.HasRecord(), player->m_Reactor.m_dwModif);
        add(kSlotReactor2, player->m_Reactor2.HasRecord(), player->m_Reactor2.m_dwModif);
        break;
    case 4:
        add(kSlotEngine, player->m_Engine.HasRecord(), player->m_Engine.m_dwModif);
        add(kSlotEngine2, player->m_Engine2.HasRecord(), player->m_Engine2.m_dwModif);
        break;
    case 5:
        add(kSlotShield, player->m_Shield.HasRecord(), player->m_Shield.m_dwModif);
        break;
    default:
        break;
    }
    for (int i = 0; i < n; ++i)
    {
        std::uint32_t word = words[i];
        if (CModifManager::UpgradeModif(&word, identifier))
        {
            if (upgraded) *upgraded = word;
            return slots[i];
        }
    }
    return -1;
}

bool CGCGarage::IsEnableModification()
{
    if (!m_pGliderList->GetSelected() || !IsSet(m_szGood)) return false;
    const std::int32_t index = g_ModifManager.FindName(m_szGood);
    const SModifParameters* modif = index >= 0 ? g_ModifManager.GetModif(index) : nullptr;
    return modif && FindModifTarget(modif->m_dwUnicumId, nullptr) >= 0;
}

void CGCGarage::OnModification()
{
    XTRACE("CGCGarage::OnModification");
    CMechanoid* player = PlayerMechanoid();
    if (!player) return;
    if (m_pGoodsList->GetSelected())
    {
        // Bought from the stock and fitted at once; a refusal leaves the
        // player as before.
        SGoodsItem unit;
        CopyName(unit.m_szName, m_szGood);
        unit.m_nCount = 1;
        unit.m_fPrice = m_fPrice;
        CItemRecArray saved = player->m_Garbage.m_Items;
        player->m_Garbage.AddGoods(unit, ITEM_STACK, false);
        const float result = player->AddToConfig(m_szGood, m_szBuilding, 1, m_dwModif, true);
        if (result == -1.0f)
        {
            player->m_Garbage.m_Items = std::move(saved);
            Sound("SND_I_NO");
            return;
        }
        player->m_Garbage.m_fMoney += result - m_fPrice;
        if (IEqpTrade* stock = g_pWorld ? g_pWorld->m_pEqpTrade : nullptr)
            stock->OnBoughtEqp(m_szBuilding, m_szGood, 1, m_dwModif);
        Refresh(3);
        Sound("SND_I_DEVICE_INSTALL_MOD");
        return;
    }
    if (!m_pGliderList->GetSelected()) return;
    const std::int32_t index = g_ModifManager.FindName(m_szGood);
    const SModifParameters* modif = index >= 0 ? g_ModifManager.GetModif(index) : nullptr;
    if (!modif) return;
    std::uint32_t word = 0;
    const int slot = FindModifTarget(modif->m_dwUnicumId, &word);
    if (slot < 0)
    {
        Sound("SND_I_NO");
        return;
    }
    switch (slot)
    {
    case kSlotGlider:
    {
        CGliderData& g = player->m_GliderData;
        const float damage = g.m_fDamage;
        g.Assign(g.m_Key, word);
        player->m_gEqp.m_Config[CFG_GLIDER].m_dwModif = word;
        player->m_fArmor = player->GetArmor(2) - damage;
        if (g_pPlayerGlider && g_pPlayerGlider->m_pMechanoid == player)
            g_pPlayerGlider->AssignMechanoid(g_pPlayerGlider->m_pMech, player, true);
        break;
    }
    case kSlotGun1:
    case kSlotGun2:
    {
        const int n = slot == kSlotGun1 ? 0 : 1;
        if (g_pPlayerGlider)
        {
            CGun& gun = g_pPlayerGlider->m_Guns[n];
            const STypeKey key = gun.m_Key;
            gun.Assign(key, word);
        }
        player->m_gEqp.m_Config[n == 0 ? CFG_LIGHTGUN : CFG_HEAVYGUN].m_dwModif = word;
        player->UpdateEquipment();
        break;
    }
    default:
    {
        CEquipment* e = slot == kSlotReactor    ? &player->m_Reactor
                        : slot == kSlotReactor2 ? &player->m_Reactor2
                        : slot == kSlotEngine   ? &player->m_Engine
                        : slot == kSlotEngine2  ? &player->m_Engine2
                                                : &player->m_Shield;
        const STypeKey key = e->m_Key;
        e->Assign(key, word);
        const EMechConfigSlot cfg = slot == kSlotReactor    ? CFG_REACTOR
                                    : slot == kSlotReactor2 ? CFG_REACTOR2
                                    : slot == kSlotEngine   ? CFG_ENGINE
                                    : slot == kSlotEngine2  ? CFG_ENGINE2
                                                            : CFG_SHIELD;
        player->m_gEqp.m_Config[cfg].m_dwModif = word;
        break;
    }
    }
    SGoodsItem unit;
    CopyName(unit.m_szName, m_szGood);
    unit.m_nCount = 1;
    player->m_Garbage.RemoveGoods(unit, false);
    Sound("SND_I_DEVICE_UPGRADE");
    Refresh(6);
}

void CGCGarage::GetInfoModifEqp(std::string& out)
{
    const std::string names[3] = {Text("INT_GARAGE_TEXT32"), Text("INT_GARAGE_TEXT33"), Text("INT_GARAGE_TEXT34")};
    const std::string heading = Text("INT_GARAGE_TEXT35");
    if (m_dwModif == 0) return;
    char line[256];
    for (std::uint32_t p = 0; p < 3; ++p)
    {
        const std::uint32_t level = CModifManager::GetModifNibble(m_dwModif, p);
        if (level == 0) continue;
        std::snprintf(line, sizeof line, "<color:%s>%s<halign=right>%d</halign><color>", kPropertyColours[p],
                      names[p].c_str(), int(level));
        out += line;
    }
    if (!out.empty()) out = heading + "<br>" + out;
}

void CGCGarage::GetInfoModifText(const char* valueFormat, const char* diffFormat, std::string& out, float base,
                                 float v1, float v2, float v3)
{
    out = Format(valueFormat, double(base));
    const float values[3] = {v1, v2, v3};
    for (int i = 0; i < 3; ++i)
        if (values[i] != base)
            out += std::string("<color:") + kPropertyColours[i] + ">" +
                   Format(diffFormat, double(values[i] - base)) + "<color>";
    Trim(out);
}

void CGCGarage::GetInfoModif(std::string& out)
{
    std::string t[32];
    for (int i = 1; i <= 31; ++i)
    {
        char key[32];
        std::snprintf(key, sizeof key, "INT_GARAGE_TEXT%d", i);
        t[i] = Text(key);
    }
    if (!IsSet(m_szGood) || !m_szGood[0]) return;
    const std::int32_t index = g_ModifManager.FindName(m_szGood);
    const SModifParameters* modif = index >= 0 ? g_ModifManager.GetModif(index) : nullptr;
    if (!modif) return;
    int property = -1;
    std::uint32_t level = 0;
    for (std::uint32_t p = 0; p < 3 && property < 0; ++p)
        if ((level = CModifManager::GetModifNibble(modif->m_dwUnicumId, p)) > 0) property = int(p);
    // Type name, then raised and lowered names per property.
    static const int kNames[5][7] = {
        {15, 1, 2, 3, 4, 5, 6},     {14, 7, 8, 9, 10, 11, 12},  {13, 1, 2, 16, 12, 9, 6},
        {22, 1, 2, 23, 8, 24, 25},  {17, 18, 2, 19, 8, 20, 21},
    };
    const std::uint32_t type = IModifierTable::GetModifType(modif->m_dwUnicumId);
    std::string typeName, raised, lowered;
    if (type >= 1 && type <= 5 && property >= 0)
    {
        const int* row = kNames[type - 1];
        typeName = t[row[0]];
        raised = t[row[1 + 2 * property]];
        lowered = t[row[2 + 2 * property]];
    }
    std::string grade;
    if (property >= 0) grade = std::string("<color:") + kPropertyColours[property] + ">" + t[29 + property] + "<color>";
    const int raise = int((modif->m_fKIncrease1 - 1.0f) * 100.0f + 0.5f);
    const int lower = int((1.0f - modif->m_fKDecrease2) * 100.0f + 0.5f);
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer,
                  "%s<halign=right>%s</halign>%s<halign=right>%s</halign>%s<halign=right>%d</halign>",
                  t[26].c_str(), typeName.c_str(), t[27].c_str(), grade.c_str(), t[28].c_str(), int(level));
    out = buffer;
    std::snprintf(buffer, sizeof buffer, "<br>%s <halign=right>%d%%</halign>%s <halign=right>%d%%</halign>",
                  raised.c_str(), raise, lowered.c_str(), lower);
    out += buffer;
}

void CGCGarage::CheckHighlighted()
{
    auto clear = [](CControl* c)
    {
        c->m_bState1 = 0;
        c->m_bState2 = 0;
    };
    clear(m_pGoodsList);
    clear(m_pGliderList);
    for (int i = 0; i < m_nSlots; ++i)
        clear(m_apSlots[i]);
    const plat::Point p = CursorPos();
    for (int i = 0; i < m_nSlots; ++i)
        if (m_apSlots[i]->m_bDragging)
        {
            m_pGoodsList->m_bState1 = 1;
            if (Inside(m_pGoodsList->m_Rect, p)) m_pGoodsList->m_bState2 = 1;
        }
    if (m_pGliderList->m_bDragging) m_pGoodsList->m_bState1 = 1;
    CControlListItem* item = m_pGoodsList->m_bDragging ? m_pGoodsList->GetSelected() : nullptr;
    if (!item) return;
    if (item->m_nKind == kKindAddEqp)
    {
        m_pGliderList->m_bState1 = 1;
        if (Inside(m_pGliderList->m_Rect, p)) m_pGliderList->m_bState2 = 1;
    }
    for (int i = 0; i < m_nSlots; ++i)
        if (m_apSlots[i]->m_bEnabled && m_SlotKinds[i] == item->m_nKind)
        {
            m_apSlots[i]->m_bState1 = 1;
            if (Inside(m_apSlots[i]->m_Rect, p)) m_apSlots[i]->m_bState2 = 1;
        }
}
