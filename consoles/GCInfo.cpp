#include "consoles/GCInfo.h"

#include "app/GameData.h"
#include "consoles/ConsoleServices.h"
#include "foundation/ClassFactory.h"
#include "foundation/ErrorLog.h"
#include "graphics/GraphicInterface.h"
#include "hud/radar/Radar.h"
#include "menus/MenuButton.h"
#include "menus/MenuDrawing.h"
#include "menus/MenuTexts.h"
#include "menus/QueryMessageBox.h"
#include "menus/TextFormat.h"
#include "menus/UIMenu.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "ui/UI.h"
#include "ui/markup/HTMLObject.h"
#include "ui/markup/HTMLWnd.h"
#include "units/Mechanoid.h"
#include "world/Mech.h"
#include "world/World.h"
#include "world/WorldSeams.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <strings.h>

using plat::Rect;
using menus::DisplayName;
using menus::NameOf;
using menus::TextOf;

namespace
{
constexpr std::uint32_t kBar = 0x26FFFFFF;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kTabColour = 0xFFD46BFF;
constexpr std::uintptr_t kNoColour = std::uintptr_t(-1);

bool Same(const std::string& a, const char* b)
{
    return strcasecmp(a.c_str(), b) == 0;
}

bool StartsWith(const std::string& s, const char* prefix)
{
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

std::string Cut(const std::string& s, std::size_t n)
{
    return s.size() > n ? s.substr(0, n) : s;
}

std::string Text(int n)
{
    char key[32];
    std::snprintf(key, sizeof key, "INT_INFO_TEXT_%02d", n);
    return TextOf(key);
}

std::string Name32(const char* field)
{
    return std::string(field, strnlen(field, 32));
}

// The type-3 results of the last script run, their keys in order.
std::vector<std::string> NamedResults()
{
    std::vector<std::string> keys;
    SScriptResults* results = g_pScriptManager ? g_pScriptManager->GetResults() : nullptr;
    if (!results) return keys;
    const int n = std::clamp(results->m_iResultCount, 0, SScriptResults::kCapacity);
    for (int i = 0; i < n; ++i)
        if (results->m_Results[i].type == 3)
            keys.emplace_back(results->m_Results[i].text, strnlen(results->m_Results[i].text, sizeof results->m_Results[i].text));
    return keys;
}

void EmptyResults()
{
    SScriptResults* results = g_pScriptManager ? g_pScriptManager->GetResults() : nullptr;
    if (!results) return;
    std::memset(results->m_Results, 0, sizeof results->m_Results);
    results->m_iResultCount = 0;
}
} // namespace

CGCInfo::CGCInfo()
{
    m_ClassID = MakeClassKey("CGCInfo", -1);
}

CGCInfo::~CGCInfo()
{
    if (m_pDialog && m_pScreen && m_pScreen->m_pPopup == m_pDialog.get()) m_pScreen->SetPopup(nullptr);
    m_pDialog.reset();
    for (CHTMLScrollWnd* window : {m_pPage.get(), m_pMenu.get(), m_pList.get()})
        if (window) RemoveControl(window);
    m_pHTML = nullptr;
}

CGuidKey CGCInfo::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_CGCInfo");
}

const char* CGCInfo::CurrentLocation() const
{
    return g_pWorld ? g_pWorld->m_szLocationName : "";
}

void CGCInfo::Init(const Rect& rect, IUI* screen)
{
    XTRACE("CGCInfo::Init");
    CGMenu::Init(rect, screen);
    m_ClassID = MakeClassKey("CGCInfo", -1);
    const int W = rect.right - rect.left, H = rect.bottom - rect.top;
    const Rect page{12, 29, W - 260, H - 29};
    const Rect menu{page.right + 12, page.top, W - 12, H - 249};
    const Rect list{menu.left, menu.bottom + 14, menu.right, page.bottom};
    const auto make = [&](const Rect& r)
    {
        auto window = std::make_unique<CHTMLScrollWnd>();
        window->Init(r.left, r.top, r.right, r.bottom, screen);
        window->SetTextDB(g_pTextDB);
        window->HTMLClear();
        AddControl(window.get());
        return window;
    };
    m_pPage = make(page);
    m_pMenu = make(menu);
    m_pList = make(list);
    m_pHTML = m_pPage.get();
    m_sCaption = TextOf("INT_INFO_CAPTION_01").c_str();
    m_sFoundMech.clear();
    m_nTicketPrice = kTicketPrice;
    m_nSubscriptionPrice = kSubscriptionPrice;
    Hide();
}

