// The garage's information pages: markup descriptions of guns, armour,
// shields, engines, reactors, additional equipment, ammunition, gliders and
// the whole configuration, with the change each single modification makes.
#include "consoles/GCGarage.h"

#include "world/GameWorldState.h"
#include "foundation/ErrorLog.h"
#include "units/GliderObject.h"
#include "units/GunManager.h"
#include "units/Mechanoid.h"
#include "units/ModifManager.h"
#include "world/TypeManagers.h"

#include <cstdio>
#include <string>

namespace
{
std::string Line(const std::string& label, const std::string& value)
{
    return label + "<halign=right>" + value + "</halign>";
}

std::string Number(const std::string& label, const char* format, double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return Line(label, buffer);
}

std::string First(const std::string& label, const std::string& title, const std::string& summary)
{
    return Line(label, title) + summary;
}

std::string NotFound(const std::string& title, const std::string& line)
{
    return title + "<br>" + line;
}

// The three single-modification words of a word (0 where none).
void VariantWords(std::uint32_t word, std::uint32_t out[3])
{
    std::int32_t ids[3] = {-1, -1, -1};
    g_ModifManager.GetModifID(word, &ids[0], &ids[1], &ids[2]);
    for (int i = 0; i < 3; ++i)
    {
        const SModifParameters* m = ids[i] >= 0 ? g_ModifManager.GetModif(ids[i]) : nullptr;
        out[i] = m ? m->m_dwUnicumId : 0;
    }
}

// MT(field): the base value and the change of each variant.
template <class R, class F> std::string Mt(const R (&v)[4], F field, const char* signedFormat, const char* plainFormat)
{
    std::string out;
    CGCGarage::GetInfoModifText(plainFormat, signedFormat, out, field(v[0]), field(v[1]), field(v[2]), field(v[3]));
    return out;
}
} // namespace

std::string CGCGarage::GliderClass(const char* name)
{
    const std::string s(name, strnlen(name, 32));
    std::size_t first = s.find('_');
    if (first == std::string::npos) return {};
    const std::size_t second = s.find('_', first + 1);
    if (second == std::string::npos) return {};
    const std::size_t third = s.find('_', second + 1);
    if (third == std::string::npos) return {};
    return s.substr(second + 1, third - second - 1);
}

void CGCGarage::ShowInfoGun(std::string& out)
{
    XTRACE("CGCGarage::ShowInfoGun");
    out.clear();
    const std::int32_t index = g_GunManager.FindName(m_szGood);
    if (index < 0)
    {
        out = NotFound(Text("INT_GARAGE_TEXT76"), Text("INT_GARAGE_TEXT77"));
        return;
    }
    float ignored[3];
    g_GunManager.GetMaxDamage(ignored, index, m_dwModif, true);
    SGunParameters full, v[4];
    g_GunManager.GetParam(&full, index, m_dwModif, true);
    std::uint32_t words[3];
    VariantWords(m_dwModif, words);
    g_GunManager.GetParam(&v[0], index, 0, true);
    for (int i = 0; i < 3; ++i)
        g_GunManager.GetParam(&v[i + 1], index, words[i], true);
    const std::string rate =
        Mt(v, [](const SGunParameters& p) { return p.m_fRateOfFire; }, "%+1.2f", "%1.2f");
    const std::string power = Mt(v, [](const SGunParameters& p) { return p.m_fPower; }, "%+1.0f", "%1.0f");
    const std::string fireTime = Mt(v, [](const SGunParameters& p) { return p.m_fFireTime; }, "%+1.1f", "%1.1f");
    std::string damage;
    if (full.m_nDamageType >= 5 && full.m_nDamageType <= 7)
    {
        static const char* const kTypes[3] = {"INT_GARAGE_TEXT60", "INT_GARAGE_TEXT61", "INT_GARAGE_TEXT62"};
        damage = Line(Text("INT_GARAGE_TEXT59"), Text(kTypes[full.m_nDamageType - 5]));
    }
    else
    {
        static const char* const kLabels[3] = {"INT_GARAGE_TEXT63", "INT_GARAGE_TEXT64", "INT_GARAGE_TEXT65"};
        for (int c = 0; c < 3; ++c)
            if (full.m_MaxDamage[c] != 0.0f)
                damage += Line(Text(kLabels[c]),
                               Mt(v, [c](const SGunParameters& p) { return p.m_MaxDamage[c]; }, "%+1.0f", "%1.0f"));
    }
    if (full.m_fMaxDistance != 0.0f) damage += Number(Text("INT_GARAGE_TEXT66"), "%7.0f", double(full.m_fMaxDistance));
    std::string summary;
    if (IModifierTable::GetModifType(m_dwModif) == MODIF_WEAPON) GetInfoModifEqp(summary);
    const bool light = m_iGoodKind == kKindGunLight;
    const std::string title = Text(summary.empty() ? (light ? "INT_GARAGE_TEXT67" : "INT_GARAGE_TEXT68")
                                                   : (light ? "INT_GARAGE_TEXT69" : "INT_GARAGE_TEXT70"));
    out = First(Text("INT_GARAGE_TEXT72"), title, summary) + Line(Text("INT_GARAGE_TEXT73"), rate) +
          Line(Text("INT_GARAGE_TEXT71"), fireTime) + damage + Line(Text("INT_GARAGE_TEXT74"), power) +
          Number(Text("INT_GARAGE_TEXT75"), "%7.0f", double(full.m_fWeight));
}

