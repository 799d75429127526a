// Whole-file decoding of a short Ogg Vorbis sound into 16-bit PCM, every
// chained logical stream one after the other (the sound containers' Ogg
// path).
//
// The file is read through the pack-aware file reader, so sounds may come
// from pack files. The first stream fixes the format; a chained stream with
// another channel count or rate is refused (the samples would be read in
// the wrong format). At most maxBytes of samples are kept; a longer sound is
// cut there with one log line. Every failure writes one error-log line with
// the path and returns false.
#pragma once

#include "platform/dsound/DSound.h"

#include <cstdint>
#include <vector>

bool DecodeOggSound(const char* path, std::uint32_t maxBytes, plat::ds::WaveFormat* format,
                    std::vector<std::uint8_t>* pcm);
