#include "foundation/PakBuilder.h"

#include "foundation/ErrorLog.h"
#include "foundation/PakFormat.h"
#include "platform/File.h"
#include "platform/Time.h"

#include <cstdarg>
#include <cstring>
#include <memory>
#include <vector>

namespace
{
bool WriteExact(std::FILE* file, const void* data, std::size_t size)
{
    return size == 0 || std::fwrite(data, size, 1, file) == 1;
}

// Entry names come from the pack: one that climbs out of the destination or
// names an absolute place would let a pack write anywhere.
bool IsSafeEntryName(const char* name)
{
    if (!name[0] || name[0] == '\\' || name[0] == '/' || std::strchr(name, ':')) return false;
    const char* part = name;
    while (true)
    {
        const std::size_t length = std::strcspn(part, "\\/");
        if (length == 2 && part[0] == '.' && part[1] == '.') return false;
        if (!part[length]) return true;
        part += length + 1;
    }
}

// The open source file while blocks are filled.
struct SFileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, SFileCloser>;
} // namespace

void CPackBuilder::SetError(const char* format, ...)
{
    char text[600];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    m_lastError = text;
    g_ErrorLog.LogError("CPackBuilder: %s", text);
}

std::uint32_t CPackBuilder::ChooseMethod(const std::uint8_t* block, std::uint8_t* out,
                                         std::uint32_t methodMask, float speedThreshold,
                                         SPackStatistics& statistics)
{
    const std::uint32_t blockSize = m_codec.GetBlockSize();
    const bool speedMode = (methodMask & kSpeedMode) != 0;
    float bestRatio = 1.0f;
    float bestScore = speedThreshold;
    std::uint32_t chosen = CPackCodec::kStored;
    std::vector<std::uint8_t> decoded(speedMode ? blockSize : 0);
    for (std::uint32_t bit = 1; bit <= 64; bit <<= 1)
    {
        if (!(methodMask & bit)) continue;
        const std::uint32_t length = m_codec.Encode(bit, block, out);
        const float ratio = static_cast<float>(length) / static_cast<float>(blockSize);
        if (!speedMode)
        {
            if (ratio < bestRatio)
            {
                bestRatio = ratio;
                chosen = bit;
            }
            continue;
        }
        if (!(ratio < 1.0f)) continue;
        if (ratio < bestRatio) bestRatio = ratio;
        // Decode until the millisecond clock moves on, counting the decodes.
        const std::uint32_t start = plat::GetTickCount();
        std::uint32_t decodes = 0;
        std::uint32_t now = start;
        do
        {
            m_codec.Decode(bit, out, length, decoded.data());
            ++decodes;
            now = plat::GetTickCount();
        } while (now == start);
        const double seconds = (now - start) * 0.001 / decodes;
        const double score = (blockSize / 1048576.0) / seconds * ((1.0 - ratio) / ratio);
        if (score >= bestScore)
        {
            bestScore = static_cast<float>(score);
            chosen = bit;
        }
    }
    if (!(bestRatio < 1.0f))
        ++statistics.incompressibleBlocks;
    else if (speedMode && chosen == CPackCodec::kStored)
        ++statistics.storedForSpeedBlocks;
    if (chosen == 1)
        ++statistics.lzoBlocks;
    else if (chosen == 2)
        ++statistics.method2Blocks;
    else if (chosen == 4)
        ++statistics.rle16Blocks;
    return chosen;
}