void CGCGarage::ShowInfoArmor(std::string& out)
{
    XTRACE("CGCGarage::ShowInfoArmor");
    const std::int32_t index = g_EquipmentManager.FindName(m_szGood);
    if (index < 0)
    {
        out = NotFound(Text("INT_GARAGE_TEXT78"), Text("INT_GARAGE_TEXT77"));
        return;
    }
    SEquipmentParameters p;
    g_EquipmentManager.GetParam(&p, index, m_dwModif);
    out = Line(Text("INT_GARAGE_TEXT72"), Text("INT_GARAGE_TEXT78")) +
          Number(Text("INT_GARAGE_TEXT79"), "%7.0f", double(p.m_fValue1)) +
          Number(Text("INT_GARAGE_TEXT75"), "%7.0f", double(p.m_fWeight));
}

namespace
{
// The four variants of an equipment record.
void EquipmentVariants(std::int32_t index, std::uint32_t word, SEquipmentParameters (&v)[4])
{
    std::uint32_t words[3];
    VariantWords(word, words);
    g_EquipmentManager.GetParam(&v[0], index, 0);
    for (int i = 0; i < 3; ++i)
        g_EquipmentManager.GetParam(&v[i + 1], index, words[i]);
}
} // namespace

void CGCGarage::ShowInfoShield(std::string& out)
{
    XTRACE("CGCGarage::ShowInfoShield");
    const std::int32_t index = g_EquipmentManager.FindName(m_szGood);
    if (index < 0)
    {
        out = NotFound(Text("INT_GARAGE_TEXT80"), Text("INT_GARAGE_TEXT77"));
        return;
    }
    SEquipmentParameters v[4];
    EquipmentVariants(index, m_dwModif, v);
    std::string summary;
    if (IModifierTable::GetModifType(m_dwModif) == MODIF_SHIELD) GetInfoModifEqp(summary);
    auto mt = [&](float SEquipmentParameters::*f)
    { return Mt(v, [f](const SEquipmentParameters& p) { return p.*f; }, "%+1.0f", "%1.0f"); };
    out = First(Text("INT_GARAGE_TEXT72"), Text(summary.empty() ? "INT_GARAGE_TEXT80" : "INT_GARAGE_TEXT81"), summary) +
          Line(Text("INT_GARAGE_TEXT82"), mt(&SEquipmentParameters::m_fValue1)) +
          Line(Text("INT_GARAGE_TEXT74"), mt(&SEquipmentParameters::m_fPower)) +
          Line(Text("INT_GARAGE_TEXT83"), mt(&SEquipmentParameters::m_fValue3)) +
          Line(Text("INT_GARAGE_TEXT84"), mt(&SEquipmentParameters::m_fValue2)) +
          Line(Text("INT_GARAGE_TEXT75"), mt(&SEquipmentParameters::m_fWeight));
}

