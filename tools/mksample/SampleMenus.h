// mksample's data of the in-game menus: the host's and the boxes' pictures
// on the sheet "TEX_INT_UI1" (drawn into the cockpit's sheet), the sheet
// "TEX_INT_UII" (tab icons, the selected tab's corner, the markup icons,
// the menu buttons' pictures, and the widgets' pieces), the glow
// "TEX_INT_EFECTOR_SIDED_GLOW", the menus' sounds, and the text database
// entries the host, the console base and the message boxes show (with the
// sample hall's greeting page).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Paints the menus' cells into the 1024 x 1024 sheet "TEX_INT_UI1": their
// own pieces, then the menu buttons' pictures that live there.
void DrawMenuSheetUI1(std::vector<std::uint32_t>& pixels);
// The parts, each into a 1024 x 1024 sheet: the menus' own pieces of
// "TEX_INT_UI1" (corners, cargo bar, panel) and of "TEX_INT_UII" (tab
// corner, markup icons, tab icons); the menu buttons' pictures of one
// sheet (of "TEX_INT_UI1" when ui1), from their picture table.
void DrawMenuPiecesUI1(std::vector<std::uint32_t>& pixels);
void DrawMenuPiecesUII(std::vector<std::uint32_t>& pixels);
void DrawMenuButtonPictures(std::vector<std::uint32_t>& pixels, bool ui1);
// The other textures, sounds and texts (after the cockpit sheet and the
// text database are written).
bool WriteSampleMenus(const std::string& root);

// The text entries: key, name, text (code page 1251).
struct SSampleMenuText
{
    std::string key;
    std::string name;
    std::string text;
};
std::vector<SSampleMenuText> SampleMenuTexts();
