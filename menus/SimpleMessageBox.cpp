#include "menus/SimpleMessageBox.h"

#include "foundation/ErrorLog.h"
#include "foundation/Input.h"
#include "graphics/GraphicInterface.h"
#include "menus/LinkText.h"
#include "menus/MenuButton.h"
#include "menus/MenuDrawing.h"
#include "menus/MenuTexts.h"
#include "script/game/ScriptManager.h"
#include "script/game/TextDatabase.h"
#include "ui/UICodes.h"
#include "ui/markup/HTMLWnd.h"
#include "ui/markup/ScrollControl.h"
#include "world/Mech.h"
#include "world/World.h"

#include <algorithm>
#include <cstring>
#include <string>

using namespace menus;

namespace
{
constexpr int kKeyEscape = 1;
constexpr int kPictureOK = 94;
// The text window's arrows; the forward one's picture also gives its bar
// the box's light-blue lines and frame.
constexpr int kPictureScrollBack = 31;
constexpr int kPictureScrollForward = 32;
constexpr std::size_t kMaxKey = 31;

// The two 64-character halves of a speech record's text: the text key,
// then the speaking mechanoid.
std::string Half(const char* field, std::size_t offset)
{
    return std::string(field + offset, strnlen(field + offset, 64));
}
} // namespace

CSimpleMessageBox::CSimpleMessageBox(bool ownScreen) : m_bOwnScreen(ownScreen ? 1 : 0)
{
    m_ClassID = MakeClassKey("CSimpleMessageBox", -1);
}

CSimpleMessageBox::~CSimpleMessageBox()
{
    if (m_pScreen && m_pScreen->m_pPopup == this) m_pScreen->SetPopup(nullptr);
    if (m_pParent) m_pParent->RemoveControl(this);
    if (m_pOK) RemoveControl(m_pOK.get());
    if (m_pText) RemoveControl(m_pText.get());
}

void CSimpleMessageBox::Init(const plat::Rect& rect, IUI* screen)
{
    XTRACE("CSimpleMessageBox::Init");
    CGroupControl::Init(rect, screen);
    m_ClassID = MakeClassKey("CSimpleMessageBox", -1);
    m_bClosable = 1;
    const int w = Width(), h = Height();
    if (!m_pOK)
    {
        m_pOK = std::make_unique<CMenuButton>();
        m_pOK->Create((w - 105) / 2, h - 32, (w - 105) / 2 + 105, h - 7, "", CButton::kPush, uicode::kOK);
        m_pOK->m_nPicture = kPictureOK;
        m_pOK->SetUID(TextureKey(kUI1));
        AddControl(m_pOK.get());
    }
    if (!m_pText)
    {
        m_pText = std::make_unique<CHTMLScrollWnd>();
        m_pText->Init(7, 7, w - 7, h - 37, screen);
        m_pText->SetTextDB(g_pTextDB);
        if (CScrollControl* bar = m_pText->m_pScroll)
        {
            if (bar->m_pBack) bar->m_pBack->m_nPicture = kPictureScrollBack;
            if (bar->m_pForward) bar->m_pForward->m_nPicture = kPictureScrollForward;
        }
        AddControl(m_pText.get());
    }
    CViewScriptResults();
}

void CSimpleMessageBox::ProcessMessages()
{
    XTRACE("CSimpleMessageBox::ProcessMessages");
    if (m_pOK) m_pOK->Enable(m_bClosable);
    if (!m_bClosable)
    {
        if (m_pOK) m_pOK->Hide();
        if (m_pText) m_pText->ProcessMessages();
        return;
    }
    if (m_pOK && !m_pOK->m_bVisible) m_pOK->Show();
    CGroupControl::ProcessMessages();
    IInput* input = m_pScreen ? m_pScreen->m_pInput : nullptr;
    if (input && (input->IsPressed(uicode::kKeyEnter) || input->IsPressed(kKeyEscape)))
        Notify(uicode::kOK, 0);
}

void CSimpleMessageBox::OnCommand(int code, int)
{
    if (code == uicode::kOK)
    {
        if (m_bOwnScreen)
        {
            if (m_pScreen) m_pScreen->EndModal(1);
        }
        else
            SetResult(1);
    }
    else if (code == CHTMLWnd::kNotifyLink && m_pText)
    {
        const std::string link = m_pText->m_sNotifyTarget;
        RunLink(link.c_str());
    }
}

void CSimpleMessageBox::RunLink(const char* link)
{
    XTRACE("CSimpleMessageBox::RunLink");
    if (!link || !m_pText) return;
    for (const std::string& text : SplitLinkText(link))
    {
        SLinkPart part;
        std::string error;
        if (!ParseLinkPart(text, &part, &error))
        {
            g_ErrorLog.LogError("CSimpleMessageBox: %s, link part skipped", error.c_str());
            continue;
        }
        const std::string& word = part.word;
        if (SameWord(word, "exit"))
        {
            if (m_pScreen) m_pScreen->EndModal(0);
        }
        else if (SameWord(word, "clear"))
            m_pText->HTMLClear();
        else if (SameWord(word, "delete"))
            m_pText->DeleteBlock(std::string(m_pText->GetCurrentBlockID()).c_str());
        else if (SameWord(word, "close"))
            m_pText->CollapseBlock(std::string(m_pText->GetCurrentBlockID()).c_str(), true);
        else if (word.size() <= kMaxKey && HasTextKey(word.c_str()))
            m_pText->AddTextBlock(word.c_str(), nullptr, true);
        else if (g_pScriptManager)
        {
            // An empty object is the one the script manager ran last.
            const std::string object =
                part.object.empty() ? g_pScriptManager->GetCurrentScript() : part.object;
            g_pScriptManager->RunScriptProc(object.c_str(), part.procedure.c_str(), part.argument.c_str(),
                                            true, nullptr);
            CViewScriptResults();
        }
    }
}

