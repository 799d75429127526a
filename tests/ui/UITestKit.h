// Headless pieces for the UI tests: an input device whose per-frame states
// the test sets, a drawing interface that records what it is asked to draw
// (8-pixel characters, 16-pixel lines), a clock the test advances, a screen
// that records every command reaching it, and a fixture that runs frames.
#pragma once

#include "common/LogDirTest.h"
#include "common/NullInput.h"
#include "foundation/Input.h"
#include "graphics/GraphicInterface.h"
#include "ui/GroupControl.h"
#include "ui/UI.h"
#include "ui/UICodes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace uitest
{

class CFakeInput : public testutil::CNullInput
{
public:
    plat::Point GetCursorPos() override { return m_Cursor; }
    bool IsPressed(int code) override { return InRange(code) && m_Pressed[code]; }
    bool IsReleased(int code) override { return InRange(code) && m_Released[code]; }
    bool IsDown(int code) override { return InRange(code) && m_Held[code]; }
    const InputQueue& GetEvents() override { return m_Events; }
    const InputQueue& GetPendingChars() override { return m_Chars; }

    // A key or button going down during this frame (and held).
    void Press(int code)
    {
        m_Pressed[code] = m_Held[code] = true;
        if (code < 256) Event(1, 1, code);
    }
    // Going up during this frame.
    void Release(int code)
    {
        m_Released[code] = true;
        m_Held[code] = false;
        if (code < 256) Event(1, 0, code);
    }
    void Type(char ch) { Event(0, 1, static_cast<std::uint8_t>(ch)); }
    // Pressed, released and the buffered records last one frame.
    void EndFrame()
    {
        std::memset(m_Pressed, 0, sizeof m_Pressed);
        std::memset(m_Released, 0, sizeof m_Released);
        m_Events.count = 0;
    }

    plat::Point m_Cursor;

private:
    static bool InRange(int code) { return code >= 0 && code < kInputButtonCount; }
    void Event(int kind, int down, int code)
    {
        if (m_Events.count < InputQueue::kCapacity)
            m_Events.entries[m_Events.count++] =
                InputEvent{std::uint8_t(kind), std::uint8_t(down), std::uint16_t(code)};
    }

    bool m_Pressed[kInputButtonCount] = {};
    bool m_Released[kInputButtonCount] = {};
    bool m_Held[kInputButtonCount] = {};
    InputQueue m_Events;
    InputQueue m_Chars;
};

struct SDrawOp
{
    enum EKind
    {
        kFill,
        kText,
        kViewport,
    } kind;
    plat::Rect rect;
    std::uint32_t colour = 0;
    std::string text;
};

class CDrawRecorder : public IGraphicInterface
{
public:
    static constexpr int kCharWidth = 8;
    static constexpr int kLineHeight = 16;

    CGuidKey GetGUID() const override { return CGuidKey(); }
    std::uint32_t GetSize() const override { return sizeof(*this); }
    void Init(void*) override {}
    void Done() override {}
    void ReleaseObjects() override {}
    void CreateObjects() override {}
    plat::Point GetScreenSize() override { return {640, 480}; }
    void FillRect(const int r[4], std::uint32_t colour) override
    {
        m_Ops.push_back(SDrawOp{SDrawOp::kFill, plat::Rect{r[0], r[1], r[2], r[3]}, colour, {}});
    }
    CTexture* DrawTexture(CGuidKey&, const int*, const int*, int) override { return nullptr; }
    CTexture* DrawTextureUV(CGuidKey&, const int*, const int*, const int*, int) override { return nullptr; }
    void SetFade(float) override {}
    void SetBlendColor(std::uint32_t) override {}
    void SetOption(int) override {}
    void SelectFont(int) override {}
    void RenderText(const char* text, int x, int y, std::uint32_t colour) override
    {
        m_Ops.push_back(SDrawOp{SDrawOp::kText, plat::Rect{x, y, x + TextWidth(text), y + kLineHeight},
                                colour, text ? text : ""});
    }
    int TextWidth(const char* text) override { return text ? int(std::strlen(text)) * kCharWidth : 0; }
    int GetTextHeight() override { return m_nLineHeight; }
    void SetViewport(const int r[4]) override
    {
        m_Ops.push_back(SDrawOp{SDrawOp::kViewport, plat::Rect{r[0], r[1], r[2], r[3]}, 0, {}});
    }
    void SetFullViewport() override {}

    // The texts drawn, in order.
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (const SDrawOp& op : m_Ops)
            if (op.kind == SDrawOp::kText) out.push_back(op.text);
        return out;
    }
    bool Filled(std::uint32_t colour) const
    {
        for (const SDrawOp& op : m_Ops)
            if (op.kind == SDrawOp::kFill && op.colour == colour) return true;
        return false;
    }

    std::vector<SDrawOp> m_Ops;
    int m_nLineHeight = kLineHeight;
};

