// "TM" files written in the test, loaded into CTexture through the device:
// plane recombination, 16-bit planes, DXT5 upload and the software path,
// levels and pools, packs, and damaged files.

#include "graphics/GraphicTestDevice.h"

#include "foundation/PakBuilder.h"
#include "foundation/PakFileSystem.h"
#include "foundation/Texture.h"
#include "graphics/DXTImage.h"
#include "graphics/ImageFile.h"
#include "graphics/TextureFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace
{

using namespace plat::d3d;
using gfxtest::CTempDir;

std::vector<std::uint32_t> Pattern(std::uint32_t width, std::uint32_t height, std::uint32_t seed)
{
    std::vector<std::uint32_t> px(std::size_t(width) * height);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& p : px)
    {
        x = x * 1664525u + 1013904223u;
        p = x ^ (x >> 13);
    }
    return px;
}

// Level `level` of a texture: 32-bit or 16-bit values, row by row.
template <typename T> std::vector<T> LevelPixels(Texture* texture, std::uint32_t level)
{
    SSurfaceDesc desc{};
    texture->GetLevelDesc(level, &desc);
    std::vector<T> out(std::size_t(desc.Width) * desc.Height);
    SLockedRect locked{};
    EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    for (std::uint32_t y = 0; y < desc.Height; ++y)
        std::memcpy(&out[std::size_t(y) * desc.Width],
                    static_cast<const std::uint8_t*>(locked.pBits) + std::size_t(y) * locked.Pitch,
                    desc.Width * sizeof(T));
    texture->UnlockRect(level);
    return out;
}

Format LevelFormat(Texture* texture)
{
    SSurfaceDesc desc{};
    texture->GetLevelDesc(0, &desc);
    return desc.Format;
}

class TextureFile : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenDevice());
        RegisterTextureFileReader();
    }

    std::string Write(const char* name, const std::vector<std::uint32_t>& level0, std::uint32_t w,
                      std::uint32_t h, bool compressed, std::uint32_t format, std::uint32_t levels = 0)
    {
        const std::string path = m_Dir / name;
        EXPECT_TRUE(WriteImageFile(path.c_str(), MakeImageLevels(level0, w, h, levels), compressed, format));
        return path;
    }

    // Draws the texture 1:1 at the top left with point sampling and reads
    // back its colour, or its alpha as grey.
    std::vector<std::uint32_t> Render(Texture* texture, std::uint32_t w, std::uint32_t h, bool alpha)
    {
        Device* d = graph.m_lpDevice;
        struct SVertex
        {
            float x, y, z, rhw;
            std::uint32_t diffuse;
            float u, v;
        };
        const float x1 = float(w) - 0.5f, y1 = float(h) - 0.5f;
        const SVertex quad[4] = {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 0, 0},
                                 {x1, -0.5f, 0, 1, 0xFFFFFFFF, 1, 0},
                                 {-0.5f, y1, 0, 1, 0xFFFFFFFF, 0, 1},
                                 {x1, y1, 0, 1, 0xFFFFFFFF, 1, 1}};
        const std::uint32_t fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
        VertexBuffer* vb = nullptr;
        EXPECT_EQ(d->CreateVertexBuffer(sizeof(quad), D3DUSAGE_WRITEONLY, fvf, D3DPOOL_MANAGED, &vb), D3D_OK);
        std::uint8_t* data = nullptr;
        vb->Lock(0, 0, &data, 0);
        std::memcpy(data, quad, sizeof(quad));
        vb->Unlock();

        d->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        d->SetRenderState(D3DRS_LIGHTING, 0);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
        d->SetTexture(0, texture);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE | (alpha ? D3DTA_ALPHAREPLICATE : 0));
        d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
        d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
        d->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
        graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
        d->BeginScene();
        d->SetVertexShader(fvf);
        d->SetStreamSource(0, vb, sizeof(SVertex));
        EXPECT_EQ(d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
        d->EndScene();
        d->SetStreamSource(0, nullptr, 0);
        d->SetTexture(0, nullptr);
        vb->Release();

        std::uint32_t bw = 0;
        const std::vector<std::uint32_t> frame = gfxtest::ReadBackBuffer(&bw);
        std::vector<std::uint32_t> out;
        for (std::uint32_t y = 0; y < h; ++y)
            for (std::uint32_t x = 0; x < w; ++x)
                out.push_back(frame[std::size_t(y) * bw + x] & 0x00FFFFFF);
        return out;
    }

    CTempDir m_Dir{"tmtex"};
};

