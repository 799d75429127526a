// The D3DX image functions: every file type into a texture, the engine's
// format requests, mip levels, corrupt files, surfaces from files and from
// surfaces, and the scaling filters.
#include "../d3d8/D3D8Fixture.h"
#include "ImageFiles.h"

#include "platform/d3d8/Format.h"
#include "platform/d3dx/D3DX.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

namespace d3dxtest
{

using namespace plat::d3d;
using d3dtest::Near;
using plat::Failed;
using plat::HResult;
namespace fs = std::filesystem;

namespace
{

// Distinct colours per pixel, so that flipped or shifted rows show.
Pixels Pattern(std::uint32_t w, std::uint32_t h, std::uint32_t alpha = 0xFF)
{
    Pixels p(std::size_t(w) * h);
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x)
            p[y * w + x] = alpha << 24 | (x * 255 / (w - 1)) << 16 | (y * 255 / (h - 1)) << 8 | 0x40;
    return p;
}

// One colour per 4x4 block: exact in every DXT format.
Pixels Blocks(std::uint32_t w, std::uint32_t h)
{
    static const std::uint32_t kColours[] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    Pixels p(std::size_t(w) * h);
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x)
            p[y * w + x] = kColours[(x / 4 + y / 4 * 2) % 4];
    return p;
}

Bytes Encode(Format f, const Pixels& argb, std::uint32_t w, std::uint32_t h)
{
    Bytes b(ImageBytes(f, w, h));
    EncodeFromArgb(f, argb.data(), w, h, b.data(), RowPitch(f, w));
    return b;
}

