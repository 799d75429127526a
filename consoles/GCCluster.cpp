#include "consoles/GCCluster.h"

#include "app/GameData.h"
#include "consoles/ConsoleServices.h"
#include "consoles/GCClan.h"
#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "foundation/Settings.h"
#include "graphics/GraphicInterface.h"
#include "menus/AnimatedBar.h"
#include "menus/ControlList.h"
#include "menus/MenuButton.h"
#include "menus/MenuDrawing.h"
#include "menus/MenuTexts.h"
#include "menus/PlayerInfoPanel.h"
#include "menus/SimpleMessageBox.h"
#include "menus/TextFormat.h"
#include "menus/UIMenu.h"
#include "menus/UIRenderObject.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "sound/MusicManager.h"
#include "sound/SoundMusic.h"
#include "ui/Controls.h"
#include "ui/UI.h"
#include "ui/markup/CommandArgument.h"
#include "ui/markup/HTMLWnd.h"
#include "ui/menu/UIDialog.h"
#include "units/Mechanoid.h"
#include "world/MMEngine.h"
#include "world/Mech.h"
#include "world/Trade.h"
#include "world/World.h"

#include <algorithm>
#include <cstring>

using namespace menus;

namespace
{
constexpr int kLeftClick = 0x101;
constexpr std::uint32_t kLineColour = 0xFF92D978;

struct SButtonInfo
{
    int command;
    int picture;
};
constexpr SButtonInfo kButtonInfo[CGCCluster::kButtons] = {
    {CGCCluster::kConvict, 65},      {CGCCluster::kPutInBuilding, 66},   {CGCCluster::kTakeToCargo, 67},
    {CGCCluster::kPutInCluster, 63}, {CGCCluster::kTakeFromCluster, 64},
};

bool Inside(const plat::Rect& r, plat::Point p)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}
} // namespace

CGCCluster::CGCCluster()
{
    m_ClassID = MakeClassKey("CGCCluster", -1);
    std::memset(m_szCurrent, 0xFF, 4);
    std::memset(m_szModel, 0xFF, 4);
}

CGCCluster::~CGCCluster()
{
    for (const std::unique_ptr<CControl>& c : m_Owned)
        RemoveControl(c.get());
    m_pHTML = nullptr;
}

CGuidKey CGCCluster::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_CGCCluster");
}

bool CGCCluster::CellVisible(int cell, int size)
{
    if (size <= 0) return false;
    auto in = [size](std::initializer_list<int> sizes)
    { return std::find(sizes.begin(), sizes.end(), size) != sizes.end(); };
    switch (cell)
    {
    case 6:
        return !in({12, 10, 8, 6, 4, 2});
    case 1:
    case 11:
        return !in({11, 10, 7, 6, 5, 4, 3, 2, 1});
    case 0:
    case 2:
    case 10:
    case 12:
        return !in({9, 8, 7, 6, 5, 4, 3, 2, 1});
    case 4:
    case 8:
        return !in({5, 4, 1});
    case 3:
    case 5:
    case 7:
    case 9:
        return !in({3, 2, 1});
    default:
        return false;
    }
}

std::string CGCCluster::PlayerOrg()
{
    const CMech* player = g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
    return player ? FieldText(player->m_szOrg) : std::string();
}

std::string CGCCluster::OwnerFilter() const
{
    const SBuildingRecord* b = g_pWorld ? g_pWorld->FindBuilding(m_szBuilding) : nullptr;
    if (!b || SameName(b->owner, "ORG_FREE")) return {};
    return FieldText(b->owner);
}

std::string CGCCluster::GetCurrent() const
{
    return IsNameSet(m_szCurrent) ? FieldText(m_szCurrent) : std::string();
}

void CGCCluster::SetCurrent(const std::string& name)
{
    if (name.empty())
        ClearName(m_szCurrent);
    else
        CopyName(m_szCurrent, name.c_str());
}