void CGCInfo::Add(CHTMLScrollWnd* window, const std::string& text, const std::string& heading, const char* blockId)
{
    if (window) window->AddEntry(text.c_str(), heading.c_str(), blockId, kNoColour, nullptr, true, true);
}

float CGCInfo::Money() const
{
    const CMechanoid* player = PlayerMechanoid();
    return player ? player->m_Garbage.m_fMoney : 0.0f;
}

bool CGCInfo::Pay(float price)
{
    CMechanoid* player = PlayerMechanoid();
    if (!player || player->m_Garbage.m_fMoney < price)
    {
        ConsoleEvents().Play2D("SND_I_NO");
        return false;
    }
    player->m_Garbage.m_fMoney -= price;
    ConsoleEvents().Play2D("SND_I_MONEY");
    return true;
}

// ---- activation and the menu -------------------------------------------------------

void CGCInfo::OnFirstActivation()
{
    XTRACE("CGCInfo::OnFirstActivation");
    if (g_pScriptManager)
    {
        g_pScriptManager->RunEvent(m_szBuilding, "OnEnterNet", "");
        std::snprintf(m_szScriptText, sizeof m_szScriptText, "%s", g_pScriptManager->GetCurrentScript());
    }
    ViewScriptResult();
    BuildMenu();
}

void CGCInfo::OnActivated()
{
    XTRACE("CGCInfo::OnActivated");
    CGMenu::OnActivated();
    BuildMenu();
}

void CGCInfo::BuildMenu()
{
    XTRACE("CGCInfo::BuildMenu");
    if (!m_pMenu) return;
    std::string item[6];
    for (int i = 1; i <= 5; ++i)
    {
        char key[32];
        std::snprintf(key, sizeof key, "INT_INFO_LISTITEM_%02d", i);
        item[i] = TextOf(key);
    }
    m_pMenu->HTMLClear();
    Add(m_pMenu.get(), "<icon:BLANK><color=green><a href=description>" + item[1] + "</a><color><p>");
    Add(m_pMenu.get(), "<icon:BLANK><a href=info>" + item[2] + "</a><p>");
    Add(m_pMenu.get(), "<icon:QUEST><a href=find>" + item[3] + "</a><p>");
    Add(m_pMenu.get(), "<icon:TICKET><a href=tickets>" + item[4] + "</a><p>");
    const SLocInfo* info = g_GameData.FindLocInfo(CurrentLocation());
    if (info && !info->mapBought)
    {
        if (Money() < kMapPrice)
            Add(m_pMenu.get(), "<icon:BLANK><color=red>" + item[5] + "<color><p>");
        else
            Add(m_pMenu.get(), "<icon:BLANK><a href=map>" + item[5] + "</a><p>");
    }
}

// ---- pages --------------------------------------------------------------------------

void CGCInfo::ShowDescription()
{
    XTRACE("CGCInfo::ShowDescription");
    if (g_pScriptManager) g_pScriptManager->RunEvent(m_szBuilding, "OnInformation", "");
    if (m_pList) m_pList->HTMLClear();
    for (const std::string& key : NamedResults())
        Add(m_pList.get(), "<icon:POINT><a href=" + key + ">" + NameOf(key.c_str()) + "</a><br>");
    EmptyResults();
}

void CGCInfo::ShowOrganisationList()
{
    if (m_pList) m_pList->HTMLClear();
    if (!g_pWorld) return;
    for (const auto& organisation : g_pWorld->m_Organizations)
    {
        organisation->UpdateMechInfo();
        const SOrgData* data = organisation->GetData();
        if (data && data->mechCount == 0) continue;
        const std::string id = organisation->GetName();
        Add(m_pList.get(), "<icon:POINT><a href=" + id + ">" + NameOf(id.c_str()) + "</a><br>", "", id.c_str());
    }
    if (!g_pWorld->m_Organizations.empty()) ProcessLink(g_pWorld->m_Organizations.front()->GetName());
}