struct SPlaneCase
{
    const char* name;
    std::uint32_t fileFormat;
    int bits;
    Format textureFormat;
};

class PlaneRecombination : public TextureFile, public ::testing::WithParamInterface<SPlaneCase>
{
};

TEST_P(PlaneRecombination, GivesBackThePixels)
{
    const SPlaneCase& c = GetParam();
    const std::vector<std::uint32_t> src = Pattern(32, 32, 3);
    const std::string path = Write("planes.tm", src, 32, 32, false, c.fileFormat);
    CTexture texture;
    ASSERT_TRUE(texture.LoadFromFile(path.c_str(), c.bits, 0, 1, 1)) << m_Dir.ErrorLog();
    ASSERT_NE(texture.m_lpTexture, nullptr);
    EXPECT_EQ(LevelFormat(texture.m_lpTexture), c.textureFormat);
    EXPECT_EQ(texture.m_nWidth, 32);
    EXPECT_EQ(texture.m_nHeight, 32);

    for (std::size_t i = 0; i < src.size(); ++i)
    {
        const std::uint32_t p = src[i];
        std::uint32_t expected;
        switch (c.textureFormat)
        {
        case D3DFMT_A8R8G8B8:
            expected = p;
            break;
        case D3DFMT_X8R8G8B8:
            expected = p & 0x00FFFFFF;
            break;
        case D3DFMT_A4R4G4B4:
            expected = (p >> 28 & 15) << 12 | (p >> 20 & 15) << 8 | (p >> 12 & 15) << 4 | (p >> 4 & 15);
            break;
        default:
            expected = (p >> 19 & 31) << 11 | (p >> 10 & 63) << 5 | (p >> 3 & 31);
            break;
        }
        std::uint32_t got;
        if (c.bits == 16)
            got = LevelPixels<std::uint16_t>(texture.m_lpTexture, 0)[i];
        else
            got = LevelPixels<std::uint32_t>(texture.m_lpTexture, 0)[i];
        ASSERT_EQ(got, expected) << "pixel " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    TM, PlaneRecombination,
    ::testing::Values(SPlaneCase{"Argb32", kImageFormatA8R8G8B8, 32, D3DFMT_A8R8G8B8},
                      SPlaneCase{"Xrgb32", kImageFormatX8R8G8B8, 32, D3DFMT_X8R8G8B8},
                      SPlaneCase{"Argb16FromPlaneOne", kImageFormatA8R8G8B8, 16, D3DFMT_A4R4G4B4},
                      SPlaneCase{"Rgb16FromPlaneOne", kImageFormatX8R8G8B8, 16, D3DFMT_R5G6B5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TextureFile, UncompressedLevelsAreMadeByTheReducerAndDefaultPoolIsUsedWhenNotManaged)
{
    const std::vector<std::uint32_t> src = Pattern(64, 32, 5);
    const std::string path = Write("levels.tm", src, 64, 32, false, kImageFormatA8R8G8B8);
    CTexture managed;
    ASSERT_TRUE(managed.LoadFromFile(path.c_str(), 32, 0, 0, 1));
    // 0 levels asked: the smaller of the two halvings, log2(32) = 5.
    EXPECT_EQ(managed.m_lpTexture->GetLevelCount(), 5u);
    const SImageFileLevels reference = MakeImageLevels(src, 64, 32);
    for (std::uint32_t level = 0; level < 5; ++level)
        EXPECT_EQ(LevelPixels<std::uint32_t>(managed.m_lpTexture, level), reference.levels[level]) << level;
    EXPECT_EQ(managed.m_nMemory, CTexture::EstimateMemory(64, 32, 5, D3DFMT_A8R8G8B8));

    CTexture unmanaged;
    ASSERT_TRUE(unmanaged.LoadFromFile(path.c_str(), 32, 0, 3, 0));
    EXPECT_EQ(unmanaged.m_lpTexture->GetPool(), D3DPOOL_DEFAULT);
    EXPECT_EQ(unmanaged.m_lpTexture->GetLevelCount(), 3u);
}

TEST_F(TextureFile, DXT5FilesAreUploadedAsStoredFromTheFirstKeptLevel)
{
    ASSERT_TRUE(graph.m_bDXT5);
    const std::vector<std::uint32_t> src = Pattern(128, 64, 9);
    const std::string path = Write("dxt.tm", src, 128, 64, true, 0);
    const std::vector<std::uint8_t> file = BuildImageFile(MakeImageLevels(src, 128, 64), true, 0);

    CTexture texture;
    ASSERT_TRUE(texture.LoadFromFile(path.c_str(), 32, 1, 0, 1)) << m_Dir.ErrorLog();
    EXPECT_EQ(LevelFormat(texture.m_lpTexture), D3DFMT_DXT5);
    EXPECT_EQ(texture.m_nWidth, 64);
    EXPECT_EQ(texture.m_nHeight, 32);
    // The file stores 8 levels (128 x 64 down to 1 x 1); one is dropped.
    ASSERT_EQ(texture.m_lpTexture->GetLevelCount(), 7u);
    std::size_t offset = 76 + 128 * 64;
    for (std::uint32_t level = 0; level < 7; ++level)
    {
        const std::uint32_t w = std::max(1u, 64u >> level), h = std::max(1u, 32u >> level);
        // n bytes for n pixels: a level below 4 x 4 stores the start of
        // its one block row, the rest of the row reads as zeros.
        const std::uint32_t size = StoredCompressedSize(w, h);
        SLockedRect locked{};
        ASSERT_EQ(texture.m_lpTexture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        const std::uint32_t rowBytes = ((w + 3) / 4) * 16;
        std::vector<std::uint8_t> stored(file.begin() + std::ptrdiff_t(offset),
                                         file.begin() + std::ptrdiff_t(offset + size));
        stored.resize(std::size_t(rowBytes) * ((h + 3) / 4), 0);
        for (std::uint32_t row = 0; row < (h + 3) / 4; ++row)
            EXPECT_EQ(std::memcmp(static_cast<const std::uint8_t*>(locked.pBits) + row * locked.Pitch,
                                  stored.data() + row * rowBytes, rowBytes),
                      0)
                << "level " << level << " row " << row;
        texture.m_lpTexture->UnlockRect(level);
        offset += size;
    }
}

TEST_F(TextureFile, SoftwareDecodingLooksLikeTheDeviceSamplingTheBlocks)
{
    // Blocks with both orders of c0 and c1 and random indices and alphas:
    // the cases where decoders part ways.
    std::vector<std::uint8_t> blocks(16 * 16);
    std::uint32_t x = 12345;
    for (auto& b : blocks)
    {
        x = x * 1103515245u + 12345u;
        b = std::uint8_t(x >> 16);
    }
    for (std::size_t i = 0; i < 16; ++i)
        if (i % 2 == 0 &&
            (blocks[i * 16 + 8] | blocks[i * 16 + 9] << 8) > (blocks[i * 16 + 10] | blocks[i * 16 + 11] << 8))
        {
            std::swap(blocks[i * 16 + 8], blocks[i * 16 + 10]);
            std::swap(blocks[i * 16 + 9], blocks[i * 16 + 11]);
        }
    std::vector<std::uint8_t> file(sizeof(SImageFileHeader));
    const std::uint32_t header[6] = {16, 16, D3DFMT_DXT5, 0, 1, 1};
    std::memcpy(file.data(), header, sizeof(header));
    file.insert(file.end(), blocks.begin(), blocks.end());
    const std::string path = m_Dir / "blocks.tm";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);

    CTexture onDevice, decoded;
    ASSERT_TRUE(onDevice.LoadFromFile(path.c_str(), 32, 0, 1, 1));
    graph.m_bDXT5 = 0;
    ASSERT_TRUE(decoded.LoadFromFile(path.c_str(), 32, 0, 1, 1));
    graph.m_bDXT5 = 1;
    ASSERT_EQ(LevelFormat(onDevice.m_lpTexture), D3DFMT_DXT5);
    ASSERT_EQ(LevelFormat(decoded.m_lpTexture), D3DFMT_A8R8G8B8);

    // The entries between a block's two ends are thirds (alpha: sevenths or
    // fifths) of the way; GPUs compute those with fixed-point shortcuts of
    // their own (Mesa's rasteriser is off by up to 2 of 255). A decoder with
    // another colour form (a black or yellow fourth entry) or another
    // expansion of 5 bits (248 for full red) misses by far more.
    const int kRounding = 2;
    for (bool alpha : {false, true})
    {
        const std::vector<std::uint32_t> gpu = Render(onDevice.m_lpTexture, 16, 16, alpha);
        const std::vector<std::uint32_t> cpu = Render(decoded.m_lpTexture, 16, 16, alpha);
        for (std::size_t i = 0; i < gpu.size(); ++i)
            for (int shift = 0; shift < 24; shift += 8)
                ASSERT_LE(std::abs(int(cpu[i] >> shift & 255) - int(gpu[i] >> shift & 255)), kRounding)
                    << (alpha ? "alpha" : "colour") << " of pixel " << i % 16 << "," << i / 16 << ": "
                    << std::hex << cpu[i] << " decoded, " << gpu[i] << " sampled";
    }
}

TEST_F(TextureFile, PackedFilesLoadLikeLooseOnes)
{
    const std::vector<std::uint32_t> src = Pattern(32, 32, 11);
    const std::string loose = Write("loose.tm", src, 32, 32, false, kImageFormatA8R8G8B8);
    std::filesystem::create_directories(m_Dir.Path() / "Data");
    const char* names[] = {"Textures\\packed.tm"};
    const char* files[] = {loose.c_str()};
    CPackBuilder builder;
    const std::string pack = m_Dir / "Data/tex.pak";
    ASSERT_TRUE(builder.Build(pack.c_str(), names, files, 1, 64, 0x05, 0.0f, nullptr, nullptr))
        << builder.GetLastError();
    ASSERT_EQ(GetPakFileSystem().Mount((m_Dir.Path() / "Data").c_str()), 1);

    CTexture texture;
    const bool loaded = texture.LoadFromFile("Textures\\packed.tm", 32, 0, 1, 1);
    GetPakFileSystem().Unmount();
    ASSERT_TRUE(loaded) << m_Dir.ErrorLog();
    EXPECT_EQ(LevelPixels<std::uint32_t>(texture.m_lpTexture, 0), src);
}

TEST_F(TextureFile, DamagedAndMissingFilesFailWithOneLogLine)
{
    std::vector<std::uint8_t> bytes = BuildImageFile(MakeImageLevels(Pattern(32, 32, 1), 32, 32), false, 21);
    bytes.resize(200);
    const std::string path = m_Dir / "cut.tm";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);

    CTexture texture;
    EXPECT_FALSE(texture.LoadFromFile(path.c_str(), 32, 0, 0, 1));
    EXPECT_EQ(texture.m_lpTexture, nullptr);
    EXPECT_FALSE(texture.LoadFromFile((m_Dir / "none.tm").c_str(), 32, 0, 0, 1));
    const std::string log = m_Dir.ErrorLog();
    EXPECT_NE(log.find("cut.tm' at offset 200: data cut short"), std::string::npos) << log;
    EXPECT_NE(log.find("none.tm' not found"), std::string::npos) << log;
}

} // namespace

namespace
{

class Downsample : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override { ASSERT_TRUE(OpenDevice()); }

    Surface* Image(std::uint32_t w, std::uint32_t h, Format format, std::uint32_t fill)
    {
        Surface* s = nullptr;
        EXPECT_EQ(graph.m_lpDevice->CreateImageSurface(w, h, format, &s), D3D_OK);
        SLockedRect locked{};
        s->LockRect(&locked, nullptr, 0);
        for (std::uint32_t y = 0; y < h; ++y)
            for (std::uint32_t x = 0; x < w; ++x)
                if (format == D3DFMT_R5G6B5)
                    reinterpret_cast<std::uint16_t*>(static_cast<std::uint8_t*>(locked.pBits) +
                                                     y * locked.Pitch)[x] = std::uint16_t(fill);
                else
                    reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) +
                                                     y * locked.Pitch)[x] = fill;
        s->UnlockRect();
        m_Surfaces.push_back(s);
        return s;
    }
    std::uint32_t At(Surface* s, std::uint32_t x, std::uint32_t y)
    {
        SLockedRect locked{};
        s->LockRect(&locked, nullptr, D3DLOCK_READONLY);
        const std::uint32_t v = reinterpret_cast<const std::uint32_t*>(
            static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch)[x];
        s->UnlockRect();
        return v;
    }
    void TearDown() override
    {
        for (Surface* s : m_Surfaces)
            s->Release();
        gfxtest::CGraphicDeviceTest::TearDown();
    }
    std::vector<Surface*> m_Surfaces;
};