bool CPackBuilder::Build(const char* packPath, const char* const* storedNames, const char* const* sourcePaths,
                         std::uint32_t count, std::uint32_t blockSize, std::uint32_t methodMask,
                         float speedThreshold, const PackProgress& progress, SPackStatistics* statistics)
{
    XTRACE("CPackBuilder::Build");
    SPackStatistics stats;
    m_bCancel = false;
    m_lastError.clear();
    if (blockSize == 0 || blockSize > ZREngine::kMaxBlockSize)
    {
        SetError("%s: block size %u out of range (1..%u)", packPath, blockSize, ZREngine::kMaxBlockSize);
        return false;
    }
    m_codec.Init(blockSize);

    // The file table: every name must fit its field, the stream 32 bits.
    std::vector<SPakFileEntry> files(count);
    std::uint64_t total = 0;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        if (std::strlen(storedNames[i]) >= SPakFileEntry::kNameSize)
        {
            SetError("%s: name \"%s\" is longer than %d characters", packPath, storedNames[i],
                     SPakFileEntry::kNameSize - 1);
            return false;
        }
        std::uint64_t size = 0;
        if (!plat::GetFileSize(sourcePaths[i], &size))
        {
            SetError("%s: cannot read the size of \"%s\"", packPath, sourcePaths[i]);
            return false;
        }
        std::memset(&files[i], 0, sizeof(SPakFileEntry));
        std::memcpy(files[i].name, storedNames[i], std::strlen(storedNames[i]));
        files[i].offset = static_cast<std::uint32_t>(total);
        files[i].size = static_cast<std::uint32_t>(size);
        total += size;
        if (total > 0xFFFFFFFFull)
        {
            SetError("%s: the files add up to more than 4 GB, which the format cannot address", packPath);
            return false;
        }
    }
    const std::uint32_t blocks = static_cast<std::uint32_t>((total + blockSize - 1) / blockSize);

    std::FILE* pack = plat::FOpen(packPath, "wb");
    if (!pack)
    {
        SetError("cannot create %s", packPath);
        return false;
    }
    bool ok = true;
    auto fail = [&](const char* what, const char* path)
    {
        SetError("%s: %s \"%s\"", packPath, what, path);
        ok = false;
    };

    SPakHeader header{};
    std::memcpy(header.magic, kPakMagic, sizeof(kPakMagic));
    header.files = count;
    header.blocks = blocks;
    header.blockSize = blockSize;
    std::vector<SPakBlockEntry> table(blocks);
    if (!WriteExact(pack, &header, sizeof(header)) ||
        !WriteExact(pack, files.data(), files.size() * sizeof(SPakFileEntry)) ||
        !WriteExact(pack, table.data(), table.size() * sizeof(SPakBlockEntry)))
        fail("cannot write the tables of", packPath);
    std::uint64_t position =
        sizeof(header) + files.size() * sizeof(SPakFileEntry) + table.size() * sizeof(SPakBlockEntry);

    std::vector<std::uint8_t> input(blockSize);
    std::vector<std::uint8_t> output(m_codec.GetEncodeCapacity());
    std::uint32_t fileIndex = 0;
    std::uint64_t leftInFile = 0;
    FilePtr source;
    for (std::uint32_t block = 0; ok && block < blocks; ++block)
    {
        if (m_bCancel) break;
        if (progress)
            progress(sourcePaths[fileIndex < count ? fileIndex : count - 1], 100.0f * block / blocks);
        std::uint32_t filled = 0;
        while (ok && filled < blockSize && fileIndex < count)
        {
            if (!source)
            {
                if (m_bCancel) break;
                source.reset(plat::FOpen(sourcePaths[fileIndex], "rb"));
                if (!source)
                {
                    fail("cannot open", sourcePaths[fileIndex]);
                    break;
                }
                leftInFile = files[fileIndex].size;
            }
            const std::uint32_t want =
                static_cast<std::uint32_t>(std::min<std::uint64_t>(blockSize - filled, leftInFile));
            // A source that changed size since its length was taken would
            // shift every later file against the table.
            if (want && std::fread(input.data() + filled, 1, want, source.get()) != want)
            {
                fail("file became shorter while packing:", sourcePaths[fileIndex]);
                break;
            }
            filled += want;
            leftInFile -= want;
            if (leftInFile == 0)
            {
                source.reset();
                ++fileIndex;
            }
        }
        if (!ok || m_bCancel) break;
        std::memset(input.data() + filled, 0, blockSize - filled);

        const std::uint32_t method =
            ChooseMethod(input.data(), output.data(), methodMask, speedThreshold, stats);
        const std::uint32_t length = m_codec.Encode(method, input.data(), output.data());
        table[block] = {m_codec.Checksum(input.data()), method, static_cast<std::uint32_t>(position)};
        if (!WriteExact(pack, &length, sizeof(length)) || !WriteExact(pack, output.data(), length))
            fail("cannot write a block of", packPath);
        position += 4 + length;
        if (position > 0xFFFFFFFFull) fail("more than 4 GB of blocks in", packPath);
    }
    source.reset();

    if (ok && !m_bCancel)
    {
        if (std::fseek(pack, static_cast<long>(sizeof(header) + files.size() * sizeof(SPakFileEntry)),
                       SEEK_SET) != 0 ||
            !WriteExact(pack, table.data(), table.size() * sizeof(SPakBlockEntry)))
            fail("cannot write the block table of", packPath);
    }
    if (std::fclose(pack) != 0 && ok) fail("cannot finish", packPath);
    if (!ok || m_bCancel)
    {
        if (ok) m_lastError = "cancelled";
        plat::DeleteFile(packPath);
        return false;
    }

    stats.files = count;
    stats.totalSize = static_cast<std::uint32_t>(total);
    stats.blockSize = blockSize;
    stats.blocks = blocks;
    stats.packSize = static_cast<std::uint32_t>(position);
    if (statistics) *statistics = stats;
    return true;
}

bool CPackBuilder::MakeDirectories(const char* path)
{
    const std::string text = path;
    const std::size_t last = text.find_last_of("\\/");
    if (last == std::string::npos || last == 0) return true;
    if (last == 2 && text[1] == ':') return true; // a drive root
    const std::string parent = text.substr(0, last);
    if (!MakeDirectories(parent.c_str())) return false;
    return plat::CreateDirectory(parent.c_str());
}

