// The layer's demo: a textured, lit, fogged indexed mesh with a DXT5
// texture (loaded from a DDS image by D3DX) and a blended screen-space quad
// over it, read back and compared pixel by pixel with the picture worked
// out on the CPU.
//
// The scene is laid out so that the expected picture has a closed form: the
// mesh is a grid in a plane facing the camera that exactly fills the view,
// so every pixel samples the plane at a known point; vertex colours and fog
// are interpolated linearly over each triangle (the plane has one depth) and
// are continuous across triangle edges, so the triangle a pixel falls in
// does not matter; texel edges fall between pixel centres.
#include "D3D8Fixture.h"

#include "platform/d3d8/Format.h"
#include "platform/d3dx/D3DX.h"

#include <cmath>

namespace d3dtest
{

namespace
{

constexpr std::uint32_t kW = 64, kH = 64;
constexpr int kGrid = 4;      // quads per side
constexpr float kHalf = 8.0f; // the plane spans [-8, 8] at distance 8
constexpr std::uint32_t kTex = 16;

struct SMeshVertex
{
    float x, y, z, nx, ny, nz, u, v;
};

struct SLit
{
    float r, g, b, fog;
};

const float kLightPos[3] = {-4, 4, 4};
const float kLightColour[3] = {1.0f, 0.9f, 0.8f};
constexpr float kAmbient = float(0x20) / 255.0f;
constexpr float kFogStart = 4, kFogEnd = 20;
constexpr std::uint32_t kFogColour = 0xFF4060A0;

// What the vertex pipeline gives a vertex of the plane at eye position p:
// ambient plus the point light's diffuse term with its attenuation, and the
// range-based linear fog factor.
SLit LightVertex(float x, float y, float z)
{
    const float d[3] = {kLightPos[0] - x, kLightPos[1] - y, kLightPos[2] - z};
    const float dist = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    const float nDotL = -d[2] / dist; // normal (0, 0, -1)
    const float att = 1.0f / (0.5f + 0.05f * dist);
    SLit l;
    l.r = std::min(1.0f, kAmbient + kLightColour[0] * nDotL * att);
    l.g = std::min(1.0f, kAmbient + kLightColour[1] * nDotL * att);
    l.b = std::min(1.0f, kAmbient + kLightColour[2] * nDotL * att);
    const float eye = std::sqrt(x * x + y * y + z * z);
    l.fog = std::clamp((kFogEnd - eye) / (kFogEnd - kFogStart), 0.0f, 1.0f);
    return l;
}

// Block colours chosen exact in 5:6:5, alpha varying per block.
std::vector<std::uint32_t> TexturePixels()
{
    static const std::uint32_t kRgb[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF,
                                         0x848284, 0xFF8200, 0x00FFFF, 0xFF00FF};
    std::vector<std::uint32_t> px(kTex * kTex);
    for (std::uint32_t y = 0; y < kTex; ++y)
        for (std::uint32_t x = 0; x < kTex; ++x)
        {
            const std::uint32_t block = (y / 4) * 4 + x / 4;
            px[y * kTex + x] = std::uint32_t(0x40 + block * 12) << 24 | kRgb[(block * 3) % 8];
        }
    return px;
}

std::vector<std::uint8_t> DxtDds(const std::vector<std::uint32_t>& argb)
{
    std::vector<std::uint8_t> file(128 + ImageBytes(D3DFMT_DXT5, kTex, kTex), 0);
    auto put = [&](std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            file[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
    };
    std::memcpy(file.data(), "DDS ", 4);
    put(4, 124);
    put(8, 0x1007);
    put(12, kTex);
    put(16, kTex);
    put(76, 32);
    put(80, 4); // FourCC
    put(84, D3DFMT_DXT5);
    EncodeFromArgb(D3DFMT_DXT5, argb.data(), kTex, kTex, file.data() + 128, RowPitch(D3DFMT_DXT5, kTex));
    return file;
}

SMatrix Projection()
{
    SMatrix m{};
    const float nearZ = 1, farZ = 100;
    m.m[0][0] = m.m[1][1] = 1.0f; // 90 degrees
    m.m[2][2] = farZ / (farZ - nearZ);
    m.m[2][3] = 1.0f;
    m.m[3][2] = -nearZ * farZ / (farZ - nearZ);
    return m;
}

} // namespace

TEST_F(CDeviceTest, DemoSceneMatchesPixelByPixel)
{
    Surface *rt = nullptr, *depth = nullptr, *oldRt = nullptr, *oldDepth = nullptr;
    ASSERT_EQ(m_dev->CreateRenderTarget(kW, kH, D3DFMT_A8R8G8B8, 0, true, &rt), D3D_OK);
    ASSERT_EQ(m_dev->CreateDepthStencilSurface(kW, kH, D3DFMT_D24S8, 0, &depth), D3D_OK);
    m_dev->GetRenderTarget(&oldRt);
    m_dev->GetDepthStencilSurface(&oldDepth);
    ASSERT_EQ(m_dev->SetRenderTarget(rt, depth), D3D_OK);

    // The texture, through a DDS image in memory.
    const std::vector<std::uint32_t> texels = TexturePixels();
    const std::vector<std::uint8_t> dds = DxtDds(texels);
    Texture* tex = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(m_dev, dds.data(), dds.size(), D3DX_DEFAULT, D3DX_DEFAULT,
                                                  1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_FILTER_NONE,
                                                  D3DX_DEFAULT, 0, nullptr, nullptr, &tex),
              D3D_OK);
    m_keep.push_back(tex);
    ASSERT_EQ(tex->GetFormat(), D3DFMT_DXT5);
    std::vector<std::uint32_t> decoded(kTex * kTex);
    DecodeToArgb(D3DFMT_DXT5, dds.data() + 128, RowPitch(D3DFMT_DXT5, kTex), kTex, kTex, decoded.data());