CMech* CGCCluster::CurrentRecord() const
{
    const std::string current = GetCurrent();
    return !current.empty() && g_pWorld ? g_pWorld->FindMech(current.c_str()) : nullptr;
}

CControlListItem* CGCCluster::FindItem(CControlList* list, const char* name)
{
    for (int i = 0; list && i < list->GetItemCount(); ++i)
        if (CControlListItem* item = list->GetItem(i); item && SameName(item->m_szName, name)) return item;
    return nullptr;
}

int CGCCluster::CargoEntry(const char* name)
{
    const CMechanoid* player = PlayerMechanoid();
    if (!player) return -1;
    for (std::size_t i = 0; i < player->m_Garbage.m_Items.size(); ++i)
    {
        const SItemRec& e = player->m_Garbage.m_Items[i];
        if (e.m_nKind == ITEM_MECHANOID && SameName(e.m_szName, name)) return int(i);
    }
    return -1;
}

void CGCCluster::Init(const plat::Rect& rect, IUI* screen)
{
    XTRACE("CGCCluster::Init");
    CGMenu::Init(rect, screen);
    m_ClassID = MakeClassKey("CGCCluster", -1);
    const int W = rect.right - rect.left, H = rect.bottom - rect.top;
    const plat::Rect building{12, 29, W - 260, 120};
    const plat::Rect cargo{12, H - 127, W - 260, H - 36};
    const int width = building.right - building.left;
    const plat::Rect panel{12, building.bottom + 12, 12 + (width - 12) / 2, cargo.top - 39};
    const plat::Rect info{panel.right + 12, panel.top, building.right, panel.bottom};

    m_pBuildingList = new CControlList();
    m_pBuildingList->Create(building.left, building.top, building.right, building.bottom, screen);
    m_pCargoList = new CControlList();
    m_pCargoList->Create(cargo.left, cargo.top, cargo.right, cargo.bottom, screen);
    m_pModelPanel = new CPlayerInfoPanel();
    m_pModelPanel->Init(panel.left, panel.top, panel.right, panel.bottom, screen);
    m_pPicture = new CImage();
    m_pPicture->Create(panel.left + 7, panel.top + 7, panel.right - 7, panel.bottom - 7,
                       "\xd2\xee\xe2\xe0\xf0"); // Товар
    m_pPicture->m_pScreen = screen;
    m_pPicture->Enable(0);
    m_pInfo = new CHTMLScrollWnd();
    m_pInfo->Init(info.left, info.top, info.right, info.bottom, screen);
    m_pInfo->SetTextDB(g_pTextDB);
    m_pHTML = m_pInfo;

    const int gap = (info.right - panel.left - 475) / 4;
    for (int i = 0; i < kButtons; ++i)
    {
        auto* b = new CMenuButton();
        const int left = panel.left + i * (95 + gap);
        b->Create(left, panel.bottom + 7, left + 95, panel.bottom + 32, "", CButton::kPush,
                  kButtonInfo[i].command);
        b->m_pScreen = screen;
        b->m_nPicture = kButtonInfo[i].picture;
        m_apButtons[i] = b;
    }
    m_apButtons[kButtonConvict]->SetClickSound(CPictureButton::SoundId("SND_I_SUPRESS"));

    const int R = info.right;
    const int tops[7] = {86, 44, 86, 167, 125, 167, 220};
    const int lefts[3] = {R + 12, R + 93, R + 174};
    int x[kCells], y[kCells];
    for (int i = 0; i < 7; ++i)
    {
        x[i] = lefts[i == 6 ? 1 : i % 3];
        y[i] = tops[i];
    }
    x[7] = x[0], y[7] = y[3] + 74 + 33;
    x[8] = x[1], y[8] = y[6] + 74 + 21;
    x[9] = x[2], y[9] = y[7];
    x[10] = x[0], y[10] = y[7] + 74 + 7;
    x[11] = x[1], y[11] = y[8] + 74 + 7;
    x[12] = x[2], y[12] = y[9] + 74 + 7;
    CGuidKey texture;
    MakeGuidKey(&texture, "TEX_INT_UII");
    for (int i = 0; i < kCells; ++i)
    {
        auto* cell = new CAnimatedBar();
        cell->Create(x[i], y[i], x[i] + 72, y[i] + 74, screen);
        cell->SetUID(texture);
        m_apCells[i] = cell;
    }
    m_nCells = kCells;

    for (CControl* c :
         std::initializer_list<CControl*>{m_pBuildingList, m_pCargoList, m_pModelPanel, m_pPicture, m_pInfo})
    {
        m_Owned.emplace_back(c);
        AddControl(c);
    }
    for (CControl* c : m_apButtons)
    {
        m_Owned.emplace_back(c);
        AddControl(c);
    }
    for (CControl* c : m_apCells)
    {
        m_Owned.emplace_back(c);
        AddControl(c);
    }
    m_pBuildingList->SetToolTip(TextOf("INT_CLUSTER_TOOLTIP1").c_str());
    m_pCargoList->SetToolTip(TextOf("INT_CLUSTER_TOOLTIP2").c_str());
    Hide();
    ClearName(m_szModel);
    RecalcMech();
}

