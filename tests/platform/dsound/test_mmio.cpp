// RIFF reading in the manner of the multimedia file functions.

#include "platform/dsound/Mmio.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace
{

void PutU32(std::string& s, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Chunk(const char* id, const std::string& body)
{
    std::string s(id, 4);
    PutU32(s, static_cast<std::uint32_t>(body.size()));
    s += body;
    if (body.size() & 1) s += '\0';
    return s;
}

class MmioTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() /
                ("tvx_mmio_" + std::to_string(std::random_device{}()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Write(const std::string& bytes)
    {
        const std::string path = (m_dir / "f.wav").string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::filesystem::path m_dir;
};

TEST_F(MmioTest, DescendsFindsChunksAndReadsThroughTheBuffer)
{
    std::string data;
    for (int i = 0; i < 20000; ++i)
        data += static_cast<char>(i * 7);
    const std::string riff = Chunk("RIFF", std::string("WAVE") + Chunk("LIST", "odd") +
                                               Chunk("fmt ", std::string(16, 'f')) + Chunk("data", data));
    const std::string path = Write(riff);

    plat::MmioHandle h = plat::MmioOpen(path.c_str(), nullptr, plat::MMIO_READ | plat::MMIO_ALLOCBUF);
    ASSERT_NE(h, nullptr);
    plat::MmChunkInfo parent;
    parent.fccType = plat::MakeFourCC('W', 'A', 'V', 'E');
    ASSERT_EQ(plat::MmioDescend(h, &parent, nullptr, plat::MMIO_FINDRIFF), plat::MMSYSERR_NOERROR);
    plat::MmChunkInfo fmt;
    fmt.ckid = plat::MakeFourCC('f', 'm', 't', ' ');
    ASSERT_EQ(plat::MmioDescend(h, &fmt, &parent, plat::MMIO_FINDCHUNK), plat::MMSYSERR_NOERROR);
    EXPECT_EQ(fmt.cksize, 16u);
    EXPECT_EQ(fmt.dataOffset, 12u + 12u + 8u); // after the padded LIST chunk
    char f[16];
    ASSERT_EQ(plat::MmioRead(h, f, 16), 16);
    ASSERT_EQ(plat::MmioAscend(h, &fmt, 0), plat::MMSYSERR_NOERROR);
    // Back to the start of the form and on to "data".
    ASSERT_EQ(plat::MmioSeek(h, static_cast<std::int32_t>(parent.dataOffset + 4), SEEK_SET),
              static_cast<std::int32_t>(parent.dataOffset + 4));
    plat::MmChunkInfo ck;
    ck.ckid = plat::MakeFourCC('d', 'a', 't', 'a');
    ASSERT_EQ(plat::MmioDescend(h, &ck, &parent, plat::MMIO_FINDCHUNK), plat::MMSYSERR_NOERROR);
    ASSERT_EQ(ck.cksize, data.size());
    EXPECT_EQ(plat::MmioSeek(h, 0, SEEK_END), static_cast<std::int32_t>(riff.size()));
    ASSERT_EQ(plat::MmioSeek(h, static_cast<std::int32_t>(ck.dataOffset), SEEK_SET),
              static_cast<std::int32_t>(ck.dataOffset));

    plat::MmioInfo info;
    ASSERT_EQ(plat::MmioGetInfo(h, &info, 0), plat::MMSYSERR_NOERROR);
    std::string read;
    while (read.size() < data.size())
    {
        if (info.next == info.endRead)
        {
            ASSERT_EQ(plat::MmioAdvance(h, &info, plat::MMIO_READ), plat::MMSYSERR_NOERROR);
            ASSERT_NE(info.next, info.endRead) << "empty advance before the data ended";
        }
        const std::size_t n = std::min<std::size_t>(info.endRead - info.next, data.size() - read.size());
        read.append(info.next, n);
        info.next += n;
    }
    ASSERT_EQ(plat::MmioSetInfo(h, &info, 0), plat::MMSYSERR_NOERROR);
    EXPECT_EQ(read, data);
    // At the end of the file an advance brings nothing.
    ASSERT_EQ(plat::MmioAdvance(h, &info, plat::MMIO_READ), plat::MMSYSERR_NOERROR);
    EXPECT_EQ(info.next, info.endRead);
    plat::MmioClose(h, 0);
}

TEST_F(MmioTest, DamagedChunkTablesAreNotFound)
{
    struct Case
    {
        const char* what;
        std::string bytes;
    };
    // A chunk to skip whose size runs past its parent: the search stops.
    std::string pastParent = Chunk("RIFF", std::string("WAVE") + "junk" + std::string("\xFF\xFF\x00\x00", 4) +
                                               Chunk("fmt ", std::string(16, 'f')));
    std::string truncated = Chunk("RIFF", std::string("WAVE") + "fm");
    std::string noFmt = Chunk("RIFF", std::string("WAVE") + Chunk("data", "1234"));
    const Case cases[] = {
        {"skipped chunk larger than its parent", pastParent},
        {"header cut short", truncated},
        {"no such chunk", noFmt},
    };
    for (const Case& c : cases)
    {
        const std::string path = Write(c.bytes);
        plat::MmioHandle h = plat::MmioOpen(path.c_str(), nullptr, plat::MMIO_ALLOCBUF);
        ASSERT_NE(h, nullptr);
        plat::MmChunkInfo parent;
        parent.fccType = plat::MakeFourCC('W', 'A', 'V', 'E');
        ASSERT_EQ(plat::MmioDescend(h, &parent, nullptr, plat::MMIO_FINDRIFF), plat::MMSYSERR_NOERROR)
            << c.what;
        plat::MmChunkInfo fmt;
        fmt.ckid = plat::MakeFourCC('f', 'm', 't', ' ');
        EXPECT_EQ(plat::MmioDescend(h, &fmt, &parent, plat::MMIO_FINDCHUNK), plat::MMIOERR_CHUNKNOTFOUND)
            << c.what;
        plat::MmioClose(h, 0);
    }

    plat::MmioInfo info;
    EXPECT_EQ(plat::MmioOpen((m_dir / "missing.wav").c_str(), &info, plat::MMIO_ALLOCBUF), nullptr);
    EXPECT_EQ(info.error, plat::MMIOERR_FILENOTFOUND);
}

} // namespace
