#include "menus/GMenu.h"

#include "app/GameData.h"
#include "foundation/ErrorLog.h"
#include "foundation/Name32.h"
#include "menus/LinkText.h"
#include "menus/MenuDrawing.h"
#include "menus/MenuTexts.h"
#include "menus/QueryMessageBox.h"
#include "menus/SimpleMessageBox.h"
#include "menus/TextFormat.h"
#include "menus/UIMenu.h"
#include "script/game/ScriptBuiltIns.h"
#include "script/TextDB.h"
#include "script/game/ScriptManager.h"
#include "ui/UI.h"
#include "ui/UICodes.h"
#include "ui/markup/HTMLWnd.h"

#include <algorithm>
#include <cstring>

using namespace menus;

namespace
{
constexpr std::size_t kMaxTextKey = 30; // a text key of a link is shorter than 31 characters
const plat::Rect kNameBoxRect{0, 0, 350, 150};
} // namespace

CGMenu::CGMenu()
{
    m_ClassID = MakeClassKey("CGMenu", -1);
}

CGMenu::~CGMenu()
{
    // The boxes unlink themselves from this group and the screen as they go.
    m_pNameBox.reset();
    m_pClanNameBox.reset();
    m_pNoteBox.reset();
    m_pResultBox.reset();
    if (m_pScreen && m_pSavedPopup && m_pScreen->m_pPopup == m_pSavedPopup) m_pScreen->SetPopup(nullptr);
}

void CGMenu::Init(const plat::Rect& rect, IUI* screen)
{
    XTRACE("CGMenu::Init");
    CGroupControl::Init(rect, screen);
    m_ClassID = MakeClassKey("CGMenu", -1);
    std::memset(m_szBuilding, 0xFF, 4);
    m_pNameBox.reset();
    m_pClanNameBox.reset();
}

void CGMenu::SetBuilding(const char* name)
{
    CopyName(m_szBuilding, name);
    m_bBuildingSet = 1;
}

void CGMenu::OnActivated()
{
    XTRACE("CGMenu::OnActivated");
    if (!m_bActivated && m_bBuildingSet)
    {
        OnFirstActivation();
        m_bActivated = 1;
    }
    const int x = m_Rect.left + (m_Rect.right - m_Rect.left) / 2;
    m_TopAnchor[0] = x;
    m_TopAnchor[1] = m_Rect.top + 5;
    m_BottomAnchor[0] = x;
    m_BottomAnchor[1] = m_Rect.bottom;
    CGroupControl::OnActivated();
}

void CGMenu::Render()
{
    XTRACE("CGMenu::Render");
    if (!m_bVisible) return;
    IGraphicInterface* g = m_pScreen ? m_pScreen->m_pGraphic : nullptr;
    const int l = m_Rect.left, t = m_Rect.top, r = m_Rect.right, b = m_Rect.bottom;
    menus::FillRect(g, {l, t + 22, l + 12, b - 22}, kFrameFill);
    menus::FillRect(g, {r - 12, t + 22, r, b - 22}, kFrameFill);
    menus::FillRect(g, {l + 22, t + 1, r - 22, t + 12}, kFrameFill);
    menus::FillRect(g, {l + 22, b - 12, r - 22, b}, kFrameFill);
    CGroupControl::Render();
}

void CGMenu::OnCommand(int code, int param)
{
    XTRACE("CGMenu::OnCommand");
    switch (code)
    {
    case CHTMLWnd::kNotifyLink:
        if (m_pHTML)
        {
            const std::string link = m_pHTML->m_sNotifyTarget;
            RunLink(link.c_str());
        }
        break;
    case kPopupAnswered:
        // The box's own answer decides: a box that was cancelled is never
        // read again, whatever answer comes next.
        if (m_pNameBox && param == 1 && m_pNameBox->GetResult() == 1)
        {
            m_sEnteredName = m_pNameBox->GetInputText();
            if (g_ScriptGameCalls.setPlayerName) g_ScriptGameCalls.setPlayerName(m_sEnteredName.c_str());
            RunScript(CurrentScriptObject(), "ConfirmName", "");
        }
        if (m_pClanNameBox && param == 1 && m_pClanNameBox->GetResult() == 1)
        {
            m_sEnteredName = m_pClanNameBox->GetInputText();
            g_GameData.m_ClanName = m_sEnteredName.c_str();
        }
        break;
    case kPopupRemoved:
        DropAnsweredBoxes();
        if (m_pSavedPopup && m_pScreen)
        {
            MakePopup(m_pSavedPopup);
            if (auto* host = dynamic_cast<CUIMenu*>(m_pScreen)) host->SetPopupHalo(1);
            m_pSavedPopup = nullptr;
        }
        break;
    default:
        break;
    }
}

void CGMenu::DropAnsweredBoxes()
{
    for (std::unique_ptr<CQueryMessageBox>* box : {&m_pNameBox, &m_pClanNameBox, &m_pNoteBox})
        if (*box && (*box)->GetResult() != 0) box->reset();
    if (m_pResultBox && m_pResultBox->GetResult() != 0) m_pResultBox.reset();
}