void CGCCluster::SetBuilding(const char* name)
{
    XTRACE("CGCCluster::SetBuilding");
    m_bCellsEnabled = 0;
    CGMenu::SetBuilding(name);
    std::vector<std::string> mechs;
    if (g_pWorld) g_pWorld->GetMechInBuilding(m_szBuilding, OwnerFilter().c_str(), mechs);
    for (const std::string& m : mechs)
        if (!FindItem(m_pBuildingList, m.c_str()))
            m_pBuildingList->AddControl(m.c_str(), CControlListItem::kMechanoid, 0);
    m_nClusterSize = g_pWorld ? g_pWorld->GetBuildingCluster(m_szBuilding) : 0;
    for (int i = 0; i < kCells; ++i)
        m_apCells[i]->m_bVisible = CellVisible(i, m_nClusterSize) ? 1 : 0;
    FillClaster();
}

bool CGCCluster::IsPlayerClusterBuilding() const
{
    const SBuildingRecord* b = g_pWorld ? g_pWorld->FindBuilding(m_szBuilding) : nullptr;
    const std::string org = PlayerOrg();
    return b && org == "ORG_PLAYER" && SameName(b->owner, org.c_str()) && BuildingType(m_szBuilding) != 11;
}

bool CGCCluster::IsConvictForbidden() const
{
    const SBuildingRecord* b = g_pWorld ? g_pWorld->FindBuilding(m_szBuilding) : nullptr;
    if (!b) return false;
    if (!SameName(b->owner, PlayerOrg().c_str())) return true;
    return BuildingType(m_szBuilding) == 11;
}

void CGCCluster::UpdateClanTab()
{
    auto* host = dynamic_cast<CUIMenu*>(m_pScreen);
    CMenuButton* tab = host ? host->GetTab(CUIMenu::kTabClan) : nullptr;
    if (!tab || !host->GetConsole(CUIMenu::kTabClan)) return;
    const bool own = m_bCellsEnabled != 0;
    if (own == (tab->m_bVisible != 0)) return;
    if (own)
    {
        tab->Show();
        if (auto* clan = dynamic_cast<CGCClan*>(host->GetConsole(CUIMenu::kTabClan)))
            clan->m_bAskName = g_GameData.m_ClanName.IsEmpty() ? 1 : 0;
    }
    else
        tab->Hide();
    host->LayoutTabs();
}

