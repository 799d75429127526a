#include "consoles/GCTunnel.h"

#include "app/GameData.h"
#include "foundation/ErrorLog.h"
#include "consoles/ConsoleServices.h"
#include "foundation/Name32.h"
#include "graphics/GraphicInterface.h"
#include "menus/LinkText.h"
#include "menus/MenuDrawing.h"
#include "menus/MenuTexts.h"
#include "menus/UIMenu.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "ui/UI.h"
#include "ui/markup/HTMLWnd.h"
#include "world/World.h"

#include <charconv>
#include <cstring>

using namespace menus;

namespace
{
// "Локации" in code page 1251.
constexpr char kCaption[] = "\xCB\xEE\xEA\xE0\xF6\xE8\xE8";
constexpr char kLocationLink[] = "Loc";
constexpr char kSendLink[] = "sendto";

// The record index of a "Loc<i>" token, or -1.
int LocationIndex(const std::string& token)
{
    constexpr std::size_t prefix = sizeof kLocationLink - 1;
    if (token.size() <= prefix || token.compare(0, prefix, kLocationLink) != 0) return -1;
    int index = -1;
    const char* end = token.data() + token.size();
    const auto [at, error] = std::from_chars(token.data() + prefix, end, index);
    if (error != std::errc() || at != end || index < 0) return -1;
    return index < int(g_GameData.m_LocInfo.count) ? index : -1;
}
} // namespace

CGCTunnel::CGCTunnel()
{
    m_ClassID = MakeClassKey("CGCTunnel", -1);
}

CGCTunnel::~CGCTunnel()
{
    for (CControl* c : std::initializer_list<CControl*>{m_pText.get(), m_pList.get()})
        if (c) RemoveControl(c);
    m_pHTML = nullptr;
}

CGuidKey CGCTunnel::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_CGCTunnel");
}

void CGCTunnel::Init(const plat::Rect& rect, IUI* screen)
{
    XTRACE("CGCTunnel::Init");
    CGMenu::Init(rect, screen);
    m_ClassID = MakeClassKey("CGCTunnel", -1);
    std::memset(m_szBuilding, 0, sizeof m_szBuilding);
    const int W = rect.right - rect.left, H = rect.bottom - rect.top;
    auto make = [&](const plat::Rect& r)
    {
        auto window = std::make_unique<CHTMLScrollWnd>();
        window->Init(r.left, r.top, r.right, r.bottom, screen);
        window->SetTextDB(g_pTextDB);
        window->HTMLClear();
        return window;
    };
    m_pText = make({12, 29, W - 260, H - 29});
    m_pList = make({m_pText->m_Rect.right - rect.left + 7, 29, W - 12, H - 29});
    m_pHTML = m_pText.get();
    AddControl(m_pText.get());
    AddControl(m_pList.get());
    m_sCaption = kCaption;
    m_iChosen = -1;
    Hide();
}

void CGCTunnel::OnFirstActivation()
{
    XTRACE("CGCTunnel::OnFirstActivation");
    if (g_pScriptManager)
        g_pScriptManager->RunEvent(FieldText(m_szBuilding).c_str(), "OnEnterBuild", nullptr);
    m_szScriptText[0] = 0;
    ViewScriptResult();
}

void CGCTunnel::OnActivated()
{
    XTRACE("CGCTunnel::OnActivated");
    if (m_pList) m_pList->HTMLClear();
    CGMenu::OnActivated();
    ListLocations();
}

void CGCTunnel::ListLocations()
{
    if (!m_pList) return;
    const std::string here = g_pWorld ? FieldText(g_pWorld->m_szLocationName) : std::string();
    for (std::uint32_t i = 0; i < g_GameData.m_LocInfo.count; ++i)
    {
        const SLocInfo& info = g_GameData.m_LocInfo.data[i];
        if (!info.subscription && info.tickets == 0) continue;
        const std::string location = FieldText(info.location);
        if (location == here) continue;
        std::string line = info.subscription ? "<icon:SUBSCR>" : "<icon:TICKET>";
        line +=
            "<a href=" + std::string(kLocationLink) + std::to_string(i) + ">" + DisplayName(location.c_str());
        if (!info.subscription) line += " [" + std::to_string(info.tickets) + "]";
        line += "</a><br>";
        m_pList->AddEntry(line.c_str(), nullptr, nullptr, CHTMLWnd::kNoUserValue, nullptr, false, false);
    }
}