std::string CGCInfo::FindOrganisation(const std::string& token) const
{
    if (!g_pWorld) return {};
    for (const auto& organisation : g_pWorld->m_Organizations)
        if (Same(token, organisation->GetName())) return organisation->GetName();
    return {};
}

void CGCInfo::ShowOrganisationPage(const std::string& organisation)
{
    if (!m_pHTML) return;
    m_pHTML->HTMLClear();
    m_pHTML->AddTextBlock(organisation.c_str(), nullptr, true);
    ShowOrgInfo(organisation.c_str(), true);
}

void CGCInfo::ShowClanPage(const std::string& token)
{
    // "ShowClan(" name ")": from the tenth character to the last ')'.
    const std::size_t close = token.rfind(')');
    if (token.size() <= 9 || close == std::string::npos || close < 9) return;
    const std::string name = Cut(token.substr(9, close - 9), kNameLength);
    if (name.empty() || !Pay(kClanPagePrice)) return;
    if (g_pRadar) g_pRadar->m_ShownClans.AddUnique(name.c_str());
    if (!m_pHTML) return;
    m_pHTML->HTMLClear();
    m_pHTML->AddTextBlock(name.c_str(), nullptr, true);
    ShowOrgInfo(name.c_str(), true);
}

void CGCInfo::ShowMechInfo(const char* typed)
{
    XTRACE("CGCInfo::ShowMechInfo");
    const std::string name = typed ? typed : "";
    CMech* mech = nullptr;
    if (name != "PLAYER" && g_pWorld) mech = g_pWorld->FindMechByName(name.c_str());
    if (mech && !m_bFindReconers && Name32(mech->m_szOrg) == "ORG_RECONERS") mech = nullptr;
    if (m_pPage) m_pPage->HTMLClear();
    if (mech && mech->m_nLevel != 0)
    {
        const std::string org = Name32(mech->m_szOrg);
        std::string state;
        if (mech->m_bDead && mech->m_bInBuilding)
            state = FormatGameText(Text(8).c_str(), {int(std::trunc(mech->m_fComebackTimer))});
        else if (mech->m_bDead)
            state = Text(9);
        else if (!mech->m_pObject && mech->m_bAssigned)
            state = Text(10);
        else if (mech->m_pGroup)
            state = mech->m_bInBuilding ? Text(11) : Text(12);
        else
            state = NameOf(org.c_str());
        if (mech->m_bInCluster) state = Text(13);
        std::string body = Text(6) + Name32(mech->m_szName) + "<br>" + Text(7) + NameOf(org.c_str()) + "<br>" +
                           Text(14) + state;
        const CMech* player = g_pWorld ? g_pWorld->GetPlayerMech() : nullptr;
        if ((!player || org != Name32(player->m_szOrg)) && !mech->m_bInCluster)
            body += "<br>" + Text(15) + "<color=green>" +
                    std::to_string(int(std::trunc(mech->GetConvictPrice(2, true)))) + "<color>";
        Add(m_pPage.get(), body, "<icon:MINUS>" + Text(6) + name + Text(16), "mech");
        const bool marked = g_pRadar && g_pRadar->IsMarked(mech->m_szId);
        if (!marked && Money() >= kBearingPrice)
        {
            CXAnsiString text, heading;
            if (g_pTextDB) g_pTextDB->Lookup(STextKey("INT_INFO_TEXT_24"), text, heading);
            Add(m_pPage.get(), FormatGameText(text.GetText(), {kBearingPrice}), heading.GetText(), "peleng");
        }
        m_sFoundMech = Name32(mech->m_szName);
    }
    else
    {
        Add(m_pPage.get(), "<icon:POINT><color=red>" + Text(18) + "<color>",
            "<icon:MINUS>" + Text(6) + name + Text(17));
    }
}

void CGCInfo::SetBearing()
{
    if (m_sFoundMech.empty() || !g_pWorld) return;
    CMech* mech = g_pWorld->FindMechByName(m_sFoundMech.c_str());
    if (!mech || !Pay(kBearingPrice)) return;
    if (g_pRadar) g_pRadar->MarkObject(mech->m_szId, true);
    if (m_pHTML) m_pHTML->DeleteBlock("peleng");
}

