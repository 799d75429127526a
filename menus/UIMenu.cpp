#include "menus/UIMenu.h"

#include "world/GameWorldState.h"
#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "foundation/GuidKey.h"
#include "foundation/Input.h"
#include "foundation/Name32.h"
#include "graphics/GraphicInterface.h"
#include "menus/GMenu.h"
#include "menus/MenuButton.h"
#include "menus/MenuDrawing.h"
#include "menus/PlayerInfoPanel.h"
#include "ui/GroupControl.h"
#include "units/BuildingObject.h"
#include "units/GliderObject.h"
#include "units/Mechanoid.h"
#include "world/KindManagers.h"
#include "world/Mech.h"
#include "world/ObjectList.h"
#include "world/World.h"

#include <cstring>

using namespace menus;

namespace
{
constexpr int kTabWidth = 70;
constexpr int kTabTop = 12;
constexpr int kTabBottom = 68;
constexpr int kPanelWidth = 346;
constexpr int kPanelHeight = 54;

struct STabInfo
{
    int command;
    int picture;
};
// By tab, in field order.
constexpr STabInfo kTabTable[CUIMenu::kTabCount] = {
    {61460, 13}, {61461, 11}, {61450, 1}, {61451, 2}, {61452, 3}, {61453, 5},
    {61454, 4},  {61455, 6},  {61456, 7}, {61457, 8}, {61458, 9},
};
constexpr int kTradeGliderCommand = 61462;
constexpr int kTradeGliderPicture = 12;

// Nearest whole number: halves away from zero on the positive side, and
// toward minus on the rest.
int Nearest(float value)
{
    return value > 0.0f ? int(value + 0.5f) : int(value - 0.5f);
}

int ClassIndexOf(const char* id)
{
    CGuidKey key;
    MakeGuidKey(&key, id);
    return ResolveClassIndex(key);
}

} // namespace

const char* const CUIMenu::kConsoleClassIds[kConsoleCount] = {
    "IGUID_CGCGlider", "IGUID_CGCTunnel", "IGUID_CGCQuest",   "IGUID_CGCTrade", "IGUID_CGCMap",
    "IGUID_CGCLog",    "IGUID_CGCGarage", "IGUID_CGCCluster", "IGUID_CGCClan",  "IGUID_CGCInfo",
};

CUIMenu::CUIMenu()
{
    std::memset(m_szBuilding, 0xFF, 4);
}

CUIMenu::~CUIMenu()
{
    Close();
    // The main group first: it unlinks the children, which go after it.
    delete m_pMainGroup;
    m_pMainGroup = nullptr;
    m_pPopup = nullptr;
    m_pHovered = nullptr;
}

void CUIMenu::CreateTab(ETab tab)
{
    if (!m_pTabs[tab]) m_pTabs[tab] = std::make_unique<CMenuButton>();
}

int CUIMenu::TabCommand(ETab tab) const
{
    if (tab == kTabTrade && m_pTabs[kTabGlider]) return kTradeGliderCommand;
    return kTabTable[tab].command;
}