// A device test run in a fresh current directory holding the test's files.
class CD3dxTest : public d3dtest::CDeviceTest
{
protected:
    void SetUp() override
    {
        m_old = fs::current_path();
        m_root = fs::temp_directory_path() / ("tvx_d3dx_" + std::to_string(std::random_device()()));
        ASSERT_TRUE(fs::create_directories(m_root / "Data" / "Tex"));
        fs::current_path(m_root);
        CDeviceTest::SetUp();
    }
    void TearDown() override
    {
        CDeviceTest::TearDown();
        fs::current_path(m_old);
        fs::remove_all(m_root);
    }
    static void Save(const std::string& name, const Bytes& bytes)
    {
        std::ofstream(fs::path("Data/Tex") / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    // Level of a texture as A8R8G8B8.
    static Pixels Level(Texture* t, std::uint32_t level)
    {
        SSurfaceDesc d{};
        t->GetLevelDesc(level, &d);
        Pixels out(std::size_t(d.Width) * d.Height);
        SLockedRect lr{};
        EXPECT_EQ(t->LockRect(level, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        DecodeToArgb(d.Format, static_cast<const std::uint8_t*>(lr.pBits), std::size_t(lr.Pitch), d.Width,
                     d.Height, out.data());
        t->UnlockRect(level);
        return out;
    }
    static Pixels Read(Surface* s)
    {
        SSurfaceDesc d{};
        s->GetDesc(&d);
        Pixels out(std::size_t(d.Width) * d.Height);
        SLockedRect lr{};
        EXPECT_EQ(s->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
        DecodeToArgb(d.Format, static_cast<const std::uint8_t*>(lr.pBits), std::size_t(lr.Pitch), d.Width,
                     d.Height, out.data());
        s->UnlockRect();
        return out;
    }
    static void ExpectPixels(const Pixels& got, const Pixels& want, int tolerance, const std::string& what)
    {
        ASSERT_EQ(got.size(), want.size()) << what;
        for (std::size_t i = 0; i < got.size(); ++i)
            ASSERT_TRUE(Near(got[i], want[i], tolerance)) << what << " pixel " << i;
    }
    Texture* Load(const char* path, Format format, std::uint32_t levels = 1,
                  std::uint32_t pool = D3DPOOL_MANAGED, SImageInfo* info = nullptr, Color key = 0)
    {
        Texture* t = nullptr;
        const HResult hr =
            D3DXCreateTextureFromFileExA(m_dev, path, D3DX_DEFAULT, D3DX_DEFAULT, levels, 0, format, pool,
                                         D3DX_FILTER_BOX, D3DX_DEFAULT, key, info, nullptr, &t);
        EXPECT_EQ(hr, D3D_OK) << path;
        if (t) m_keep.push_back(t);
        return t;
    }

    fs::path m_old, m_root;
};

struct SFileCase
{
    const char* name;
    std::function<Bytes()> write;
    std::uint32_t fileFormat;
    Format format; // as the file's info reports it
    std::uint32_t levels;
    std::function<Pixels()> expected; // level 0 as A8R8G8B8
    int tolerance;
};

const SFileCase kFiles[] = {
    {"bmp24.bmp", [] { return WriteBmp(Pattern(6, 5), 6, 5, 24); }, D3DXIFF_BMP, D3DFMT_R8G8B8, 1,
     [] { return Pattern(6, 5); }, 0},
    {"bmp32.bmp", [] { return WriteBmp(Pattern(4, 4), 4, 4, 32); }, D3DXIFF_BMP, D3DFMT_X8R8G8B8, 1,
     [] { return Pattern(4, 4); }, 0},
    {"tga32.tga", [] { return WriteTga(Pattern(5, 3, 0x80), 5, 3, 32, false, false); }, D3DXIFF_TGA,
     D3DFMT_A8R8G8B8, 1, [] { return Pattern(5, 3, 0x80); }, 0},
    {"tga24rle.tga", [] { return WriteTga(Blocks(8, 8), 8, 8, 24, true, true); }, D3DXIFF_TGA, D3DFMT_R8G8B8,
     1, [] { return Blocks(8, 8); }, 0},
    {"png.png", [] { return WritePng(Pattern(7, 4, 0x33), 7, 4); }, D3DXIFF_PNG, D3DFMT_A8R8G8B8, 1,
     [] { return Pattern(7, 4, 0x33); }, 0},
    {"jpeg.jpg", [] { return WriteJpeg(Blocks(16, 16), 16, 16); }, D3DXIFF_JPG, D3DFMT_X8R8G8B8, 1,
     [] { return Blocks(16, 16); }, 12},
    {"dds_argb.dds",
     [] { return WriteDds(4, 2, kDdsArgb, {Encode(D3DFMT_A8R8G8B8, Pattern(4, 2, 0x70), 4, 2)}); },
     D3DXIFF_DDS, D3DFMT_A8R8G8B8, 1, [] { return Pattern(4, 2, 0x70); }, 0},
    {"dds_565.dds", [] { return WriteDds(4, 4, kDds565, {Encode(D3DFMT_R5G6B5, Pattern(4, 4), 4, 4)}); },
     D3DXIFF_DDS, D3DFMT_R5G6B5, 1, [] { return Pattern(4, 4); }, 8},
    {"dds_abgr.dds",
     []
     {
         // Red and blue swapped against A8R8G8B8: no format matches, so the
         // reader unpacks it through its masks.
         Pixels p = Pattern(4, 4, 0x90), swapped;
         for (std::uint32_t c : p)
             swapped.push_back((c & 0xFF00FF00) | (c >> 16 & 0xFF) | (c & 0xFF) << 16);
         return WriteDds(4, 4, kDdsAbgr, {Encode(D3DFMT_A8R8G8B8, swapped, 4, 4)});
     },
     D3DXIFF_DDS, D3DFMT_A8R8G8B8, 1, [] { return Pattern(4, 4, 0x90); }, 0},
    {"dds_l8.dds",
     [] {
         return WriteDds(4, 1, kDdsL8, {Bytes{0, 85, 170, 255}});
     },
     D3DXIFF_DDS, D3DFMT_L8, 1,
     [] {
         return Pixels{0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF};
     },
     0},
    {"dds_dxt5.dds",
     []
     {
         return WriteDds(8, 8, {4, FourCc("DXT5"), 0, 0, 0, 0, 0},
                         {Encode(D3DFMT_DXT5, Blocks(8, 8), 8, 8), Encode(D3DFMT_DXT5, Blocks(4, 4), 4, 4)});
     },
     D3DXIFF_DDS, D3DFMT_DXT5, 2, [] { return Blocks(8, 8); }, 4},
};

class CImageFile : public CD3dxTest, public ::testing::WithParamInterface<SFileCase>
{
};

} // namespace

TEST_P(CImageFile, InfoAndPixelsAreRead)
{
    const SFileCase& c = GetParam();
    Save(c.name, c.write());
    // Engine paths: backslashes and any case.
    std::string path = std::string("DATA\\tex\\") + c.name;
    for (auto& ch : path)
        ch = char(std::toupper(static_cast<unsigned char>(ch)));
    SImageInfo info;
    ASSERT_EQ(D3DXGetImageInfoFromFileA(path.c_str(), &info), D3D_OK);
    const Pixels want = c.expected();
    EXPECT_EQ(info.ImageFileFormat, c.fileFormat);
    EXPECT_EQ(info.Format, c.format);
    EXPECT_EQ(info.MipLevels, c.levels);
    EXPECT_EQ(std::size_t(info.Width) * info.Height, want.size());
    Texture* t = Load(path.c_str(), D3DFMT_A8R8G8B8);
    ASSERT_NE(t, nullptr);
    ExpectPixels(Level(t, 0), want, c.tolerance, c.name);
}

INSTANTIATE_TEST_SUITE_P(Table, CImageFile, ::testing::ValuesIn(kFiles),
                         [](const auto& i)
                         {
                             std::string n = i.param.name;
                             for (auto& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

namespace
{

struct SCorruptCase
{
    const char* name;
    std::function<Bytes()> write;
    const char* reason;
};

Bytes GoodDds()
{
    return WriteDds(4, 4, kDdsArgb, {Encode(D3DFMT_A8R8G8B8, Pattern(4, 4), 4, 4)});
}

const SCorruptCase kCorrupt[] = {
    {"empty", [] { return Bytes{}; }, "empty file"},
    {"dds header cut",
     []
     {
         Bytes b = GoodDds();
         b.resize(100);
         return b;
     },
     "DDS header truncated"},
    {"dds header size",
     []
     {
         Bytes b = GoodDds();
         Put32(b, 4, 120);
         return b;
     },
     "DDS header size is wrong"},
    {"dds level cut",
     []
     {
         Bytes b = GoodDds();
         b.pop_back();
         return b;
     },
     "DDS level 0 truncated"},
    {"dds second level missing",
     [] {
         return WriteDds(4, 4, kDdsArgb, {Encode(D3DFMT_A8R8G8B8, Pattern(4, 4), 4, 4), Bytes(8)});
     },
     "DDS level 1 truncated"},
    {"dds cube map",
     []
     {
         Bytes b = GoodDds();
         Put32(b, 112, 0x200);
         return b;
     },
     "cube maps"},
    {"dds no pixels",
     []
     {
         Bytes b = GoodDds();
         Put32(b, 16, 0);
         return b;
     },
     "no pixels"},
    {"dds huge",
     []
     {
         Bytes b = GoodDds();
         Put32(b, 12, 100000);
         Put32(b, 16, 100000);
         return b;
     },
     "too large"},
    {"dds unknown fourcc",
     []
     {
         Bytes b = GoodDds();
         Put32(b, 80, 4);
         Put32(b, 84, FourCc("ATI2"));
         return b;
     },
     "unsupported DDS pixel format"},
    {"bmp cut",
     []
     {
         Bytes b = WriteBmp(Pattern(8, 8), 8, 8, 24);
         b.resize(80);
         return b;
     },
     "BMP pixel data truncated"},
    {"tga cut",
     []
     {
         Bytes b = WriteTga(Pattern(8, 8), 8, 8, 32, false, false);
         b.resize(100);
         return b;
     },
     "TGA pixel data truncated"},
    {"tga rle cut",
     []
     {
         Bytes b = WriteTga(Pattern(8, 8), 8, 8, 24, false, true);
         b.resize(b.size() - 2);
         return b;
     },
     "TGA pixel data truncated"},
    {"jpeg cut",
     []
     {
         Bytes b = WriteJpeg(Pattern(16, 16), 16, 16);
         b.resize(b.size() - 20);
         return b;
     },
     "JPEG data truncated"},
    {"png cut",
     []
     {
         Bytes b = WritePng(Pattern(8, 8), 8, 8);
         b.resize(b.size() / 2);
         return b;
     },
     "corrupt image"},
    {"garbage", [] { return Bytes(64, 0xEE); }, "unknown image format"},
};

class CCorruptFile : public CD3dxTest, public ::testing::WithParamInterface<SCorruptCase>
{
};

} // namespace

TEST_P(CCorruptFile, FailsWithReasonAndCreatesNothing)
{
    const SCorruptCase& c = GetParam();
    Save("bad.dds", c.write());
    Texture* t = reinterpret_cast<Texture*>(std::uintptr_t(1));
    ::testing::internal::CaptureStderr();
    const HResult hr = D3DXCreateTextureFromFileExA(m_dev, "Data\\Tex\\bad.dds", D3DX_DEFAULT, D3DX_DEFAULT,
                                                    0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_BOX,
                                                    D3DX_DEFAULT, 0, nullptr, nullptr, &t);
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(hr, D3DXERR_INVALIDDATA);
    EXPECT_EQ(t, nullptr);
    EXPECT_NE(log.find("Data\\Tex\\bad.dds"), std::string::npos) << log;
    EXPECT_NE(log.find(c.reason), std::string::npos) << log;
    SImageInfo info;
    Surface* s = nullptr;
    ASSERT_EQ(m_dev->CreateImageSurface(4, 4, D3DFMT_X8R8G8B8, &s), D3D_OK);
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(Failed(D3DXLoadSurfaceFromFileA(s, nullptr, nullptr, "Data\\Tex\\bad.dds", nullptr,
                                                D3DX_DEFAULT, 0, &info)));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(c.reason), std::string::npos);
    s->Release();
}

INSTANTIATE_TEST_SUITE_P(Table, CCorruptFile, ::testing::ValuesIn(kCorrupt),
                         [](const auto& i)
                         {
                             std::string n = i.param.name;
                             for (auto& ch : n)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

TEST_F(CD3dxTest, MissingFileIsNotFound)
{
    Texture* t = nullptr;
    SImageInfo info;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(D3DXGetImageInfoFromFileA("Data\\Tex\\none.tga", &info), D3DERR_NOTFOUND);
    EXPECT_EQ(D3DXCreateTextureFromFileExA(m_dev, "Data\\Tex\\none.tga", 0, 0, 0, 0, D3DFMT_A8R8G8B8,
                                           D3DPOOL_MANAGED, D3DX_FILTER_BOX, D3DX_DEFAULT, 0, nullptr,
                                           nullptr, &t),
              D3DERR_NOTFOUND);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("none.tga"), std::string::npos);
    EXPECT_EQ(t, nullptr);
}

// The formats the texture loader of the engine asks for: 16-bit requests
// convert, a full mip chain is made with each level the box average of the
// one above.
TEST_F(CD3dxTest, EngineFormatsAndMipChain)
{
    Save("a.tga", WriteTga(Blocks(8, 8), 8, 8, 32, false, false));
    Save("b.bmp", WriteBmp(Blocks(8, 8), 8, 8, 24));
    Texture* tga = Load("Data\\Tex\\a.tga", D3DFMT_A4R4G4B4, 0);
    Texture* bmp = Load("Data\\Tex\\b.bmp", D3DFMT_R5G6B5, 0);
    ASSERT_TRUE(tga && bmp);
    EXPECT_EQ(tga->GetFormat(), D3DFMT_A4R4G4B4);
    EXPECT_EQ(bmp->GetFormat(), D3DFMT_R5G6B5);
    EXPECT_EQ(tga->GetLevelCount(), 4u);
    ExpectPixels(Level(tga, 0), Blocks(8, 8), 0, "tga level 0");
    // Level 1 (4x4): each pixel one block's colour; level 2 (2x2) still one
    // block each; level 3 the mean of the four.
    ExpectPixels(Level(tga, 2), {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}, 0, "tga level 2");
    EXPECT_TRUE(Near(Level(tga, 3)[0], 0xFF808080, 0x11));
    EXPECT_TRUE(Near(Level(bmp, 3)[0], 0xFF808080, 8));
}

TEST_F(CD3dxTest, DdsLevelsAreUsedAndDxtBlocksKept)
{
    // The file's second level is deliberately not the mean of the first:
    // the loader must take it and make only the third.
    const Bytes top = Encode(D3DFMT_DXT5, Blocks(8, 8), 8, 8);
    const Bytes second = Encode(D3DFMT_DXT5, Pixels(16, 0xFF102030), 4, 4);
    Save("m.dds", WriteDds(8, 8, {4, FourCc("DXT5"), 0, 0, 0, 0, 0}, {top, second}));
    Texture* keep = Load("Data\\Tex\\m.dds", D3DFMT_UNKNOWN, 0);
    ASSERT_NE(keep, nullptr);
    EXPECT_EQ(keep->GetFormat(), D3DFMT_DXT5);
    ASSERT_EQ(keep->GetLevelCount(), 4u);
    SLockedRect lr{};
    ASSERT_EQ(keep->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(std::memcmp(lr.pBits, top.data(), 32), 0);
    EXPECT_EQ(std::memcmp(static_cast<std::uint8_t*>(lr.pBits) + lr.Pitch, top.data() + 32, 32), 0);
    keep->UnlockRect(0);
    EXPECT_TRUE(Near(Level(keep, 1)[5], 0xFF102030, 4));
    EXPECT_TRUE(Near(Level(keep, 2)[0], 0xFF102030, 4));
    // Asked for A8R8G8B8 the same file is decoded.
    Texture* argb = Load("Data\\Tex\\m.dds", D3DFMT_A8R8G8B8, 0);
    ASSERT_NE(argb, nullptr);
    ExpectPixels(Level(argb, 0), Blocks(8, 8), 4, "decoded");
    EXPECT_TRUE(Near(Level(argb, 1)[0], 0xFF102030, 4));
}

TEST_F(CD3dxTest, ColourKeyAndDefaultPoolTexture)
{
    Pixels p = Blocks(8, 8);
    Save("k.bmp", WriteBmp(p, 8, 8, 24));
    SImageInfo info;
    Texture* keyed = Load("Data\\Tex\\k.bmp", D3DFMT_A8R8G8B8, 1, D3DPOOL_MANAGED, &info, 0xFF00FF00);
    ASSERT_NE(keyed, nullptr);
    EXPECT_EQ(info.Width, 8u);
    const Pixels got = Level(keyed, 0);
    EXPECT_EQ(got[4], 0u);          // green block: transparent black
    EXPECT_EQ(got[0], 0xFFFF0000u); // red kept
    // A default-pool texture cannot be locked: it is filled through system
    // memory, then drawn.
    Texture* def = Load("Data\\Tex\\k.bmp", D3DFMT_X8R8G8B8, 1, D3DPOOL_DEFAULT);
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->GetPool(), D3DPOOL_DEFAULT);
    m_dev->SetRenderState(D3DRS_LIGHTING, 0);
    m_dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_dev->SetTexture(0, def);
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    DrawRhwQuad(0, 0, kSize, kSize, 0xFFFFFFFF);
    EXPECT_TRUE(Near(Pixel(2, 2), 0xFFFF0000, 0));
    EXPECT_TRUE(Near(Pixel(29, 29), 0xFFFFFFFF, 0));
    m_dev->SetTexture(0, nullptr);
}

TEST_F(CD3dxTest, LoaderThreadsLoadAtOnce)
{
    for (int i = 0; i < 4; ++i)
        Save("t" + std::to_string(i) + ".png",
             WritePng(Pixels(64, 0xFF000000u | std::uint32_t(i) * 0x404040u), 8, 8));
    Texture* t[4] = {};
    std::vector<std::thread> loaders;
    for (int i = 0; i < 4; ++i)
        loaders.emplace_back(
            [&, i]
            {
                const std::string path = "Data\\Tex\\t" + std::to_string(i) + ".png";
                D3DXCreateTextureFromFileExA(m_dev, path.c_str(), 0, 0, 0, 0, D3DFMT_A8R8G8B8,
                                             D3DPOOL_MANAGED, D3DX_FILTER_BOX, D3DX_DEFAULT, 0, nullptr,
                                             nullptr, &t[i]);
            });
    for (auto& l : loaders)
        l.join();
    for (int i = 0; i < 4; ++i)
    {
        ASSERT_NE(t[i], nullptr);
        m_keep.push_back(t[i]);
        EXPECT_EQ(Level(t[i], 3)[0], 0xFF000000u | std::uint32_t(i) * 0x404040u);
    }
}

// An image loaded into a DXT3 surface a little larger than itself (sizes
// rounded up to blocks, as the 2-D image code makes them).
TEST_F(CD3dxTest, SurfaceFromFileScalesIntoDxt3)
{
    Pixels halves(10 * 6);
    for (std::uint32_t i = 0; i < halves.size(); ++i)
        halves[i] = (i % 10) < 5 ? 0xFFFF0000 : 0x800000FF;
    Save("h.png", WritePng(halves, 10, 6));
    Surface* s = nullptr;
    ASSERT_EQ(m_dev->CreateImageSurface(12, 8, D3DFMT_DXT3, &s), D3D_OK);
    SImageInfo info;
    ASSERT_EQ(D3DXLoadSurfaceFromFileA(s, nullptr, nullptr, "data\\tex\\H.PNG", nullptr, D3DX_FILTER_TRIANGLE,
                                       0, &info),
              D3D_OK);
    EXPECT_EQ(info.Width, 10u);
    const Pixels got = Read(s);
    EXPECT_TRUE(Near(got[3 * 12 + 1], 0xFFFF0000, 8));
    EXPECT_TRUE(Near(got[3 * 12 + 10], 0x880000FF, 8)); // alpha 0x80 in nibbles
    s->Release();
}

// Rectangles on both sides; pixels outside the destination rectangle stay.
TEST_F(CD3dxTest, SurfaceRectanglesWithoutScaling)
{
    const Pixels p = Pattern(8, 8);
    Save("p.bmp", WriteBmp(p, 8, 8, 32));
    Surface* s = nullptr;
    ASSERT_EQ(m_dev->CreateImageSurface(8, 8, D3DFMT_X8R8G8B8, &s), D3D_OK);
    SLockedRect lr{};
    s->LockRect(&lr, nullptr, 0);
    for (int i = 0; i < 64; ++i)
        static_cast<std::uint32_t*>(lr.pBits)[i] = 0xFF111111;
    s->UnlockRect();
    const plat::Rect src{2, 3, 5, 5}, dst{4, 1, 7, 3};
    ASSERT_EQ(
        D3DXLoadSurfaceFromFileA(s, nullptr, &dst, "Data\\Tex\\p.bmp", &src, D3DX_FILTER_NONE, 0, nullptr),
        D3D_OK);
    const Pixels got = Read(s);
    EXPECT_EQ(got[1 * 8 + 4], p[3 * 8 + 2]);
    EXPECT_EQ(got[2 * 8 + 6], p[4 * 8 + 4]);
    EXPECT_EQ(got[0], 0xFF111111u);
    EXPECT_EQ(got[3 * 8 + 4], 0xFF111111u);
    const plat::Rect outside{6, 6, 9, 9};
    EXPECT_EQ(
        D3DXLoadSurfaceFromFileA(s, nullptr, &outside, "Data\\Tex\\p.bmp", nullptr, D3DX_DEFAULT, 0, nullptr),
        D3DERR_INVALIDCALL);
    s->Release();
}

// A screen-sized copy into a small thumbnail, and that into DXT3.
TEST_F(CD3dxTest, SurfaceFromSurfaceThumbnailAndDxt3)
{
    Surface *big = nullptr, *thumb = nullptr, *dxt = nullptr;
    ASSERT_EQ(m_dev->CreateImageSurface(64, 48, D3DFMT_X8R8G8B8, &big), D3D_OK);
    ASSERT_EQ(m_dev->CreateImageSurface(16, 16, D3DFMT_X8R8G8B8, &thumb), D3D_OK);
    ASSERT_EQ(m_dev->CreateImageSurface(16, 16, D3DFMT_DXT3, &dxt), D3D_OK);
    SLockedRect lr{};
    big->LockRect(&lr, nullptr, 0);
    for (std::uint32_t y = 0; y < 48; ++y)
        for (std::uint32_t x = 0; x < 64; ++x)
            static_cast<std::uint32_t*>(lr.pBits)[y * 64 + x] =
                x < 32 ? (y < 24 ? 0xFFFF0000 : 0xFF00FF00) : (y < 24 ? 0xFF0000FF : 0xFFFFFFFF);
    big->UnlockRect();
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(thumb, nullptr, nullptr, big, nullptr, nullptr, D3DX_DEFAULT, 0),
              D3D_OK);
    const Pixels t = Read(thumb);
    EXPECT_EQ(t[2 * 16 + 2], 0xFFFF0000u);
    EXPECT_EQ(t[13 * 16 + 13], 0xFFFFFFFFu);
    EXPECT_EQ(t[2 * 16 + 13], 0xFF0000FFu);
    EXPECT_TRUE(Near(t[2 * 16 + 7], 0xFFDF0020, 2)); // seven eighths of the tent lie on red
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(dxt, nullptr, nullptr, thumb, nullptr, nullptr, D3DX_DEFAULT, 0),
              D3D_OK);
    const Pixels d = Read(dxt);
    EXPECT_TRUE(Near(d[2 * 16 + 2], 0xFFFF0000, 8));
    EXPECT_TRUE(Near(d[13 * 16 + 13], 0xFFFFFFFF, 8));
    // Into itself: read first, then written.
    const plat::Rect left{0, 0, 8, 16};
    EXPECT_EQ(
        D3DXLoadSurfaceFromSurface(thumb, nullptr, nullptr, thumb, nullptr, &left, D3DX_FILTER_POINT, 0),
        D3D_OK);
    EXPECT_EQ(Read(thumb)[2 * 16 + 3], 0xFFFF0000u);
    big->Release();
    thumb->Release();
    dxt->Release();
}

// One row of greys reduced and enlarged with each filter.
TEST_F(CD3dxTest, FiltersGiveTheirWeights)
{
    struct SCase
    {
        std::uint32_t filter, width;
        std::vector<std::uint8_t> expected;
    };
    const SCase cases[] = {
        {D3DX_FILTER_NONE, 2, {0, 64}},
        {D3DX_FILTER_POINT, 2, {64, 255}},
        {D3DX_FILTER_LINEAR, 2, {32, 192}},
        {D3DX_FILTER_BOX, 2, {32, 192}},
        {D3DX_FILTER_TRIANGLE, 2, {40, 184}},
        {D3DX_FILTER_NONE, 6, {0, 64, 128, 255, 0, 0}},
        {D3DX_FILTER_POINT, 8, {0, 0, 64, 64, 128, 128, 255, 255}},
        {D3DX_FILTER_LINEAR, 8, {0, 16, 48, 80, 112, 160, 223, 255}},
    };
    Surface* src = nullptr;
    ASSERT_EQ(m_dev->CreateImageSurface(4, 1, D3DFMT_L8, &src), D3D_OK);
    SLockedRect lr{};
    src->LockRect(&lr, nullptr, 0);
    const std::uint8_t row[4] = {0, 64, 128, 255};
    std::memcpy(lr.pBits, row, 4);
    src->UnlockRect();
    for (const SCase& c : cases)
    {
        Surface* dst = nullptr;
        ASSERT_EQ(m_dev->CreateImageSurface(c.width, 1, D3DFMT_L8, &dst), D3D_OK);
        ASSERT_EQ(D3DXLoadSurfaceFromSurface(dst, nullptr, nullptr, src, nullptr, nullptr, c.filter, 0),
                  D3D_OK);
        dst->LockRect(&lr, nullptr, D3DLOCK_READONLY);
        const auto* got = static_cast<const std::uint8_t*>(lr.pBits);
        for (std::uint32_t x = 0; x < c.width; ++x)
            EXPECT_NEAR(int(got[x]), int(c.expected[x]), 1)
                << "filter " << c.filter << " width " << c.width << " x " << x;
        dst->UnlockRect();
        dst->Release();
    }
    src->Release();
}

} // namespace d3dxtest