class CFakeClock : public IUIClock
{
public:
    float GetFrameTime() override { return m_fFrame; }
    double GetElapsedTicks() override { return m_dNow; }
    void Advance(double seconds)
    {
        m_dNow += seconds;
        m_fFrame = float(seconds);
    }

    float m_fFrame = 0.1f;
    double m_dNow = 100.0;
};

// Records every command that reaches the screen, with whether a popup was
// shown at that moment.
class CRecordingScreen : public IUI
{
public:
    struct SCommand
    {
        int code;
        int param;
        bool popupShown;
    };

    void OnCommand(int code, int param) override
    {
        m_Commands.push_back(SCommand{code, param, m_pPopup != nullptr});
        if (m_OnCommand) m_OnCommand(code, param);
        IUI::OnCommand(code, param);
    }
    // The codes received, without the hover reports sent every frame and
    // the reports of a press outside a control that was not hovered.
    std::vector<int> Codes() const
    {
        std::vector<int> out;
        for (const SCommand& c : m_Commands)
            if (c.code != uicode::kMouseOver && !(c.code == uicode::kClick && c.param == 0))
                out.push_back(c.code);
        return out;
    }

    std::vector<SCommand> m_Commands;
    std::function<void(int, int)> m_OnCommand;
};

// A control that counts its input passes and draws.
class CCountingControl : public CControl
{
public:
    void ProcessMessages() override
    {
        ++m_nPasses;
        if (m_bPassBase) CControl::ProcessMessages();
    }
    void Render() override { ++m_nDraws; }

    int m_nPasses = 0;
    int m_nDraws = 0;
    bool m_bPassBase = true;
};

// A screen (0, 0, 640, 480) with its main group, the fake input and
// clock, and the drawing recorder.
class CUITest : public testutil::CLogDirTest
{
protected:
    void SetUp() override
    {
        testutil::CLogDirTest::SetUp();
        m_Screen.Init(&m_Graphic, &m_Input);
        m_Screen.SetClock(&m_Clock);
        m_pMain = new CGroupControl();
        m_pMain->Init(plat::Rect{0, 0, 640, 480}, &m_Screen);
        m_Screen.SetMainGroup(m_pMain);
    }

    // One frame: the cursor at (x, y), the test's input set up by before,
    // then the screen's input pass, then time moves on by dt.
    template <class F> void Frame(int x, int y, F before, double dt = 0.1)
    {
        m_Input.m_Cursor = plat::Point{x, y};
        before();
        m_Screen.ProcessMessages();
        m_Input.EndFrame();
        m_Clock.Advance(dt);
    }
    void Frame(int x, int y, double dt = 0.1)
    {
        Frame(
            x, y, [] {}, dt);
    }
    void Press(int x, int y)
    {
        Frame(x, y, [&] { m_Input.Press(uicode::kLeftButton); });
    }
    void Release(int x, int y, double dt = 0.1)
    {
        Frame(
            x, y, [&] { m_Input.Release(uicode::kLeftButton); }, dt);
    }
    // Hover, press, release at (x, y).
    void Click(int x, int y, double dt = 0.1)
    {
        Frame(x, y);
        Press(x, y);
        Release(x, y, dt);
    }

    CFakeInput m_Input;
    CDrawRecorder m_Graphic;
    CFakeClock m_Clock;
    CRecordingScreen m_Screen;
    CGroupControl* m_pMain = nullptr;
};

} // namespace uitest
