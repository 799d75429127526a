// The player's orders to groups (the command menu), the target choice, the
// typed codes' effects and the hot keys they enable.
#include "app/MMApp.h"

#include "world/GameWorldState.h"
#include "app/InputConfig.h"
#include "foundation/ErrorLog.h"
#include "foundation/XString.h"
#include "hud/messages/Messager.h"
#include "hud/radar/Radar.h"
#include "script/game/TextDatabase.h"
#include "society/GroupAI.h"
#include "society/MechGroup.h"
#include "sound/SoundManager.h"
#include "units/GliderObject.h"
#include "units/GunManager.h"
#include "units/MechConfigManager.h"
#include "units/Mechanoid.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/World.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
constexpr int kKeyLeftBracket = 0x1A;
constexpr int kKeyRightBracket = 0x1B;
constexpr int kKeyLeftShift = 0x2A;
constexpr int kKeyDelete = 0xD3;
constexpr int kKeyPageUp = 0xC9;
constexpr int kKeyInsert = 0xD2;
constexpr int kKeyEnd = 0xCF;

constexpr float kTargetAhead = 650.0f;
constexpr float kTargetRadius = 1000.0f;
constexpr float kTargetCone = 0.92f;

bool Pressed(int code)
{
    return g_InputConfig.WasKeyPressed(std::uint16_t(code));
}

CMech* MechOf(const CMMObject* object)
{
    const auto* glider = dynamic_cast<const CGliderObject*>(object);
    return glider ? glider->m_pMech : nullptr;
}

CMechGroup2* GroupOf(const CMMObject* object)
{
    return GetMechGroup(MechOf(object));
}

// The groups the player commands.
std::vector<CMechGroup2*> PlayerGroups()
{
    std::vector<CMechGroup2*> out;
    for (CMechGroup2* g : g_MechGroupList2.m_Groups)
        if (g && g->GetGroupAI() && g->GetGroupAI()->m_bAssigned) out.push_back(g);
    return out;
}

// The player says the line: the event sink shows it in the message panel
// under the player's name.
void Say(const char* key)
{
    CXAnsiString line;
    if (!g_pTextDB || !g_pTextDB->GetText(STextKey(key), line)) line = key;
    if (g_pAppEvent) g_pAppEvent->OnSay(g_pPlayerGlider, line.GetText());
}

// What the target's group answers, when the target has a mech record.
template <class F> void ToTargetGroup(CMMObject* target, F&& order)
{
    if (CMechGroup2* g = GroupOf(target)) order(*g);
}
} // namespace

int CMMApp::CountCommandedGroups() const
{
    return int(PlayerGroups().size());
}

bool CMMApp::PlayerCommand(int menu, int command)
{
    XTRACE("CMMApp::PlayerCommand");
    CGliderObject* glider = g_pPlayerGlider;
    if (!glider) return false;
    CMMObject* target = glider->m_pTarget;
    auto* targetGlider = dynamic_cast<CGliderObject*>(target);
    const int code = menu * 10 + command;
    // Only the orders that act on a target need one: following, holding
    // back and calling for help are the player's own business.
    const bool needsTarget = code == 12 || code == 16 || code == 22 || code >= 31;
    if (needsTarget && !target) return false;
    char key[16];
    std::snprintf(key, sizeof key, "MSG_PLAYER_%d", code);
    switch (code)
    {
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
        Say(key);
        for (CMechGroup2* g : PlayerGroups())
        {
            if (code == 11) g->C_FollowOn();
            if (code == 12) g->C_Attack(targetGlider);
            if (code == 13) g->C_FollowOff();
            if (code == 14) g->C_ReactionLow();
            if (code == 15) g->C_ReactionFull();
        }
        return true;
    case 16:
        Say(key);
        ToTargetGroup(target, [](CMechGroup2& g) { g.C_LeaveMe(); });
        return true;
    case 21:
    case 22:
    case 23:
        Say(key);
        if (g_pPlayerGroup)
        {
            if (code == 21) g_pPlayerGroup->C_Help();
            if (code == 22) g_pPlayerGroup->C_PleaseAttack();
            if (code == 23) g_pPlayerGroup->C_TryKeepOff();
        }
        return true;
    case 31:
        Say(key);
        ToTargetGroup(target, [](CMechGroup2& g) { g.C_Assign(); });
        return true;
    case 32:
        return BuyOut(target);
    case 33:
        Say(key);
        ToTargetGroup(target, [glider](CMechGroup2& g) { g.C_Provocation(glider); });
        return true;
    case 34:
        Say(key);
        ToTargetGroup(target, [glider](CMechGroup2& g) { g.C_TryFuck(glider); });
        return true;
    case 35:
    {
        const CMech* mech = MechOf(target);
        const CMech* player = glider->m_pMech;
        if (!mech || !player || std::strcmp(mech->m_szOrg, "ORG_PLAYER") != 0 ||
            std::strcmp(mech->m_szOrg, player->m_szOrg) != 0)
            return false;
        Say(key);
        ToTargetGroup(target, [targetGlider](CMechGroup2& g) { g.C_Suicide(targetGlider); });
        return true;
    }
    default:
        return false;
    }
}