void CSimpleMessageBox::CViewScriptResults()
{
    XTRACE("CSimpleMessageBox::CViewScriptResults");
    SScriptResults* results = g_pScriptManager ? g_pScriptManager->GetResults() : nullptr;
    if (!results) return;
    const int count = std::clamp(results->m_iResultCount, 0, SScriptResults::kCapacity);
    for (int i = 0; i < count; ++i)
    {
        const SScriptResult& r = results->m_Results[i];
        if (ShowCommonResult(m_pText.get(), r)) continue;
        switch (r.type)
        {
        case 2:
        case 3:
            if (m_pText)
                m_pText->AddTextBlock(std::string(r.text, strnlen(r.text, sizeof r.text)).c_str(), nullptr,
                                      false);
            break;
        case 10:
            if (r.value == 1)
                DisableClose();
            else
                EnableClose();
            break;
        case 11:
        {
            const std::string textKey = Half(r.text, 0), speaker = Half(r.text, 64);
            const CMech* mech = g_pWorld ? g_pWorld->FindMech(speaker.c_str()) : nullptr;
            if (!mech) break;
            CXAnsiString said(TextOf(textKey.c_str()).c_str());
            g_pScriptManager->UpdateStringWithNames(said);
            AddNotice(m_pText.get(),
                      std::string(mech->m_szName, strnlen(mech->m_szName, sizeof mech->m_szName)) +
                          ": <color=white>" + said.GetText() + "<color>");
            break;
        }
        default:
            break;
        }
    }
    std::memset(results->m_Results, 0, sizeof results->m_Results);
    results->m_iResultCount = 0;
}

void CSimpleMessageBox::Render()
{
    XTRACE("CSimpleMessageBox::Render");
    if (!m_bVisible || !m_pScreen || !m_pScreen->m_pGraphic) return;
    IGraphicInterface* g = m_pScreen->m_pGraphic;
    const int l = m_Rect.left, t = m_Rect.top, r = m_Rect.right, b = m_Rect.bottom;
    menus::FillRect(g, m_Rect, kBackground);
    if (m_pText)
    {
        const plat::Rect& w = m_pText->m_Rect;
        // A dark panel with 7 x 7 notches at its corners.
        menus::FillRect(g, {w.left + 7, w.top + 7, w.right - 7, w.bottom - 7}, kPanel);
        menus::FillRect(g, {w.left, w.top + 7, w.left + 7, w.bottom - 7}, kPanel);
        menus::FillRect(g, {w.right - 7, w.top + 7, w.right, w.bottom - 7}, kPanel);
        menus::FillRect(g, {w.left + 7, w.top, w.right - 7, w.top + 7}, kPanel);
        menus::FillRect(g, {w.left + 7, w.bottom - 7, w.right - 7, w.bottom}, kPanel);
    }
    menus::FillRect(g, {l, t, l + 1, b}, kBorder);
    menus::FillRect(g, {r - 1, t, r, b}, kBorder);
    menus::FillRect(g, {l, t, r, t + 1}, kBorder);
    menus::FillRect(g, {l, b - 1, r, b}, kBorder);
    g->SetFade(1.0f);
    CGroupControl::Render();
}

// ---- CBoxUI

CGuidKey CBoxUI::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_CBoxUI");
}

void CBoxUI::Init(IGraphicInterface* graphic, IInput* input)
{
    XTRACE("CBoxUI::Init");
    IUI::Init(graphic, input);
    const plat::Point size = graphic ? graphic->GetScreenSize() : plat::Point{};
    const int w = std::min(int((size.x - 350) * 0.9), 800);
    const int h = std::min(int((size.y - 250) * 0.9), 600);
    const int left = (size.x - w) >> 1, top = (size.y - h) >> 1;
    m_pBox = new CSimpleMessageBox(true);
    // The screen owns its main group from here on.
    SetMainGroup(m_pBox);
    m_pBox->Init(plat::Rect{left, top, left + w, top + h}, this);
}

void CBoxUI::ShowTextKey(const char* key)
{
    if (!key || !m_pBox || !m_pBox->m_pText) return;
    const std::string name(key, strnlen(key, 32));
    if (!name.empty()) m_pBox->m_pText->AddTextBlock(name.c_str(), nullptr, false);
}

void CBoxUI::OnCommand(int code, int param)
{
    if (code == uicode::kOK)
    {
        EndModal(1);
        return;
    }
    IUI::OnCommand(code, param);
}
