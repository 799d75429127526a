// CControl: the base of every element of a screen.
//
// A control holds its rectangle (screen pixels), caption, colours, tooltip
// and identity, and turns the screen's per-frame input into notifications
// (ui/UICodes.h): hover and leave, a left click on the release of the
// button, double clicks within 0.3 s, capture and release, drag after a
// rest of 0.25 s with snap-back on drop, and presses on four sub-rectangles
// that serve as scroll-bar arrows. Notify hands a code to the control's own
// OnCommand, and the base OnCommand passes it to the parent group.
//
// The four colours are, in order: checked fill, fill (or frame), frame and
// text. Texts are code page 1251 bytes.
//
// Ownership: a control belongs to the code that created it; a group only
// links it. Parent and screen are borrowed.
// Threads: main thread only.
#pragma once

#include "foundation/ClassFactory.h"
#include "foundation/XString.h"
#include "platform/Types.h"

#include <cstdint>

class IUI;
class CGroupControl;

// A point is inside when x lies between min(left, right + 1) and
// max(left, right - 1), and y likewise, bounds included: the first corner's
// row and column count as inside, the second's as outside, and a rect with
// right == left still holds the column x == left.
bool PointInRect(const plat::Rect& rect, int x, int y);

// A class id: the name cut to 31 characters, with the given id.
CGuidKey MakeClassKey(const char* name, int id);

// The interface-level base: the class id, a spare text and the tooltip lines.
class IControl : public IBaseInterface
{
public:
    static constexpr int kToolTipLines = 10;

    CGuidKey m_ClassID;
    CXAnsiString m_sSpare;
    CXAnsiString m_ToolTip[kToolTipLines];
};

class CControl : public IControl
{
public:
    static constexpr std::uint32_t kLightGrey = 0xFFD3D3D3;
    static constexpr std::uint32_t kGrey = 0xFF7F7F7F;
    static constexpr double kDoubleClickTime = 0.3;
    static constexpr float kDragRest = 0.25f;
    static constexpr float kToolTipFrom = 0.7f;
    static constexpr float kToolTipUntil = 4.7f;

    CControl();
    ~CControl() override = default;
    CControl(const CControl&) = delete;
    CControl& operator=(const CControl&) = delete;

    CGuidKey GetGUID() const override;
    std::uint32_t GetSize() const override { return sizeof(*this); }
    // Hides, disables, empties the caption and zeroes the rect; returns 0.
    virtual int Clear();
    virtual void Hook1() {}
    virtual void SetStyle(int verticalBar, int styleValue, std::uint32_t colour1, std::uint32_t colour2,
                          std::uint32_t colour3, std::uint32_t colour4);
    virtual void SetUID(const CGuidKey& id) { m_UID = id; }
    virtual void Show();
    virtual void Hide();
    virtual void Render() {}
    virtual void RenderBackground();
    virtual void SetToolTip(const char* text);
    virtual void OnMouseOver();
    virtual void OnMouseOut();
    virtual void OnMouseRClick();
    virtual void OnMouseLClick();
    virtual void OnMouseLDblClick();
    virtual void OnMouseLHeld();
    virtual void OnMouseLUp();
    virtual void Hook2() {}
    virtual void Hook3() {}
    virtual void Hook4() {}
    virtual void OnActivated();
    virtual void OnDeactivated();
    virtual void Notify(int code, int param);
    virtual void OnCommand(int code, int param);
    virtual void ProcessMessages();
    virtual void Move(int dx, int dy);
    virtual void SetParent(CGroupControl* group) { m_pParent = group; }
    virtual void RenderText();
    virtual void RenderScrollBars();
    virtual void RenderToolTip();
    virtual void OnBeginDrag();
    virtual void OnDrop();
    virtual void OnSubRect1();
    virtual void OnSubRect2();
    virtual void OnSubRect4();
    virtual void OnSubRect3();
    // 1 when the cursor is inside; 0 only when it is outside and the left
    // button was released during the last input update.
    virtual int HitTest();

    // The defaults of a new control (run by the constructor and by Create).
    void InitBase();
    CGuidKey GetUID() const { return m_UID; }
    void SetText(const char* text) { m_sCaption = text ? text : ""; }
    const CXAnsiString& GetText() const { return m_sCaption; }
    void SetBackgroundStyle(int style) { m_iBackgroundStyle = style; }
    void Enable(int flag) { m_bEnabled = flag; }
    void SetVerticalBar(int on) { m_bVerticalBar = on; }
    void SetHorizontalBar(int on) { m_bHorizontalBar = on; }
    void SetFlag(int flag) { m_iFlag = flag; }
    void SetRectXY(int left, int top, int right, int bottom)
    {
        m_Rect = plat::Rect{left, top, right, bottom};
    }
    int Width() const { return m_Rect.right - m_Rect.left; }
    int Height() const { return m_Rect.bottom - m_Rect.top; }
    // The screen's cursor, or (0, 0) without a screen.
    plat::Point CursorPos() const;
    bool IsInside() const;
    // Text width and line height through the screen's graphic interface
    // (0 without one).
    int MeasureText(const char* text) const;
    int LineHeight() const;
    // Input states of the screen's device (false without one).
    bool Pressed(int code) const;
    bool Released(int code) const;
    bool Held(int code) const;
    void Fill(const plat::Rect& rect, std::uint32_t colour) const;
    void DrawText(const char* text, int x, int y, std::uint32_t colour) const;

    CGroupControl* m_pParent = nullptr;
    IUI* m_pScreen = nullptr;
    plat::Rect m_Rect;
    int m_bVisible = 1;
    int m_bHovered = 0;
    int m_bFocused = 0;
    int m_bHasToolTip = 0;
    int m_nToolTipLines = 0;
    int m_bEnabled = 1;
    int m_bCaptured = 0;
    std::uint8_t m_bDraggable = 0;
    std::uint8_t m_bDragging = 0;
    std::uint8_t m_bState1 = 0;
    std::uint8_t m_bState2 = 0;
    std::uint8_t m_bLastLineOnly = 0;
    plat::Rect m_SavedRect;
    std::uint8_t m_bToolTipShown = 0;
    float m_fHoverTime = 0.0f;
    CGuidKey m_UID;
    int m_bVerticalBar = 1;
    int m_bHorizontalBar = 0;
    int m_iFlag = 0;
    int m_iValue = 0;
    int m_iStyleValue = 0;
    int m_iTextAlign = 0; // 0 left, 1 right of the control, 2 centred
    int m_iBackgroundStyle = 0;
    CXAnsiString m_sCaption;
    std::uint32_t m_Colours[4] = {};
    plat::Rect m_SubRects[5]; // arrows 1 and 2, the rect between them, arrows 3 and 4
    int m_nCaptionX = 0;
    int m_nCaptionY = 0;
    int m_nCaptionHeight = 0;
    int m_nCaptionWidth = 0;
    // Seconds of the clock at the last click; far in the past at first, so
    // that a first click early after start is never a double click.
    double m_dLastClickTime = -1.0;
    std::uint32_t m_LastToolTipColour = 0xFFFFFFFF;
    float m_fRestTime = 0.0f;
    int m_nToolTipX = 0;
    int m_nToolTipY = 0;
    int m_nLastCursorX = 0;
    int m_nLastCursorY = 0;
    int m_nGrabX = 0;
    int m_nGrabY = 0;

protected:
    // Places the caption by the text alignment (caption x, y, width, height).
    void LayoutCaption();
};
