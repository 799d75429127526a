// mksample's resource database "Data\DB.dat" and its sample pack
// "Data\sample.pak". Each writer prints what went wrong and returns false on
// failure.
#pragma once

#include <string>

// The sections the graphics and sound managers read, with their field
// definitions; records only where files for them exist.
bool WriteSampleDatabase(const std::string& root);
// A pack holding "Data\Pack.txt", which also lies loose with other text:
// the game's debug log then shows that the pack's copy is read.
bool WriteSamplePack(const std::string& root);