void CGCCluster::FillClaster()
{
    XTRACE("CGCCluster::FillClaster");
    const std::string tip3 = TextOf("INT_CLUSTER_TOOLTIP3"), tip4 = TextOf("INT_CLUSTER_TOOLTIP4"),
                      tip5 = TextOf("INT_CLUSTER_TOOLTIP5");
    for (CAnimatedBar* cell : m_apCells)
    {
        cell->m_bHasModel = cell->m_bSelected = 0;
        cell->ClearModel();
        cell->m_ClassID = CGuidKey();
        cell->m_ClassID.id = CGuidKey::kNone;
        cell->SetToolTip(tip3.c_str());
        cell->m_ToolTip[1] = tip4.c_str();
        cell->m_nToolTipLines = 2;
        if (m_bClusterRestricted)
        {
            cell->m_ToolTip[2] = tip5.c_str();
            cell->m_nToolTipLines = 3;
        }
    }
    const SBuildingRecord* b = g_pWorld ? g_pWorld->FindBuilding(m_szBuilding) : nullptr;
    const std::string org = PlayerOrg();
    if (!b || SameName(b->owner, org.c_str()) || SameName(b->owner, "ORG_NONE")) m_bCellsEnabled = 1;
    std::vector<std::string> ids;
    if (g_pWorld) g_pWorld->GetMechInCluster(m_szBuilding, org.c_str(), ids);
    m_nClusterCount = int(ids.size());
    bool full = false;
    for (const std::string& id : ids)
    {
        const CMech* mech = g_pWorld->FindMech(id.c_str());
        const bool placed = !(m_bClusterRestricted && mech && mech->m_nGeneration < 5);
        if (placed)
        {
            CAnimatedBar* cell = nullptr;
            for (CAnimatedBar* c : m_apCells)
                if (!cell && c->m_bVisible && !c->m_bHasModel) cell = c;
            if (!cell)
            {
                full = true;
                break;
            }
            const int index =
                int(std::find(std::begin(m_apCells), std::end(m_apCells), cell) - std::begin(m_apCells));
            if (mech)
            {
                char model[32] = {};
                mech->GetMechmindModelName(model);
                cell->SetModel(model);
                std::int32_t modelId = -1;
                std::uint32_t colour = 0xFFFFFF;
                mech->GetMechmindModel(&modelId, &colour);
                m_CellColours[index] = colour;
            }
            else
            {
                cell->SetModel("MOD_TOV_MECHMIND");
                m_CellColours[index] = 0xFFFFFFFF;
            }
            cell->m_bHasModel = 1;
            cell->m_bEnabled = 1;
            // The key is the id the world finds the record by; the name is
            // what the player reads.
            const std::string key = mech ? FieldText(mech->m_szId) : id;
            const std::string shown = mech && IsNameSet(mech->m_szName) ? FieldText(mech->m_szName) : key;
            cell->m_ClassID = MakeClassKey(key.c_str(), 0);
            cell->SetToolTip(shown.c_str());
            cell->m_ToolTip[1] = mech ? DisplayName(FieldText(mech->m_szOrg).c_str()).c_str() : "";
            cell->m_ToolTip[2] =
                mech ? FormatGameText(TextOf("INT_CLUSTER_CAPTION1").c_str(), {mech->m_nLevel}).c_str() : "";
            cell->m_nToolTipLines = 3;
        }
        m_bCellsEnabled = IsPlayerClusterBuilding() ? 1 : 0;
        UpdateClanTab();
    }
    if (full) return;
    for (CAnimatedBar* c : m_apCells)
        c->m_bEnabled = m_bCellsEnabled;
}