void CUIMenu::Init(IGraphicInterface* graphic, IInput* input)
{
    XTRACE("CUIMenu::Init");
    // A tab whose console nobody registered is not made.
    for (int i = 0; i < kConsoleCount; ++i)
        if (m_pTabs[i] && ClassIndexOf(kConsoleClassIds[i]) < 0) m_pTabs[i].reset();
    for (auto& tab : m_pTabs)
        if (tab) tab->SetClickSound(-1); // the console switch plays its own sound
    delete m_pMainGroup;
    IUI::Init(graphic, input);

    const plat::Point size = graphic ? graphic->GetScreenSize() : plat::Point{800, 600};
    const int w = size.x, h = size.y;
    m_fScaleX = float(w) * (1.0f / 1024.0f);
    m_fScaleY = float(h) * (1.0f / 768.0f);
    plat::Rect main{0, 0, 800, 600};
    if (w > 800)
    {
        main.left = Nearest(float(w) / 1024.0f * 170.0f);
        main.top = Nearest(float(h) / 768.0f * 345.0f - 315.0f);
        main.right = main.left + 800;
        main.bottom = main.top + 630;
    }
    m_bSmallScreen = w < 1000 ? 1 : 0;

    auto* group = new CGroupControl();
    group->Init(main, this);
    SetMainGroup(group);
    const int W = main.right - main.left, H = main.bottom - main.top;
    const plat::Rect consoleRect{10, 80, W - 8, H - 7};

    m_pPanel = std::make_unique<CPlayerInfoPanel>();
    const int panelLeft = (W - kPanelWidth) / 2, panelTop = H + 28;
    m_pPanel->Init(panelLeft, panelTop, panelLeft + kPanelWidth, panelTop + kPanelHeight, this);
    m_pPanel->Toggle();

    m_nTabSpacing = (W - 650) / 10 + 70;
    const bool gliderMenu = m_pTabs[kTabGlider] != nullptr;
    int x = 10;
    bool first = true;
    for (ETab tab : {kTabQuest, kTabGlider, kTabTunnel, kTabTrade, kTabMap, kTabGarage, kTabLog, kTabCluster,
                     kTabClan, kTabInfo})
    {
        CMenuButton* button = m_pTabs[tab].get();
        if (!button) continue;
        if (!first) x += m_nTabSpacing;
        first = false;
        button->Create(x, kTabTop, x + kTabWidth, kTabBottom, "", CButton::kPush, TabCommand(tab));
        button->m_nPicture = tab == kTabTrade && gliderMenu ? kTradeGliderPicture : kTabTable[tab].picture;
    }
    if (CMenuButton* exit = m_pTabs[kTabExit].get())
    {
        exit->Create(W - 92, kTabTop, W - 22, kTabBottom, "", CButton::kPush, kCommandExit);
        exit->m_nPicture = kTabTable[kTabExit].picture;
    }

    group->AddControl(m_pPanel.get());
    for (ETab tab : {kTabTunnel, kTabGlider, kTabQuest, kTabTrade, kTabMap, kTabLog, kTabGarage, kTabCluster,
                     kTabClan, kTabInfo, kTabExit})
        if (m_pTabs[tab]) group->AddControl(m_pTabs[tab].get());

    m_pDefault = m_pCurrent = nullptr;
    for (int i = 0; i < kConsoleCount; ++i)
    {
        if (!m_pTabs[i]) continue;
        std::unique_ptr<CGMenu> console(CreateClassInstanceAs<CGMenu>(ClassIndexOf(kConsoleClassIds[i])));
        if (!console)
        {
            g_ErrorLog.LogError("CUIMenu::Init: no console of class %s", kConsoleClassIds[i]);
            m_pTabs[i]->Hide();
            continue;
        }
        console->Init(consoleRect, this);
        group->AddControl(console.get());
        // Every console starts hidden; ShowMenu brings one to the front.
        console->Hide();
        m_pConsoles[i] = console.get();
        m_OwnedConsoles[i] = std::move(console);
        if (!m_pDefault) m_pDefault = m_pConsoles[i];
    }
    group->SetUID(TextureKey(kUI1));
    m_SavedRect = group->m_Rect;
    if (m_pDefault) ShowMenu(m_pDefault);
}

void CUIMenu::SetParam(void* building)
{
    SetBuilding(static_cast<const char*>(building));
}

void CUIMenu::ShowMenu(CGMenu* console)
{
    XTRACE("CUIMenu::ShowMenu");
    if (!console || console == m_pCurrent) return;
    if (m_pCurrent)
    {
        m_pCurrent->Hide();
        PlaySound("SND_I_FOLDER");
    }
    for (int i = 0; i < kConsoleCount; ++i)
        if (m_pConsoles[i] && m_pTabs[i]) m_pTabs[i]->m_bSelected = m_pConsoles[i] == console ? 1 : 0;
    m_pCurrent = console;
    console->Show();
    console->OnActivated();
}

void CUIMenu::OnCommand(int code, int param)
{
    XTRACE("CUIMenu::OnCommand");
    for (int i = 0; i < kConsoleCount; ++i)
        if (code == kTabTable[i].command)
        {
            ShowMenu(m_pConsoles[i]);
            break;
        }
    if (code == kCommandExit)
    {
        m_iResult = kResultLeave;
        m_bDone = 1;
        return;
    }
    if (m_pCurrent) m_pCurrent->OnCommand(code, param);
}

void CUIMenu::DropConsole(ETab tab)
{
    if (tab >= kConsoleCount || !m_pConsoles[tab]) return;
    CGMenu* console = m_pConsoles[tab];
    m_pConsoles[tab] = nullptr;
    console->Hide();
    if (m_pTabs[tab]) m_pTabs[tab]->Hide();
    // A dropped console never stays in front.
    if (m_pCurrent == console) m_pCurrent = nullptr;
    if (m_pDefault == console) m_pDefault = nullptr;
}