    // The mesh: a grid in the plane z = 0, moved to z = 8 by the world
    // matrix; texture coordinates put texel edges between pixel centres.
    std::vector<SMeshVertex> verts;
    for (int y = 0; y <= kGrid; ++y)
        for (int x = 0; x <= kGrid; ++x)
        {
            const float px = -kHalf + 2 * kHalf * float(x) / kGrid, py = kHalf - 2 * kHalf * float(y) / kGrid;
            verts.push_back({px, py, 0, 0, 0, -1, (px + kHalf) / (2 * kHalf) + 0.5f / kW,
                             (kHalf - py) / (2 * kHalf) + 0.5f / kH});
        }
    std::vector<std::uint16_t> indices;
    for (int y = 0; y < kGrid; ++y)
        for (int x = 0; x < kGrid; ++x)
        {
            const auto a = std::uint16_t(y * (kGrid + 1) + x), b = std::uint16_t(a + 1),
                       c = std::uint16_t(a + kGrid + 1), d = std::uint16_t(c + 1);
            for (std::uint16_t i : {a, b, c, c, b, d})
                indices.push_back(i);
        }
    const std::uint32_t fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
    VertexBuffer* vb = nullptr;
    IndexBuffer* ib = nullptr;
    ASSERT_EQ(m_dev->CreateVertexBuffer(std::uint32_t(verts.size() * sizeof(SMeshVertex)), D3DUSAGE_WRITEONLY,
                                        fvf, D3DPOOL_MANAGED, &vb),
              D3D_OK);
    ASSERT_EQ(m_dev->CreateIndexBuffer(std::uint32_t(indices.size() * 2), D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                                       D3DPOOL_MANAGED, &ib),
              D3D_OK);
    std::uint8_t* p = nullptr;
    vb->Lock(0, 0, &p, 0);
    std::memcpy(p, verts.data(), verts.size() * sizeof(SMeshVertex));
    vb->Unlock();
    ib->Lock(0, 0, &p, 0);
    std::memcpy(p, indices.data(), indices.size() * 2);
    ib->Unlock();

    // Camera, light, material, fog, texture stage.
    SMatrix world = IdentityMatrix();
    world.m[3][2] = kHalf;
    const SMatrix view = IdentityMatrix(), proj = Projection();
    m_dev->SetTransform(D3DTS_WORLD, &world);
    m_dev->SetTransform(D3DTS_VIEW, &view);
    m_dev->SetTransform(D3DTS_PROJECTION, &proj);
    m_dev->SetRenderState(D3DRS_LIGHTING, 1);
    m_dev->SetRenderState(D3DRS_AMBIENT, 0xFF202020);
    SMaterial mat{};
    mat.Diffuse = mat.Ambient = {1, 1, 1, 1};
    m_dev->SetMaterial(&mat);
    SLight light{};
    light.Type = D3DLIGHT_POINT;
    light.Position = {kLightPos[0], kLightPos[1], kLightPos[2]};
    light.Diffuse = {kLightColour[0], kLightColour[1], kLightColour[2], 1};
    light.Range = 100;
    light.Attenuation0 = 0.5f;
    light.Attenuation1 = 0.05f;
    m_dev->SetLight(0, &light);
    m_dev->LightEnable(0, true);
    m_dev->SetRenderState(D3DRS_FOGENABLE, 1);
    m_dev->SetRenderState(D3DRS_FOGCOLOR, kFogColour);
    m_dev->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    m_dev->SetRenderState(D3DRS_RANGEFOGENABLE, 1);
    m_dev->SetRenderState(D3DRS_FOGSTART, U(kFogStart));
    m_dev->SetRenderState(D3DRS_FOGEND, U(kFogEnd));
    m_dev->SetTexture(0, tex);
    m_dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    m_dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    m_dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    m_dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);

