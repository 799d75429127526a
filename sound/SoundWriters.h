// Writers of the sound files the engine reads: RIFF WAVE (PCM) and Ogg
// Vorbis (encoded with libvorbisenc). The sample-data builder and the tests
// make their sounds with them.
//
// Paths go through the platform's resolver. Both return false (and write
// nothing useful) when the file cannot be written or the encoder refuses
// the format.
#pragma once

#include "platform/dsound/DSound.h"

#include <cstdint>
#include <vector>

// A PCM WAVE file: "RIFF" size "WAVE", a 16-byte "fmt " chunk, "data".
bool WriteWaveFile(const char* path, const plat::ds::WaveFormat& format, const void* data,
                   std::uint32_t bytes);

// The file bytes of an Ogg Vorbis stream of 16-bit interleaved samples
// (channels 1 or 2) at the given quality (-0.1 .. 1.0); serial numbers the
// logical stream, so that streams can be chained by concatenating files.
bool EncodeOggVorbis(std::uint32_t channels, std::uint32_t rate, const std::int16_t* samples,
                     std::uint32_t frames, float quality, int serial, std::vector<std::uint8_t>* out);
bool WriteOggVorbisFile(const char* path, std::uint32_t channels, std::uint32_t rate,
                        const std::int16_t* samples, std::uint32_t frames, float quality, int serial);
bool WriteBytes(const char* path, const std::vector<std::uint8_t>& bytes);