void CUIMenu::SetBuilding(const char* name)
{
    XTRACE("CUIMenu::SetBuilding");
    CopyName(m_szBuilding, name);

    const SBuildingFacts building = ReadBuilding(m_szBuilding);
    if (m_pConsoles[kTabCluster] && building.cluster < 0) DropConsole(kTabCluster);
    if (building.found)
    {
        const int type = building.type;
        if (type != 1 && type != 9 && type != 11) DropConsole(kTabGarage);
        if (type == 21) DropConsole(kTabTrade);
        if (type == 4 || type == 5 || type == 13)
        {
            DropConsole(kTabGarage);
            DropConsole(kTabInfo);
        }
        if (type == 11)
        {
            DropConsole(kTabClan);
            DropConsole(kTabCluster);
        }
        if (type == 4 || type == 20)
        {
            if (m_pConsoles[kTabCluster]) m_pConsoles[kTabCluster]->m_bClusterRestricted = 1;
            DropConsole(kTabInfo);
            DropConsole(kTabTrade);
        }
        if (type == 5)
        {
            DropConsole(kTabCluster);
            DropConsole(kTabGarage);
            DropConsole(kTabClan);
        }
    }

    // The clan tab only in a building of the player's own clan.
    if (CMenuButton* clan = m_pTabs[kTabClan].get())
    {
        const SBuildingRecord* record = g_pWorld ? g_pWorld->FindBuilding(m_szBuilding) : nullptr;
        const CMech* player = g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
        const bool own = record && player && SameName(record->owner, player->m_szOrg) &&
                         SameName(player->m_szOrg, "ORG_PLAYER");
        if (own && m_pConsoles[kTabClan])
            clan->Show();
        else
            clan->Hide();
    }
    LayoutTabs();
    for (ETab tab : {kTabTunnel, kTabGlider, kTabQuest, kTabTrade, kTabMap, kTabLog, kTabGarage, kTabCluster,
                     kTabClan, kTabInfo})
        if (m_pConsoles[tab]) m_pConsoles[tab]->SetBuilding(m_szBuilding);
    // Shown before the building was known: this second activation runs its
    // first-activation hook.
    if (m_pCurrent) m_pCurrent->OnActivated();
}

CUIMenu::SBuildingFacts CUIMenu::ReadBuilding(const char* gameId)
{
    SBuildingFacts facts;
    SPointerArray<CMMObject> objects;
    g_ObjectList.GetObjectList(OBJ_BUILDING, objects);
    for (int i = 0; i < objects.count; ++i)
    {
        auto* b = dynamic_cast<CBuildingObject*>(objects.items[i]);
        if (!b || !gameId[0] || !SameName(b->m_szGameId, gameId) || !b->GetKind()) continue;
        facts.found = true;
        facts.type = b->GetKind()->m_nType;
    }
    facts.cluster = g_pWorld ? g_pWorld->GetBuildingCluster(gameId) : 0;
    return facts;
}

void CUIMenu::LayoutTabs()
{
    XTRACE("CUIMenu::LayoutTabs");
    if (!m_pMainGroup) return;
    const int left = m_pMainGroup->m_Rect.left;
    int y = 0;
    for (ETab tab : {kTabQuest, kTabTrade, kTabMap, kTabTunnel, kTabGlider})
        if (m_pConsoles[tab] && m_pTabs[tab])
        {
            y = m_pTabs[tab]->m_Rect.top;
            break;
        }
    int x = left + 10;
    auto place = [&](ETab tab)
    {
        if (m_pTabs[tab]) m_pTabs[tab]->SetRectXY(x, y, x + kTabWidth, y + 56);
    };
    for (ETab tab : {kTabQuest, kTabTunnel, kTabGlider})
        if (m_pConsoles[tab]) place(tab);
    if (m_pConsoles[kTabTrade])
    {
        if (!m_pConsoles[kTabQuest])
        {
            place(kTabTrade);
            m_pDefault = m_pConsoles[kTabTrade];
            ShowMenu(m_pDefault);
        }
        else
        {
            x += m_nTabSpacing;
            place(kTabTrade);
        }
    }
    for (ETab tab : {kTabMap, kTabLog, kTabGarage, kTabCluster, kTabClan, kTabInfo})
    {
        const bool shown =
            tab == kTabClan ? m_pTabs[tab] && m_pTabs[tab]->m_bVisible : m_pConsoles[tab] != nullptr;
        if (!shown) continue;
        x += m_nTabSpacing;
        place(tab);
    }
    if (CMenuButton* exit = m_pTabs[kTabExit].get())
        exit->SetRectXY(m_SavedRect.right - 92, y, m_SavedRect.right - 22, y + 56);
}