void CGCCluster::RecalcMech()
{
    XTRACE("CGCCluster::RecalcMech");
    if (!m_pBuildingList || !m_pCargoList) return;
    const int selected[2] = {m_pBuildingList->GetSelectedIndex(), m_pCargoList->GetSelectedIndex()};
    auto sync = [](CControlList* list, const std::vector<std::string>& names)
    {
        for (int i = list->GetItemCount() - 1; i >= 0; --i)
        {
            CControlListItem* item = list->GetItem(i);
            if (item && std::find(names.begin(), names.end(), FieldText(item->m_szName)) == names.end())
            {
                list->RemoveControl(item);
                delete item;
            }
        }
        for (const std::string& n : names)
            if (!FindItem(list, n.c_str())) list->AddControl(n.c_str(), CControlListItem::kMechanoid, 0);
    };
    std::vector<std::string> inBuilding;
    if (g_pWorld && HasBuilding())
        g_pWorld->GetMechInBuilding(m_szBuilding, OwnerFilter().c_str(), inBuilding);
    sync(m_pBuildingList, inBuilding);
    std::vector<std::string> carried;
    if (const CMechanoid* player = PlayerMechanoid())
        for (const SItemRec& e : player->m_Garbage.m_Items)
            if (e.m_nKind == ITEM_MECHANOID && e.m_nCount != 0)
                carried.push_back(FieldText(e.m_szName).substr(0, 31));
    sync(m_pCargoList, carried);
    m_pBuildingList->RecalcArray();
    m_pCargoList->RecalcArray();
    m_pBuildingList->SelectIndex(selected[0]);
    m_pCargoList->SelectIndex(selected[1]);
}

void CGCCluster::SelectCell(int index)
{
    for (CAnimatedBar* c : m_apCells)
        c->m_bSelected = 0;
    if (index >= 0 && index < kCells) m_apCells[index]->m_bSelected = 1;
    m_nSelectedCell = index;
}

int CGCCluster::GetSelectedCell() const
{
    for (int i = 0; i < kCells; ++i)
        if (m_apCells[i] && m_apCells[i]->m_bSelected) return i;
    return -1;
}

void CGCCluster::SelectMechByName(const char* name)
{
    if (!name || !*name) return;
    m_pBuildingList->SelectIndex(-1);
    m_pCargoList->SelectIndex(-1);
    SelectCell(-1);
    if (FindItem(m_pBuildingList, name))
        m_pBuildingList->SelectByName(name, true, 0);
    else if (FindItem(m_pCargoList, name))
        m_pCargoList->SelectByName(name, true, 0);
    else
        for (int i = 0; i < kCells; ++i)
            if (m_apCells[i]->m_bHasModel && SameName(m_apCells[i]->m_ClassID.name, name)) SelectCell(i);
    ShowMech();
}

void CGCCluster::ShowMech()
{
    XTRACE("CGCCluster::ShowMech");
    std::string source;
    if (const int cell = GetSelectedCell(); cell >= 0)
        source = FieldText(m_apCells[cell]->m_ClassID.name);
    else if (CControlListItem* item = m_pCargoList->GetSelected())
        source = FieldText(item->m_szName);
    else if (CControlListItem* item = m_pBuildingList->GetSelected())
        source = FieldText(item->m_szName);
    SetCurrent(source);
    if (m_pInfo) m_pInfo->HTMLClear();
    ClearName(m_szModel);
    m_dwModelColour = 0xFFFFFF;
    if (source.empty()) return;
    if (m_pInfo)
    {
        if (HasTextKey(source.c_str()))
            m_pInfo->AddEntry(TextOf(source.c_str()).c_str(),
                              ("<icon:MINUS>" + NameOf(source.c_str())).c_str(), nullptr,
                              CHTMLWnd::kNoUserValue, nullptr, false, false);
        else
            m_pInfo->AddEntry(GetMechInfo(source.c_str()).c_str(), TextOf("INT_GARAGE_CAPTION6").c_str(),
                              nullptr, CHTMLWnd::kNoUserValue, nullptr, false, false);
    }
    if (const CMech* mech = CurrentRecord())
    {
        mech->GetMechmindModelName(m_szModel);
        std::int32_t id = -1;
        mech->GetMechmindModel(&id, &m_dwModelColour);
    }
    else
        CopyName(m_szModel, "MOD_TOV_MECHMIND");
}

void CGCCluster::Show()
{
    RecalcMech();
    CGMenu::Show();
}

