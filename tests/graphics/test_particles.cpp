// Particle systems: emission over fixed steps, start delay, emission time
// and pause, the stream and file forms (current and old), damaged records,
// the quads' frames and fade, and point sprites drawn on a device with a
// texture from an INI texture list.
#include "graphics/ParticleSystem.h"

#include "foundation/MemStream.h"
#include "foundation/PakFileSystem.h"
#include "foundation/Random.h"
#include "foundation/ResourceDB.h"
#include "foundation/Settings.h"
#include "graphics/ImageFile.h"
#include "graphics/ModelManager.h"
#include "graphics/TexShaderManager.h"
#include "graphics/TextureFile.h"
#include "graphics/TextureManager.h"
#include "platform/File.h"

#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{
SEmitterParams Params(float rate, std::uint32_t max = 1000)
{
    SEmitterParams p = SEmitterParams::Defaults();
    p.rate = rate;
    p.maxParticles = max;
    return p;
}

CMemStream* Attach(CMemStream& s, std::vector<std::uint8_t>& bytes)
{
    s.m_bAttached = 1;
    s.m_pData = bytes.data();
    s.m_nCapacity = static_cast<std::uint32_t>(bytes.size());
    s.m_nPosition = 0;
    return &s;
}

std::vector<std::uint8_t> Saved(CParticleViewer& v)
{
    CMemStream s;
    v.SaveToStream(s);
    return std::vector<std::uint8_t>(s.m_pData, s.m_pData + s.m_nPosition);
}
} // namespace

TEST(ParticleEmitter, LongFrameRunsQuarterSecondSteps)
{
    g_Random.SetState(1);
    CParticleEmitter e;
    e.Init(Params(4.0f)); // one particle per 0.25 s step
    e.Update(1.0f);
    EXPECT_FLOAT_EQ(e.m_fTotalTime, 1.0f);
    EXPECT_FLOAT_EQ(e.m_fLastFrame, 0.25f);
    EXPECT_EQ(e.m_Pool.GetCount(), 4);
}

TEST(ParticleEmitter, StartDelayHoldsBackTheFirstStep)
{
    SEmitterParams p = Params(4.0f);
    p.startDelay = 0.5f;
    CParticleEmitter e;
    e.Init(p);
    for (int i = 0; i < 3; ++i)
        e.Update(0.2f);
    EXPECT_EQ(e.m_fDelay, 0.0f);
    EXPECT_EQ(e.m_fTotalTime, 0.0f);
    e.Update(0.2f);
    EXPECT_FLOAT_EQ(e.m_fTotalTime, 0.2f);
}

TEST(ParticleEmitter, EmissionTimeAndPauseWithoutBacklog)
{
    g_Random.SetState(7);
    SEmitterParams p = Params(4.0f);
    p.emissionTime = 2.0f;
    p.pause = 1.0f;
    p.lifetime = 100.0f;
    CParticleEmitter e;
    e.Init(p);
    std::vector<int> born;
    int last = 0;
    for (int i = 0; i < 20; ++i) // 5 s in steps of 0.25 s
    {
        e.Update(0.25f);
        born.push_back(e.m_Pool.GetCount() - last);
        last = e.m_Pool.GetCount();
    }
    // Emits for 2 s (the eighth step reaches the emission time and stops),
    // stops, restarts 1 s later and then emits at its rate: no step after
    // the restart releases the particles owed while stopped.
    int during = 0;
    for (int i = 0; i < 7; ++i)
        during += born[static_cast<std::size_t>(i)];
    EXPECT_EQ(during, 7);
    EXPECT_TRUE(std::all_of(born.begin() + 7, born.begin() + 10, [](int n) { return n == 0; }));
    for (int n : born)
        EXPECT_LE(n, 1);
    EXPECT_GT(std::accumulate(born.begin() + 10, born.end(), 0), 0);
}

TEST(ParticleEmitter, FullPoolDropsNewParticles)
{
    CParticleEmitter e;
    e.Init(Params(100.0f, 3));
    e.Update(0.25f);
    EXPECT_EQ(e.m_Pool.GetCount(), 3);
    EXPECT_FALSE(e.IsFinished());
}