void CGCGarage::ShowInfoEngine(std::string& out)
{
    XTRACE("CGCGarage::ShowInfoEngine");
    const std::int32_t index = g_EquipmentManager.FindName(m_szGood);
    if (index < 0)
    {
        out = NotFound(Text("INT_GARAGE_TEXT87"), Text("INT_GARAGE_TEXT77"));
        return;
    }
    SEquipmentParameters v[4];
    EquipmentVariants(index, m_dwModif, v);
    std::string summary;
    if (IModifierTable::GetModifType(m_dwModif) == MODIF_ENGINE) GetInfoModifEqp(summary);
    auto mt = [&](float SEquipmentParameters::*f)
    { return Mt(v, [f](const SEquipmentParameters& p) { return p.*f; }, "%+1.0f", "%1.0f"); };
    const std::string thrust =
        Mt(v, [](const SEquipmentParameters& p) { return p.m_fValue1 * 0.001f; }, "%+1.0f", "%1.0f");
    out = First(Text("INT_GARAGE_TEXT72"), Text(summary.empty() ? "INT_GARAGE_TEXT87" : "INT_GARAGE_TEXT88"), summary) +
          Line(Text("INT_GARAGE_TEXT85"), mt(&SEquipmentParameters::m_fDamage)) + Line(Text("INT_GARAGE_TEXT86"), thrust) +
          Line(Text("INT_GARAGE_TEXT74"), mt(&SEquipmentParameters::m_fPower)) +
          Line(Text("INT_GARAGE_TEXT75"), mt(&SEquipmentParameters::m_fWeight));
}

void CGCGarage::ShowInfoReactor(std::string& out)
{
    XTRACE("CGCGarage::ShowInfoReactor");
    const std::int32_t index = g_EquipmentManager.FindName(m_szGood);
    if (index < 0)
    {
        out = NotFound(Text("INT_GARAGE_TEXT90"), Text("INT_GARAGE_TEXT77"));
        return;
    }
    SEquipmentParameters v[4];
    EquipmentVariants(index, m_dwModif, v);
    std::string summary;
    if (IModifierTable::GetModifType(m_dwModif) == MODIF_REACTOR) GetInfoModifEqp(summary);
    auto mt = [&](float SEquipmentParameters::*f)
    { return Mt(v, [f](const SEquipmentParameters& p) { return p.*f; }, "%+1.0f", "%1.0f"); };
    out = First(Text("INT_GARAGE_TEXT72"), Text(summary.empty() ? "INT_GARAGE_TEXT90" : "INT_GARAGE_TEXT91"), summary) +
          Line(Text("INT_GARAGE_TEXT53"), mt(&SEquipmentParameters::m_fDamage)) +
          Line(Text("INT_GARAGE_TEXT89"), mt(&SEquipmentParameters::m_fValue1)) +
          Line(Text("INT_GARAGE_TEXT75"), mt(&SEquipmentParameters::m_fWeight));
}

void CGCGarage::ShowInfoAddEqp(std::string& out)
{
    XTRACE("CGCGarage::ShowInfoAddEqp");
    const std::int32_t index = g_EquipmentManager.FindName(m_szGood);
    if (index < 0)
    {
        out = First(Text("INT_GARAGE_TEXT72"), Text("INT_GARAGE_TEXT92"), Text("INT_GARAGE_TEXT77"));
        return;
    }
    const SEquipmentParameters* p = g_EquipmentManager.GetEquipment(index);
    out = Line(Text("INT_GARAGE_TEXT72"), Text("INT_GARAGE_TEXT92"));
    if (p->m_fPower != 0.0f) out += Number(Text("INT_GARAGE_TEXT74"), "%7.0f", double(p->m_fPower));
    out += Number(Text("INT_GARAGE_TEXT75"), "%7.0f", double(p->m_fWeight));
    out += Line(Text("INT_GARAGE_TEXT93"), Text(p->m_bManual ? "INT_GARAGE_TEXT94" : "INT_GARAGE_TEXT95"));
}