    ASSERT_EQ(m_dev->BeginScene(), D3D_OK);
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    m_dev->SetVertexShader(fvf);
    m_dev->SetStreamSource(0, vb, sizeof(SMeshVertex));
    m_dev->SetIndices(ib, 0);
    ASSERT_EQ(m_dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, std::uint32_t(verts.size()), 0,
                                          std::uint32_t(indices.size() / 3)),
              D3D_OK);

    // The screen-space quad: half-transparent white over pixels [8, 24) x
    // [40, 56), in front, unlit and unfogged.
    m_dev->SetRenderState(D3DRS_FOGENABLE, 0);
    m_dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    m_dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    m_dev->SetTexture(0, nullptr);
    m_dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    m_dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    m_dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    m_dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    DrawRhwQuad(8, 40, 24, 56, 0x80FFFFFF, 0, 0.0f);
    ASSERT_EQ(m_dev->EndScene(), D3D_OK);

    // The picture worked out on the CPU.
    std::vector<SLit> lit;
    for (const SMeshVertex& v : verts)
        lit.push_back(LightVertex(v.x, v.y, v.z + kHalf));
    auto expected = [&](std::uint32_t i, std::uint32_t j)
    {
        // Pixel centres lie on whole screen coordinates: the point of the
        // plane this pixel shows.
        const float px = kHalf * (2.0f * float(i) / kW - 1.0f), py = kHalf * (1.0f - 2.0f * float(j) / kH);
        const float gx = (px + kHalf) / (2 * kHalf) * kGrid, gy = (kHalf - py) / (2 * kHalf) * kGrid;
        const int cx = std::min(int(gx), kGrid - 1), cy = std::min(int(gy), kGrid - 1);
        const float fx = gx - float(cx), fy = gy - float(cy);
        const SLit& a = lit[std::size_t(cy * (kGrid + 1) + cx)];
        const SLit& b = lit[std::size_t(cy * (kGrid + 1) + cx + 1)];
        const SLit& c = lit[std::size_t((cy + 1) * (kGrid + 1) + cx)];
        const SLit& d = lit[std::size_t((cy + 1) * (kGrid + 1) + cx + 1)];
        // Triangles (a, b, c) and (c, b, d) split the cell along b-c.
        float wa, wb, wc, wd = 0;
        if (fx + fy <= 1)
            wa = 1 - fx - fy, wb = fx, wc = fy;
        else
            wa = 0, wb = 1 - fy, wc = 1 - fx, wd = fx + fy - 1;
        auto mix = [&](float SLit::*m) { return wa * a.*m + wb * b.*m + wc * c.*m + wd * d.*m; };
        const float col[3] = {mix(&SLit::r), mix(&SLit::g), mix(&SLit::b)};
        const float fog = mix(&SLit::fog);
        const std::uint32_t t = decoded[std::size_t((j * kTex) / kH) * kTex + (i * kTex) / kW];
        float out[4];
        out[0] = float(t >> 24) / 255.0f;
        for (int k = 0; k < 3; ++k)
        {
            const float texel = float((t >> (16 - 8 * k)) & 255) / 255.0f;
            const float fogC = float((kFogColour >> (16 - 8 * k)) & 255) / 255.0f;
            out[k + 1] = fog * (texel * col[k]) + (1 - fog) * fogC;
        }
        if (i >= 8 && i < 24 && j >= 40 && j < 56)
        {
            const float s = float(0x80) / 255.0f;
            for (float& o : out)
                o = s * (&o == &out[0] ? s : 1.0f) + (1 - s) * o;
        }
        std::uint32_t argb = 0;
        for (int k = 0; k < 4; ++k)
            argb |= std::uint32_t(std::clamp(int(out[k] * 255.0f + 0.5f), 0, 255)) << (24 - 8 * k);
        return argb;
    };
    SLockedRect lr{};
    ASSERT_EQ(rt->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    int wrong = 0;
    for (std::uint32_t j = 0; j < kH; ++j)
        for (std::uint32_t i = 0; i < kW; ++i)
        {
            const std::uint32_t got =
                static_cast<const std::uint32_t*>(lr.pBits)[j * (std::uint32_t(lr.Pitch) / 4) + i];
            if (!Near(got, expected(i, j), 3) && ++wrong <= 5)
                ADD_FAILURE() << "pixel " << i << "," << j << ": " << Near(got, expected(i, j), 3).message();
        }
    rt->UnlockRect();
    EXPECT_EQ(wrong, 0);

    m_dev->SetStreamSource(0, nullptr, 0);
    m_dev->SetIndices(nullptr, 0);
    m_dev->SetRenderTarget(oldRt, oldDepth);
    oldRt->Release();
    oldDepth->Release();
    vb->Release();
    ib->Release();
    rt->Release();
    depth->Release();
}

} // namespace d3dtest
