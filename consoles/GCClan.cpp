#include "consoles/GCClan.h"

#include "app/GameData.h"
#include "consoles/ConsoleServices.h"
#include "foundation/ErrorLog.h"
#include "foundation/FrameTimer.h"
#include "foundation/Name32.h"
#include "graphics/GraphicInterface.h"
#include "graphics/ModelManager.h"
#include "menus/MenuButton.h"
#include "menus/MenuDrawing.h"
#include "menus/MenuTexts.h"
#include "menus/PlayerInfoPanel.h"
#include "menus/QueryMessageBox.h"
#include "menus/UIRenderObject.h"
#include "script/game/TextDatabase.h"
#include "society/OrgManager.h"
#include "ui/UI.h"
#include "ui/markup/HTMLWnd.h"
#include "ui/markup/ScrollControl.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

using namespace menus;

namespace
{
constexpr std::uint32_t Rgb(int r, int g, int b)
{
    return 0xFF000000u | std::uint32_t(r) << 16 | std::uint32_t(g) << 8 | std::uint32_t(b);
}
constexpr std::uint32_t kLineColour = 0xFFCB3164;

// The name of the model an organisation's emblem record shows, "" without
// a record, "_DEFAULT_" for a model the manager does not know.
std::string EmblemModelName(const char* organisation)
{
    IOrgManager* orgs = g_pOrgManager;
    const std::int32_t index = orgs ? orgs->FindByName(organisation) : -1;
    const SOrgRecord* record = index >= 0 ? orgs->GetRecord(index) : nullptr;
    if (!record) return {};
    const std::int32_t model = record->IconModelIndex();
    const char* name = g_pModelManager && model >= 0 ? g_pModelManager->GetName(model) : nullptr;
    return name ? name : DefaultManager::kDefaultName;
}
} // namespace

const CGCClan::SEmblem CGCClan::kEmblems[kEmblemCount] = {
    {"MOD_ICO_01_USER", Rgb(42, 71, 103)},   {"MOD_ICO_02_USER", Rgb(121, 33, 37)},
    {"MOD_ICO_05_USER", Rgb(22, 169, 79)},   {"MOD_ICO_07_USER", Rgb(80, 143, 255)},
    {"MOD_ICO_10_USER", Rgb(177, 0, 180)},   {"MOD_ICO_12_USER", Rgb(255, 210, 50)},
    {"MOD_ICO_15_USER", Rgb(175, 143, 81)},  {"MOD_ICO_16_USER", Rgb(109, 49, 201)},
    {"MOD_ICO_19_USER", Rgb(203, 11, 78)},   {"MOD_ICO_20_USER", Rgb(162, 196, 78)},
    {"MOD_ICO_23_USER", Rgb(255, 126, 244)}, {"MOD_ICO_25", Rgb(82, 206, 140)},
    {"MOD_ICO_26", Rgb(0, 253, 255)},        {"MOD_ICO_28_USER", Rgb(212, 27, 14)},
    {"MOD_ICO_29_USER", Rgb(0, 109, 0)},     {"MOD_ICO_31_USER", Rgb(13, 70, 217)},
};

CGCClan::CGCClan()
{
    m_ClassID = MakeClassKey("CGCClan", -1);
}

CGCClan::~CGCClan()
{
    for (const std::unique_ptr<CControl>& c : m_Owned)
        RemoveControl(c.get());
    m_pHTML = nullptr;
}

CGuidKey CGCClan::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_CGCClan");
}

std::string CGCClan::PlayerOrg()
{
    const CMech* player = g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
    return player ? FieldText(player->m_szOrg) : std::string();
}

SOrgData* CGCClan::PlayerDefinition()
{
    if (!g_pWorld) return nullptr;
    for (SOrgData& d : g_pWorld->m_OrgData)
        if (SameName(d.name, "ORG_PLAYER")) return &d;
    return nullptr;
}

int CGCClan::SliderPosition(float attitude)
{
    return int(std::lround((1.0f - attitude) * 100.0f));
}

float CGCClan::SliderAttitude(int position)
{
    return 1.0f - float(position) * 0.01f;
}

int CGCClan::ChartPercent(float strength, float total)
{
    if (!(total > 0.0f)) return 0;
    return int(std::lround(strength / total * 100.0f));
}