void CGCTunnel::ChooseLocation(int index)
{
    if (index < 0 || index >= int(g_GameData.m_LocInfo.count) || !m_pText) return;
    const SLocInfo& info = g_GameData.m_LocInfo.data[std::size_t(index)];
    const std::string location = FieldText(info.location);
    const std::string name = DisplayName(location.c_str());
    m_pText->HTMLClear();
    if (auto* host = dynamic_cast<CTunnelUI*>(m_pScreen)) host->SetDestination(location.c_str());
    m_pText->AddEntry(TextOf(location.c_str()).c_str(), ("<icon:MINUS>" + name).c_str(), "location",
                      CHTMLWnd::kNoUserValue, nullptr, false, false);
    const std::string send = "<icon:POINT>" + TextOf("INT_TUNNEL_TEXT_01") + name +
                             "<p><a href=" + kSendLink + ">" + TextOf("INT_TUNNEL_TEXT_02") + "</a>";
    m_pText->AddEntry(send.c_str(), ("<icon:MINUS>" + TextOf("INT_TUNNEL_TEXT_03")).c_str(), "sendblock",
                      CHTMLWnd::kNoUserValue, nullptr, false, false);
    m_iChosen = index;
}

bool CGCTunnel::SendTo()
{
    XTRACE("CGCTunnel::SendTo");
    if (m_iChosen < 0 || m_iChosen >= int(g_GameData.m_LocInfo.count)) return false;
    SLocInfo& info = g_GameData.m_LocInfo.data[std::size_t(m_iChosen)];
    // Without a ticket (a page left from before) there is no journey.
    if (!info.subscription)
    {
        if (info.tickets == 0) return false;
        --info.tickets;
    }
    auto* host = dynamic_cast<CTunnelUI*>(m_pScreen);
    if (host)
    {
        host->SetDestination(FieldText(info.location).c_str());
        host->EndModal(kResultTunnel);
    }
    return true;
}

void CGCTunnel::OnCommand(int code, int param)
{
    XTRACE("CGCTunnel::OnCommand");
    if (code != CHTMLWnd::kNotifyLink)
    {
        CGMenu::OnCommand(code, param);
        return;
    }
    std::string target;
    for (CHTMLScrollWnd* window : {m_pList.get(), m_pText.get()})
        if (window && !window->m_sNotifyTarget.empty())
        {
            target = window->m_sNotifyTarget;
            window->m_sNotifyTarget.clear();
        }
    std::string rest;
    for (const std::string& token : SplitLinkText(target))
    {
        if (const int index = LocationIndex(token); index >= 0)
            ChooseLocation(index);
        else if (token == kSendLink)
            SendTo();
        else
            rest += (rest.empty() ? "" : ",") + token;
    }
    if (!rest.empty()) RunLink(rest.c_str());
}

void CGCTunnel::Render()
{
    XTRACE("CGCTunnel::Render");
    if (!m_bVisible) return;
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    CGMenu::Render();
    if (!m_pText || !m_pList) return;
    const plat::Rect& r = m_Rect;
    const plat::Rect& text = m_pText->m_Rect;
    const plat::Rect& list = m_pList->m_Rect;
    FillRect(g, {text.right, text.top, list.left, text.bottom}, kFrameFill);
    FillRect(g, {r.left + 12, r.top + 12, r.right - 12, text.top}, kFrameFill);
    FillRect(g, {r.left + 12, text.bottom, r.right - 12, r.bottom - 12}, kFrameFill);
    if (!g) return;
    g->SelectFont(1);
    auto centred = [&](const std::string& s, int left, int right, int y)
    { g->RenderText(s.c_str(), (left + right - g->TextWidth(s.c_str())) / 2, y, 0xFFFFFFFF); };
    centred(m_sCaption, list.left, list.right, r.top + 9);
    if (HasBuilding())
        centred(DisplayName(FieldText(m_szBuilding).c_str()), text.left, text.right, r.top + 5);
    centred(g_GameData.m_PlayerName.GetText(), text.left, text.right, r.top + 16);
    g->SelectFont(0);
}
