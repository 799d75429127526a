// A minimal PNG writer for tests that leave a picture for a person to look
// at: 8-bit RGB from X8R8G8B8 pixels, zlib stored blocks (no compression).
// The picture goes next to the test program (the build tree), never into
// the source tree.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace gfxtest
{
// ---- a minimal PNG writer: RGB, zlib stored blocks
inline std::uint32_t Crc(const std::uint8_t* data, std::size_t n, std::uint32_t crc = 0xFFFFFFFFu)
{
    for (std::size_t i = 0; i < n; ++i)
    {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc;
}

inline void Chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data)
{
    auto be32 = [&](std::uint32_t v) {
        for (int s = 24; s >= 0; s -= 8)
            out.push_back(std::uint8_t(v >> s));
    };
    be32(std::uint32_t(data.size()));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    be32(Crc(&out[start], out.size() - start) ^ 0xFFFFFFFFu);
}

inline void WritePng(const char* path, const std::vector<std::uint32_t>& xrgb, std::uint32_t w, std::uint32_t h)
{
    std::vector<std::uint8_t> raw;
    for (std::uint32_t y = 0; y < h; ++y)
    {
        raw.push_back(0);
        for (std::uint32_t x = 0; x < w; ++x)
        {
            const std::uint32_t c = xrgb[std::size_t(y) * w + x];
            raw.insert(raw.end(), {std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c)});
        }
    }
    std::vector<std::uint8_t> z = {0x78, 0x01};
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t v : raw)
    {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t pos = 0; pos < raw.size();)
    {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
        z.push_back(pos + n == raw.size() ? 1 : 0);
        z.insert(z.end(), {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(~n), std::uint8_t(~n >> 8)});
        z.insert(z.end(), raw.begin() + std::ptrdiff_t(pos), raw.begin() + std::ptrdiff_t(pos + n));
        pos += n;
    }
    const std::uint32_t adler = (b << 16) | a;
    for (int s = 24; s >= 0; s -= 8)
        z.push_back(std::uint8_t(adler >> s));
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> ihdr = {std::uint8_t(w >> 24), std::uint8_t(w >> 16), std::uint8_t(w >> 8),
                                      std::uint8_t(w),       std::uint8_t(h >> 24), std::uint8_t(h >> 16),
                                      std::uint8_t(h >> 8),  std::uint8_t(h),       8, 2, 0, 0, 0};
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
}

// The directory of the running test program (the build tree).
inline std::filesystem::path PictureDirectory()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && !exe.parent_path().empty()) return exe.parent_path();
    return std::filesystem::temp_directory_path();
}
} // namespace gfxtest