void CGCInfo::ShowTickets()
{
    XTRACE("CGCInfo::ShowTickets");
    if (m_pPage) m_pPage->HTMLClear();
    if (m_pList) m_pList->HTMLClear();
    if (m_pHTML) m_pHTML->AddTextBlock("INT_NET_KEYS", nullptr, true);
    // The home block's id is the key the text came under.
    if (g_pScriptManager)
    {
        g_pScriptManager->RunEvent(m_szBuilding, "OnTickets", "");
        EmptyResults();
        g_pScriptManager->RunEvent(m_szBuilding, "OnTickets", "");
    }
    // A location without a name text shows its key (an empty link could
    // not be clicked).
    std::string offers;
    for (const std::string& key : NamedResults())
    {
        const std::string location = Cut(key, kNameLength);
        const SLocInfo* info = g_GameData.FindLocInfo(location.c_str());
        if (info && info->subscription) continue;
        const std::uint32_t tickets = info ? info->tickets : 0;
        offers += std::string(tickets > 0 ? "<icon:TICKET>" : "<icon:BLANK>") + "<a href=ticket(" + location + ")>" +
                  DisplayName(location.c_str()) + "</a><br>";
    }
    std::string own;
    const std::string here = CurrentLocation();
    for (std::uint32_t i = 0; i < g_GameData.m_LocInfo.count; ++i)
    {
        const SLocInfo& info = g_GameData.m_LocInfo.data[i];
        const std::string location = Name32(info.location);
        if (!(info.subscription || info.tickets) || location == here) continue;
        own += info.subscription ? "<icon:SUBSCR>" : (info.tickets ? "<icon:TICKET>" : "<icon:BLANK>");
        own += "<a href=loc(" + location + ")>" + DisplayName(location.c_str());
        if (info.tickets && !info.subscription) own += " [" + std::to_string(info.tickets) + "]";
        own += "</a><br>";
    }
    if (!own.empty())
    {
        Add(m_pList.get(), own, "<icon:MINUS>" + Text(19), "ownkeys");
        if (!offers.empty()) m_pList->CollapseBlock("ownkeys", false);
    }
    if (!offers.empty())
    {
        Add(m_pList.get(), offers, "<icon:MINUS>" + Text(20), "forbuy");
        m_pList->CollapseBlock("forbuy", false);
    }
    EmptyResults();
    if (m_pHTML) m_pHTML->GoToBlock("INT_NET_KEYS");
}

void CGCInfo::ShowLocationTickets(const char* nameText, bool offer)
{
    XTRACE("CGCInfo::ShowLocationTickets");
    const std::string name = Cut(nameText ? nameText : "", kNameLength);
    const SLocInfo* info = g_GameData.FindLocInfo(name.c_str());
    const int held = !info ? 0 : (info->subscription ? -1 : int(info->tickets));
    if (!m_pHTML) return;
    m_pHTML->HTMLClear();
    m_pHTML->AddTextBlock(name.c_str(), nullptr, true);
    std::string text;
    if (held > 0) text = FormatGameText(TextOf("INT_YOUHAVE_KEYS").c_str(), {held});
    if (held == -1) text = TextOf("INT_YOUHAVE_MULTIKEYS");
    if (held >= 0 && offer)
    {
        text += "<br><icon:TICKET><a href=buy>" + FormatGameText(Text(21).c_str(), {m_nTicketPrice}) + "<br>";
        text += "<br><icon:SUBSCR><a href=megabuy>" + FormatGameText(Text(22).c_str(), {m_nSubscriptionPrice}) + "<br>";
        m_sPendingLocation = name;
    }
    if (!text.empty()) Add(static_cast<CHTMLScrollWnd*>(m_pHTML), text, "<icon:MINUS>" + Text(23));
}

void CGCInfo::BuyTickets(bool subscription)
{
    XTRACE("CGCInfo::BuyTickets");
    if (m_sPendingLocation.empty()) return;
    const int price = subscription ? m_nSubscriptionPrice : m_nTicketPrice;
    bool bought = false;
    if (Pay(float(price)))
    {
        SLocInfo& info = g_GameData.GetLocInfo(m_sPendingLocation.c_str());
        if (subscription)
        {
            info.subscription = 1;
            if (m_pHTML) m_pHTML->HTMLClear();
        }
        else
            ++info.tickets;
        bought = true;
    }
    const std::string pending = m_sPendingLocation;
    ShowTickets();
    if (!(bought && subscription)) ShowLocationTickets(pending.c_str(), true);
}

