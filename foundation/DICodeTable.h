// The table of DirectInput key codes and key names ("Data\CONFIG\DICode.ini").
//
// Key bindings are written to and read from the configuration by these
// names. The file is text: whitespace-separated words; the first is the
// number of entries (decimal), then three words per entry: a label that is
// skipped, the code in hexadecimal (keyboard 0-FF, mouse button b 101 + b,
// joystick button i 201 + i) and the key name (at most 15 characters).
//
// Threads: main thread (loaded at start-up, read by the key bindings).
#pragma once

#include <cstdint>
#include <vector>

struct SDICode
{
    std::uint16_t code = 0;
    char name[16] = {};
};

struct SDICodeTable
{
    std::int32_t count = 0;
    std::vector<SDICode> entries;
};

extern SDICodeTable g_DICodeTable;

// Reads the base directory's "Data\CONFIG\DICode.ini" into g_DICodeTable.
// Any earlier table is dropped first. A file that cannot be opened, announces
// no entries, or holds fewer or damaged entries leaves the table empty, with
// a line in the error log that says why; a name longer than 15 characters is
// cut (and logged). Returns whether a table was read.
bool LoadDICodeTable();
// The same from a named file.
bool LoadDICodeTableFrom(const char* path);
void FreeDICodeTable();

// One line of a written table: the skipped label, the code and the name.
struct SDICodeLine
{
    const char* label;
    std::uint16_t code;
    const char* name;
};
// Writes a table file in the layout LoadDICodeTable reads.
bool WriteDICodeTable(const char* path, const SDICodeLine* lines, int count);