TEST_F(Downsample, WeighsSixBySixTapsAndRefusesOtherShapes)
{
    Surface* flat = Image(8, 8, D3DFMT_X8R8G8B8, 0x00406080);
    Surface* half = Image(4, 4, D3DFMT_X8R8G8B8, 0);
    ASSERT_EQ(DownsampleSurface(flat, half, 1.0f), plat::S_OK);
    for (std::uint32_t y = 0; y < 4; ++y)
        for (std::uint32_t x = 0; x < 4; ++x)
            EXPECT_EQ(At(half, x, y), 0x00406080u);

    // One bright pixel at (2, 2) is a centre tap of destination (1, 1):
    // weight 80 / 10 = 8 of the 140 that the 36 taps weigh together.
    Surface* dot = Image(8, 8, D3DFMT_A8R8G8B8, 0);
    SLockedRect locked{};
    dot->LockRect(&locked, nullptr, 0);
    reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(locked.pBits) + 2 * locked.Pitch)[2] =
        0xFF0000FF;
    dot->UnlockRect();
    Surface* out = Image(4, 4, D3DFMT_A8R8G8B8, 0);
    ASSERT_EQ(DownsampleSurface(dot, out, 10.0f), plat::S_OK);
    EXPECT_EQ(At(out, 1, 1), 0x0E00000Eu); // 255 * 8 / 140 = 14
    // (0, 0) sees it two taps right and down of its centre: weight 4.
    EXPECT_EQ(At(out, 0, 0), 0x07000007u); // 255 * 4 / 140 = 7

    EXPECT_EQ(DownsampleSurface(flat, out, 1.0f), plat::E_FAIL);                             // formats differ
    EXPECT_EQ(DownsampleSurface(flat, Image(3, 4, D3DFMT_X8R8G8B8, 0), 1.0f), plat::E_FAIL); // not half
    EXPECT_EQ(DownsampleSurface(Image(8, 8, D3DFMT_R5G6B5, 0), Image(4, 4, D3DFMT_R5G6B5, 0), 1.0f),
              plat::E_FAIL); // 16-bit
}

} // namespace