void CGMenu::MakePopup(CGroupControl* box)
{
    if (m_pScreen) m_pScreen->SetPopup(box);
}

std::string CGMenu::CurrentScriptObject()
{
    return g_pScriptManager ? std::string(g_pScriptManager->GetCurrentScript()) : std::string();
}

void CGMenu::RunScript(const std::string& object, const std::string& procedure, const std::string& argument)
{
    if (!g_pScriptManager) return;
    g_pScriptManager->RunScriptProc(object.c_str(), procedure.c_str(), argument.c_str(), true, nullptr);
    ViewScriptResult();
}

void CGMenu::AddLine(const std::string& text)
{
    AddNotice(m_pHTML, text);
}

void CGMenu::RunLink(const char* link)
{
    XTRACE("CGMenu::RunLink");
    if (!link) return;
    const std::string whole = link;
    const std::size_t hash = whole.find('#');
    std::string prefix = hash == std::string::npos ? std::string() : whole.substr(0, hash);
    for (const std::string& text : SplitLinkText(whole))
    {
        SLinkPart part;
        std::string error;
        if (!ParseLinkPart(text, &part, &error))
        {
            g_ErrorLog.LogError("CGMenu: %s, link part skipped", error.c_str());
            continue;
        }
        // A part with an object of its own names the object for itself and
        // the parts after it.
        if (part.hasObject) prefix = part.object;
        const std::string& action = part.word;
        if (SameWord(action, "clear"))
        {
            if (m_pHTML) m_pHTML->HTMLClear();
        }
        else if (SameWord(action, "delete"))
        {
            if (m_pHTML) m_pHTML->DeleteBlock(std::string(m_pHTML->GetCurrentBlockID()).c_str());
        }
        else if (SameWord(action, "close"))
        {
            if (m_pHTML) m_pHTML->CollapseBlock(std::string(m_pHTML->GetCurrentBlockID()).c_str(), true);
        }
        else if (SameWord(action, "restart"))
            OnFirstActivation();
        else if (action.size() <= kMaxTextKey && HasTextKey(action.c_str()))
        {
            if (m_pHTML)
                m_pHTML->AddTextBlock(action.c_str(), prefix.empty() ? nullptr : prefix.c_str(), true);
        }
        else
        {
            RunScript(prefix.empty() ? CurrentScriptObject() : prefix, part.procedure, part.argument);
            if (part.procedure == "GetName") OpenNameBox(false);
        }
    }
}

void CGMenu::OpenNameBox(bool clan)
{
    XTRACE("CGMenu::OpenNameBox");
    if (!m_pScreen) return;
    std::unique_ptr<CQueryMessageBox>& slot = clan ? m_pClanNameBox : m_pNameBox;
    // A box still open goes first (it unlinks itself).
    slot.reset();
    m_pSavedPopup = m_pScreen->m_pPopup;
    slot = std::make_unique<CQueryMessageBox>();
    slot->Init(kNameBoxRect, m_pScreen,
               CQueryMessageBox::kFlagOK | CQueryMessageBox::kFlagCancel | CQueryMessageBox::kFlagInput |
                   CQueryMessageBox::kFlagCentreMain);
    slot->SetCaption(NameOf("INT_MENU_TEXT_01").c_str());
    slot->AddLine(TextOf("INT_MENU_TEXT_01").c_str());
    AddControl(slot.get());
    MakePopup(slot.get());
}

void CGMenu::ViewScriptResult()
{
    XTRACE("CGMenu::ViewScriptResult");
    SScriptResults* results = g_pScriptManager ? g_pScriptManager->GetResults() : nullptr;
    if (!results) return;
    const int count = std::clamp(results->m_iResultCount, 0, SScriptResults::kCapacity);
    std::string firstBlock;
    for (int i = 0; i < count; ++i)
    {
        const SScriptResult& r = results->m_Results[i];
        const std::string name(r.text, strnlen(r.text, sizeof r.text));
        if (ShowCommonResult(m_pHTML, r)) continue;
        switch (r.type)
        {
        case 3:
        {
            const std::string prefix(r.script, strnlen(r.script, sizeof r.script));
            if (m_pHTML)
                m_pHTML->AddTextBlock(name.c_str(), prefix.empty() ? nullptr : prefix.c_str(), false);
            if (firstBlock.empty()) firstBlock = STextKey(name.c_str()).name;
            break;
        }
        case 10:
            if (r.value == 1 && m_pHTML)
            {
                MakePopup(m_pHTML);
                if (auto* host = dynamic_cast<CUIMenu*>(m_pScreen)) host->SetPopupHalo(1);
            }
            else if (m_pScreen)
                m_pScreen->SetPopup(nullptr);
            break;
        case 12:
        {
            const char* key = r.value == 0 ? "INT_KEY_ADD" : "INT_KEY_ADD_MULTY";
            AddLine(FormatGameText(TextOf(key).c_str(), {DisplayName(name.c_str())}));
            break;
        }
        default: // 11 and unknown types show nothing here
            break;
        }
    }
    results->m_iResultCount = 0;
    if (!firstBlock.empty() && m_pHTML) m_pHTML->GoToBlock(firstBlock.c_str());
}