void CGCGarage::ShowInfoAmmo(std::string& out)
{
    XTRACE("CGCGarage::ShowInfoAmmo");
    const std::int32_t index = g_MissileManager.FindName(m_szGood);
    const SMissileParameters* p = index >= 0 ? g_MissileManager.Param(index) : nullptr;
    if (!p)
    {
        out = NotFound(Text("INT_GARAGE_TEXT106"), Text("INT_GARAGE_TEXT77"));
        return;
    }
    float damage[3] = {};
    g_MissileManager.GetMaxDamage(damage, index, 0);
    std::string detonation;
    if (p->m_nKind == 9)
        detonation = Number(Text("INT_GARAGE_TEXT96"), "%7.0f", double(p->m_fDetonationDistance)) +
                     Number(Text("INT_GARAGE_TEXT97"), "%7.1f", double(p->m_fDetonationDelay));
    static const char* const kLabels[3] = {"INT_GARAGE_TEXT98", "INT_GARAGE_TEXT99", "INT_GARAGE_TEXT100"};
    for (int c = 0; c < 3; ++c)
        if (damage[c] != 0.0f) detonation += Number(Text(kLabels[c]), "%7.0f", double(damage[c]));
    const SExploParameters* explo = p->m_iExplo >= 0 ? g_ExploManager.Param(p->m_iExplo) : nullptr;
    const float radius = explo ? explo->m_fRadius : 0.0f;
    const char* title = p->m_nKind == 4   ? "INT_GARAGE_TEXT101"
                        : p->m_nKind == 2 ? "INT_GARAGE_TEXT102"
                        : p->m_nKind == 9 ? "INT_GARAGE_TEXT103"
                                          : "INT_GARAGE_TEXT104";
    out = Line(Text("INT_GARAGE_TEXT72"), Text(title)) + detonation +
          Number(Text("INT_GARAGE_TEXT105"), "%7.0f", double(radius)) +
          Number(Text("INT_GARAGE_TEXT75"), "%7.0f", double(p->m_fWeight));
}

void CGCGarage::ShowInfoGlider(std::string& out)
{
    XTRACE("CGCGarage::ShowInfoGlider");
    const std::int32_t index = g_GliderManager.FindName(m_szGood);
    if (index < 0)
    {
        out = NotFound(Text("INT_GARAGE_TEXT46"), Text("INT_GARAGE_TEXT58"));
        return;
    }
    SGliderParameters full, v[4];
    g_GliderManager.GetParam(full, index, m_dwModif);
    std::uint32_t words[3];
    VariantWords(m_dwModif, words);
    g_GliderManager.GetParam(v[0], index, 0);
    for (int i = 0; i < 3; ++i)
        g_GliderManager.GetParam(v[i + 1], index, words[i]);
    static const char* const kCodes[8] = {"A", "B", "C", "S", "PA", "PB", "PC", "PS"};
    const std::string code = GliderClass(g_GliderManager.GetName(index));
    std::string classText = Text("INT_GARAGE_TEXT44");
    for (int i = 0; i < 8; ++i)
        if (code == kCodes[i])
        {
            char key[32];
            std::snprintf(key, sizeof key, "INT_GARAGE_TEXT%d", 36 + i);
            classText = Text(key);
        }
    std::string summary;
    if (IModifierTable::GetModifType(m_dwModif) == 1) GetInfoModifEqp(summary);
    auto mt = [&](float SGliderParameters::*f)
    { return Mt(v, [f](const SGliderParameters& p) { return p.*f; }, "%+1.0f", "%1.0f"); };
    out = First(Text("INT_GARAGE_TEXT45"), Text(summary.empty() ? "INT_GARAGE_TEXT46" : "INT_GARAGE_TEXT47"), summary) +
          Line(Text("INT_GARAGE_TEXT48"), std::to_string(full.m_nStandard)) +
          Line(Text("INT_GARAGE_TEXT49"), mt(&SGliderParameters::m_fWeight)) +
          Line(Text("INT_GARAGE_TEXT50"), mt(&SGliderParameters::m_fMaxWeight)) +
          Line(Text("INT_GARAGE_TEXT51"), mt(&SGliderParameters::m_fRotateSpeed)) +
          Line(Text("INT_GARAGE_TEXT52"), classText) + Line(Text("INT_GARAGE_TEXT53"), mt(&SGliderParameters::m_fDamage));
    const std::uint32_t mask = std::uint32_t(full.m_nGunMask);
    const int light = int(mask & 1) + int((mask >> 8) & 1);
    const int heavy = int((mask >> 1) & 1) + int((mask >> 9) & 1);
    out += Text("INT_GARAGE_TEXT54") + "<br>";
    if (light) out += "<halign=right>" + Text("INT_GARAGE_TEXT55") + std::to_string(light) + "</halign>";
    if (heavy) out += "<halign=right>" + Text("INT_GARAGE_TEXT56") + std::to_string(heavy) + "</halign>";
    if (!light && !heavy) out += "<halign=right><color=red>" + Text("INT_GARAGE_TEXT57") + "<color></halign>";
}

