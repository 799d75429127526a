// mksample's data of the main and pause menus: the items' pictures, the
// menu panel's backdrop and the dialog frame's pieces on the sheet
// "TEX_INT_UI1", the main menu's background picture "SUF_MAINMENU", the
// items' sounds, and the questions' and credits' texts (sample texts).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Paints the pieces into the 1024 x 1024 sheet "TEX_INT_UI1".
void DrawMainMenuPieces(std::vector<std::uint32_t>& pixels);
// The picture, sounds and texts (after the database and the text database
// exist).
bool WriteSampleMainMenu(const std::string& root);
