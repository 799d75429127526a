// The engine's model level of detail from the configuration's
// "ModelQuality" (the settings reader and the options dialog both turn the
// file's value into it).
//
// Threads: any.
#pragma once

#include <cstdint>

// The file's ModelQuality q as the level-of-detail factor: a better quality
// (q above 0) shrinks the factor, a worse one (q below 0) grows it.
std::int32_t ModelQualityFactor(std::int32_t q);