bool CPackBuilder::ExtractEntry(int entry, const std::string& prefix)
{
    const SPakFileEntry& file = m_reader.GetEntry(entry);
    if (!IsSafeEntryName(file.name))
    {
        SetError("%s: entry \"%s\" would be written outside %s", m_reader.GetPath().c_str(), file.name,
                 prefix.c_str());
        return false;
    }
    const std::string target = prefix + file.name;
    if (!MakeDirectories(target.c_str()))
    {
        SetError("cannot create the directories of %s", target.c_str());
        return false;
    }
    std::vector<std::uint8_t> data(file.size);
    if (m_reader.ReadAt(entry, 0, data.data(), file.size, true) != file.size)
    {
        SetError("%s: entry \"%s\" cannot be read (damaged block)", m_reader.GetPath().c_str(), file.name);
        return false;
    }
    std::FILE* out = plat::FOpen(target.c_str(), "wb");
    bool written = out && WriteExact(out, data.data(), data.size());
    if (out && std::fclose(out) != 0) written = false;
    if (!written)
    {
        SetError("cannot write %s", target.c_str());
        return false;
    }
    return true;
}

std::uint32_t CPackBuilder::Extract(const char* packPath, const char* destinationDir,
                                    const char* const* names, std::uint32_t count,
                                    const PackProgress& progress)
{
    XTRACE("CPackBuilder::Extract");
    m_bCancel = false;
    m_lastError.clear();
    if (!m_reader.Init(packPath))
    {
        SetError("%s is missing or not a valid pack", packPath);
        return 0;
    }
    m_reader.m_bVerifyStored = true; // what is written out is checked whole
    const std::string prefix = std::string(destinationDir) + "\\";
    std::uint32_t written = 0;
    for (std::uint32_t i = 0; i < count && !m_bCancel; ++i)
    {
        if (progress) progress(names[i], 100.0f * i / count);
        const int entry = m_reader.FindFile(names[i]);
        if (entry < 0)
        {
            SetError("%s does not hold \"%s\"", packPath, names[i]);
            continue;
        }
        if (ExtractEntry(entry, prefix)) ++written;
    }
    m_reader.Free();
    return written;
}

std::uint32_t CPackBuilder::ExtractAll(const char* packPath, const char* destinationDir,
                                       const PackProgress& progress)
{
    XTRACE("CPackBuilder::ExtractAll");
    m_bCancel = false;
    m_lastError.clear();
    if (!m_reader.Init(packPath))
    {
        SetError("%s is missing or not a valid pack", packPath);
        return 0;
    }
    m_reader.m_bVerifyStored = true; // what is written out is checked whole
    const std::string prefix = std::string(destinationDir) + "\\";
    const int count = m_reader.GetFileCount();
    std::uint32_t written = 0;
    for (int i = 0; i < count && !m_bCancel; ++i)
    {
        if (progress) progress(m_reader.GetEntry(i).name, 100.0f * i / count);
        if (ExtractEntry(i, prefix)) ++written;
    }
    m_reader.Free();
    return written;
}

bool GetPackInfo(const char* packPath, std::uint32_t* blocks, std::uint32_t* blockSize, std::uint32_t* files)
{
    ZREngine reader;
    if (!reader.Init(packPath)) return false;
    *blocks = reader.GetHeader().blocks;
    *blockSize = reader.GetHeader().blockSize;
    *files = reader.GetHeader().files;
    return true;
}

bool GetPackFileNames(const char* packPath, char** names)
{
    ZREngine reader;
    if (!reader.Init(packPath)) return false;
    for (int i = 0; i < reader.GetFileCount(); ++i)
        std::memcpy(names[i], reader.GetEntry(i).name, SPakFileEntry::kNameSize);
    return true;
}

float MeasurePackDecode(const char* packPath, std::uint32_t* files, std::uint32_t* blocks,
                        std::uint32_t* blockSize, std::uint32_t* totalSize, std::uint32_t* packSize)
{
    ZREngine reader;
    if (!reader.Init(packPath)) return -1.0f;
    *files = reader.GetHeader().files;
    *blocks = reader.GetHeader().blocks;
    *blockSize = reader.GetHeader().blockSize;
    std::uint64_t total = 0;
    for (int i = 0; i < reader.GetFileCount(); ++i)
        total += reader.GetEntry(i).size;
    *totalSize = static_cast<std::uint32_t>(total);
    std::uint64_t length = 0;
    plat::GetFileSize(packPath, &length);
    *packSize = static_cast<std::uint32_t>(length);

    const std::uint32_t start = plat::GetTickCount();
    std::vector<std::uint8_t> data;
    for (int i = 0; i < reader.GetFileCount(); ++i)
    {
        data.resize(reader.GetEntry(i).size);
        reader.ReadAt(i, 0, data.data(), reader.GetEntry(i).size, true);
    }
    return static_cast<float>((plat::GetTickCount() - start) * 0.001);
}
