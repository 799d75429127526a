#include "menus/OptionKeyRows.h"

#include <cstring>

namespace options
{
const SKeyRow kKeyRowTable[kKeyRows] = {
    {1, "FORWARD", "FORWARD2"},
    {2, "BACKWARD", "BACKWARD2"},
    {3, "RIGHT", "RIGHT2"},
    {4, "LEFT", "LEFT2"},
    {5, "STRAFERIGHT", "STRAFERIGHT2"},
    {6, "STRAFELEFT", "STRAFELEFT2"},
    {7, "FIRE", "FIRE2"},
    {8, "FIREALT", "FIREALT2"},
    {9, "ROCKET", "ROCKET2"},
    {10, "BOMB", "BOMB2"},
    {11, "MINE", "MINE2"},
    {12, "JUMP", "JUMP2"},
    {13, "BRAKE", "BRAKE2"},
    {14, "NIGHTLIGHTTOGGLE", "NIGHTLIGHTTOGGLE2"},
    {15, "SHOWHOLD", "SHOWHOLD2"},
    {16, "SHOWMAP", "SHOWMAP2"},
    {17, "SHOWJOURNAL", "SHOWJOURNAL2"},
    {18, "BOOSTER", "BOOSTER2"},
    {20, "SHIELD", "SHIELD2"},
    {21, "STASIS", "STASIS2"},
    {22, "INVISIVILITY", "INVISIVILITY2"},
    {24, "RUN", "RUN2"},
    {25, "ALWAYSRUN", "ALWAYSRUN2"},
    {26, "SELECT", "SELECT2"},
    {27, "CHANGEAMMO", "CHANGEAMMO2"},
    {28, "CRUISE", "CRUISE2"},
    {29, "PUSHER", "PUSHER2"},
};

int KeySlot(int row, bool secondary)
{
    if (row < 0 || row >= kKeyRows) return -1;
    const char* name = secondary ? kKeyRowTable[row].secondary : kKeyRowTable[row].primary;
    for (int slot = 0; slot < CInputConfig::kKeyCount; ++slot)
    {
        const char* binding = CInputConfig::GetBindingName(slot);
        if (binding && std::strcmp(binding, name) == 0) return slot;
    }
    return -1;
}

void SlotsToRows(const std::uint16_t* slots, std::array<SKeyPair, kKeyRows>& rows)
{
    for (int row = 0; row < kKeyRows; ++row)
    {
        const int a = KeySlot(row, false), b = KeySlot(row, true);
        rows[std::size_t(row)] = SKeyPair{a >= 0 ? slots[a] : std::uint16_t(0), b >= 0 ? slots[b] : std::uint16_t(0)};
    }
}

void RowsToSlots(const std::array<SKeyPair, kKeyRows>& rows, std::uint16_t* slots)
{
    for (int row = 0; row < kKeyRows; ++row)
    {
        const int a = KeySlot(row, false), b = KeySlot(row, true);
        if (a >= 0) slots[a] = rows[std::size_t(row)].primary;
        if (b >= 0) slots[b] = rows[std::size_t(row)].secondary;
    }
}
} // namespace options