void CGCCluster::OnMouseLClick()
{
    XTRACE("CGCCluster::OnMouseLClick()");
    const plat::Point p = CursorPos();
    if (m_pBuildingList->m_bVisible && Inside(m_pBuildingList->m_Rect, p))
    {
        SelectCell(-1);
        m_pCargoList->SelectIndex(-1);
        ShowMech();
    }
    else if (m_pCargoList->m_bVisible && Inside(m_pCargoList->m_Rect, p))
    {
        SelectCell(-1);
        m_pBuildingList->SelectIndex(-1);
        ShowMech();
    }
    else
        for (int i = 0; i < kCells; ++i)
            if (m_apCells[i]->m_bHasModel && m_apCells[i]->m_bVisible && Inside(m_apCells[i]->m_Rect, p))
            {
                ConsoleEvents().Play2D("SND_I_SELECT");
                m_pBuildingList->SelectIndex(-1);
                m_pCargoList->SelectIndex(-1);
                SelectCell(i);
                ShowMech();
                break;
            }
}

void CGCCluster::CheckButtonsEnable()
{
    for (CMenuButton* b : m_apButtons)
        b->Enable(0);
    CMech* mech = CurrentRecord();
    if (!mech || (mech->m_nLevel == 0 && mech->m_nGeneration < 5)) return;
    const std::string org = PlayerOrg();
    const bool own = SameName(mech->m_szOrg, org.c_str()) && org == "ORG_PLAYER";
    if (mech->m_bInCluster)
    {
        if (own) m_apButtons[kButtonTakeFromCluster]->Enable(1);
    }
    else if (own)
    {
        if (!(m_bClusterRestricted && mech->m_nGeneration < 5)) m_apButtons[kButtonPutInCluster]->Enable(1);
    }
    else if (mech->m_nLevel != 0)
    {
        const CMechanoid* player = PlayerMechanoid();
        if (player && mech->GetConvictPrice(2, true) < player->m_Garbage.m_fMoney)
            m_apButtons[kButtonConvict]->Enable(1);
    }
    if (!mech->m_bInBuilding)
        m_apButtons[kButtonPutInBuilding]->Enable(1);
    else if (own)
        m_apButtons[kButtonTakeToCargo]->Enable(1);
    if (m_nClusterCount >= m_nClusterSize) m_apButtons[kButtonPutInCluster]->Enable(0);
    if (IsConvictForbidden()) m_apButtons[kButtonConvict]->Enable(0);
    if (mech->m_nGeneration > 5)
        for (int b : {kButtonConvict, kButtonPutInBuilding, kButtonTakeToCargo, kButtonTakeFromCluster})
            m_apButtons[b]->Enable(0);
}

void CGCCluster::CheckHighlighted()
{
    auto clear = [](CControl* c) { c->m_bState1 = c->m_bState2 = 0; };
    clear(m_pBuildingList);
    clear(m_pCargoList);
    for (CAnimatedBar* c : m_apCells)
        clear(c);
    auto enabled = [this](int b) { return m_apButtons[b]->m_bEnabled != 0; };
    if (m_pCargoList->m_bDragging)
    {
        if (enabled(kButtonPutInBuilding)) m_pBuildingList->m_bState1 = 1;
        if (enabled(kButtonPutInCluster))
            for (CAnimatedBar* c : m_apCells)
                c->m_bState1 = 1;
    }
    if (m_pBuildingList->m_bDragging)
    {
        if (enabled(kButtonTakeToCargo)) m_pCargoList->m_bState1 = 1;
        if (enabled(kButtonPutInCluster))
            for (CAnimatedBar* c : m_apCells)
                c->m_bState1 = 1;
    }
    for (CAnimatedBar* c : m_apCells)
        if (c->m_bDragging && (enabled(kButtonTakeToCargo) || enabled(kButtonTakeFromCluster)))
            m_pBuildingList->m_bState1 = m_pCargoList->m_bState1 = 1;
    const plat::Point p = CursorPos();
    auto mark = [&](CControl* c)
    {
        if (c->m_bState1 && Inside(c->m_Rect, p)) c->m_bState2 = 1;
    };
    mark(m_pBuildingList);
    mark(m_pCargoList);
    for (CAnimatedBar* c : m_apCells)
        mark(c);
}

