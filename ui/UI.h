// IUI: a screen, the root of one user interface.
//
// A screen owns one main group (CGroupControl) that holds every control,
// knows the graphic interface it draws with and the input device it reads,
// and tracks the hovered control (or the one holding the mouse capture),
// the dragged control and the popup box shown over it. Once per frame the
// menu framework calls ProcessMessages, then IsDone (and GetResult), then
// Render. Controls report through (code, param) notifications that reach
// OnCommand (codes in ui/UICodes.h); derived screens override OnCommand and
// call this base for the codes they do not handle.
//
// Ownership: the screen deletes its main group; the group does not delete
// its children, and a popup belongs to the code that made it. The graphic
// interface, the input device and the clock are borrowed.
// Times: double clicks, hover, rest and tooltip times come from the
// screen's clock, the program's frame timer unless SetClock gives another.
// Threads: main thread only.
#pragma once

#include "foundation/ClassFactory.h"
#include "platform/Types.h"

#include <cstdint>

class IGraphicInterface;
class IInput;
class CControl;
class CGroupControl;

// The two times the controls read: the frame time (seconds) that hover and
// rest times add up, and the seconds since start that double clicks compare.
class IUIClock
{
public:
    virtual ~IUIClock() = default;
    virtual float GetFrameTime() = 0;
    virtual double GetElapsedTicks() = 0;
};

// The clock over g_FrameTimer.
IUIClock* GetFrameTimerClock();

class IUI : public IBaseInterface
{
public:
    IUI() = default;
    ~IUI() override;
    IUI(const IUI&) = delete;
    IUI& operator=(const IUI&) = delete;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    // Stores both and clears the hovered control, the capture, the main
    // group, done, the dragged control and the popup. Makes no main group.
    virtual void Init(IGraphicInterface* graphic, IInput* input);
    virtual void Hook1() {}
    virtual void Hook2() {}
    // The parameter of the dialog that hosts the screen (the menu hosts
    // bind their building by its 32-character name); ignored here.
    virtual void SetParam(void*) {}
    // The destination a tunnel screen chose (a 32-character location name,
    // read after the screen ended with 1008); empty here.
    virtual void GetDestination(char* out32)
    {
        if (out32) out32[0] = 0;
    }
    virtual void Render();
    // Drawn instead of Render while the screen fades in; empty here.
    virtual void RenderIntro() {}
    virtual void ProcessMessages();
    virtual bool IsDone() { return m_bDone != 0; }
    virtual int GetResult() { return m_iResult; }
    // The screen takes ownership (the previous main group is not deleted).
    virtual void SetMainGroup(CGroupControl* group) { m_pMainGroup = group; }
    virtual plat::Point GetCursorPos();
    virtual void EndModal(int result);
    virtual void SetCapture(CControl* control);
    virtual void ReleaseCapture(CControl* control);
    virtual int GetData() { return m_iScreenValue; }
    virtual void OnCommand(int code, int param);
    virtual void Hook5() {}
    // Shows box over the screen (null: none) and clears the hovered control.
    virtual void SetPopup(CGroupControl* box);
    // Whether the screen is busy (a menu host with a popup open): the
    // dialog's Escape and F10 then leave it alone. False here.
    virtual bool IsBusy() { return false; }

    // True while a command is being handed to the popup; groups then keep
    // what the popup passes on from coming back to the screen.
    bool IsForwardingToPopup() const { return m_bForwardingToPopup; }
    void SetClock(IUIClock* clock) { m_pClock = clock ? clock : GetFrameTimerClock(); }
    IUIClock* GetClock() const { return m_pClock; }

    IGraphicInterface* m_pGraphic = nullptr;
    IInput* m_pInput = nullptr;
    CControl* m_pHovered = nullptr;
    std::uint8_t m_bCapturing = 0;
    int m_iScreenValue = 0;
    CGroupControl* m_pMainGroup = nullptr;
    int m_nCursorX = 0;
    int m_nCursorY = 0;
    std::uint8_t m_bDone = 0;
    int m_iResult = 0;
    CControl* m_pDragged = nullptr;
    CGroupControl* m_pPopup = nullptr;

private:
    IUIClock* m_pClock = GetFrameTimerClock();
    // Set while a command is being handed to the popup: a command that comes
    // back up to the screen from there has been seen and goes no further.
    bool m_bForwardingToPopup = false;
};

// Class indices of the UI framework's ids.
extern std::uint32_t g_iIUI;
extern std::uint32_t g_iIControl;
extern std::uint32_t g_iIGroupControl;
extern std::uint32_t g_iIWindow;
extern std::uint32_t g_iITabPage;
extern std::uint32_t g_iIEdit;

// Registers "IGUID_IUI", "IGUID_IControl", "IGUID_IGroupControl",
// "IGUID_IWindow", "IGUID_ITabPage" and "IGUID_IEdit" (a plain control).
void RegisterUIClasses();