TEST(ParticleViewer, StreamRoundTripKeepsEveryByte)
{
    CParticleViewer v;
    SEmitterParams p = Params(3.0f, 50);
    p.effectCount = 2;
    p.effects[0] = SVelocityEffect{CVector{1, 2, 3}, CVector{4, 5, 6}, 1, {}, 2};
    p.effects[1] = SVelocityEffect{CVector{0.5f, 0, 0}, CVector{}, 1, {}, 3};
    p.gravity = 9.8f;
    p.gravityOn = 1;
    v.m_Render.kind = 3;
    std::strcpy(v.m_Render.texture, "TEX_SPARK");
    v.m_Render.sizeBirth = 0.5f;
    v.m_Render.framesAcross = 4;
    v.m_Render.technique = 25;
    v.Init(p);
    const std::vector<std::uint8_t> bytes = Saved(v);
    ASSERT_EQ(bytes.size(), 624u + 2 * 32u);

    // File form through a disk file and the pack-aware stream.
    const std::string path = (std::filesystem::temp_directory_path() / "tvx_particle.bin").string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    ASSERT_TRUE(v.Save(f));
    std::fclose(f);
    CPakStream in;
    ASSERT_TRUE(GetPakFileSystem().OpenStream(path.c_str(), in));
    CParticleViewer back;
    back.Load(in);
    in.Close();
    std::filesystem::remove(path);
    EXPECT_EQ(Saved(back), bytes);
    EXPECT_EQ(back.m_Params.maxParticles, 50u);
    EXPECT_EQ(back.m_Pool.GetCapacity(), 50);

    // A clone carries the same records and starts on its own.
    std::unique_ptr<CParticleViewer> clone(back.Clone());
    clone->Start(false);
    EXPECT_EQ(Saved(*clone), bytes);
}

TEST(ParticleViewer, OldRecordConvertsToTheCurrentLayout)
{
    std::vector<std::uint8_t> rec(1012, 0);
    auto put = [&](std::size_t at, auto value) { std::memcpy(rec.data() + at, &value, sizeof(value)); };
    put(0, std::uint32_t(77));
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1};
    std::memcpy(rec.data() + 4, identity, 64);
    put(80, 0.4f);                  // spread
    put(84, 3.0f);                  // lifetime
    put(88, 6.0f);                  // rate
    rec[92] = 2;                    // jitter, a byte
    put(100, 1.5f);                 // speed
    put(104, 0.5f);                 // speed base
    put(108, 2.0f);                 // emission time
    put(112, 1.0f);                 // pause
    put(116 + 28, std::int32_t(3)); // first effect's kind
    rec[116 + 24] = 1;
    // m = 0 at 880; the old render record at 884: kind, name, sizes, frames.
    put(884, std::int32_t(1));
    std::memcpy(rec.data() + 888, "TEX_OLD", 8);
    put(884 + 36, 0.25f);
    put(884 + 44, std::int32_t(2));

    std::vector<std::uint8_t> file(4);
    const std::uint32_t size = 1012;
    std::memcpy(file.data(), &size, 4);
    file.insert(file.end(), rec.begin(), rec.end());
    const std::string path = (std::filesystem::temp_directory_path() / "tvx_particle_old.bin").string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    CPakStream in;
    ASSERT_TRUE(GetPakFileSystem().OpenStream(path.c_str(), in));
    CParticleViewer v;
    v.Load(in);
    in.Close();
    std::filesystem::remove(path);

    const SEmitterParams& p = v.m_Params;
    EXPECT_EQ(p.maxParticles, 77u);
    EXPECT_FLOAT_EQ(p.spread, 0.4f);
    EXPECT_FLOAT_EQ(p.lifetime, 3.0f);
    EXPECT_FLOAT_EQ(p.rate, 6.0f);
    EXPECT_FLOAT_EQ(p.jitter, 2.0f);
    EXPECT_FLOAT_EQ(p.speed, 1.5f);
    EXPECT_FLOAT_EQ(p.speedBase, 0.5f);
    EXPECT_FLOAT_EQ(p.emissionTime, 2.0f);
    EXPECT_FLOAT_EQ(p.pause, 1.0f);
    EXPECT_FLOAT_EQ(p.matrix.m[3][1], 6.0f);
    EXPECT_EQ(p.velocityEffectsOn, 1);
    EXPECT_EQ(p.effects[0].kind, 3);
    EXPECT_EQ(p.effects[0].enabled, 1);
    EXPECT_EQ(v.m_Render.kind, 1);
    EXPECT_STREQ(v.m_Render.texture, "TEX_OLD");
    EXPECT_FLOAT_EQ(v.m_Render.sizeBirth, 0.25f);
    EXPECT_EQ(v.m_Render.framesAcross, 2);
    EXPECT_EQ(v.m_Render.technique, 24);
    EXPECT_EQ(v.m_Render.spin, 0.0f);
}