void CGCCluster::ProcessMessages()
{
    XTRACE("CGCCluster::ProcessMessages");
    CGroupControl::ProcessMessages();
    CheckButtonsEnable();
    if (Pressed(kLeftClick)) OnMouseLClick();
}

void CGCCluster::ChangeMusic()
{
    XTRACE("CGCCluster->ChangeMusic");
    bool playersOwn = false, ownerKnown = false;
    float relation = 0.0f;
    if (const SBuildingRecord* b = g_pWorld ? g_pWorld->FindBuilding(m_szBuilding) : nullptr)
    {
        const std::string org = PlayerOrg();
        if (SameName(b->owner, org.c_str()))
            playersOwn = true;
        else if (IOrgManager* orgs = g_pOrgManager)
        {
            const std::int32_t other = orgs->FindByName(FieldText(b->owner).c_str());
            const std::int32_t own = orgs->FindByName(org.c_str());
            if (other >= 0 && own >= 0)
            {
                ownerKnown = true;
                relation = orgs->GetRelation(own, other, false);
            }
        }
    }
    const SBaseMusic pair = ChooseBaseMusic(playersOwn, ownerKnown, relation);
    IDialogHost* host = g_pDialogHost;
    IMusicManager* music = host ? host->GetMusicManager() : nullptr;
    if (!music) return;
    for (const char* name : {"MUS_FX_INT_BASE_ENEMY", "MUS_FX_INT_BASE_OUR", "MUS_FX_INT_BASE_NEUTRAL"})
        if (IMusic* effect = host->GetMusicObject(music->FindName(name)); effect && effect->IsMusicPlayed())
            effect->Stop();
    if (IMusic* effect = host->GetMusicObject(music->FindName(pair.effect)))
    {
        effect->SetVolume(g_Settings.SoundVolume);
        effect->Play(true, 0);
    }
    if (!host->IsSilence())
    {
        music->StopMusic(1.0f);
        music->PlayMusic(music->FindName(pair.music), 10.0f, false, 10.0f);
    }
}