// ---- dialogs ------------------------------------------------------------------------

void CGCInfo::ShowMapDialog()
{
    XTRACE("CGCInfo::ShowMapDialog");
    if (!m_pScreen) return;
    m_pDialog.reset();
    m_pDialog = std::make_unique<CQueryMessageBox>();
    m_pDialog->Init(Rect{0, 0, 350, 150}, m_pScreen,
                    CQueryMessageBox::kFlagOK | CQueryMessageBox::kFlagCancel | CQueryMessageBox::kFlagCentreMain);
    m_pDialog->AddLine(Text(2).c_str());
    m_pDialog->AddLine(FormatGameText(Text(1).c_str(), {kMapPrice}).c_str());
    m_pDialog->SetCaption(Text(3).c_str());
    AddControl(m_pDialog.get());
    MakePopup(m_pDialog.get());
    m_bFindMode = 0;
}

void CGCInfo::ShowFindDialog()
{
    XTRACE("CGCInfo::ShowFindDialog");
    if (!m_pScreen) return;
    m_pDialog.reset();
    m_pDialog = std::make_unique<CQueryMessageBox>();
    m_pDialog->Init(Rect{0, 0, 350, 150}, m_pScreen,
                    CQueryMessageBox::kFlagOK | CQueryMessageBox::kFlagCancel | CQueryMessageBox::kFlagInput |
                        CQueryMessageBox::kFlagCentreMain);
    m_pDialog->AddLine(Text(4).c_str());
    m_pDialog->SetCaption(Text(5).c_str());
    AddControl(m_pDialog.get());
    MakePopup(m_pDialog.get());
    m_bFindMode = 1;
}

void CGCInfo::OnDialogAnswer(int answer)
{
    if (!m_pDialog || answer != 1 || m_pDialog->GetResult() != 1) return;
    if (m_bFindMode)
    {
        CXAnsiString typed(m_pDialog->GetInputText().c_str());
        typed.MakeUpper();
        m_sEnteredName = typed.GetText();
        const std::string name = Cut(m_sEnteredName, kNameLength);
        m_sFoundMech = name;
        ShowMechInfo(name.c_str());
    }
    else if (Pay(kMapPrice))
    {
        if (g_pRadar)
            g_pRadar->RevealBuildings();
        else
            g_GameData.GetLocInfo(CurrentLocation()).mapBought = 1;
        BuildMenu();
    }
}

// ---- commands -----------------------------------------------------------------------

std::string CGCInfo::TakeLinkText()
{
    for (CHTMLScrollWnd* window : {m_pMenu.get(), m_pList.get(), m_pPage.get()})
        if (window && !window->m_sNotifyTarget.empty())
        {
            std::string link = window->m_sNotifyTarget;
            window->m_sNotifyTarget.clear();
            return link;
        }
    return {};
}

void CGCInfo::OnCommand(int code, int param)
{
    XTRACE("CGCInfo::OnCommand");
    if (code == CHTMLWnd::kNotifyLink)
    {
        ProcessLink(TakeLinkText());
        return;
    }
    if (code == kPopupAnswered) OnDialogAnswer(param);
    CGMenu::OnCommand(code, param);
    if (code == kPopupRemoved && m_pDialog && m_pDialog->GetResult() != 0 &&
        (!m_pScreen || m_pScreen->m_pPopup != m_pDialog.get()))
    {
        if (m_pDialog->m_pParent) m_pDialog->m_pParent->RemoveControl(m_pDialog.get());
        m_pDialog.reset();
    }
}

