// Writers of picture files for the user: uncompressed BMP and baseline JPEG
// (IJG libjpeg, the 6b interface). The screenshots use both; the BMP writer
// serves other callers too.
//
// Paths are the engine's ("SCREENS\tarvox2_1.jpg") and go through the
// platform's path resolver. Thread safety: none needed; every call works
// on its own file.
#pragma once

#include <cstdint>

// The BMP file header (14 bytes) and info header (40 bytes), little-endian:
//   0  2  "BM"                     14  4  header size 40
//   2  4  file size                18  4  width
//   6  4  reserved 0               22  4  height (positive: bottom row first)
//  10  4  offset of the pixels 54  26  2  planes 1
//                                  28  2  bits per pixel
//                                  30  4  compression 0
//                                  34  4  image size
//                                  38 16  resolutions and colour counts, 0
//  54     the pixels, rows without padding
constexpr std::uint32_t kBitmapHeaderSize = 54;

// Writes pixels (width x height x bytesPerPixel bytes, rows in the order
// the file stores them: bottom row first) as a BMP file ("wb"). False when
// the file cannot be created or a write fails; the info header is written
// only after the file header, the pixels only after the info header.
bool SaveBitmapFile(const char* path, std::uint32_t width, std::uint32_t height, const void* pixels,
                    std::uint32_t bytesPerPixel);

// Compresses a top-down buffer of R, G, B bytes into a baseline JPEG of the
// given quality (1-100). False when the file cannot be created or written.
bool WriteJpegFile(const char* path, const std::uint8_t* rgb, std::uint32_t width, std::uint32_t height,
                   std::int32_t quality);
