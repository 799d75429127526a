// Screenshots of the back buffer, "SCREENS\tarvox2_%d.jpg" and
// "SCREENS\tarvox2_%d.bmp" below the working directory, numbered from 1:
// each shot takes the first number with no file of its kind.
//
// The back buffer is copied into a 32-bit image surface of the graphics
// device (graph) and written from there. Main thread only (the copy reads
// GPU memory).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat::d3d
{
class Surface;
}

// Writes the next numbered JPEG with the given quality. False when there is
// no device or the file could not be written.
bool SaveJpegScreenshot(std::int32_t quality);
// The back buffer as X8R8G8B8 pixels, top row first. False without a device.
bool CopyBackBuffer(std::vector<std::uint32_t>& pixels, std::uint32_t& width, std::uint32_t& height);
// Writes the next numbered BMP, 32 bits per pixel, bottom row first.
bool SaveBitmapScreenshot();
// Copies a 32-bit surface and writes it as a BMP, bottom row first.
bool SaveSurfaceBitmap(const char* path, plat::d3d::Surface* surface);

// The first "SCREENS\tarvox2_<n>.<extension>" (n from 1) that does not exist.
std::string NextScreenshotPath(const char* extension);
