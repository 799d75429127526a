#include "hud/messages/Messager.h"

#include "foundation/Application.h"
#include "foundation/ErrorLog.h"
#include "graphics/GraphicInterface.h"
#include "script/TextDB.h"
#include "ui/UI.h"
#include "ui/menu/HtmlControl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

CMessager* g_pMessager = nullptr;

// ---- CMessageRing ----

void CMessageRing::Init(int capacity)
{
    m_nCapacity = std::max(capacity, 2);
    m_Records.assign(std::size_t(m_nCapacity), SMessageRecord{});
    m_nRead = m_nWrite = 0;
}

bool CMessageRing::IsFull() const
{
    return m_nCapacity > 0 && (m_nWrite + 1) % m_nCapacity == m_nRead;
}

void CMessageRing::Push(const SMessageRecord& record)
{
    if (m_nCapacity <= 0) return;
    m_Records[std::size_t(m_nWrite)] = record;
    m_nWrite = (m_nWrite + 1) % m_nCapacity;
    if (m_nWrite == m_nRead) m_nRead = (m_nRead + 1) % m_nCapacity;
}

// ---- CMessager ----

CMessager::~CMessager()
{
    Done();
}

double CMessager::Now() const
{
    return m_pDocument ? m_pDocument->GameTime() : 0.0;
}

int CMessager::ScreenWidth() const
{
    return m_pGraphic ? m_pGraphic->GetScreenSize().x : 800;
}

int CMessager::LineHeight() const
{
    if (!m_pGraphic) return 16;
    m_pGraphic->SelectFont(0);
    return m_pGraphic->GetTextHeight();
}

void CMessager::PlaceRects(int height)
{
    const int w = ScreenWidth();
    m_pDocument->m_Rect[0] = 200;
    m_pDocument->m_Rect[1] = 12;
    m_pDocument->m_Rect[2] = w - 212;
    m_pDocument->m_Rect[3] = 12 + height;
    if (m_pControl) m_pControl->m_Rect = plat::Rect{200, 12, w - 196, 12 + height};
}

void CMessager::OnInit()
{
    const int w = ScreenWidth(), l = LineHeight();
    delete m_pDocument;
    m_pDocument = new CHTMLObjectView(200, 12, w - 212, 12 + 8 * l, m_pGraphic);
    m_pDocument->m_iExpiredLines = 0;
    m_pDocument->Clear();
    m_pDocument->SetColors(0xD0D0D0, 0xA099EA, 0x8B8A9C, 0xFFFFFF, 0xC4635A, 0);
    m_pDocument->m_fTextScale = 1.0f;
    m_Ring.Init(kCapacity);
    m_fScrollAccumulator = 0.0f;
    m_pControl = new CHtmlControl(200, 12, w - 196, 12 + 8 * l, m_pDocument);
    m_pControl->m_bFramed = 1;
    m_pControl->m_bConsoleEnabled = 0;
    AddControl(m_pControl);
}

void CMessager::AddMessage(const CXAnsiString& text, int colourIndex, const char* id)
{
    if (!m_pDocument) return;
    if (m_Ring.IsFull())
    {
        g_ErrorLog.LogError("CMessager::AddMessage message ring is full");
        return;
    }
    SMessageRecord record{};
    record.time = float(Now());
    if (id)
        std::strncpy(record.id, id, sizeof record.id - 1);
    else
        std::snprintf(record.id, sizeof record.id, "MSG%x", unsigned(m_Ring.m_nWrite));

    std::string markup;
    if (colourIndex >= 0 && colourIndex < int(std::size(kPalette)))
    {
        char tag[24];
        std::snprintf(tag, sizeof tag, "<color:%06x>", unsigned(kPalette[colourIndex]));
        markup = tag;
    }
    markup += text.GetText();

    const int slot = m_Ring.m_nWrite;
    m_Ring.Push(record);
    const SMessageRecord* stored = &m_Ring.m_Records[std::size_t(slot)];
    m_pDocument->AddText(markup.c_str(), stored->id, nullptr, true);
    m_pDocument->SetBlockData(stored->id, reinterpret_cast<std::uintptr_t>(stored));
    m_pDocument->SetOptions(false, true, true);
}

