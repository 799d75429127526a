// What the save/load panel reads of a saved game, and the small rules of its
// list: the label format, the order of the rows and the new save's name.
//
// The records are read checked: HEADER must hold exactly the 516 bytes of
// SSaveHeader and start with its magic (the files the application itself
// would refuse to load are not listed); PLAYER and CAPTION must hold their
// u32 length and that many bytes; SCREEN must hold its 128 x 128 pixels. A
// file that fails the HEADER check is skipped with one line in the error
// log naming it; a damaged PLAYER or CAPTION counts as missing (one line),
// a damaged SCREEN gives the fallback picture (one line).
//
// Threads: main thread only (the error log).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class IArchive;

struct SSaveSummary
{
    // The header's "outside" word (0: saved inside the building below).
    std::uint32_t outside = 1;
    std::string building; // 32-character name at 76
    std::string location; // 32-character name at 392
    std::string player;   // PLAYER, empty when missing
    std::string caption;  // CAPTION, "---" when missing or empty
};

// The list's facts of an open saved game; false (logged with file) when its
// HEADER is missing or damaged.
bool ReadSaveSummary(IArchive& archive, const char* file, SSaveSummary& out);
// The SCREEN picture (128 rows of 512 bytes, top down); false when the
// record is missing or damaged (the latter logged with file).
bool ReadSaveScreen(IArchive& archive, const char* file, std::vector<std::uint8_t>& out);

// "HH:MM | DD.MM.YYYY", the first four zero-padded to two digits.
std::string FormatSaveLabel(int hour, int minute, int day, int month, int year);
// The sort key of a file time: ((DOS date << 16) + DOS time) >> 1 of the
// UTC time; 0 for times outside the DOS range.
int SaveSortKey(std::uint64_t fileTimeUtc);
// The indices 0 .. n-1 ordered by ascending key: a Shell sort with gaps
// n/2, n/4, ... 1 that never swaps equal keys.
std::vector<int> SortSaveIndices(const std::vector<int>& keys);
