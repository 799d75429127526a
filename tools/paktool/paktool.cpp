// paktool: builds, lists and extracts pack files with the engine's own
// pack builder and reader.
//
//     paktool create PACK DIR [--block-size N] [--methods MASK]
//     paktool list PACK
//     paktool extract PACK DIR
//
// create stores every file below DIR under its path relative to DIR ('\'
// separators); extract writes the entries below DIR again, checking every
// block, so a directory survives create and extract byte for byte. N: block
// size in bytes, default 262144. MASK: method bits (1 LZO, 4 RLE16, 0x80
// speed mode); default 5; other bits are refused. Exit codes: 0 done, 1
// failed (bad pack, unreadable file), 2 wrong arguments (the usage goes to
// stderr); --help prints the usage on stdout and exits 0.
//
// Errors go to stderr, each once: the engine's reader and builder say why
// a pack cannot be read or written (its log writes no files here, so
// nothing is left in the caller's folder); paktool adds a line only where
// they say nothing.

#include "foundation/ErrorLog.h"
#include "foundation/PakBuilder.h"
#include "foundation/PakReader.h"
#include "platform/File.h"
#include "platform/Time.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
// The usage on stdout for --help (exit 0), on stderr for wrong arguments (2).
int Usage(bool asked = false)
{
    std::fprintf(asked ? stdout : stderr,
                 "usage: paktool create PACK DIR [--block-size N] [--methods MASK]\n"
                 "       paktool list PACK\n"
                 "       paktool extract PACK DIR\n"
                 "       paktool --help\n"
                 "N: block size in bytes (default 262144); MASK: method bits, 1 LZO, 4 RLE16,\n"
                 "0x80 speed mode (default 5).\n");
    return asked ? 0 : 2;
}

// A progress line on stderr for work that takes more than half a second,
// redrawn at most five times a second.
class CProgress
{
public:
    void operator()(const char* path, float percent)
    {
        const std::uint32_t now = plat::GetTickCount();
        if (now - m_nStart < 500 || now - m_nLast < 200) return;
        m_nLast = now;
        m_bShown = true;
        std::fprintf(stderr, "\rpaktool: %3d%% %-60.60s", static_cast<int>(percent), path);
        std::fflush(stderr);
    }
    ~CProgress()
    {
        if (m_bShown) std::fprintf(stderr, "\rpaktool: 100%%%-62s\n", "");
    }

private:
    std::uint32_t m_nStart = plat::GetTickCount();
    std::uint32_t m_nLast = 0;
    bool m_bShown = false;
};

// Every file below dir, as paths relative to it with '\' separators.
bool ListFiles(const std::string& dir, const std::string& relative, std::vector<std::string>& out)
{
    const std::string pattern = dir + (relative.empty() ? "" : "\\" + relative) + "\\*";
    plat::FindData data;
    plat::FindHandle search = plat::FindFirstFile(pattern.c_str(), &data);
    if (!search) return plat::DirectoryExists((dir + "\\" + relative).c_str());
    do
    {
        const std::string name = relative.empty() ? std::string(data.name) : relative + "\\" + data.name;
        if (data.attributes & plat::FILE_ATTRIBUTE_DIRECTORY)
        {
            if (!ListFiles(dir, name, out)) return false;
        }
        else
            out.push_back(name);
    } while (plat::FindNextFile(search, &data));
    plat::FindClose(search);
    return true;
}

int Create(const char* pack, const char* dir, std::uint32_t blockSize, std::uint32_t methods)
{
    if (!plat::DirectoryExists(dir))
    {
        std::fprintf(stderr, "paktool: %s is not a directory\n", dir);
        return 1;
    }
    std::vector<std::string> names;
    ListFiles(dir, "", names);
    // An older copy of the pack inside the directory is not packed into itself.
    const std::string packPath = plat::ResolvePath(pack);
    std::vector<std::string> paths;
    for (auto it = names.begin(); it != names.end();)
    {
        const std::string path = std::string(dir) + "\\" + *it;
        if (plat::ResolvePath(path.c_str()) == packPath)
        {
            it = names.erase(it);
            continue;
        }
        paths.push_back(path);
        ++it;
    }
    std::vector<const char*> namePointers;
    std::vector<const char*> pathPointers;
    for (std::size_t i = 0; i < names.size(); ++i)
    {
        namePointers.push_back(names[i].c_str());
        pathPointers.push_back(paths[i].c_str());
    }
    CPackBuilder builder;
    SPackStatistics stats;
    bool built = false;
    {
        CProgress progress;
        built = builder.Build(pack, namePointers.data(), pathPointers.data(),
                              static_cast<std::uint32_t>(names.size()), blockSize, methods, 0.0f,
                              std::ref(progress), &stats);
    }
    if (!built) return 1; // the builder has said why
    std::printf("%s: %u files, %u bytes in %u blocks of %u; pack %u bytes (LZO %u, RLE16 %u, stored %u)\n",
                pack, stats.files, stats.totalSize, stats.blocks, stats.blockSize, stats.packSize,
                stats.lzoBlocks, stats.rle16Blocks,
                stats.blocks - stats.lzoBlocks - stats.rle16Blocks - stats.method2Blocks);
    return 0;
}