void CMessager::OnNotify(int code)
{
    if (code != CHtmlControl::kNotifyLink || !m_pControl || !m_pDocument) return;
    const std::string target = m_pControl->m_szLink;
    if (m_pDocument->FindBlock(target.c_str()) >= 0)
    {
        m_pDocument->ScrollToBlock(target.c_str(), false);
        return;
    }
    CXAnsiString text, name;
    if (m_pTextDB && m_pTextDB->Lookup(STextKey(target.c_str()), text, name))
    {
        const std::string markup =
            std::string("<p><color:D1D153>") + name.GetText() + "<color><p>" + text.GetText();
        AddMessage(CXAnsiString(markup.c_str()), -1, target.c_str());
        return;
    }
    if (m_pScript && m_pScript->MMRunScript(1, target.c_str()))
    {
        m_pDocument->DelBlock("INT_NEXT_PAGE", false);
        m_pScript->AddQueuedMessageEvents(".GET");
        m_pScript->UpdateRuntimeScriptMessages();
    }
}

void CMessager::Run()
{
    XTRACE("CMessager::Run");
    if (!m_pDocument) return;
    const int l = LineHeight();
    if (m_pDocument->m_Rect[2] != ScreenWidth() - 212) PlaceRects(m_bPaused ? 384 : 8 * l);
    if (m_bPaused)
    {
        if (m_pControl) m_pControl->Run();
        return;
    }

    const int T = m_pDocument->m_Rect[1], B = m_pDocument->m_Rect[3];
    const int Y = m_pDocument->m_iLastLineTop, E = m_pDocument->m_iExpiredLines;
    const float dt = (m_pClock ? m_pClock : GetFrameTimerClock())->GetFrameTime();
    if (!(E == 0 && Y <= (T + B) / 2))
    {
        if (Y < B - 2 * l)
        {
            if (Y > (T + B) / 2) m_fScrollAccumulator += float(l) * dt;
        }
        else
            m_fScrollAccumulator += float((B - Y) / 4) * float(l) * dt;
        m_fScrollAccumulator += float(l) * float(std::min(E, 2)) * dt;
        if (m_fScrollAccumulator > 1.0f)
        {
            const int n = std::min(int(m_fScrollAccumulator), 8);
            m_pDocument->Scroll(n);
            m_fScrollAccumulator -= float(n);
        }
    }

    // One expired message at most per frame, the oldest first.
    if (const SHTMLBlock* blocks = m_pDocument->GetBlocks())
    {
        const auto* record = reinterpret_cast<const SMessageRecord*>(blocks[0].userValue);
        if (record && Now() - double(record->time) > double(kExpiry))
        {
            const std::string id = blocks[0].id;
            m_pDocument->DelBlock(id.c_str(), false);
        }
    }
}

void CMessager::Draw()
{
    XTRACE("CMessager::Draw");
    if (!m_pDocument) return;
    m_pDocument->m_iExpiredLines = 0;
    m_pDocument->m_iLastLineTop = 0;
    m_pDocument->m_bFading = m_bPaused ? 0 : 1;
    if (m_bPaused)
    {
        {
            XTRACE("Render HtmlControl");
            if (m_pControl) m_pControl->Render();
        }
        XTRACE("RenderCursor");
        if (g_pApplication) g_pApplication->RenderCursor();
    }
    else
        m_pDocument->Render();
}

void CMessager::UpdateState(bool paused)
{
    XTRACE("CMessager::UpdateState");
    m_bPaused = paused ? 1 : 0;
    if (!m_pDocument) return;
    const int height = paused ? 384 : 8 * LineHeight();
    m_pDocument->m_Rect[3] = m_pDocument->m_Rect[1] + height;
    if (m_pControl) m_pControl->m_Rect.bottom = m_pDocument->m_Rect[3];
    if (!paused) m_pDocument->Scroll(1000);
}

void CMessager::Clear()
{
    if (m_pDocument) m_pDocument->Clear();
    m_Ring.Clear();
}

void CMessager::Done()
{
    // The control shows the document: it goes first.
    for (CMenuControl*& c : m_Controls)
        if (c == m_pControl)
        {
            delete c;
            c = nullptr;
        }
    std::erase(m_Controls, nullptr);
    m_pControl = nullptr;
    delete m_pDocument;
    m_pDocument = nullptr;
}
