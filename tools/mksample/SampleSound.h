// mksample's sounds and music: WAV and Ogg Vorbis sounds in "Data\Sounds\"
// (one key with two synonyms among them) and two music pieces in
// "Data\Music\", written with the engine's own writers, and their records
// in the resource database's sections "Звуки" and "Музыка" (the database
// must exist). Prints what went wrong and returns false on failure.
#pragma once

#include <string>

bool WriteSampleSounds(const std::string& root);