bool CMMApp::BuyOut(CMMObject* target)
{
    CGliderObject* glider = g_pPlayerGlider;
    CMech* mech = MechOf(target);
    CMechanoid* mechanoid = glider ? glider->m_pMechanoid : nullptr;
    if (!mech || !mechanoid) return false;
    const float price = mech->GetConvictPrice(0, true);
    if (price > mechanoid->m_Garbage.m_fMoney) return false;
    Say("MSG_PLAYER_32");
    if (CMechGroup2* g = GetMechGroup(mech))
        for (int i = 0; i < g->GetMemberCount(); ++i)
        {
            CMechanoid* member = GetMechMechanoid(g->GetMember(i));
            if (member && member->m_lpObject) g->C_Convict(member->m_lpObject);
        }
    mechanoid->m_Garbage.m_fMoney -= price;
    if (g_pSoundManager) g_pSoundManager->Play2D("SND_I_MONEY", false);
    return true;
}

// ---- the target ----------------------------------------------------------------------------

CMMObject* ChooseTarget(const STargetCandidate* candidates, int count, const CMMObject* current)
{
    const STargetCandidate* direct = nullptr;
    const STargetCandidate* nearest = nullptr;
    const STargetCandidate* firstInCone = nullptr;
    const STargetCandidate* nextById = nullptr;
    const std::int64_t currentId = current ? current->m_nObjectNumber : -1;
    for (int i = 0; i < count; ++i)
    {
        const STargetCandidate& c = candidates[i];
        if (c.direct)
        {
            direct = &c;
            continue;
        }
        if (c.cosine <= kTargetCone) continue;
        if (!nearest || c.range < nearest->range) nearest = &c;
        if (!firstInCone) firstInCone = &c;
        if (!nextById && c.object->m_nObjectNumber > currentId) nextById = &c;
    }
    if (direct) return direct->object;
    if (!current) return nearest ? nearest->object : nullptr;
    if (nextById) return nextById->object;
    if (firstInCone && firstInCone->object != current) return firstInCone->object;
    return nullptr;
}

CMMObject* CMMApp::SelectTarget(CGliderObject& glider)
{
    XTRACE("CMMApp::SelectTarget");
    const CVector position = glider.GetPosition();
    const CVector ahead = position + glider.m_vSight * kTargetAhead;
    SRadiusResult found;
    CObjectList::GetObjectsInRadius(&ahead, kTargetRadius, OBJ_GLIDER, &found);
    std::vector<STargetCandidate> candidates;
    const CVector forward = glider.ForwardAxis();
    for (int i = 0; i < found.count; ++i)
    {
        auto* other = dynamic_cast<CGliderObject*>(found.objects[i]);
        if (!other || other == &glider || !other->m_bActive) continue;
        const CVector to = other->GetPosition() - position;
        const float distance = to.Length();
        STargetCandidate c;
        c.object = other;
        c.cosine = distance > 0.0f ? Dot(to * (1.0f / distance), forward) : 1.0f;
        c.range = distance + 10.0f;
        CVector point;
        CMMObject* hit = nullptr;
        c.direct = g_ObjectList.GetRayIntersection(&position, &glider.m_vSight, c.range, &point, &glider, &hit) &&
                   hit == other;
        candidates.push_back(c);
    }
    return ChooseTarget(candidates.data(), int(candidates.size()), glider.m_pTarget);
}

// ---- typed codes and hot keys -------------------------------------------------------------