void CGCGarage::ShowInfoConfig(std::string& speeds, std::string& weights, std::string& energy, std::string& defence)
{
    XTRACE("CGCGarage::ShowInfoConfig");
    speeds.clear();
    weights.clear();
    energy.clear();
    defence.clear();
    CMechanoid* m = ShownMechanoid();
    CMechanoid* p = PlayerMechanoid();
    if (!m) return;
    auto line = [](const char* key, float value) { return Number(Text(key), "%7.0f", double(value)); };
    m_fPrice = m->GetPrice(true);
    m_fWeight = m->GetSumWeight();
    if (g_pPlayerGlider)
        speeds = line("INT_GARAGE_TEXT107", g_pPlayerGlider->GetSpeedFactor(1.0f) * 0.277778f) +
                 line("INT_GARAGE_TEXT108", g_pPlayerGlider->GetMiddleSpeed(1.0f, false) * 0.277778f) +
                 line("INT_GARAGE_TEXT109", g_pPlayerGlider->GetMiddleSpeed(2.0f, false) * 0.277778f);
    if (p)
    {
        float gliderWeight = 0.0f;
        const std::int32_t index = g_GliderManager.FindName(m_szGood);
        SGliderParameters g;
        if (index >= 0 && g_GliderManager.GetParam(g, index, m_dwModif) != 0) gliderWeight = g.m_fWeight;
        weights = line("INT_GARAGE_TEXT110", p->GetCapacity()) +
                  line("INT_GARAGE_TEXT111", p->GetNettoWeight() + gliderWeight) +
                  line("INT_GARAGE_TEXT112", p->GetMaxGoodsWeight()) + line("INT_GARAGE_TEXT113", p->GetGoodsWeight()) +
                  line("INT_GARAGE_TEXT114", p->GetMaxGoodsWeight() - p->GetGoodsWeight());
    }
    energy = line("INT_GARAGE_TEXT115", m->GetEnergy(0) * 100.0f) +
             line("INT_GARAGE_TEXT116", m->GetEnergy(2) * 0.0333333f) +
             line("INT_GARAGE_TEXT117", m->GetPowerConsumed(0)) + line("INT_GARAGE_TEXT118", m->GetPowerConsumed(1)) +
             line("INT_GARAGE_TEXT119", m->GetPowerConsumed(2));
    defence = line("INT_GARAGE_TEXT120", m->GetArmor(2)) + line("INT_GARAGE_TEXT121", m->GetShield(2));
}