int CGCClan::StepEmblem(int current, int direction, const std::function<bool(int)>& taken)
{
    int e = current;
    // At most one round: an emblem that every other organisation uses
    // leaves the choice where it is.
    for (int step = 1; step < kEmblemCount; ++step)
    {
        e = (e + (direction < 0 ? kEmblemCount - 1 : 1)) % kEmblemCount;
        if (!taken || !taken(e)) return e;
    }
    return current;
}

bool CGCClan::IsEmblemTaken(int index) const
{
    if (!g_pWorld || index < 0 || index >= kEmblemCount) return false;
    for (const auto& org : g_pWorld->m_Organizations)
    {
        if (!org) continue;
        const SOrgData* data = org->GetData();
        if (data && data->outOfLocation) continue;
        if (EmblemModelName(org->GetName()) == kEmblems[index].model) return true;
    }
    return false;
}

void CGCClan::Init(const plat::Rect& rect, IUI* screen)
{
    XTRACE("CGCClan::Init");
    CGMenu::Init(rect, screen);
    m_ClassID = MakeClassKey("CGCClan", -1);
    const int W = rect.right - rect.left, H = rect.bottom - rect.top;
    const plat::Rect info{12, 29, W - 260, H - 29};
    const plat::Rect chart{info.right + 12, info.top, W - 12, info.top + (W - info.right) - 66};
    const plat::Rect prev{chart.left + 24, chart.bottom + 36, chart.left + 40, chart.bottom + 127};
    const plat::Rect next{W - 64, prev.top, W - 48, prev.bottom};
    const plat::Rect emblem{prev.right + 2, prev.top - 12, next.left - 2, prev.top - 12 + 117};

    m_pInfo = new CHTMLScrollWnd();
    m_pInfo->Init(info.left, info.top, info.right, info.bottom, screen);
    m_pInfo->SetTextDB(g_pTextDB);
    m_pChartPanel = new CPlayerInfoPanel();
    m_pChartPanel->Init(chart.left, chart.top, chart.right, chart.bottom, screen);
    m_pEmblemPanel = new CPlayerInfoPanel();
    m_pEmblemPanel->Init(emblem.left, emblem.top, emblem.right, emblem.bottom, screen);
    auto button = [&](const plat::Rect& r, int command, int picture)
    {
        auto* b = new CMenuButton();
        b->Create(r.left, r.top, r.right, r.bottom, "", CButton::kPush, command);
        b->m_pScreen = screen;
        b->m_nPicture = picture;
        return b;
    };
    m_pPrev = button(prev, kPrevEmblem, 26);
    m_pNext = button(next, kNextEmblem, 27);
    m_pSlider1 = new CScrollControlEx();
    m_pSlider1->InitSlider(chart.left + 7, info.bottom - 101, chart.right - 3, info.bottom - 53, screen);
    m_pSlider2 = new CScrollControlEx();
    m_pSlider2->InitSlider(chart.left + 7, info.bottom - 48, chart.right - 3, info.bottom, screen);
    m_pSlider1->SetLabels(TextOf("INT_CLAN_CAPTION1").c_str(), TextOf("INT_CLAN_CAPTION2").c_str());
    m_pSlider2->SetLabels(TextOf("INT_CLAN_CAPTION3").c_str(), TextOf("INT_CLAN_CAPTION4").c_str());
    m_pSlider1->SetMax(100);
    m_pSlider2->SetMax(100);
    if (const SOrgData* d = PlayerDefinition())
    {
        m_pSlider1->SetPos(SliderPosition(d->values[0]));
        m_pSlider2->SetPos(SliderPosition(d->values[1]));
    }
    m_pInfo->HTMLClear();
    for (CControl* c : std::initializer_list<CControl*>{m_pInfo, m_pChartPanel, m_pPrev, m_pNext, m_pSlider1,
                                                        m_pSlider2, m_pEmblemPanel})
    {
        m_Owned.emplace_back(c);
        AddControl(c);
    }
    CGuidKey texture;
    MakeGuidKey(&texture, "TEX_INT_UI1");
    SetUID(texture);
    for (const std::unique_ptr<CControl>& c : m_Owned)
        c->SetUID(texture);
    m_sChartCaption = TextOf("INT_CLAN_CAPTION5");
    m_pHTML = m_pInfo;
    Hide();
}