void CMMApp::OnTypedCode(int code)
{
    XTRACE("CMMApp::OnTypedCode");
    CGliderObject* glider = g_pPlayerGlider;
    CMechanoid* mechanoid = glider ? glider->m_pMechanoid : nullptr;
    const CMech* player = glider ? glider->m_pMech : nullptr;
    switch (code)
    {
    case 1:
        if (mechanoid) mechanoid->m_Garbage.m_fMoney += 1000000.0f;
        break;
    case 2:
        m_bCheatTarget = !m_bCheatTarget;
        if (mechanoid) mechanoid->m_fDamageFactor = m_bCheatTarget ? 0.0f : 1.0f;
        break;
    case 3:
        if (g_pRadar) g_pRadar->RevealBuildings();
        break;
    case 4:
        m_bCheatRefit = true;
        break;
    case 5:
        if (g_pWorld && player)
            for (CMech* mech : g_pWorld->m_Mechs)
                if (mech && mech != player && mech->m_bAlive && !mech->m_bDead &&
                    std::strcmp(mech->m_szOrg, "ORG_FREE") != 0 && std::strcmp(mech->m_szOrg, player->m_szOrg) != 0)
                    g_pWorld->OnTryConvict(mech->m_szId, player->m_szOrg);
        break;
    case 6:
        if (g_pRadar && mechanoid && g_pWorld)
            for (int i = 0; i < g_pRadar->m_MechMarks.GetCount(); ++i)
            {
                const char* name = g_pRadar->m_MechMarks[std::uint32_t(i)];
                if (!name || g_pWorld->FindMech(name)) continue;
                SGoodsItem item;
                std::snprintf(item.m_szName, sizeof item.m_szName, "%s", name);
                item.m_nCount = 1;
                mechanoid->m_Garbage.AddGoods(item, 2, true);
            }
        break;
    default:
        break;
    }
}

int NextCycleIndex(int index, int step, int count)
{
    if (count <= 1) return 0;
    return ((index + step) % count + count) % count;
}

void CMMApp::ProcessCheatKeys()
{
    CGliderObject* glider = g_pPlayerGlider;
    CMechanoid* mechanoid = glider ? glider->m_pMechanoid : nullptr;
    if (!glider || !mechanoid) return;
    if (m_bCheatRefit && (Pressed(kKeyLeftBracket) || Pressed(kKeyRightBracket)))
    {
        const int step = Pressed(kKeyRightBracket) ? 1 : -1;
        if (!g_InputConfig.IsKeyDown(kKeyLeftShift))
        {
            const int n = int(g_MechConfigManager.m_Configs.size());
            const int index = NextCycleIndex(mechanoid->m_nConfigIndex, step, n);
            if (n > 0)
            {
                mechanoid->InitConfig(index, false, 0);
                glider->ChangeID(mechanoid->m_gEqp.m_Config[CFG_GLIDER].m_Key);
                glider->AssignMechanoid(glider->m_pMech, mechanoid, true);
                glider->UpdateAmmoPart(1.0f);
                glider->m_bChanged = 1;
            }
        }
        else if (const int m = g_GunManager.GetCount(); m > 0)
        {
            // No gun types, no cycle (the step would divide by zero).
            m_nGunCycle = ((m_nGunCycle + step) % m + m) % m;
            const char* name = g_GunManager.GetName(m_nGunCycle);
            mechanoid->AddToConfig(name ? name : "_DEFAULT_", "", 1, 0, true);
            glider->UpdateGliderConfig();
            glider->m_bChanged = 1;
        }
    }
    if (!m_bCheatTarget) return;
    CMMObject* target = glider->m_pTarget;
    if (Pressed(kKeyDelete) && target)
        target->Damage(100000000.0f, CVector{0.0f, 0.0f, 1.0f}, 0, glider, -1, 666);
    if (Pressed(kKeyPageUp)) glider->m_vVelocity = glider->ForwardAxis() * 1000.0f;
    // Only a glider with a mech record can be convicted.
    const CMech* player = glider->m_pMech;
    if (Pressed(kKeyInsert) && g_pWorld && player)
        if (const CMech* mech = MechOf(target)) g_pWorld->OnTryConvict(mech->m_szId, player->m_szOrg);
    if (Pressed(kKeyEnd) && g_pRadar)
    {
        if (g_pRadar->m_bTargetSet) glider->SetPosition(g_pRadar->m_vTarget);
    }
}
