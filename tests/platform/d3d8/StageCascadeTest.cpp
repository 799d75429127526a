// The texture stage cascade, blending and alpha test: one table of set-ups,
// each drawn as a full-target pre-transformed quad and checked at its centre.
#include "D3D8Fixture.h"

#include <functional>

namespace d3dtest
{

namespace
{

struct SStage
{
    std::uint32_t colorOp, colorArg1, colorArg2, alphaOp, alphaArg1, alphaArg2;
    std::uint32_t colorArg0 = D3DTA_CURRENT, result = D3DTA_CURRENT;
};

struct SCascadeCase
{
    const char* name;
    std::uint32_t tex0, tex1; // colours of the textures on stages 0 and 1 (0: none)
    std::uint32_t diffuse, specular, factor;
    std::vector<SStage> stages;
    std::uint32_t expected;
    std::uint32_t background = 0xFF000000;
    std::function<void(Device*)> extra = nullptr;
};

const SCascadeCase kCascade[] = {
    {"modulate",
     0xFF808080,
     0,
     0xFF4080FF,
     0,
     0,
     {{D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT}},
     0xFF204080},
    {"modulate2x",
     0xFF808080,
     0,
     0xFF204060,
     0,
     0,
     {{D3DTOP_MODULATE2X, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT}},
     0xFF204060},
    {"modulate4x saturates",
     0xFF808080,
     0,
     0xFF204080,
     0,
     0,
     {{D3DTOP_MODULATE4X, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT}},
     0xFF4080FF},
    {"selectarg2 diffuse",
     0xFF123456,
     0,
     0xFF654321,
     0,
     0,
     {{D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT}},
     0xFF654321},
    {"add",
     0xFF404040,
     0,
     0xFF102030,
     0,
     0,
     {{D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT}},
     0xFF506070},
    {"subtract clamps at 0",
     0xFF404040,
     0,
     0xFF102050,
     0,
     0,
     {{D3DTOP_SUBTRACT, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT}},
     0xFF302000},
    {"complement argument",
     0xFF000000,
     0,
     0xFF405060,
     0,
     0,
     {{D3DTOP_SELECTARG1, D3DTA_DIFFUSE | D3DTA_COMPLEMENT, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
       D3DTA_CURRENT}},
     0xFFBFAF9F},
    {"texture factor",
     0,
     0,
     0xFFFFFFFF,
     0,
     0x80336699,
     {{D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_CURRENT}},
     0xFF336699,
     0xFF000000,
     [](Device* d) { d->SetRenderState(D3DRS_ALPHABLENDENABLE, 0); }},
    {"specular argument",
     0,
     0,
     0xFFFFFFFF,
     0xFF306090,
     0,
     {{D3DTOP_SELECTARG1, D3DTA_SPECULAR, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT}},
     0xFF306090},
    {"blend factor alpha",
     0xFFFF0000,
     0,
     0xFF0000FF,
     0,
     0x40000000,
     {{D3DTOP_BLENDFACTORALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
       D3DTA_CURRENT}},
     0xFF4000BF},
    {"blend texture alpha",
     0x80FF0000,
     0,
     0xFF0000FF,
     0,
     0,
     {{D3DTOP_BLENDTEXTUREALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_TEXTURE,
       D3DTA_DIFFUSE}},
     0xFF80007F},
    {"blend diffuse alpha",
     0xFFFF0000,
     0,
     0x400000FF,
     0,
     0,
     {{D3DTOP_BLENDDIFFUSEALPHA, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE,
       D3DTA_CURRENT}},
     0xFF4000BF},
    {"dotproduct3 of equal normals",
     0xFFFF8080,
     0,
     0xFFFF8080,
     0,
     0,
     {{D3DTOP_DOTPRODUCT3, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT}},
     0xFFFFFFFF},
    {"multiplyadd with temp",
     0xFF404040,
     0xFF808080,
     0xFF202020,
     0xFFFFFFFF,
     0,
     {{D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_CURRENT,
       D3DTA_CURRENT, D3DTA_TEMP},
      {D3DTOP_MULTIPLYADD, D3DTA_TEXTURE, D3DTA_SPECULAR, D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_CURRENT,
       D3DTA_TEMP}},
     0xFF888888},
    {"second stage modulates current",
     0xFF808080,
     0xFF8080FF,
     0xFFFFFFFF,
     0,
     0,
     {{D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT},
      {D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_CURRENT, D3DTA_CURRENT}},
     0xFF404080},
    {"specular added after the stages",
     0,
     0,
     0xFF102030,
     0xFF010203,
     0,
     {{D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT}},
     0xFF112233,
     0xFF000000,
     [](Device* d) { d->SetRenderState(D3DRS_SPECULARENABLE, 1); }},
    {"alpha blend src/invsrc",
     0,
     0,
     0x80FFFFFF,
     0,
     0,
     {{D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT}},
     0xFF808080,
     0xFF000000,
     [](Device* d)
     {
         d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
         d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
         d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
     }},
    {"additive blend",
     0,
     0,
     0xFF202020,
     0,
     0,
     {{D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT}},
     0xFF304050,
     0xFF102030,
     [](Device* d)
     {
         d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
         d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
         d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
     }},
    {"destcolor/zero multiplies the frame",
     0,
     0,
     0xFF808080,
     0,
     0,
     {{D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT}},
     0xFF204060,
     0xFF4080C0,
     [](Device* d)
     {
         d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
         d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTCOLOR);
         d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
     }},
    {"alpha test rejects",
     0,
     0,
     0x01FFFFFF,
     0,
     0,
     {{D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT}},
     0xFF000000,
     0xFF000000,
     [](Device* d)
     {
         d->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
         d->SetRenderState(D3DRS_ALPHAREF, 1);
         d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
     }},
    {"alpha test passes",
     0,
     0,
     0x02FFFFFF,
     0,
     0,
     {{D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT}},
     0xFFFFFFFF,
     0xFF000000,
     [](Device* d)
     {
         d->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
         d->SetRenderState(D3DRS_ALPHAREF, 1);
         d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
     }},
    // The sky layers' chain: colour from the texture, alpha multiplied
    // through three stages (0.5 x 0.5 x factor 1), then blended.
    {"alpha chain over three stages",
     0x80FF8000,
     0x80FF8000,
     0xFFFFFFFF,
     0,
     0xFFFFFFFF,
     {{D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT},
      {D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT},
      {D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_MODULATE, D3DTA_TFACTOR, D3DTA_CURRENT}},
     0xFF402060,
     0xFF000080,
     [](Device* d)
     {
         d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
         d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
         d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
         d->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
     }},
    {"depth test keeps the nearer",
     0,
     0,
     0xFFFFFFFF,
     0,
     0,
     {{D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT}},
     0xFF00FF00,
     0xFF000000,
     [](Device* d)
     {
         // A green quad at z 0.2 is drawn first; the white one at 0.5 loses.
         struct V
         {
             float x, y, z, w;
             std::uint32_t c, s;
             float u, v;
         };
         const V v[4] = {{-0.5f, -0.5f, 0.2f, 1, 0xFF00FF00, 0, 0, 0},
                         {31.5f, -0.5f, 0.2f, 1, 0xFF00FF00, 0, 0, 0},
                         {-0.5f, 31.5f, 0.2f, 1, 0xFF00FF00, 0, 0, 0},
                         {31.5f, 31.5f, 0.2f, 1, 0xFF00FF00, 0, 0, 0}};
         VertexBuffer* vb = nullptr;
         d->CreateVertexBuffer(sizeof(v), 0, kRhwFvf, D3DPOOL_MANAGED, &vb);
         std::uint8_t* p;
         vb->Lock(0, 0, &p, 0);
         std::memcpy(p, v, sizeof(v));
         vb->Unlock();
         d->SetVertexShader(kRhwFvf);
         d->SetStreamSource(0, vb, sizeof(V));
         d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
         vb->Release();
     }},
};

class CStageCascade : public CDeviceTest, public ::testing::WithParamInterface<SCascadeCase>
{
};

} // namespace

