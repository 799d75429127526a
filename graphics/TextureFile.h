// Reading the engine's "TM" texture files into a CTexture: the work of
// CTexture::ReadImageFile, which the foundation library reaches through the
// reader RegisterTextureFileReader installs.
//
// The file comes from the mounted packs or the disk (CPakFileSystem). A
// compressed image becomes a DXT5 texture when the device can use DXT5
// (graph.m_bDXT5), else it is decoded to A8R8G8B8 here; uncompressed images
// keep their 32-bit format or, asked for 16 bits, are read from their first
// plane as A4R4G4B4 or R5G6B5. Lower levels that the file does not provide
// are made by 2 x 2 averaging. A managed texture is created in the managed
// pool; any other is filled in system memory and copied to the default pool.
//
// Failures write one error-log line with the file and the reason and return
// false; nothing is thrown to the caller.
// Threads: any loader thread (the device is multithreaded).
#pragma once

class CTexture;

bool ReadTextureImageFile(CTexture& texture, const char* fileName, int bits, int levelsToDrop, int levels,
                          int managed);

// Makes CTexture::ReadImageFile use ReadTextureImageFile. Start-up calls it
// with the other module registrations.
void RegisterTextureFileReader();
