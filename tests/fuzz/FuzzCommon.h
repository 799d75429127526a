// Shared set-up of the fuzz targets: each runs in a private temporary
// directory (its working directory, where the readers' files and the error
// log go), removed at exit.
#pragma once

#include "foundation/ErrorLog.h"
#include "platform/File.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace fuzz
{

inline std::filesystem::path& Directory()
{
    static std::filesystem::path directory;
    return directory;
}

inline void RemoveDirectory()
{
    std::error_code ignored;
    std::filesystem::remove_all(Directory(), ignored);
}

// Once per process: the private directory becomes the working directory.
inline bool SetUp(const char* name)
{
    Directory() = std::filesystem::temp_directory_path() /
                  ("tvx_fuzz_" + std::string(name) + "_" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(Directory());
    plat::SetCurrentDirectory(Directory().c_str());
    g_ErrorLog.SetDirectory(Directory().c_str());
    std::atexit(RemoveDirectory);
    return true;
}

inline bool WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = plat::FOpen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = size == 0 || std::fwrite(data, size, 1, file) == 1;
    return std::fclose(file) == 0 && ok;
}

// The bytes of a file a seed writer had the engine write, the file removed.
inline std::vector<std::uint8_t> TakeFile(const std::filesystem::path& path)
{
    std::vector<std::uint8_t> bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::filesystem::remove(path);
    return bytes;
}

// A seed written by the engine's writers as "<name>.seed", and variants of
// it cut short at a few places and with a few bytes changed.
inline void WriteSeeds(const std::filesystem::path& dir, const std::string& name,
                       const std::vector<std::uint8_t>& seed)
{
    auto write = [&dir](const std::string& file, const std::vector<std::uint8_t>& bytes)
    {
        std::ofstream(dir / file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    write(name + ".seed", seed);
    if (seed.empty()) return;
    std::mt19937 random(static_cast<unsigned>(seed.size()) * 2654435761u);
    for (std::size_t cut : {std::size_t{3}, std::size_t{40}, seed.size() / 2, seed.size() - 1})
        if (cut < seed.size())
            write(name + ".cut" + std::to_string(cut),
                  std::vector<std::uint8_t>(seed.begin(), seed.begin() + long(cut)));
    for (int variant = 0; variant < 8; ++variant)
    {
        std::vector<std::uint8_t> damaged = seed;
        for (int k = 0; k <= variant % 3; ++k)
            damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
        write(name + ".flip" + std::to_string(variant), damaged);
    }
}

// Database inputs hold three files: u32 table length, u32 index length,
// the table file, the index file, the rest is the data file.
struct SDatabaseInput
{
    const std::uint8_t* table = nullptr;
    std::size_t tableSize = 0;
    const std::uint8_t* index = nullptr;
    std::size_t indexSize = 0;
    const std::uint8_t* data = nullptr;
    std::size_t dataSize = 0;
};

inline bool SplitDatabaseInput(const std::uint8_t* bytes, std::size_t size, SDatabaseInput& out)
{
    if (size < 8) return false;
    std::uint32_t lengths[2];
    std::memcpy(lengths, bytes, 8);
    const std::size_t rest = size - 8;
    if (lengths[0] > rest || lengths[1] > rest - lengths[0]) return false;
    out.table = bytes + 8;
    out.tableSize = lengths[0];
    out.index = out.table + lengths[0];
    out.indexSize = lengths[1];
    out.data = out.index + lengths[1];
    out.dataSize = rest - lengths[0] - lengths[1];
    return true;
}

} // namespace fuzz