TEST_P(CStageCascade, ProducesExpectedColour)
{
    const SCascadeCase& c = GetParam();
    m_dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, c.background, 1.0f, 0);
    m_dev->SetRenderState(D3DRS_LIGHTING, 0);
    m_dev->SetRenderState(D3DRS_TEXTUREFACTOR, c.factor);
    if (c.tex0) m_dev->SetTexture(0, SolidTexture(c.tex0));
    if (c.tex1) m_dev->SetTexture(1, SolidTexture(c.tex1));
    for (std::uint32_t s = 0; s < c.stages.size(); ++s)
    {
        const SStage& st = c.stages[s];
        m_dev->SetTextureStageState(s, D3DTSS_COLOROP, st.colorOp);
        m_dev->SetTextureStageState(s, D3DTSS_COLORARG1, st.colorArg1);
        m_dev->SetTextureStageState(s, D3DTSS_COLORARG2, st.colorArg2);
        m_dev->SetTextureStageState(s, D3DTSS_COLORARG0, st.colorArg0);
        m_dev->SetTextureStageState(s, D3DTSS_ALPHAOP, st.alphaOp);
        m_dev->SetTextureStageState(s, D3DTSS_ALPHAARG1, st.alphaArg1);
        m_dev->SetTextureStageState(s, D3DTSS_ALPHAARG2, st.alphaArg2);
        m_dev->SetTextureStageState(s, D3DTSS_RESULTARG, st.result);
        m_dev->SetTextureStageState(s, D3DTSS_TEXCOORDINDEX, 0);
    }
    m_dev->SetTextureStageState(std::uint32_t(c.stages.size()), D3DTSS_COLOROP, D3DTOP_DISABLE);
    if (c.extra) c.extra(m_dev);
    std::uint32_t passes = 0;
    EXPECT_EQ(m_dev->ValidateDevice(&passes), D3D_OK);
    DrawRhwQuad(0, 0, kSize, kSize, c.diffuse, c.specular);
    EXPECT_TRUE(Near(Pixel(16, 16), c.expected)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Table, CStageCascade, ::testing::ValuesIn(kCascade),
                         [](const auto& info)
                         {
                             std::string n = info.param.name;
                             for (auto& ch : n)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

} // namespace d3dtest