bool CUIMenu::ShowVitalResults()
{
    if (!m_pCurrent) return false;
    m_pCurrent->ShowResultBox();
    return true;
}

bool CUIMenu::IsBusy()
{
    return m_pPopup != nullptr || (m_pTabs[kTabExit] && !m_pTabs[kTabExit]->m_bEnabled);
}

void CUIMenu::Close()
{
    XTRACE("CUIMenu::Close");
    if (g_pPlayerGlider && g_pPlayerGlider->m_pMechanoid) g_pPlayerGlider->m_pMechanoid->UpdateEquipment();
    m_bDone = 1;
}

void CUIMenu::ProcessMessages()
{
    XTRACE("CUIMenu::ProcessMessages");
    IUI::ProcessMessages();
    if (!m_bSmallScreen || !m_pPanel || !m_pMainGroup) return;
    // The panel glides up into the bottom edge while the mouse is near it,
    // and back out of view otherwise.
    const plat::Rect& p = m_pPanel->m_Rect;
    const plat::Rect& m = m_pMainGroup->m_Rect;
    if (m.bottom - (p.bottom - p.top) < m_nCursorY)
    {
        if (p.bottom > m.bottom) m_pPanel->Move(0, -((p.bottom - m.bottom) / 3));
    }
    else if (p.top < m.bottom)
        m_pPanel->Move(0, (m.bottom - p.top) / 3);
}

// ---- the three hosts

CGuidKey CBuildingUI::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_CBuildingUI");
}

void CBuildingUI::Init(IGraphicInterface* graphic, IInput* input)
{
    for (ETab tab :
         {kTabQuest, kTabTrade, kTabMap, kTabLog, kTabGarage, kTabCluster, kTabClan, kTabInfo, kTabExit})
        CreateTab(tab);
    CUIMenu::Init(graphic, input);
}

CGuidKey CTunnelUI::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_CTunnelUI");
}

void CTunnelUI::Init(IGraphicInterface* graphic, IInput* input)
{
    for (ETab tab : {kTabTunnel, kTabMap, kTabLog, kTabExit})
        CreateTab(tab);
    CUIMenu::Init(graphic, input);
}

void CTunnelUI::GetDestination(char* out32)
{
    if (out32) std::memcpy(out32, m_szDestination, sizeof m_szDestination);
}

void CTunnelUI::SetDestination(const char* location)
{
    CopyName(m_szDestination, location);
}

std::int32_t CGliderUI::s_CloseKeys[3] = {0, 0, 0};

CGuidKey CGliderUI::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_CGliderUI");
}

void CGliderUI::Init(IGraphicInterface* graphic, IInput* input)
{
    for (ETab tab : {kTabGlider, kTabMap, kTabLog, kTabExit})
        CreateTab(tab);
    CUIMenu::Init(graphic, input);
    for (CGMenu* console : m_pConsoles)
        if (console) console->m_bGliderMenu = 1;
    if (m_pTabs[kTabExit]) m_pTabs[kTabExit]->m_nPicture = kExitPicture;
}

void CGliderUI::ShowPage(const std::int32_t* page)
{
    if (!page) return;
    switch (*page)
    {
    case 0:
        ShowMenu(m_pConsoles[kTabGlider]);
        break;
    case 1:
        ShowMenu(m_pConsoles[kTabMap]);
        break;
    case 2:
        ShowMenu(m_pConsoles[kTabLog]);
        if (m_pConsoles[kTabLog]) m_pConsoles[kTabLog]->OnActivated();
        break;
    default:
        break;
    }
}

void CGliderUI::ProcessMessages()
{
    XTRACE("CGliderUI::ProcessMessages");
    IUI::ProcessMessages();
    for (std::int32_t key : s_CloseKeys)
        if (key > 0 && m_pInput && m_pInput->IsPressed(key))
        {
            if (m_pMainGroup) m_pMainGroup->OnCommand(kCommandExit, 0);
            break;
        }
}