void CGCInfo::ProcessLink(const std::string& link)
{
    XTRACE("CGCInfo::ProcessLink");
    std::size_t start = 0;
    while (start <= link.size())
    {
        const std::size_t comma = link.find(',', start);
        const std::string token =
            Cut(link.substr(start, comma == std::string::npos ? std::string::npos : comma - start), kTokenLength);
        start = comma == std::string::npos ? link.size() + 1 : comma + 1;
        if (token.empty()) continue;
        bool handled = true;
        if (Same(token, "clear"))
        {
            if (m_pHTML) m_pHTML->HTMLClear();
        }
        else if (Same(token, "delete"))
        {
            if (m_pHTML) m_pHTML->DeleteBlock(std::string(m_pHTML->GetCurrentBlockID()).c_str());
        }
        else if (Same(token, "close"))
        {
            if (m_pHTML) m_pHTML->CollapseBlock(std::string(m_pHTML->GetCurrentBlockID()).c_str(), true);
        }
        else if (Same(token, "restart"))
            OnFirstActivation();
        else if (token == "setpeleng")
            SetBearing();
        else if (token == "buy")
            BuyTickets(false);
        else if (token == "megabuy")
            BuyTickets(true);
        else if (token == "description")
        {
            ShowDescription();
            return;
        }
        else
            handled = false;

        const auto nameIn = [&](std::size_t prefix)
        {
            const std::string rest = token.substr(prefix);
            return rest.empty() ? std::string() : rest.substr(0, rest.size() - 1);
        };
        if (StartsWith(token, "ticket("))
        {
            ShowLocationTickets(nameIn(7).c_str(), true);
            handled = true;
        }
        else if (StartsWith(token, "loc("))
        {
            ShowLocationTickets(nameIn(4).c_str(), false);
            handled = true;
        }

        if (Same(token, "tickets"))
            ShowTickets();
        else if (StartsWith(token, "ShowClan"))
            ShowClanPage(token);
        else if (Same(token, "info"))
            ShowOrganisationList();
        else if (Same(token, "find"))
            ShowFindDialog();
        else if (Same(token, "map"))
            ShowMapDialog();
        else if (const std::string organisation = FindOrganisation(token); !organisation.empty())
        {
            ShowOrganisationPage(organisation);
            return;
        }
        else if (!handled)
            RunLink(token.c_str());
    }
}

// ---- drawing ------------------------------------------------------------------------

void CGCInfo::Render()
{
    XTRACE("CGCInfo::Render");
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    if (m_bVisible && g && m_pPage && m_pMenu && m_pList)
    {
        const Rect& p = m_pPage->m_Rect;
        const Rect& m = m_pMenu->m_Rect;
        const Rect& l = m_pList->m_Rect;
        const int W = Width();
        menus::FillRect(g, Rect{p.right, p.top, m.left, p.bottom}, kBar);
        menus::FillRect(g, Rect{m.left, m.bottom, m.right, l.top}, kBar);
        menus::FillRect(g, Rect{p.left, m_Rect.top + 12, p.left + W - 24, p.top}, kBar);
        menus::FillRect(g, Rect{p.left, p.bottom, p.left + W - 24, m_Rect.bottom - 12}, kBar);
        g->SelectFont(1);
        const char* caption = m_sCaption.GetText();
        g->RenderText(caption, (m.left + m.right - g->TextWidth(caption)) / 2, m_Rect.top + 5, kWhite);
        const std::string building = NameOf(m_szBuilding);
        g->RenderText(building.c_str(), (p.left + p.right - g->TextWidth(building.c_str())) / 2, m_Rect.top + 5,
                      kWhite);
        const char* player = g_GameData.m_PlayerName.GetText();
        g->RenderText(player, (m_Rect.left + m_Rect.right - g->TextWidth(player)) / 2,
                      m_Rect.bottom - g->GetTextHeight(), kWhite);
        g->SelectFont(0);
        CGuidKey sheet = menus::TextureKey(menus::kUII);
        menus::DrawSprite(g, sheet, Rect{m_Rect.right - 260, m_Rect.bottom - 349, m_Rect.right - 1, m_Rect.bottom - 6},
                          565, 0);
        if (auto* host = dynamic_cast<CUIMenu*>(m_pScreen))
            if (CMenuButton* tab = host->GetTab(CUIMenu::kTabInfo))
                menus::FillRect(g, Rect{tab->m_Rect.left + 1, m_Rect.top - 3, tab->m_Rect.right - 1, m_Rect.top + 1},
                                kTabColour);
        menus::FillRect(g, Rect{m_Rect.left + 24, m_Rect.bottom - 5, m_Rect.right - 24, m_Rect.bottom - 2},
                        kTabColour);
    }
    CGMenu::Render();
}
