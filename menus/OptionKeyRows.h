// The key-binding page's 27 rows: the caption number of each row (the text
// key "INT_OPTIONS_KEY_%02i"; 19 and 23 have no row) and the input
// configuration's two binding names it edits. "FIRE3", "FIREALT3" and
// "ROCKET3" have no row: they keep what the input configuration holds.
//
// Threads: main thread only.
#pragma once

#include "menus/OptionSettings.h"

namespace options
{
struct SKeyRow
{
    int caption;
    const char* primary;
    const char* secondary;
};
extern const SKeyRow kKeyRowTable[kKeyRows];

// The binding slot of a row's primary or secondary (CInputConfig::EKey).
int KeySlot(int row, bool secondary);
// The rows from the 58 binding codes, and the codes of the rows written
// into them (the slots without a row are left as they are).
void SlotsToRows(const std::uint16_t* slots, std::array<SKeyPair, kKeyRows>& rows);
void RowsToSlots(const std::array<SKeyPair, kKeyRows>& rows, std::uint16_t* slots);
} // namespace options
