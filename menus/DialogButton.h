// CDialogButton: the push button of the game's dialogs (the options, the
// save/load screen, the mods and the network-game dialog). A button with
// one of the picture ids of its table is cut from the texture named by its
// user id ("TEX_INT_UI1", see SetUID) over its rectangle, by state; every
// other id (0 included) draws the plain CButton in the dialog colours.
//
// The dialog shows and hides it with Show and Hide, which also set the
// button's own visible byte: while it is clear the button draws nothing and
// ignores hovering, but a click still plays its sound ("SND_I_OK") before
// it is refused.
//
// Ownership: the creating dialog. Threads: main thread only.
#pragma once

#include "ui/Controls.h"

#include <cstdint>

class CDialogButton : public CButton
{
public:
    static constexpr std::uint32_t kColours[4] = {0xFF194B7F, 0x7F194B7F, 0xFF5094C6, 0xFFFFFFFF};

    CDialogButton();
    ~CDialogButton() override = default;

    void Show() override;
    void Hide() override;
    void Render() override;
    void OnMouseOver() override;
    void OnMouseLClick() override;
    virtual void SetFont(int font) { m_iFont = font; }
    // The click sound by its index in the sound manager's table (-1: none);
    // returns it.
    virtual int SetSound(int soundId)
    {
        m_iSound = soundId;
        return soundId;
    }

    void SetPicture(int id) { m_iPicture = id; }
    int GetPicture() const { return m_iPicture; }
    bool IsShown() const { return m_bOwnVisible != 0; }
    // The picture's source corner (left, top) for the id and the button's
    // state; false for an id that has no picture.
    bool PictureSource(int* left, int* top) const;

    std::int32_t m_iFont = 1;
    std::int32_t m_iPicture = 0;
    CXAnsiString m_sCaption1;
    CXAnsiString m_sCaption2;
    std::uint8_t m_bOwnVisible = 1;
    // "SND_I_OK" from construction on.
    std::int32_t m_iSound = -1;
};