struct SDamagedCase
{
    const char* name;
    std::size_t cutTo;   // 0: keep the length
    std::size_t patchAt; // where to write patch (SIZE_MAX: nowhere)
    std::uint32_t patch;
    const char* expected;
};

class ParticleDamaged : public ::testing::TestWithParam<SDamagedCase>
{
};

TEST_P(ParticleDamaged, ThrowsWithTheReason)
{
    CParticleViewer v;
    v.Init(Params(2.0f, 10));
    std::vector<std::uint8_t> bytes = Saved(v);
    const SDamagedCase& c = GetParam();
    if (c.patchAt != SIZE_MAX) std::memcpy(bytes.data() + c.patchAt, &c.patch, 4);
    if (c.cutTo) bytes.resize(c.cutTo);
    CMemStream s;
    CParticleViewer back;
    try
    {
        back.LoadFromStream(*Attach(s, bytes), false);
        FAIL() << "loaded a damaged record";
    }
    catch (const std::exception& e)
    {
        EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Records, ParticleDamaged,
    ::testing::Values(SDamagedCase{"block", 100, SIZE_MAX, 0, "parameter block cut short"},
                      SDamagedCase{"effects", 0, 488, 4, "effect count out of range"},
                      SDamagedCase{"pool", 0, 0, 0x7FFFFFFF, "particle count out of range"},
                      SDamagedCase{"render", 600, SIZE_MAX, 0, "render record cut short"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParticleViewer, LifeSheetFramesAndFade)
{
    struct SCase
    {
        int kind;
        float life; // remaining of 1.0
        float u0, v0;
        std::uint32_t alpha;
    };
    const SCase cases[] = {
        {3, 1.0f, 0.0f, 0.0f, 255},   // frame 0 at birth
        {3, 0.001f, 0.75f, 0.75f, 0}, // frame 15 just before death
        {3, 0.5f, 0.0f, 0.5f, 63},    // frame 8, (1/2)^2 fade
        {1, 0.5f, 0.0f, 0.0f, 127},   // quads fade linearly
    };
    for (const SCase& c : cases)
    {
        CParticleViewer v;
        v.m_Render.kind = c.kind;
        v.m_Render.framesAcross = 4;
        v.m_Render.sizeBirth = v.m_Render.sizeDeath = 1.0f;
        v.Init(Params(0.0f, 4));
        SParticle p;
        p.life = c.life;
        p.lifetime = 1.0f;
        ASSERT_GT(v.m_Pool.Alloc(p), 0);
        ASSERT_EQ(v.BuildQuads(), 1u);
        const float* q = reinterpret_cast<const float*>(v.m_Quads.m_pVertices);
        std::uint32_t colour;
        std::memcpy(&colour, q + 3, 4);
        EXPECT_FLOAT_EQ(q[4], c.u0) << c.kind << " " << c.life;
        EXPECT_FLOAT_EQ(q[5], c.v0) << c.kind << " " << c.life;
        EXPECT_EQ(colour >> 24, c.alpha) << c.kind << " " << c.life;
        EXPECT_EQ(v.m_Quads.m_nIndexCount, 6u);
    }
}

namespace
{
using namespace plat::d3d;

// A device, a red texture "TEX_SPARK" listed in an INI texture list in a
// temporary working directory, and the managers a particle system draws
// through.
class ParticleDevice : public gfxtest::CGraphicDeviceTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenDevice(64, 48));
        RegisterTextureFileReader();
        m_quality = g_Settings.TextureQuality;
        g_Settings.TextureQuality = 0;
        const std::vector<std::uint32_t> red(16 * 16, 0xFFFF0000u);
        ASSERT_TRUE(WriteImageFile("spark.tm", MakeImageLevels(red, 16, 16), false, kImageFormatA8R8G8B8));
        const char* section = "\xD2\xE5\xEA\xF1\xF2\xF3\xF0\xFB"; // "Текстуры" in 1251
        std::ofstream("db.ini") << "[" << section << "]\nfilename=tex.ini\n";
        std::ofstream("tex.ini") << "[TEX_SPARK]\nFilename=spark.tm\nType=0\nColor=0\nLOD=0\nTEXTURETYPE=2\n";
        ASSERT_TRUE(g_ResourceDB.Init("db.ini", ResourceDBManager::kModeIni));
        m_textures = std::make_unique<TextureManager>();
        m_textures->Init(section);
        g_pTextureManager = m_textures.get();
        ASSERT_TRUE(m_models.Init());
        ASSERT_TRUE(m_shaders.Init(false));
        g_pModelManager = &m_models;
        g_pTexShaderManager = &m_shaders;
    }
    void TearDown() override
    {
        m_shaders.Purge();
        g_pTexShaderManager = nullptr;
        m_models.InvalidateDeviceObjects();
        g_pModelManager = nullptr;
        CMesh::ResetCurrent();
        g_pTextureManager = nullptr;
        m_textures.reset();
        g_Settings.TextureQuality = m_quality;
        CGraphicDeviceTest::TearDown();
    }

    // The fixture's data tree, the working directory during the test.
    testutil::CDataTree& m_dir = Tree();
    std::int32_t m_quality = 0;
    std::unique_ptr<TextureManager> m_textures;
    CModelManager m_models;
    TexShaderManager m_shaders;
};

TEST_F(ParticleDevice, PointSpritesLightWhereTheParticlesAre)
{
    CParticleViewer v;
    v.m_Render.kind = 0;
    std::strcpy(v.m_Render.texture, "TEX_SPARK");
    v.m_Render.sizeBirth = v.m_Render.sizeDeath = 0.1f;
    v.Init(Params(0.0f, 8));
    ASSERT_GE(v.m_iTexture, 0); // the name resolved through the list
    ASSERT_NE(m_textures->GetTextureForce(v.m_iTexture), nullptr);
    // Two particles at full life, upper left and lower right of the view.
    for (const CVector& at : {CVector{-0.5f, 0.5f, 0.5f}, CVector{0.5f, -0.5f, 0.5f}})
    {
        SParticle p;
        p.position = at;
        p.life = p.lifetime = 1.0f;
        ASSERT_GT(v.m_Pool.Alloc(p), 0);
    }

    Device* d = graph.m_lpDevice;
    const SMatrix identity = IdentityMatrix();
    SetDefaultStates();
    d->SetTransform(D3DTS_WORLD, &identity);
    d->SetTransform(D3DTS_VIEW, &identity);
    d->SetTransform(D3DTS_PROJECTION, &identity);
    d->SetRenderState(D3DRS_ZENABLE, 0);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    graph.Clear(D3DCLEAR_TARGET, 0xFF000000);
    d->BeginScene();
    v.Render();
    d->EndScene();
    std::uint32_t w = 0, h = 0;
    const auto pixels = gfxtest::ReadBackBuffer(&w, &h);
    ASSERT_EQ(pixels.size(), 64u * 48u);
    // Ink only in squares around (16, 12) and (48, 36), red from the texture.
    int near = 0, far = 0;
    std::uint32_t brightest = 0;
    for (std::uint32_t y = 0; y < h; ++y)
        for (std::uint32_t x = 0; x < w; ++x)
        {
            const std::uint32_t c = pixels[y * w + x] & 0xFFFFFF;
            if (!c) continue;
            const bool around = (std::abs(int(x) - 16) <= 10 && std::abs(int(y) - 12) <= 10) ||
                                (std::abs(int(x) - 48) <= 10 && std::abs(int(y) - 36) <= 10);
            ++(around ? near : far);
            if ((c >> 16) > (brightest >> 16)) brightest = c;
        }
    // Each sprite a few pixels across (size 0.1 of the view height, scaled
    // by distance), not a single pixel and not the whole view.
    EXPECT_GE(near, 2 * 9);
    EXPECT_LE(near, 2 * 121);
    EXPECT_EQ(far, 0);
    EXPECT_GT(brightest >> 16, 0x80u);
    EXPECT_LT((brightest >> 8) & 0xFF, 0x20u);
    // Each centre is lit; the other two quadrants are not.
    EXPECT_NE(pixels[12 * w + 16] & 0xFFFFFF, 0u);
    EXPECT_NE(pixels[36 * w + 48] & 0xFFFFFF, 0u);
    EXPECT_EQ(pixels[12 * w + 48] & 0xFFFFFF, 0u);
    EXPECT_EQ(pixels[36 * w + 16] & 0xFFFFFF, 0u);
}
} // namespace
