// CPackBuilder: writes pack files (the only writer of the format) and
// extracts them; plus the small inspection functions of the pack tools.
//
// Build concatenates the source files into the unpacked stream, cuts it into
// blocks and stores each block with the method that suits it best (see
// Build). The tail of the last block is written as zeros, so the same input
// always gives the same pack. A cancelled or failed build deletes the pack.
// Extract writes entries below a destination directory, checking every
// block's checksum; entry names that would leave it ("..", absolute paths,
// drive letters) are refused.
//
// Failures are logged as one error line and kept for GetLastError, so a
// tool can show them. The tools run with an empty base directory, so entry
// names are used as given.
//
// Threads: a builder is used by one thread; m_bCancel may be set from any
// other thread to stop a running build or extraction.
#pragma once

#include "foundation/PackCodec.h"
#include "foundation/PakReader.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

struct SPackStatistics
{
    std::uint32_t files = 0;
    std::uint32_t totalSize = 0; // unpacked bytes
    std::uint32_t blockSize = 0;
    std::uint32_t blocks = 0;
    std::uint32_t packSize = 0;             // bytes of the pack file
    std::uint32_t incompressibleBlocks = 0; // no method got below the block size
    std::uint32_t storedForSpeedBlocks = 0; // speed mode kept a compressible block stored
    std::uint32_t lzoBlocks = 0;            // method 1
    std::uint32_t method2Blocks = 0;        // method 2 (never chosen: it copies)
    std::uint32_t rle16Blocks = 0;          // method 4
};

// Called before each block (Build) or file (Extract) with the file at hand
// and the percentage done.
using PackProgress = std::function<void(const char* path, float percent)>;

class CPackBuilder
{
public:
    // Bit of the method mask that selects speed mode.
    static constexpr std::uint32_t kSpeedMode = 0x80;

    // Writes packPath from count source files, stored under storedNames (at
    // most 79 characters, relative to the base directory). methodMask: bits
    // 1, 2, 4, 8, 16, 32, 64 name the methods to try. Size mode picks the
    // smallest encoding below the block size (the earlier bit on ties).
    // Speed mode (kSpeedMode) times each compressing method's decoding and
    // scores it as decoded MB/s x (1 - ratio) / ratio; a method is chosen
    // only when its score reaches speedThreshold (the later bit on ties).
    bool Build(const char* packPath, const char* const* storedNames, const char* const* sourcePaths,
               std::uint32_t count, std::uint32_t blockSize, std::uint32_t methodMask, float speedThreshold,
               const PackProgress& progress, SPackStatistics* statistics);

    // Writes the named entries to destinationDir + "\" + name, creating
    // directories. Returns the number written (count when all were).
    std::uint32_t Extract(const char* packPath, const char* destinationDir, const char* const* names,
                          std::uint32_t count, const PackProgress& progress);
    // Every entry, by table position (entries whose names differ only in
    // case are each written).
    std::uint32_t ExtractAll(const char* packPath, const char* destinationDir, const PackProgress& progress);

    // Creates the directories above path (its last component is a file).
    static bool MakeDirectories(const char* path);

    const std::string& GetLastError() const { return m_lastError; }

    std::atomic<bool> m_bCancel{false};

private:
    void SetError(const char* format, ...) __attribute__((format(printf, 2, 3)));
    bool ExtractEntry(int entry, const std::string& prefix);
    std::uint32_t ChooseMethod(const std::uint8_t* block, std::uint8_t* out, std::uint32_t methodMask,
                               float speedThreshold, SPackStatistics& statistics);

    CPackCodec m_codec;
    ZREngine m_reader;
    std::string m_lastError;
};

// Header values of a pack; false when it is not a valid pack.
bool GetPackInfo(const char* packPath, std::uint32_t* blocks, std::uint32_t* blockSize, std::uint32_t* files);
// Copies each entry name, as stored, into names[i] (buffers of 80
// characters, one per entry); false and nothing copied for an invalid pack.
bool GetPackFileNames(const char* packPath, char** names);
// Header values, the sum of the entry sizes and the pack's length; then
// reads every entry whole and returns the seconds taken; -1 for an invalid
// pack.
float MeasurePackDecode(const char* packPath, std::uint32_t* files, std::uint32_t* blocks,
                        std::uint32_t* blockSize, std::uint32_t* totalSize, std::uint32_t* packSize);
