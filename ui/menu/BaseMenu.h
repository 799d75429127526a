// CBaseMenu and CMenuControl: the menu base and its elements, as far as the
// markup control and the message panel need them.
//
// This is the least of the menu framework: a menu owns a list of elements,
// hands each its input once per frame (only the modal element while one is
// set), draws them in order and receives their notifications through
// OnNotify. The modal loop with its dialog runner, the dimmed scene, the
// fades, the music choice and the tooltip element are not here yet.
//
// The mouse position and the last typed character are read from the
// application object when there is one (tests set them here); the
// application's text-input flag is kept here until the application has one.
//
// Ownership: the menu deletes its elements. Threads: main thread only.
#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <vector>

class CBaseMenu;
class IGraphicInterface;
class IInput;

class CMenuControl
{
public:
    CMenuControl(int left, int top, int right, int bottom);
    virtual ~CMenuControl() = default;
    CMenuControl(const CMenuControl&) = delete;
    CMenuControl& operator=(const CMenuControl&) = delete;

    virtual void Render() {}
    virtual void OnMouseOver() {}
    virtual void OnMouseDown() {}
    virtual void OnMouseUp() {}
    virtual void OnMouseUpOutside() {}
    virtual void Run() {}
    virtual void ProcessKeys() {}
    // The element has joined a menu (m_pMenu is set).
    virtual void OnAdded() {}

    plat::Rect m_Rect;
    std::uint8_t m_bVisible = 1;
    std::uint8_t m_bActive = 1;
    CBaseMenu* m_pMenu = nullptr;
};

class CBaseMenu
{
public:
    CBaseMenu() = default;
    virtual ~CBaseMenu();
    CBaseMenu(const CBaseMenu&) = delete;
    CBaseMenu& operator=(const CBaseMenu&) = delete;

    virtual void OnNotify(int) {}

    // The menu takes ownership.
    void AddControl(CMenuControl* control);
    // Mouse and typed character from the application (when there is one).
    void ReadApplicationInput();
    // One input pass: keys, then the per-frame run, then the mouse
    // presses and releases, for each visible and active element (only the
    // modal element while one is set).
    void RunControls();
    void RenderControls();

    // The typed character, cleared for the next reader.
    std::uint8_t TakeTypedChar();
    bool LeftPressed() const;
    bool LeftReleased() const;
    float WheelDelta() const;

    std::vector<CMenuControl*> m_Controls;
    CMenuControl* m_pModal = nullptr;
    IInput* m_pInput = nullptr;
    IGraphicInterface* m_pGraphic = nullptr;
    plat::Point m_Mouse;
    std::uint8_t m_cTypedChar = 0;
    std::uint8_t m_bTextInput = 0;
    float m_fFrameTime = 0.0f;
};

// The hit test of menus: the first corner's row and column are inside, the
// second's outside, in either order of the corners.
bool PointInRect(int x, int y, int left, int top, int right, int bottom);
