#include "ui/UI.h"

#include "foundation/FrameTimer.h"
#include "foundation/Input.h"
#include "graphics/GraphicInterface.h"
#include "ui/GroupControl.h"
#include "ui/UICodes.h"
#include "ui/Window.h"

std::uint32_t g_iIUI = 0;
std::uint32_t g_iIControl = 0;
std::uint32_t g_iIGroupControl = 0;
std::uint32_t g_iIWindow = 0;
std::uint32_t g_iITabPage = 0;
std::uint32_t g_iIEdit = 0;

namespace
{
class CFrameTimerClock : public IUIClock
{
public:
    float GetFrameTime() override { return g_FrameTimer.GetFrameTime(); }
    double GetElapsedTicks() override { return g_FrameTimer.GetElapsedTicks(); }
};

// Each creator returns null when the allocation fails.
template <class T> IBaseInterface* CreateObject()
{
    return new (std::nothrow) T();
}
} // namespace

IUIClock* GetFrameTimerClock()
{
    static CFrameTimerClock clock;
    return &clock;
}

void RegisterUIClasses()
{
    RegisterClassFactory(&g_iIUI, CreateObject<IUI>, "IGUID_IUI");
    RegisterClassFactory(&g_iIControl, CreateObject<CControl>, "IGUID_IControl");
    RegisterClassFactory(&g_iIGroupControl, CreateObject<CGroupControl>, "IGUID_IGroupControl");
    RegisterClassFactory(&g_iIWindow, CreateObject<CWindow>, "IGUID_IWindow");
    RegisterClassFactory(&g_iITabPage, CreateObject<CTabPage>, "IGUID_ITabPage");
    RegisterClassFactory(&g_iIEdit, CreateObject<CControl>, "IGUID_IEdit");
}

IUI::~IUI()
{
    delete m_pMainGroup;
}

CGuidKey IUI::GetGUID() const
{
    CGuidKey key;
    return *MakeGuidKey(&key, "IGUID_IUI");
}

void IUI::Init(IGraphicInterface* graphic, IInput* input)
{
    m_pGraphic = graphic;
    m_pInput = input;
    m_pHovered = nullptr;
    m_bCapturing = 0;
    m_pMainGroup = nullptr;
    m_bDone = 0;
    m_pDragged = nullptr;
    m_pPopup = nullptr;
}

plat::Point IUI::GetCursorPos()
{
    return m_pInput ? m_pInput->GetCursorPos() : plat::Point{};
}

void IUI::EndModal(int result)
{
    m_bDone = 1;
    m_iResult = result;
}

void IUI::SetCapture(CControl* control)
{
    m_bCapturing = 1;
    if (control) control->m_bCaptured = 1;
    m_pHovered = control;
}

void IUI::ReleaseCapture(CControl* control)
{
    m_bCapturing = 0;
    if (control) control->m_bCaptured = 0;
}

void IUI::SetPopup(CGroupControl* box)
{
    m_pPopup = box;
    m_pHovered = nullptr;
}

void IUI::ProcessMessages()
{
    // The cursor first: a popup's own buttons need it too.
    const plat::Point cursor = GetCursorPos();
    m_nCursorX = cursor.x;
    m_nCursorY = cursor.y;
    if (m_pGraphic) m_pGraphic->m_CursorPos = cursor;
    if (m_pPopup)
    {
        const int result = m_pPopup->GetResult();
        if (result == 0)
        {
            // A popup takes all input until it has a result.
            m_pPopup->ProcessMessages();
            return;
        }
        if (m_pMainGroup) m_pMainGroup->OnCommand(uicode::kPopupResult, result);
        if (m_pPopup)
        {
            if (m_pPopup->m_pParent)
                m_pPopup->m_pParent->RemoveControl(m_pPopup);
            else
                m_pPopup->Hide();
        }
        m_pPopup = nullptr;
        if (m_pMainGroup) m_pMainGroup->OnCommand(uicode::kPopupRemoved, result);
        return;
    }
    if (m_pDragged)
    {
        m_pDragged->ProcessMessages();
        return;
    }
    if (!m_pMainGroup) return;
    if (m_pHovered && m_pHovered->HitTest() == 0) m_pHovered->OnCommand(uicode::kMouseLeave, 0);
    if (m_bCapturing && m_pHovered)
    {
        m_pHovered->ProcessMessages();
        return;
    }
    m_pMainGroup->ProcessMessages();
}

void IUI::Render()
{
    if (m_pMainGroup) m_pMainGroup->Render();
    if (m_pHovered) m_pHovered->Render();
    if (m_pDragged) m_pDragged->Render();
}

void IUI::OnCommand(int code, int param)
{
    // A command handed to the popup goes no further than the popup and its
    // parents: the groups do not pass it back up to the screen (see
    // CGroupControl::OnCommand), and a control that calls here directly
    // meanwhile is dropped too, so the two can never recurse.
    if (m_bForwardingToPopup) return;
    if (code == uicode::kPopupResult && (param == 1 || param == 2) && m_pPopup) m_pPopup->SetResult(param);
    if (m_pPopup)
    {
        m_bForwardingToPopup = true;
        try
        {
            m_pPopup->OnCommand(code, param);
        }
        catch (...)
        {
            m_bForwardingToPopup = false;
            throw;
        }
        m_bForwardingToPopup = false;
        return;
    }
    switch (code)
    {
    case uicode::kRedrawHovered:
        if (m_pHovered) m_pHovered->Render();
        break;
    case uicode::kOK:
        EndModal(uicode::kOK);
        break;
    case uicode::kCancel:
        EndModal(uicode::kCancel);
        break;
    default:
        break;
    }
}