// Opens a pack; false after one line on stderr: the reader's reason for a
// damaged pack, or paktool's for one that cannot be opened at all.
bool OpenPack(ZREngine& reader, const char* pack)
{
    if (reader.Init(pack)) return true;
    if (std::FILE* f = plat::FOpen(pack, "rb"))
        std::fclose(f); // damaged: the reader has said why
    else
        std::fprintf(stderr, "paktool: cannot open %s\n", pack);
    return false;
}

int List(const char* pack)
{
    ZREngine reader;
    if (!OpenPack(reader, pack)) return 1;
    std::printf("%-60s %10s %10s\n", "name", "offset", "size");
    for (int i = 0; i < reader.GetFileCount(); ++i)
    {
        const SPakFileEntry& entry = reader.GetEntry(i);
        std::printf("%-60s %10u %10u\n", entry.name, entry.offset, entry.size);
    }
    std::printf("%d files, %u blocks of %u bytes\n", reader.GetFileCount(), reader.GetBlockCount(),
                reader.GetBlockSize());
    return 0;
}

int Extract(const char* pack, const char* dir)
{
    ZREngine reader;
    if (!OpenPack(reader, pack)) return 1;
    const std::uint32_t count = static_cast<std::uint32_t>(reader.GetFileCount());
    reader.Free();
    if (!plat::CreateDirectory(dir))
    {
        std::fprintf(stderr, "paktool: cannot create %s\n", dir);
        return 1;
    }
    CPackBuilder builder;
    std::uint32_t written = 0;
    {
        CProgress progress;
        written = builder.ExtractAll(pack, dir, std::ref(progress));
    }
    if (written != count)
    {
        // The builder has said what went wrong; this is the count.
        std::fprintf(stderr, "paktool: %u of %u files extracted\n", written, count);
        return 1;
    }
    std::printf("%s: %u files extracted to %s\n", pack, written, dir);
    return 0;
}

bool ParseNumber(const char* text, std::uint32_t& out)
{
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 0);
    if (!*text || *end || value > 0xFFFFFFFFul) return false;
    out = static_cast<std::uint32_t>(value);
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    g_ErrorLog.SetDirectory(nullptr);
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return Usage(true);
    // Options only follow create's PACK and DIR: a leading '-' anywhere else
    // is an unknown option, not a file name.
    for (int i = 1; i < std::min(argc, 4); ++i)
        if (argv[i][0] == '-') return Usage();
    if (argc < 3) return Usage();
    const std::string command = argv[1];
    if (command == "list" && argc == 3) return List(argv[2]);
    if (command == "extract" && argc == 4) return Extract(argv[2], argv[3]);
    if (command != "create" || argc < 4) return Usage();
    // Every block costs one read of the pack file: blocks of 256 KB keep
    // reading near the speed of loose files, while a random read still
    // decodes little (see bench/pak_read.cpp).
    std::uint32_t blockSize = 256 * 1024;
    std::uint32_t methods = CPackCodec::kLzo | CPackCodec::kRle16;
    for (int i = 4; i < argc; i += 2)
    {
        if (i + 1 >= argc) return Usage();
        const std::string option = argv[i];
        std::uint32_t* target = option == "--block-size" ? &blockSize
                                : option == "--methods"  ? &methods
                                                         : nullptr;
        if (!target || !ParseNumber(argv[i + 1], *target)) return Usage();
    }
    constexpr std::uint32_t kKnownMethods = CPackCodec::kLzo | CPackCodec::kRle16 | CPackBuilder::kSpeedMode;
    if (methods & ~kKnownMethods)
    {
        std::fprintf(stderr, "paktool: --methods %u: unknown method bits 0x%X\n", methods, methods & ~kKnownMethods);
        return Usage();
    }
    return Create(argv[2], argv[3], blockSize, methods);
}
