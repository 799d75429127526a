// CMainMenuButton: an item of the main and pause menus. A push button whose
// picture is cut from the texture named by its user id ("TEX_INT_UI1") in
// one of three looks: on (the menu's selected item, or the button held
// down), hovered and normal; drawn at 0.7 opacity while disabled. It plays
// "SND_I_MENU_TOGGLE" once when the cursor arrives over it and
// "SND_I_MENU_CLICK" when clicked. Picture id 0 draws the plain CButton.
//
// Ownership: the creating menu. Threads: main thread only.
#pragma once

#include "ui/Controls.h"

#include <cstdint>

class CMainMenuButton : public CButton
{
public:
    static constexpr float kDisabledFade = 0.7f;

    CMainMenuButton();

    void Render() override;
    void OnMouseOver() override;
    void OnMouseLClick() override;

    void SetPicture(int id) { m_iPicture = id; }
    void SetOn(bool on) { m_bOn = on ? 1 : 0; }
    bool IsOn() const { return m_bOn != 0; }
    // The picture's source corner (left, top) for the id and the button's
    // look; false for an id without a picture.
    bool PictureSource(int* left, int* top) const;

    std::int32_t m_iPicture = 0;
    std::int32_t m_bOn = 0;
};
