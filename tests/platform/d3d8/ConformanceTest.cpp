// Small scenes whose pixels real Direct3D 8 drivers agree on, where an
// OpenGL translation is easily wrong: depth of pre-transformed vertices,
// stages without a texture, fog distance, targets without alpha, bump
// stages, clears, zero-sized points and lighting under a projective world
// matrix. One table; each row sets up, draws and names the pixel to check.
#include "D3D8Fixture.h"

#include <functional>

namespace d3dtest
{

namespace
{

class CConformance;

struct SConformanceCase
{
    const char* name;
    std::function<void(CConformance&)> draw;
    std::uint32_t expected; // at the centre of the target
    int tolerance = 3;
};

void PrintTo(const SConformanceCase& c, std::ostream* os)
{
    *os << c.name;
}

class CConformance : public CDeviceTest, public ::testing::WithParamInterface<SConformanceCase>
{
public:
    using CDeviceTest::DrawVertices;
    using CDeviceTest::kSize;
    Device* Dev() { return m_dev; }
    void Quad(std::uint32_t diffuse, float z = 0.5f, float rhw = 1.0f)
    {
        const float e = float(kSize) - 0.5f;
        const SRhwVertex v[4] = {{-0.5f, -0.5f, z, rhw, diffuse, 0, 0, 0},
                                 {e, -0.5f, z, rhw, diffuse, 0, 1, 0},
                                 {-0.5f, e, z, rhw, diffuse, 0, 0, 1},
                                 {e, e, z, rhw, diffuse, 0, 1, 1}};
        DrawVertices(kRhwFvf, sizeof(SRhwVertex), v, 4, D3DPT_TRIANGLESTRIP, 2);
    }
    // A quad at eye depth z facing the camera, x and y spanning +-half.
    void FacingQuad(float z, float half, std::uint32_t diffuse, bool normal)
    {
        struct V
        {
            float x, y, z, nx, ny, nz;
            std::uint32_t c;
        };
        V v[4];
        for (int i = 0; i < 4; ++i)
            v[i] = {(float(i % 2) * 2 - 1) * half, (1 - float(i / 2) * 2) * half, z, 0, 0, -1, diffuse};
        const std::uint32_t fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | (normal ? D3DFVF_NORMAL : 0);
        if (normal)
            DrawVertices(fvf, sizeof(V), v, 4, D3DPT_TRIANGLESTRIP, 2);
        else
        {
            struct P
            {
                float x, y, z;
                std::uint32_t c;
            } p[4];
            for (int i = 0; i < 4; ++i)
                p[i] = {v[i].x, v[i].y, v[i].z, v[i].c};
            DrawVertices(fvf, sizeof(P), p, 4, D3DPT_TRIANGLESTRIP, 2);
        }
    }
    void Transforms(const SMatrix& world, const SMatrix& proj)
    {
        const SMatrix id = IdentityMatrix();
        m_dev->SetTransform(D3DTS_WORLD, &world);
        m_dev->SetTransform(D3DTS_VIEW, &id);
        m_dev->SetTransform(D3DTS_PROJECTION, &proj);
    }
    void ShowDiffuse()
    {
        m_dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        m_dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        m_dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        m_dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    }
    void BlendSrcAlpha()
    {
        m_dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        m_dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        m_dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    }
    void LinearFog(std::uint32_t modeState, float start, float end)
    {
        m_dev->SetRenderState(D3DRS_FOGENABLE, 1);
        m_dev->SetRenderState(D3DRS_FOGCOLOR, 0xFF0000FF);
        m_dev->SetRenderState(modeState, D3DFOG_LINEAR);
        m_dev->SetRenderState(D3DRS_FOGSTART, U(start));
        m_dev->SetRenderState(D3DRS_FOGEND, U(end));
    }
    Texture* Solid(std::uint32_t argb) { return SolidTexture(argb); }
    Texture* Bump()
    {
        Texture* bump = nullptr;
        EXPECT_EQ(m_dev->CreateTexture(4, 4, 1, 0, D3DFMT_V8U8, D3DPOOL_MANAGED, &bump), D3D_OK);
        m_keep.push_back(bump);
        SLockedRect lr;
        EXPECT_EQ(bump->LockRect(0, &lr, nullptr, 0), D3D_OK);
        std::memset(lr.pBits, 0, std::size_t(lr.Pitch) * 4);
        bump->UnlockRect(0);
        return bump;
    }
};

SMatrix Perspective90(float nearZ, float farZ)
{
    SMatrix m{};
    m.m[0][0] = m.m[1][1] = 1.0f;
    m.m[2][2] = farZ / (farZ - nearZ);
    m.m[2][3] = 1.0f;
    m.m[3][2] = -nearZ * farZ / (farZ - nearZ);
    return m;
}

// x and y over [-half, half], eye z over [nearZ, farZ] to depth 0..1.
SMatrix Orthographic(float half, float nearZ, float farZ)
{
    SMatrix m = IdentityMatrix();
    m.m[0][0] = m.m[1][1] = 1.0f / half;
    m.m[2][2] = 1.0f / (farZ - nearZ);
    m.m[3][2] = -nearZ / (farZ - nearZ);
    return m;
}

const SConformanceCase kCases[] = {
    // Pre-transformed depth outside 0..1 is clamped, never clipped.
    {"rhw z below 0 is drawn", [](CConformance& t) { t.Quad(0xFF00FF00, -0.5f); }, 0xFF00FF00},
    {"rhw z above 1 passes LESSEQUAL against a cleared 1", [](CConformance& t) { t.Quad(0xFF00FF00, 1.5f); },
     0xFF00FF00},
    {"rhw z above 1 without depth test",
     [](CConformance& t)
     {
         t.Dev()->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
         t.Quad(0xFF00FF00, 3.0f);
     },
     0xFF00FF00},
    {"rhw z above 1 without a depth buffer",
     [](CConformance& t)
     {
         Surface* bb = nullptr;
         t.Dev()->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb);
         EXPECT_EQ(t.Dev()->SetRenderTarget(bb, nullptr), D3D_OK);
         bb->Release();
         t.Quad(0xFF00FF00, -2.0f);
     },
     0xFF00FF00},
    {"viewport MaxZ above 1 is accepted",
     [](CConformance& t)
     {
         const SViewport vp{0, 0, CConformance::kSize, CConformance::kSize, 0.0f, 2.0f};
         EXPECT_EQ(t.Dev()->SetViewport(&vp), D3D_OK);
         t.Quad(0xFF00FF00);
     },
     0xFF00FF00},
    // Default stage states, no texture: the vertex colour and alpha pass.
    {"stage without texture passes current alpha",
     [](CConformance& t)
     {
         t.BlendSrcAlpha();
         t.Quad(0x80FF0000);
     },
     0xFF800000},
    // Fog from the depth value where the projection is not perspective.
    {"table fog under an orthographic projection uses depth",
     [](CConformance& t)
     {
         t.Transforms(IdentityMatrix(), Orthographic(10, 0, 20));
         t.ShowDiffuse();
         t.LinearFog(D3DRS_FOGTABLEMODE, 0.0f, 1.0f);
         t.FacingQuad(10, 10, 0xFFFF0000, false); // depth 0.5: half fog
     },
     0xFF800080, 4},
    {"table fog of pre-transformed vertices uses z, not w",
     [](CConformance& t)
     {
         t.ShowDiffuse();
         t.LinearFog(D3DRS_FOGTABLEMODE, 0.0f, 1.0f);
         t.Quad(0xFFFF0000, 0.25f, 0.1f); // w 10, z 0.25: a quarter fog
     },
     0xFFBF0040, 4},
    {"vertex fog with start equal to end fogs beyond it",
     [](CConformance& t)
     {
         t.Transforms(IdentityMatrix(), Perspective90(0.1f, 100));
         t.ShowDiffuse();
         t.LinearFog(D3DRS_FOGVERTEXMODE, 5.0f, 5.0f);
         t.FacingQuad(10, 10, 0xFFFF0000, false);
     },
     0xFF0000FF},
    // The back buffer is X8R8G8B8: its alpha reads as 1 whatever was cleared.
    {"destination alpha of an X8 target is 1",
     [](CConformance& t)
     {
         t.Dev()->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
         t.ShowDiffuse();
         t.Dev()->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
         t.Dev()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTALPHA);
         t.Dev()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
         t.Quad(0x00FFFFFF);
     },
     0xFFFFFFFF},
    // A bump stage's ALPHAOP is ignored: alpha passes through unchanged.
    {"bump stage passes alpha through",
     [](CConformance& t)
     {
         Device* d = t.Dev();
         d->SetTexture(0, t.Bump());
         d->SetTexture(1, t.Solid(0xFFFFFFFF));
         d->SetRenderState(D3DRS_TEXTUREFACTOR, 0x00000000);
         d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_BUMPENVMAP);
         d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
         d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR);
         d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
         d->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
         d->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
         d->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
         d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 0);
         t.BlendSrcAlpha();
         t.Quad(0xFFFFFFFF);
     },
     0xFFFFFFFF},
    // Clear: a rectangle list of count 0 clears nothing; no list clears all.
    {"clear with count 0 and a list clears nothing",
     [](CConformance& t)
     {
         const SRect r{0, 0, CConformance::kSize, CConformance::kSize};
         EXPECT_EQ(t.Dev()->Clear(0, &r, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
     },
     0xFF000000},
    {"clear with count 1 and no list clears everything",
     [](CConformance& t)
     { EXPECT_EQ(t.Dev()->Clear(1, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK); },
     0xFF00FF00},
    // Clear writes through its own masks; the draw after it uses the state's.
    {"colour write mask holds after a clear",
     [](CConformance& t)
     {
         t.ShowDiffuse();
         t.Dev()->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
         t.Quad(0xFFFFFFFF);
         t.Dev()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
         t.Quad(0xFFFFFFFF);
     },
     0xFF000000},
    {"point of size 0 is not drawn",
     [](CConformance& t)
     {
         t.Dev()->SetRenderState(D3DRS_POINTSIZE, U(0.0f));
         const SRhwVertex p{16.0f, 16.0f, 0.5f, 1.0f, 0xFFFFFFFF, 0, 0, 0};
         t.DrawVertices(kRhwFvf, sizeof(p), &p, 1, D3DPT_POINTLIST, 1);
     },
     0xFF000000},
    // A world matrix with a projective column (w' = z, z' = z + 1): normals
    // go through the inverse transpose of the whole matrix, whose upper part
    // here flattens z, so a light along +z finds no facing normal.
    {"projective world matrix leaves a lit quad black",
     [](CConformance& t)
     {
         SMatrix world = IdentityMatrix();
         world.m[2][3] = 1.0f;
         world.m[3][2] = 1.0f;
         world.m[3][3] = 0.0f;
         t.Transforms(world, Perspective90(0.1f, 100));
         Device* d = t.Dev();
         d->SetRenderState(D3DRS_LIGHTING, 1);
         d->SetRenderState(D3DRS_AMBIENT, 0);
         SMaterial mat{};
         mat.Diffuse = {1, 1, 1, 1};
         d->SetMaterial(&mat);
         SLight light{};
         light.Type = D3DLIGHT_DIRECTIONAL;
         light.Direction = {0, 0, 1};
         light.Diffuse = {1, 1, 1, 1};
         d->SetLight(0, &light);
         d->LightEnable(0, true);
         t.ShowDiffuse();
         t.FacingQuad(10, 10, 0xFFFFFFFF, true);
     },
     0xFF000000},
};

} // namespace

TEST_P(CConformance, MatchesDirect3D)
{
    const SConformanceCase& c = GetParam();
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    m_dev->SetRenderState(D3DRS_LIGHTING, 0);
    m_dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    c.draw(*this);
    EXPECT_TRUE(Near(Pixel(16, 16), c.expected, c.tolerance)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Table, CConformance, ::testing::ValuesIn(kCases),
                         [](const auto& info)
                         {
                             std::string n = info.param.name;
                             for (auto& ch : n)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

} // namespace d3dtest