void CGCCluster::OnCommand(int code, int param)
{
    XTRACE("CGCCluster::OnCommand");
    switch (code)
    {
    case kDropped:
    {
        CControl* target = CommandArgument();
        if (std::find(std::begin(m_apCells), std::end(m_apCells), target) != std::end(m_apCells))
            OnCommand(kPutInCluster, 0);
        else if (target == m_pBuildingList)
            OnCommand(m_apButtons[kButtonTakeFromCluster]->m_bEnabled ? kTakeFromCluster : kPutInBuilding, 0);
        else if (target == m_pCargoList)
            OnCommand(kTakeToCargo, 0);
        break;
    }
    case kConvict:
        ConvictMech(GetCurrent().c_str());
        FillClaster();
        RecalcMech();
        CheckButtonsEnable();
        ShowMech();
        break;
    case kPutInBuilding:
    {
        if (CControlListItem* item = m_pCargoList->GetSelected())
        {
            const std::string name = FieldText(item->m_szName);
            const int entry = CargoEntry(name.c_str());
            if (entry >= 0 && g_pWorld)
            {
                g_pWorld->SetMechInBuilding(name.c_str(), m_szBuilding);
                CMechanoid* player = PlayerMechanoid();
                player->m_Garbage.m_Items.RemoveAt(std::size_t(entry));
            }
            FillClaster();
            RecalcMech();
        }
        if (!m_pCargoList->GetSelected()) SelectMechByName(GetCurrent().c_str());
        ShowMech();
        CheckButtonsEnable();
        break;
    }
    case kTakeToCargo:
    {
        const std::string current = GetCurrent();
        if (!current.empty() && g_pWorld)
        {
            g_pWorld->MechLeaveBuilding(current.c_str());
            SGoodsItem goods;
            CopyName(goods.m_szName, current.c_str());
            goods.m_nCount = 1;
            if (CMechanoid* player = PlayerMechanoid())
                player->m_Garbage.AddGoods(goods, ITEM_MECHANOID, false);
        }
        FillClaster();
        RecalcMech();
        if (!m_pBuildingList->GetSelected()) SelectMechByName(current.c_str());
        ShowMech();
        CheckButtonsEnable();
        break;
    }
    case kPutInCluster:
    {
        CControlListItem* item = m_pBuildingList->GetSelected();
        if (!item) item = m_pCargoList->GetSelected();
        if (item && g_pWorld)
        {
            const bool before = IsPlayerClusterBuilding();
            const std::string name = FieldText(item->m_szName);
            const int entry = CargoEntry(name.c_str());
            g_pWorld->SetMechInCluster(name.c_str(), m_szBuilding);
            if (entry >= 0)
                if (CMechanoid* player = PlayerMechanoid())
                    player->m_Garbage.m_Items.RemoveAt(std::size_t(entry));
            FillClaster();
            RecalcMech();
            if (IsPlayerClusterBuilding() != before) ChangeMusic();
            SScriptResults* results = g_pScriptManager ? g_pScriptManager->GetResults() : nullptr;
            if (results && results->m_iResultCount > 0 && m_pScreen)
            {
                if (!m_pResultBox)
                {
                    m_pResultBox = std::make_unique<CSimpleMessageBox>(false);
                    m_pResultBox->Init(plat::Rect{m_Rect.left + 100, m_Rect.top + 50, m_Rect.right - 100,
                                                  m_Rect.bottom - 50},
                                       m_pScreen);
                }
                m_pResultBox->CViewScriptResults();
                MakePopup(m_pResultBox.get());
            }
        }
        ShowMech();
        CheckButtonsEnable();
        break;
    }
    case kTakeFromCluster:
    {
        const std::string current = GetCurrent();
        if (!current.empty() && g_pWorld) g_pWorld->MechLeaveCluster(current.c_str());
        RecalcMech();
        FillClaster();
        ShowMech();
        CheckButtonsEnable();
        break;
    }
    default:
        break;
    }
    CGMenu::OnCommand(code, param);
}

void CGCCluster::Render()
{
    XTRACE("CGCCluster::Render");
    if (!m_bVisible || !m_pBuildingList) return;
    CheckHighlighted();
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    const plat::Rect& r = m_Rect;
    const plat::Rect& building = m_pBuildingList->m_Rect;
    const plat::Rect& info = m_pInfo->m_Rect;
    FillRect(g, {r.left + 12, r.top + 12, r.right - 12, building.top}, kFrameFill);
    FillRect(g, {info.right, building.top, info.right + 12, r.bottom - 12}, kFrameFill);
    FillRect(g, {info.right + 12, building.top - 2, r.right - 12, building.top}, kLineColour);
    if (IsNameSet(m_szModel))
    {
        static float angle = 0.0f;
        angle += 0.3f * (m_pScreen && m_pScreen->GetClock() ? m_pScreen->GetClock()->GetFrameTime() : 0.0f);
        const plat::Rect& p = m_pPicture->m_Rect;
        UIRenderObject(SUIModelName(m_szModel), angle, {p.left, p.top, p.right, p.bottom}, true);
    }
    CGMenu::Render();
    if (!g) return;
    g->SelectFont(1);
    auto centred = [&](const std::string& s, int y) {
        g->RenderText(s.c_str(), (building.left + building.right - g->TextWidth(s.c_str())) / 2, y,
                      0xFFFFFFFF);
    };
    if (HasBuilding()) centred(DisplayName(FieldText(m_szBuilding).c_str()), r.top + 5);
    centred(g_GameData.m_PlayerName.GetText(), r.top + 16);
    g->SelectFont(0);
}