void CGCClan::SetBuilding(const char* name)
{
    XTRACE("CGCClan::SetBuilding");
    CGMenu::SetBuilding(name);
    if (m_pInfo) m_pInfo->HTMLClear();
    const std::string org = PlayerOrg();
    if (!org.empty()) ShowOrgInfo(org.c_str(), true);
    m_fTotal = 0.0f;
    m_nChart = 0;
    for (std::string& n : m_ChartNames)
        n.clear();
    if (!g_pWorld) return;
    for (const auto& o : g_pWorld->m_Organizations)
    {
        if (m_nChart == kMaxChart) break;
        const SOrgData* data = o ? o->GetData() : nullptr;
        if (!o || (data && data->outOfLocation)) continue;
        SOrgStatistics s;
        if (!g_pWorld->GetOrgStatistics(o->GetName(), &s)) continue;
        m_fTotal += s.power;
        m_ChartNames[m_nChart++] = o->GetName();
    }
}

void CGCClan::OnActivated()
{
    XTRACE("CGCClan::OnActivated");
    CGMenu::OnActivated();
    if (HasBuilding()) SetBuilding(FieldText(m_szBuilding).c_str());
    if (m_bAskName || g_GameData.m_ClanName.IsEmpty()) SetClanName();
    const std::string org = PlayerOrg();
    if (org.empty() || !g_pWorld || !g_pWorld->FindOrganization(org.c_str())) return;
    const std::string model = EmblemModelName(org.c_str());
    for (int i = 0; i < kEmblemCount; ++i)
        if (model == kEmblems[i].model) m_iEmblem = i;
}

void CGCClan::SetClanName()
{
    XTRACE("CGCClan::SetClanName");
    m_bAskName = 0;
    OpenNameBox(true);
    if (!m_pClanNameBox) return;
    m_pClanNameBox->SetCaption(NameOf("INT_CLAN_MESSAGE1").c_str());
    m_pClanNameBox->ResetLines();
    m_pClanNameBox->AddLine(TextOf("INT_CLAN_MESSAGE1").c_str());
}

void CGCClan::ApplyEmblem()
{
    XTRACE("CGCClan::ApplyEmblem");
    if (m_iEmblem < 0) m_iEmblem = kEmblemCount - 1;
    if (m_iEmblem >= kEmblemCount) m_iEmblem = 0;
    const SEmblem& e = kEmblems[m_iEmblem];
    g_GameData.m_nClanIcon = g_pModelManager ? g_pModelManager->FindName(e.model) : -1;
    g_GameData.m_nClanColour = e.colour;
    // The organisation's record takes it too (nothing without one).
    g_GameData.ApplyClanLook();
}

void CGCClan::ApplySliders()
{
    SOrgData* d = PlayerDefinition();
    CScrollControlEx* sliders[2] = {m_pSlider1, m_pSlider2};
    for (int i = 0; i < 2; ++i)
    {
        if (!sliders[i]) continue;
        if (sliders[i]->GetPos() > sliders[i]->GetMax()) sliders[i]->SetPos(sliders[i]->GetMax());
        if (d) d->values[i] = SliderAttitude(sliders[i]->GetPos());
    }
}

void CGCClan::ProcessMessages()
{
    CGroupControl::ProcessMessages();
    if (Released(0x101))
    {
        OnMouseLClick();
        ApplySliders();
    }
}

void CGCClan::OnCommand(int code, int param)
{
    XTRACE("CGCClan::OnCommand");
    if (code == kPrevEmblem || code == kNextEmblem)
    {
        const int next =
            StepEmblem(m_iEmblem, code == kPrevEmblem ? -1 : 1, [this](int e) { return IsEmblemTaken(e); });
        if (next != m_iEmblem)
        {
            m_iEmblem = next;
            ApplyEmblem();
        }
    }
    CGMenu::OnCommand(code, param);
}

void CGCClan::DrawBar(int x, int baseY, int percent, std::uint32_t colour)
{
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (!m_pChartPanel) return;
    const int h = baseY - m_pChartPanel->m_Rect.top - 32;
    const int segments = h / 3;
    const int filled = h * percent / 300;
    for (int k = 0; k < segments; ++k)
    {
        const int top = baseY - 3 * (k + 1);
        FillRect(g, {x, top, x + 20, top + 2}, k < filled ? colour : 0x60000000u);
    }
    if (!g) return;
    char label[16];
    std::snprintf(label, sizeof label, "%d%%", std::min(percent, 100));
    const int left = x + (20 - g->TextWidth(label)) / 2;
    const int top = baseY - 3 * filled - g->GetTextHeight() + 2;
    g->RenderText(label, left + 1, top + 1, 0xFF000000);
    g->RenderText(label, left, top, 0xFFFFFFFF);
}

