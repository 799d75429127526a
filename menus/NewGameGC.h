// CNewGameGC: the panel that fills the main menu's dialog area while no
// menu dialog is open: the dialog frame with the menu video
// "Data\Video\menu.bik" playing inside it. No controls, no commands.
//
// Init takes its rectangle in the coordinates of the main menu's item
// group (the menu adds it to that group, which moves it onto the dialog
// area); the video plays at the same place in screen coordinates, worked
// out from the menu's layout formula for the screen size.
//
// DrawDialogFrame is the framed look the credits and mods dialogs share:
// the background fill, five white one-pixel lines, the corner piece of
// "TEX_INT_UI1" in the four corners (mirrored) and the side piece on the
// left edge.
//
// Ownership: the panel owns its video player; the menu owns the panel.
// Threads: main thread only.
#pragma once

#include "platform/Types.h"
#include "ui/GroupControl.h"

#include <cstdint>

class IBinkPlayer;
class IGraphicInterface;

// The frame on r through graphic: background fill, lines, corners from the
// texture key's sheet, and a side piece sideWidth pixels wide.
void DrawDialogFrame(IGraphicInterface* graphic, const char* texture, const plat::Rect& r,
                     std::uint32_t background, int sideWidth);

// The origin of the main menu's item group at a screen size: (170, 130)
// at 1024 x 768.
plat::Point MainMenuOrigin(int screenWidth, int screenHeight);

class CNewGameGC : public CGroupControl
{
public:
    static constexpr const char* kVideo = "Data\\Video\\menu.bik";
    static constexpr int kSideWidth = 5;

    CNewGameGC();
    ~CNewGameGC() override;
    CNewGameGC(const CNewGameGC&) = delete;
    CNewGameGC& operator=(const CNewGameGC&) = delete;

    // Stops and deletes the video player.
    int Clear() override;
    void Render() override;
    void Init(const plat::Rect& rect, IUI* screen) override;

    const plat::Rect& GetVideoRect() const { return m_VideoRect; }
    IBinkPlayer* GetPlayer() const { return m_pPlayer; }

    std::int32_t m_MenuOrigin[4] = {};
    IBinkPlayer* m_pPlayer = nullptr;
    std::uint32_t m_uBackground = 0xFFFFFFFF;

private:
    plat::Rect m_VideoRect{};
};
