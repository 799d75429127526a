// mksample's sounds and music: WAV and Ogg Vorbis sounds in "Data\Sounds\"
// (one key with two synonyms among them; the guns, the rocket, the
// explosion, the glider's jump and its engine loops, each unlike the
// others) and two music pieces in "Data\Music\", written with the engine's
// own writers, and their records in the resource database's sections
// "Звуки" and "Музыка" (the database must exist). Prints what went wrong
// and returns false on failure.
#pragma once

#include <string>

bool WriteSampleSounds(const std::string& root);
// The weapons' and the explosion's sounds named on their rows of "Оружие"
// and "Взрывы" (after SampleUnits.cpp has written them).
bool WriteSampleUnitSounds(const std::string& root);