void CGCClan::Render()
{
    XTRACE("CGCClan::Render");
    if (!m_bVisible || !m_pInfo || !m_pChartPanel || !m_pEmblemPanel) return;
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    const plat::Rect& r = m_Rect;
    const plat::Rect& info = m_pInfo->m_Rect;
    const plat::Rect& chart = m_pChartPanel->m_Rect;
    FillRect(g, {r.left + 12, r.top + 12, r.right - 12, info.top}, kFrameFill);
    FillRect(g, {info.right, info.top, chart.left, info.bottom}, kFrameFill);
    FillRect(g, {r.left + 12, info.bottom, r.right - 12, r.bottom - 12}, kFrameFill);
    FillRect(g, {chart.left, chart.bottom, chart.right, chart.bottom + 2}, kLineColour);
    FillRect(g,
             {chart.left, m_pEmblemPanel->m_Rect.bottom + 2, chart.right, m_pEmblemPanel->m_Rect.bottom + 4},
             kLineColour);
    if (g)
    {
        g->SelectFont(1);
        auto centred = [&](const std::string& s, int left, int right, int y)
        { g->RenderText(s.c_str(), (left + right - g->TextWidth(s.c_str())) / 2, y, 0xFFFFFFFF); };
        if (HasBuilding())
            centred(DisplayName(FieldText(m_szBuilding).c_str()), info.left, info.right, r.top + 5);
        centred(g_GameData.m_PlayerName.GetText(), info.left, info.right, r.top + 16);
        centred(m_sChartCaption, chart.left, chart.right, r.top + 5);
        g->SelectFont(0);
    }
    if (m_nChart > 0 && g_pWorld)
    {
        const int width = chart.right - chart.left;
        const int gap = (width - 20 * m_nChart - 24) / (m_nChart + 1);
        const int baseY = chart.bottom - 36;
        for (int x = chart.left + 12; x < chart.right - 12; x += 2)
            FillRect(g, {x, baseY, x + 1, baseY + 1}, 0xFFFFFFFF);
        const plat::Point mouse = CursorPos();
        for (int i = 0; i < m_nChart; ++i)
        {
            const char* name = m_ChartNames[i].c_str();
            SOrgStatistics s;
            if (!g_pWorld->FindOrganization(name) || !g_pWorld->GetOrgStatistics(name, &s)) continue;
            const int x = chart.left + 12 + (i + 1) * gap + 20 * i;
            const std::int32_t index = g_pOrgManager ? g_pOrgManager->FindByName(name) : -1;
            const SOrgRecord* record = index >= 0 ? g_pOrgManager->GetRecord(index) : nullptr;
            DrawBar(x, baseY, ChartPercent(s.power, m_fTotal),
                    record ? (0xFF000000u | record->m_nColour) : 0xFFFFFFFFu);
            if (record)
                UIRenderObject(SUIModelName::FromIndex(record->IconModelIndex()), 0.0f,
                               {x - 5, baseY, x + 25, baseY + 30}, true);
            if (mouse.x >= x - 5 && mouse.x < x + 25 && mouse.y >= chart.top + 22 && mouse.y < baseY + 30)
            {
                m_pChartPanel->SetToolTip(DisplayName(name).c_str());
                m_pChartPanel->m_bHasToolTip = 1;
            }
        }
        const int y = chart.bottom - 36 - (chart.bottom - chart.top - 68) * 55 / 100;
        for (int x = chart.left + 12; x < chart.right - 12; x += 2)
            FillRect(g, {x, y, x + 1, y + 1}, 0xC0FFFFFF);
    }
    CGMenu::Render();
    const plat::Rect& e = m_pEmblemPanel->m_Rect;
    const int side = (e.bottom - e.top) - 10;
    const int left = (e.left + e.right - side) / 2;
    UIRenderObject(SUIModelName(kEmblems[std::clamp(m_iEmblem, 0, kEmblemCount - 1)].model),
                   float(2.0 * g_FrameTimer.GetElapsed()), {left, e.top + 5, left + side, e.top + 5 + side},
                   true);
}
