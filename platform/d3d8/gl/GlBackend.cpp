#include "platform/d3d8/gl/GlBackend.h"

#include "platform/Debug.h"
#include "platform/d3d8/DeviceCore.h"
#include "platform/d3d8/Format.h"
#include "platform/d3d8/gl/GlApi.h"

#include <SDL2/SDL.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace plat::d3d::detail
{

using gl::g;

namespace
{

float AsFloat(std::uint32_t u)
{
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

void ColorToFloats(Color c, float out[4])
{
    out[0] = float((c >> 16) & 255) / 255.0f;
    out[1] = float((c >> 8) & 255) / 255.0f;
    out[2] = float(c & 255) / 255.0f;
    out[3] = float(c >> 24) / 255.0f;
}

GLenum BlendFactor(std::uint32_t b, bool src)
{
    switch (b)
    {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_ONE:
        return GL_ONE;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
        return GL_SRC_ALPHA_SATURATE;
    case D3DBLEND_BOTHSRCALPHA:
        return src ? GL_SRC_ALPHA : GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_BOTHINVSRCALPHA:
        return src ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
    default:
        return src ? GL_ONE : GL_ZERO;
    }
}

GLenum CompareFunc(std::uint32_t c)
{
    switch (c)
    {
    case D3DCMP_NEVER:
        return GL_NEVER;
    case D3DCMP_LESS:
        return GL_LESS;
    case D3DCMP_EQUAL:
        return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
        return GL_LEQUAL;
    case D3DCMP_GREATER:
        return GL_GREATER;
    case D3DCMP_NOTEQUAL:
        return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

GLenum StencilOp(std::uint32_t op)
{
    switch (op)
    {
    case 2:
        return GL_ZERO;
    case 3:
        return GL_REPLACE;
    case 4:
        return GL_INCR;
    case 5:
        return GL_DECR;
    case 6:
        return GL_INVERT;
    case 7:
        return GL_INCR_WRAP;
    case 8:
        return GL_DECR_WRAP;
    default:
        return GL_KEEP;
    }
}

GLenum AddressMode(std::uint32_t a)
{
    switch (a)
    {
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
        return GL_CLAMP_TO_BORDER;
    case D3DTADDRESS_MIRRORONCE:
        return GL_CLAMP_TO_EDGE;
    default:
        return GL_REPEAT;
    }
}

struct SGlFormat
{
    GLint internal;
    GLenum format, type;
    GLint swizzle[4];
    bool compressed;
    bool floatBump; // converted to float (du, dv, l, 1) on upload
};

SGlFormat GlFormat(Format f)
{
    const GLint rgba[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    SGlFormat r{GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, {rgba[0], rgba[1], rgba[2], rgba[3]},
                false,    false};
    switch (f)
    {
    case D3DFMT_X8R8G8B8:
        r.swizzle[3] = GL_ONE;
        break;
    case D3DFMT_R8G8B8:
        r = {GL_RGB8, GL_BGR, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}, false, false};
        break;
    case D3DFMT_R5G6B5:
        r = {GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}, false, false};
        break;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
        r = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA},
             false,      false};
        if (f == D3DFMT_X1R5G5B5) r.swizzle[3] = GL_ONE;
        break;
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
        r = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA},
             false,    false};
        if (f == D3DFMT_X4R4G4B4) r.swizzle[3] = GL_ONE;
        break;
    case D3DFMT_A8:
        r = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}, false, false};
        break;
    case D3DFMT_L8:
        r = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_ONE}, false, false};
        break;
    case D3DFMT_A8L8:
        r = {GL_RG8, GL_RG, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_GREEN}, false, false};
        break;
    case D3DFMT_DXT1:
        r = {gl::kCompressedDxt1, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, true, false};
        break;
    case D3DFMT_DXT3:
        r = {gl::kCompressedDxt3, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, true, false};
        break;
    case D3DFMT_DXT5:
        r = {gl::kCompressedDxt5, 0, 0, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, true, false};
        break;
    case D3DFMT_V8U8:
    case D3DFMT_L6V5U5:
    case D3DFMT_X8L8V8U8:
    case D3DFMT_Q8W8V8U8:
        r = {GL_RGBA32F, GL_RGBA, GL_FLOAT, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}, false, true};
        break;
    default:
        break;
    }
    return r;
}

// Signed bump texels to floats (du, dv, luminance, 1).
void BumpToFloat(Format f, const std::uint8_t* src, std::uint32_t w, std::uint32_t h, std::vector<float>& out)
{
    out.resize(std::size_t(w) * h * 4);
    const std::uint32_t bpp = GetFormatInfo(f).bytes;
    for (std::uint32_t i = 0; i < w * h; ++i)
    {
        const std::uint8_t* p = src + std::size_t(i) * bpp;
        float du = 0, dv = 0, l = 1, q = 1;
        if (f == D3DFMT_V8U8 || f == D3DFMT_X8L8V8U8 || f == D3DFMT_Q8W8V8U8)
        {
            du = std::max(-1.0f, float(std::int8_t(p[0])) / 127.0f);
            dv = std::max(-1.0f, float(std::int8_t(p[1])) / 127.0f);
            if (f == D3DFMT_X8L8V8U8) l = float(p[2]) / 255.0f;
            if (f == D3DFMT_Q8W8V8U8)
                l = float(std::int8_t(p[2])) / 127.0f, q = float(std::int8_t(p[3])) / 127.0f;
        }
        else
        {
            const std::uint32_t v = std::uint32_t(p[0] | p[1] << 8);
            auto s5 = [](std::uint32_t x) { return int((x ^ 16u) - 16u); };
            du = std::max(-1.0f, float(s5(v & 31)) / 15.0f);
            dv = std::max(-1.0f, float(s5((v >> 5) & 31)) / 15.0f);
            l = float((v >> 10) & 63) / 63.0f;
        }
        out[i * 4 + 0] = du;
        out[i * 4 + 1] = dv;
        out[i * 4 + 2] = l;
        out[i * 4 + 3] = q;
    }
}

SMatrix InverseTranspose3(const SMatrix& m)
{
    // Inverse of the upper 3x3, transposed; normals follow row vectors too.
    const float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
    const float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
    const float g2 = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
    const float A = e * i - f * h, B = -(d * i - f * g2), C = d * h - e * g2;
    const float det = a * A + b * B + c * C;
    SMatrix r = IdentityMatrix();
    if (std::fabs(det) < 1e-20f) return r;
    const float s = 1.0f / det;
    // inverse = adj / det; its transpose is the cofactor matrix / det.
    r.m[0][0] = A * s, r.m[0][1] = B * s, r.m[0][2] = C * s;
    r.m[1][0] = -(b * i - c * h) * s, r.m[1][1] = (a * i - c * g2) * s, r.m[1][2] = -(a * h - b * g2) * s;
    r.m[2][0] = (b * f - c * e) * s, r.m[2][1] = -(a * f - c * d) * s, r.m[2][2] = (a * e - b * d) * s;
    return r;
}

const char* kPresentFs = R"(#version 330 core
in vec2 vUv;
uniform sampler2D uImage;
uniform sampler2D uRamp;
out vec4 oColor;
void main()
{
    vec4 c = texture(uImage, vUv);
    ivec3 i = ivec3(clamp(c.rgb, 0.0, 1.0) * 255.0 + 0.5);
    oColor = vec4(texelFetch(uRamp, ivec2(i.r, 0), 0).r, texelFetch(uRamp, ivec2(i.g, 0), 0).g,
                  texelFetch(uRamp, ivec2(i.b, 0), 0).b, 1.0);
}
)";

// Mesa's software rasterizer allocates the memory of a frame's binned
// triangles as it draws and frees it when the frame is done. With glibc's
// defaults that memory goes back to the system each time and comes back as
// fresh pages, a page fault per 4 KB, which costs more than the drawing
// itself (a draw benchmark runs several times slower). On that renderer the
// process keeps freed memory up to a bound instead.
void KeepHeapForSoftwareRasterizer()
{
    const char* renderer = reinterpret_cast<const char*>(g.GetString(GL_RENDERER));
    if (!renderer || (!std::strstr(renderer, "llvmpipe") && !std::strstr(renderer, "softpipe"))) return;
    static const bool s_done = []
    {
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 256 << 20);
        return true;
    }();
    (void)s_done;
}

} // namespace

struct CGlBackend::SProgram
{
    GLuint name = 0;
    std::uint64_t versions[4] = {};
    GLint uWorld, uNormalMat, uView, uProj, uTexMat, uViewport;
    GLint uMatDiffuse, uMatAmbient, uMatSpecular, uMatEmissive, uMatPower, uAmbient;
    GLint uLightDiffuse, uLightSpecular, uLightAmbient, uLightPos, uLightDir, uLightAtt, uLightSpot;
    GLint uFog, uPoint, uPointScale, uClip, uVsC, uTFactor, uBumpMat, uBumpLum, uFogColor, uAlphaRef, uPsC;
};

struct CGlBackend::SRasterCache
{
    bool valid = false;
    std::uint32_t blendEnable, src, dst, op, zEnable, zWrite, zFunc, cull, fill, colorMask;
    std::uint32_t stencilEnable, stencilFunc, stencilRef, stencilMask, stencilWrite, sFail, sZFail, sPass;
    std::uint32_t clipMask, zbias;
};

CGlBackend::CGlBackend(std::shared_ptr<SDeviceCore> core)
    : m_pCore(std::move(core)), m_pRaster(new SRasterCache)
{
}

CGlBackend::~CGlBackend()
{
    if (!m_context) return;
    SDL_GL_MakeCurrent(m_pWindow, m_context);
    FlushGraveyard();
    for (auto& [key, p] : m_programs)
        g.DeleteProgram(p->name);
    g.DeleteSamplers(kMaxStages, m_samplers);
    g.DeleteVertexArrays(1, &m_vao);
    g.DeleteVertexArrays(1, &m_emptyVao);
    g.DeleteFramebuffers(1, &m_fbo);
    g.DeleteProgram(m_presentProgram);
    g.DeleteTextures(1, &m_gammaTexture);
    g.DeleteTextures(1, &m_frontTexture);
    g.DeleteFramebuffers(1, &m_frontFbo);
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(m_context));
}

bool CGlBackend::Init(SDL_Window* window, std::string* error)
{
    m_pWindow = window;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    m_context = SDL_GL_CreateContext(window);
    if (!m_context)
    {
        *error = std::string("no OpenGL 3.3 core context: ") + SDL_GetError();
        return false;
    }
    SDL_GL_MakeCurrent(window, m_context);
    const char* missing = nullptr;
    if (!gl::LoadGlApi(&missing))
    {
        *error = std::string("OpenGL entry point missing: ") + (missing ? missing : "?");
        return false;
    }
    KeepHeapForSoftwareRasterizer();
    g.GenSamplers(kMaxStages, m_samplers);
    g.GenVertexArrays(1, &m_vao);
    g.GenVertexArrays(1, &m_emptyVao);
    g.GenFramebuffers(1, &m_fbo);
    g.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    g.PixelStorei(GL_PACK_ALIGNMENT, 1);
    g.Enable(GL_PROGRAM_POINT_SIZE);
    // Rows are stored top first, so the sprite's top is the lower GL row.
    g.PointParameteri(GL_POINT_SPRITE_COORD_ORIGIN, GL_LOWER_LEFT);
    g.FrontFace(GL_CCW);
    std::string log;
    m_presentProgram = CompileProgram(plat::d3d::gl::kFullScreenVertexShader, kPresentFs, &log);
    if (!m_presentProgram)
    {
        *error = "present program: " + log;
        return false;
    }
    g.GenTextures(1, &m_gammaTexture);
    g.BindTexture(GL_TEXTURE_2D, m_gammaTexture);
    g.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16, 256, 1, 0, GL_RGBA, GL_UNSIGNED_SHORT, nullptr);
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    g.GenTextures(1, &m_frontTexture);
    g.GenFramebuffers(1, &m_frontFbo);
    return true;
}

void CGlBackend::SetSwapInterval(bool vsync)
{
    SDL_GL_SetSwapInterval(vsync ? 1 : 0);
}

void CGlBackend::WaitIdle()
{
    g.Finish();
}

void CGlBackend::SetCacheEnabled(bool enabled)
{
    m_bCache = enabled;
    m_pRaster->valid = false;
    m_nDirty = kDirtyAll;
}

void CGlBackend::FlushGraveyard()
{
    std::vector<std::pair<EGlKind, std::uint32_t>> dead;
    {
        std::lock_guard lock(m_pCore->mutex);
        dead.swap(m_pCore->graveyard);
    }
    for (auto [kind, name] : dead)
    {
        GLuint n = name;
        if (kind == EGlKind::Texture)
        {
            g.DeleteTextures(1, &n);
            for (auto& t : m_boundNames)
                if (t == name) t = 0;
        }
        else if (kind == EGlKind::Buffer)
        {
            g.DeleteBuffers(1, &n);
            if (m_nLastBufferName == name) m_nLastBufferName = 0, m_pLastStream = nullptr;
            if (m_nLastIndexName == name) m_nLastIndexName = 0;
        }
        else
            g.DeleteRenderbuffers(1, &n);
    }
}

unsigned CGlBackend::CompileProgram(const std::string& vs, const std::string& fs, std::string* log)
{
    auto compile = [&](GLenum type, const std::string& src) -> GLuint
    {
        GLuint sh = g.CreateShader(type);
        const char* p = src.c_str();
        g.ShaderSource(sh, 1, &p, nullptr);
        g.CompileShader(sh);
        GLint ok = 0;
        g.GetShaderiv(sh, GL_COMPILE_STATUS, &ok);
        if (!ok)
        {
            char buf[2048];
            g.GetShaderInfoLog(sh, sizeof(buf), nullptr, buf);
            *log += buf;
            g.DeleteShader(sh);
            return 0;
        }
        return sh;
    };
    GLuint v = compile(GL_VERTEX_SHADER, vs), f = compile(GL_FRAGMENT_SHADER, fs);
    if (!v || !f)
    {
        if (v) g.DeleteShader(v);
        if (f) g.DeleteShader(f);
        return 0;
    }
    GLuint p = g.CreateProgram();
    g.AttachShader(p, v);
    g.AttachShader(p, f);
    static const char* kNames[] = {"aPos",      "aWeights", "aNormal", "aPSize", "aDiffuse",
                                   "aSpecular", "aTex0",    "aTex1",   "aTex2",  "aTex3",
                                   "aTex4",     "aTex5",    "aTex6",   "aTex7"};
    for (GLuint i = 0; i < 14; ++i)
        g.BindAttribLocation(p, i, kNames[i]);
    g.BindFragDataLocation(p, 0, "oColor");
    g.LinkProgram(p);
    g.DeleteShader(v);
    g.DeleteShader(f);
    GLint ok = 0;
    g.GetProgramiv(p, GL_LINK_STATUS, &ok);
    if (!ok)
    {
        char buf[2048];
        g.GetProgramInfoLog(p, sizeof(buf), nullptr, buf);
        *log += buf;
        g.DeleteProgram(p);
        return 0;
    }
    return p;
}

CGlBackend::SProgram* CGlBackend::GetProgram(const gl::SProgramKey& key)
{
    auto it = m_programs.find(key);
    if (it != m_programs.end()) return it->second.get();
    std::string log;
    const std::string vs = gl::BuildVertexSource(key), fs = gl::BuildFragmentSource(key);
    GLuint name = CompileProgram(vs, fs, &log);
    if (!name)
    {
        std::fprintf(stderr, "d3d8: program build failed: %s\n--- vertex\n%s\n--- fragment\n%s\n",
                     log.c_str(), vs.c_str(), fs.c_str());
        return nullptr;
    }
    auto p = std::make_unique<SProgram>();
    p->name = name;
#define LOC(n) p->n = g.GetUniformLocation(name, #n)
    LOC(uWorld);
    LOC(uNormalMat);
    LOC(uView);
    LOC(uProj);
    LOC(uTexMat);
    LOC(uViewport);
    LOC(uMatDiffuse);
    LOC(uMatAmbient);
    LOC(uMatSpecular);
    LOC(uMatEmissive);
    LOC(uMatPower);
    LOC(uAmbient);
    LOC(uLightDiffuse);
    LOC(uLightSpecular);
    LOC(uLightAmbient);
    LOC(uLightPos);
    LOC(uLightDir);
    LOC(uLightAtt);
    LOC(uLightSpot);
    LOC(uFog);
    LOC(uPoint);
    LOC(uPointScale);
    LOC(uClip);
    LOC(uVsC);
    LOC(uTFactor);
    LOC(uBumpMat);
    LOC(uBumpLum);
    LOC(uFogColor);
    LOC(uAlphaRef);
    LOC(uPsC);
#undef LOC
    g.UseProgram(name);
    for (int i = 0; i < 8; ++i)
    {
        const std::string s = "uSampler" + std::to_string(i);
        const GLint loc = g.GetUniformLocation(name, s.c_str());
        if (loc >= 0) g.Uniform1i(loc, i);
    }
    m_pCurrent = nullptr; // the caller binds it again
    SProgram* raw = p.get();
    m_programs.emplace(key, std::move(p));
    return raw;
}

gl::SProgramKey CGlBackend::BuildKey(const SStateData& st, const SDrawSetup& setup,
                                     std::uint32_t primitive) const
{
    gl::SProgramKey k;
    const std::uint32_t* rs = st.rs;
    const std::uint32_t fvf = setup.fvf;
    k.vs = std::uint8_t(setup.engineVs + 1);
    k.ps = std::uint8_t(setup.enginePs + 1);
    k.points = primitive == D3DPT_POINTLIST;
    std::uint32_t texSets = 0;
    if (setup.engineVs < 0)
    {
        const std::uint32_t pos = fvf & D3DFVF_POSITION_MASK;
        k.rhw = pos == D3DFVF_XYZRHW;
        int weights = pos >= D3DFVF_XYZB1 ? int((pos - D3DFVF_XYZRHW) / 2) : 0;
        if (weights && (fvf & D3DFVF_LASTBETA_UBYTE4)) --weights;
        k.weightCount = std::uint8_t(weights);
        const std::uint32_t vb = rs[D3DRS_VERTEXBLEND];
        if (!k.rhw && vb >= D3DVBF_1WEIGHTS && vb <= D3DVBF_3WEIGHTS)
            k.blend = std::uint8_t(std::min<int>(int(vb), weights));
        k.normal = (fvf & D3DFVF_NORMAL) != 0;
        k.diffuse = (fvf & D3DFVF_DIFFUSE) != 0;
        k.specular = (fvf & D3DFVF_SPECULAR) != 0;
        k.pointSizeAttr = (fvf & D3DFVF_PSIZE) != 0;
        texSets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
        k.lighting = rs[D3DRS_LIGHTING] != 0 && !k.rhw;
        if (k.lighting)
        {
            int count = 0;
            for (const auto& [index, e] : st.lights)
                count += e.enabled ? 1 : 0;
            if (count > gl::kMaxLights)
            {
                // The caps promise no more; the lowest-numbered ones light.
                static std::atomic<bool> s_warned{false};
                if (!s_warned.exchange(true))
                    plat::OutputDebugString(("Direct3D layer: " + std::to_string(count) +
                                             " lights enabled, only " + std::to_string(gl::kMaxLights) +
                                             " are used\n")
                                                .c_str());
                count = gl::kMaxLights;
            }
            k.lightCount = std::uint8_t(count);
            k.localViewer = rs[D3DRS_LOCALVIEWER] != 0;
            k.normalize = rs[D3DRS_NORMALIZENORMALS] != 0;
            const bool cv = rs[D3DRS_COLORVERTEX] != 0;
            auto src = [&](std::uint32_t v) -> std::uint8_t
            {
                if (!cv || v > D3DMCS_COLOR2) return 0;
                return std::uint8_t(v);
            };
            k.diffuseSrc = src(rs[D3DRS_DIFFUSEMATERIALSOURCE]);
            k.ambientSrc = src(rs[D3DRS_AMBIENTMATERIALSOURCE]);
            k.specularSrc = src(rs[D3DRS_SPECULARMATERIALSOURCE]);
            k.emissiveSrc = src(rs[D3DRS_EMISSIVEMATERIALSOURCE]);
        }
        if (k.points) k.pointScale = rs[D3DRS_POINTSCALEENABLE] != 0;
        if (!k.rhw) k.clipMask = std::uint8_t(rs[D3DRS_CLIPPLANEENABLE] & 0x3F);
    }
    if (k.points) k.pointSprite = rs[D3DRS_POINTSPRITEENABLE] != 0;
    // Fog.
    if (rs[D3DRS_FOGENABLE])
    {
        if (setup.engineVs >= 0)
            k.fogSource = gl::kFogShader;
        else if (rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE)
            k.fogSource = gl::kFogTable, k.fogFunc = std::uint8_t(rs[D3DRS_FOGTABLEMODE]);
        else if (k.rhw)
            k.fogSource = gl::kFogSpecular;
        else if (rs[D3DRS_FOGVERTEXMODE] != D3DFOG_NONE)
        {
            k.fogSource = gl::kFogVertex;
            k.fogFunc = std::uint8_t(rs[D3DRS_FOGVERTEXMODE]);
            k.rangeFog = rs[D3DRS_RANGEFOGENABLE] != 0;
        }
        else if (k.specular && !k.lighting)
            k.fogSource = gl::kFogSpecular;
    }
    if (rs[D3DRS_ALPHATESTENABLE] && rs[D3DRS_ALPHAFUNC] != D3DCMP_ALWAYS)
        k.alphaFunc = std::uint8_t(std::clamp<std::uint32_t>(rs[D3DRS_ALPHAFUNC], 1, 8));
    k.specularAdd = setup.enginePs < 0 && rs[D3DRS_SPECULARENABLE] != 0;
    // Stages.
    const int maxStage = setup.enginePs >= 0 ? 4 : 8;
    for (int s = 0; s < maxStage; ++s)
    {
        const std::uint32_t* t = st.tss[s];
        gl::SStageKey& sk = k.stages[s];
        if (setup.enginePs < 0)
        {
            if (t[D3DTSS_COLOROP] == D3DTOP_DISABLE || t[D3DTSS_COLOROP] == 0 ||
                t[D3DTSS_COLOROP] > D3DTOP_LERP)
                break;
            sk.colorOp = std::uint8_t(t[D3DTSS_COLOROP]);
            sk.colorArg[0] = std::uint8_t(t[D3DTSS_COLORARG0]);
            sk.colorArg[1] = std::uint8_t(t[D3DTSS_COLORARG1]);
            sk.colorArg[2] = std::uint8_t(t[D3DTSS_COLORARG2]);
            sk.alphaOp = std::uint8_t(std::min<std::uint32_t>(t[D3DTSS_ALPHAOP], 255));
            sk.alphaArg[0] = std::uint8_t(t[D3DTSS_ALPHAARG0]);
            sk.alphaArg[1] = std::uint8_t(t[D3DTSS_ALPHAARG1]);
            sk.alphaArg[2] = std::uint8_t(t[D3DTSS_ALPHAARG2]);
            sk.resultTemp = (t[D3DTSS_RESULTARG] & D3DTA_SELECTMASK) == D3DTA_TEMP;
        }
        else
            sk.colorOp = D3DTOP_SELECTARG1;
        Texture* tex = st.textures[s];
        if (tex) sk.texture = GetFormatInfo(tex->GetFormat()).bump ? 2 : 1;
        sk.used = sk.texture != 0 || setup.enginePs >= 0;
        const std::uint32_t tci = t[D3DTSS_TEXCOORDINDEX];
        const std::uint32_t ttff = t[D3DTSS_TEXTURETRANSFORMFLAGS];
        if (setup.engineVs >= 0)
        {
            sk.projected = (ttff & D3DTTFF_PROJECTED) != 0;
            sk.ttffCount = sk.projected ? std::uint8_t(ttff & 7) : 0;
            sk.used = 0; // the program writes the coordinates itself
        }
        else if (sk.used)
        {
            sk.coordSet = std::uint8_t(std::min<std::uint32_t>(tci & 0xFFFF, 7));
            sk.coordGen = std::uint8_t((tci >> 16) & 3);
            if (k.rhw && sk.coordGen) sk.coordGen = 0;
            if ((sk.coordGen == 1 || sk.coordGen == 3) && !k.normal) sk.coordGen = 2;
            if (sk.coordGen == 0)
            {
                if (sk.coordSet >= texSets)
                    sk.coordSize = 2;
                else
                {
                    const std::uint32_t code = (fvf >> (16 + 2 * sk.coordSet)) & 3;
                    sk.coordSize = std::uint8_t(code == 0 ? 2 : code == 1 ? 3 : code == 2 ? 4 : 1);
                }
            }
            else
                sk.coordSize = 3;
            sk.ttffCount = std::uint8_t(ttff & 7);
            sk.projected = (ttff & D3DTTFF_PROJECTED) != 0;
            if (k.rhw) sk.ttffCount = 0;
        }
        if (k.pointSprite) sk.coordGen = 0;
    }
    return k;
}

void CGlBackend::ApplyRaster(const SStateData& st)
{
    const std::uint32_t* rs = st.rs;
    SRasterCache& c = *m_pRaster;
    const bool force = !m_bCache || !c.valid;
    const std::uint32_t blendEnable = rs[D3DRS_ALPHABLENDENABLE] != 0;
    if (force || blendEnable != c.blendEnable)
    {
        blendEnable ? g.Enable(GL_BLEND) : g.Disable(GL_BLEND);
        c.blendEnable = blendEnable;
    }
    if (force || rs[D3DRS_SRCBLEND] != c.src || rs[D3DRS_DESTBLEND] != c.dst)
    {
        g.BlendFunc(BlendFactor(rs[D3DRS_SRCBLEND], true), BlendFactor(rs[D3DRS_DESTBLEND], false));
        c.src = rs[D3DRS_SRCBLEND];
        c.dst = rs[D3DRS_DESTBLEND];
    }
    if (force || rs[D3DRS_BLENDOP] != c.op)
    {
        static const GLenum kOps[] = {GL_FUNC_ADD, GL_FUNC_ADD, GL_FUNC_SUBTRACT, GL_FUNC_REVERSE_SUBTRACT,
                                      GL_MIN,      GL_MAX};
        g.BlendEquation(kOps[rs[D3DRS_BLENDOP] <= 5 ? rs[D3DRS_BLENDOP] : 1]);
        c.op = rs[D3DRS_BLENDOP];
    }
    // Without a depth surface the depth test is off whatever ZENABLE says.
    const std::uint32_t zEnable = rs[D3DRS_ZENABLE] != D3DZB_FALSE && m_pDepth != nullptr;
    if (force || zEnable != c.zEnable)
    {
        zEnable ? g.Enable(GL_DEPTH_TEST) : g.Disable(GL_DEPTH_TEST);
        c.zEnable = zEnable;
    }
    if (force || rs[D3DRS_ZWRITEENABLE] != c.zWrite)
    {
        g.DepthMask(rs[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
        c.zWrite = rs[D3DRS_ZWRITEENABLE];
    }
    if (force || rs[D3DRS_ZFUNC] != c.zFunc)
    {
        g.DepthFunc(CompareFunc(rs[D3DRS_ZFUNC]));
        c.zFunc = rs[D3DRS_ZFUNC];
    }
    if (force || rs[D3DRS_CULLMODE] != c.cull)
    {
        // Rows are stored top first, so a triangle Direct3D sees clockwise
        // is counter-clockwise to GL.
        if (rs[D3DRS_CULLMODE] == D3DCULL_NONE)
            g.Disable(GL_CULL_FACE);
        else
        {
            g.Enable(GL_CULL_FACE);
            g.CullFace(rs[D3DRS_CULLMODE] == D3DCULL_CW ? GL_FRONT : GL_BACK);
        }
        c.cull = rs[D3DRS_CULLMODE];
    }
    if (force || rs[D3DRS_FILLMODE] != c.fill)
    {
        g.PolygonMode(GL_FRONT_AND_BACK, rs[D3DRS_FILLMODE] == D3DFILL_POINT       ? GL_POINT
                                         : rs[D3DRS_FILLMODE] == D3DFILL_WIREFRAME ? GL_LINE
                                                                                   : GL_FILL);
        c.fill = rs[D3DRS_FILLMODE];
    }
    if (force || rs[D3DRS_COLORWRITEENABLE] != c.colorMask)
    {
        const std::uint32_t m = rs[D3DRS_COLORWRITEENABLE];
        g.ColorMask((m & 1) != 0, (m & 2) != 0, (m & 4) != 0, (m & 8) != 0);
        c.colorMask = m;
    }
    if (force || rs[D3DRS_ZBIAS] != c.zbias)
    {
        if (rs[D3DRS_ZBIAS])
        {
            g.Enable(GL_POLYGON_OFFSET_FILL);
            g.PolygonOffset(0.0f, -float(rs[D3DRS_ZBIAS]));
        }
        else
            g.Disable(GL_POLYGON_OFFSET_FILL);
        c.zbias = rs[D3DRS_ZBIAS];
    }
    const std::uint32_t stencil = rs[D3DRS_STENCILENABLE] != 0;
    if (force || stencil != c.stencilEnable || rs[D3DRS_STENCILFUNC] != c.stencilFunc ||
        rs[D3DRS_STENCILREF] != c.stencilRef || rs[D3DRS_STENCILMASK] != c.stencilMask ||
        rs[D3DRS_STENCILWRITEMASK] != c.stencilWrite || rs[D3DRS_STENCILFAIL] != c.sFail ||
        rs[D3DRS_STENCILZFAIL] != c.sZFail || rs[D3DRS_STENCILPASS] != c.sPass)
    {
        stencil ? g.Enable(GL_STENCIL_TEST) : g.Disable(GL_STENCIL_TEST);
        g.StencilFunc(CompareFunc(rs[D3DRS_STENCILFUNC]), GLint(rs[D3DRS_STENCILREF]), rs[D3DRS_STENCILMASK]);
        g.StencilMask(rs[D3DRS_STENCILWRITEMASK]);
        g.StencilOp(StencilOp(rs[D3DRS_STENCILFAIL]), StencilOp(rs[D3DRS_STENCILZFAIL]),
                    StencilOp(rs[D3DRS_STENCILPASS]));
        c.stencilEnable = stencil;
        c.stencilFunc = rs[D3DRS_STENCILFUNC];
        c.stencilRef = rs[D3DRS_STENCILREF];
        c.stencilMask = rs[D3DRS_STENCILMASK];
        c.stencilWrite = rs[D3DRS_STENCILWRITEMASK];
        c.sFail = rs[D3DRS_STENCILFAIL];
        c.sZFail = rs[D3DRS_STENCILZFAIL];
        c.sPass = rs[D3DRS_STENCILPASS];
    }
    const std::uint32_t clip = rs[D3DRS_CLIPPLANEENABLE] & 0x3F;
    if (force || clip != c.clipMask)
    {
        for (int i = 0; i < 6; ++i)
            (clip & (1u << i)) ? g.Enable(GL_CLIP_DISTANCE0 + i) : g.Disable(GL_CLIP_DISTANCE0 + i);
        c.clipMask = clip;
    }
    c.valid = true;
}

void CGlBackend::ApplySamplers(const SStateData& st)
{
    for (std::uint32_t s = 0; s < kMaxStages; ++s)
    {
        const std::uint32_t* t = st.tss[s];
        const GLuint sm = m_samplers[s];
        g.SamplerParameteri(sm, GL_TEXTURE_WRAP_S, GLint(AddressMode(t[D3DTSS_ADDRESSU])));
        g.SamplerParameteri(sm, GL_TEXTURE_WRAP_T, GLint(AddressMode(t[D3DTSS_ADDRESSV])));
        float border[4];
        ColorToFloats(t[D3DTSS_BORDERCOLOR], border);
        g.SamplerParameterfv(sm, GL_TEXTURE_BORDER_COLOR, border);
        const std::uint32_t mag = t[D3DTSS_MAGFILTER], min = t[D3DTSS_MINFILTER], mip = t[D3DTSS_MIPFILTER];
        g.SamplerParameteri(sm, GL_TEXTURE_MAG_FILTER, mag == D3DTEXF_POINT ? GL_NEAREST : GL_LINEAR);
        GLenum minf;
        const bool minLinear = min >= D3DTEXF_LINEAR;
        if (mip == D3DTEXF_NONE)
            minf = minLinear ? GL_LINEAR : GL_NEAREST;
        else if (mip == D3DTEXF_POINT)
            minf = minLinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
        else
            minf = minLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
        g.SamplerParameteri(sm, GL_TEXTURE_MIN_FILTER, GLint(minf));
        const bool aniso = min == D3DTEXF_ANISOTROPIC || mag == D3DTEXF_ANISOTROPIC;
        g.SamplerParameterf(sm, gl::kTextureMaxAnisotropy,
                            aniso ? float(std::clamp<std::uint32_t>(t[D3DTSS_MAXANISOTROPY], 1, 16)) : 1.0f);
        g.SamplerParameterf(sm, GL_TEXTURE_LOD_BIAS, AsFloat(t[D3DTSS_MIPMAPLODBIAS]));
        g.SamplerParameterf(sm, GL_TEXTURE_MIN_LOD, float(t[D3DTSS_MAXMIPLEVEL]));
        g.BindSampler(s, sm);
    }
}

void CGlBackend::CreateSurfaceStorage(Surface* s)
{
    if (!s->m_pGl) s->m_pGl = std::make_unique<SGlSurface>();
    SGlSurface& gs = *s->m_pGl;
    const SFormatInfo info = GetFormatInfo(s->GetFormat());
    if (info.depth)
    {
        g.GenRenderbuffers(1, &gs.renderbuffer);
        g.BindRenderbuffer(GL_RENDERBUFFER, gs.renderbuffer);
        const bool stencil = s->GetFormat() == D3DFMT_D24S8 || s->GetFormat() == D3DFMT_D24X4S4 ||
                             s->GetFormat() == D3DFMT_D15S1;
        g.RenderbufferStorage(GL_RENDERBUFFER,
                              stencil ? GL_DEPTH24_STENCIL8
                              : (s->GetFormat() == D3DFMT_D16 || s->GetFormat() == D3DFMT_D16_LOCKABLE)
                                  ? GL_DEPTH_COMPONENT16
                                  : GL_DEPTH_COMPONENT24,
                              GLsizei(s->Width()), GLsizei(s->Height()));
    }
    else
    {
        g.GenTextures(1, &gs.texture);
        g.BindTexture(GL_TEXTURE_2D, gs.texture);
        g.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(s->Width()), GLsizei(s->Height()), 0, GL_BGRA,
                     GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    for (auto& t : m_boundNames)
        t = 0;
}

void CGlBackend::EnsureTexture(Texture* t)
{
    std::lock_guard lock(t->m_mutex);
    const bool renderTarget = (t->GetUsage() & D3DUSAGE_RENDERTARGET) != 0;
    const SGlFormat f = GlFormat(t->GetFormat());
    if (!t->m_nGlName)
    {
        GLuint name = 0;
        g.GenTextures(1, &name);
        t->m_nGlName = name;
        // Uploads go through unit 0, which then no longer holds what the
        // bind cache says.
        g.ActiveTexture(GL_TEXTURE0);
        m_boundNames[0] = 0;
        g.BindTexture(GL_TEXTURE_2D, name);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(t->GetLevelCount() - 1));
        g.TexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, f.swizzle);
        if (renderTarget)
        {
            for (std::uint32_t l = 0; l < t->GetLevelCount(); ++l)
            {
                Surface* s = t->LevelSurface(l);
                g.TexImage2D(GL_TEXTURE_2D, GLint(l), GL_RGBA8, GLsizei(s->Width()), GLsizei(s->Height()), 0,
                             GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
            }
            t->m_nUploaded = t->m_nVersion;
        }
    }
    if (t->m_nUploaded == t->m_nVersion || renderTarget) return;
    g.ActiveTexture(GL_TEXTURE0);
    m_boundNames[0] = 0;
    g.BindTexture(GL_TEXTURE_2D, t->m_nGlName);
    for (auto& b : m_boundNames)
        if (b == t->m_nGlName) b = 0;
    std::vector<float> floats;
    for (std::uint32_t l = 0; l < t->GetLevelCount(); ++l)
    {
        Surface* s = t->LevelSurface(l);
        const auto& cpu = s->Cpu();
        if (f.compressed)
            g.CompressedTexImage2D(GL_TEXTURE_2D, GLint(l), GLenum(f.internal), GLsizei(s->Width()),
                                   GLsizei(s->Height()), 0, GLsizei(cpu.size()), cpu.data());
        else if (f.floatBump)
        {
            BumpToFloat(t->GetFormat(), cpu.data(), s->Width(), s->Height(), floats);
            g.TexImage2D(GL_TEXTURE_2D, GLint(l), f.internal, GLsizei(s->Width()), GLsizei(s->Height()), 0,
                         f.format, f.type, floats.data());
        }
        else
            g.TexImage2D(GL_TEXTURE_2D, GLint(l), f.internal, GLsizei(s->Width()), GLsizei(s->Height()), 0,
                         f.format, f.type, cpu.data());
    }
    t->m_nUploaded = t->m_nVersion;
}

bool CGlBackend::ReadSurface(Surface* s, const Rect& r, std::uint8_t* dst, std::size_t pitch)
{
    GLuint tex = 0;
    GLint level = 0;
    if (s->m_pGl && s->m_pGl->texture)
        tex = s->m_pGl->texture;
    else if (s->GetContainer() && s->GetContainer()->m_nGlName)
        tex = s->GetContainer()->m_nGlName, level = GLint(s->Level());
    if (!tex) return false;
    g.BindFramebuffer(GL_FRAMEBUFFER, m_fbo);
    g.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, level);
    g.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    const std::uint32_t w = std::uint32_t(r.right - r.left), h = std::uint32_t(r.bottom - r.top);
    std::vector<std::uint32_t> argb(std::size_t(w) * h);
    g.ReadPixels(r.left, r.top, GLsizei(w), GLsizei(h), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, argb.data());
    m_bTargetsBound = false;
    const Format fmt = s->GetFormat();
    if (fmt == D3DFMT_X8R8G8B8 || fmt == D3DFMT_R5G6B5 || fmt == D3DFMT_X1R5G5B5 || fmt == D3DFMT_R8G8B8)
        for (auto& p : argb)
            p |= 0xFF000000u;
    return EncodeFromArgb(fmt, argb.data(), w, h, dst, pitch);
}

bool CGlBackend::WriteSurface(Surface* s, const std::uint8_t* src, std::size_t pitch)
{
    if (!s->m_pGl || !s->m_pGl->texture) return false;
    std::vector<std::uint32_t> argb(std::size_t(s->Width()) * s->Height());
    if (!DecodeToArgb(s->GetFormat(), src, pitch, s->Width(), s->Height(), argb.data())) return false;
    g.BindTexture(GL_TEXTURE_2D, s->m_pGl->texture);
    g.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(s->Width()), GLsizei(s->Height()), GL_BGRA,
                    GL_UNSIGNED_INT_8_8_8_8_REV, argb.data());
    for (auto& t : m_boundNames)
        t = 0;
    return true;
}

void CGlBackend::SetTargets(Surface* color, Surface* depth)
{
    m_pColor = color;
    m_pDepth = depth;
    m_bTargetsBound = false;
    m_pRaster->valid = false;
}

void CGlBackend::BindTargetFbo()
{
    g.BindFramebuffer(GL_FRAMEBUFFER, m_fbo);
    if (m_bTargetsBound) return;
    GLuint tex = 0;
    GLint level = 0;
    if (m_pColor)
    {
        if (m_pColor->m_pGl && m_pColor->m_pGl->texture)
            tex = m_pColor->m_pGl->texture;
        else if (Texture* c = m_pColor->GetContainer())
        {
            EnsureTexture(c);
            tex = c->m_nGlName;
            level = GLint(m_pColor->Level());
        }
    }
    g.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, tex, level);
    GLuint rb = m_pDepth && m_pDepth->m_pGl ? m_pDepth->m_pGl->renderbuffer : 0;
    const bool stencil =
        m_pDepth && (m_pDepth->GetFormat() == D3DFMT_D24S8 || m_pDepth->GetFormat() == D3DFMT_D24X4S4 ||
                     m_pDepth->GetFormat() == D3DFMT_D15S1);
    g.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    if (rb)
        g.FramebufferRenderbuffer(GL_FRAMEBUFFER, stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                  GL_RENDERBUFFER, rb);
    m_bTargetsBound = true;
    // A texture that is now a target must not stay bound for sampling.
    for (auto& t : m_boundNames)
        t = 0;
}

void CGlBackend::Clear(const SStateData& st, std::uint32_t count, const SRect* rects, std::uint32_t flags,
                       Color color, float z, std::uint32_t stencil)
{
    FlushGraveyard();
    BindTargetFbo();
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET)
    {
        float c[4];
        ColorToFloats(color, c);
        g.ClearColor(c[0], c[1], c[2], c[3]);
        g.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        mask |= GL_COLOR_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_ZBUFFER) && m_pDepth)
    {
        g.ClearDepth(z);
        g.DepthMask(GL_TRUE);
        mask |= GL_DEPTH_BUFFER_BIT;
    }
    if ((flags & D3DCLEAR_STENCIL) && m_pDepth)
    {
        g.ClearStencil(GLint(stencil));
        g.StencilMask(0xFFFFFFFFu);
        mask |= GL_STENCIL_BUFFER_BIT;
    }
    // Direct3D clears the viewport, or the given rectangles inside it.
    const SViewport& vp = st.viewport;
    g.Enable(GL_SCISSOR_TEST);
    auto clearRect = [&](std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
    {
        x1 = std::max<std::int32_t>(x1, std::int32_t(vp.X));
        y1 = std::max<std::int32_t>(y1, std::int32_t(vp.Y));
        x2 = std::min<std::int32_t>(x2, std::int32_t(vp.X + vp.Width));
        y2 = std::min<std::int32_t>(y2, std::int32_t(vp.Y + vp.Height));
        if (x2 <= x1 || y2 <= y1) return;
        g.Scissor(x1, y1, x2 - x1, y2 - y1);
        g.Clear(mask);
    };
    if (count == 0 || !rects)
        clearRect(0, 0, 0x7FFFFFFF, 0x7FFFFFFF);
    else
        for (std::uint32_t i = 0; i < count; ++i)
            clearRect(rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2);
    g.Disable(GL_SCISSOR_TEST);
    m_pRaster->valid = false; // masks were changed for the clear
}

void CGlBackend::UploadBuffer(Buffer* b, unsigned target)
{
    std::lock_guard lock(b->m_mutex);
    if (!b->m_nGlName)
    {
        GLuint n = 0;
        g.GenBuffers(1, &n);
        b->m_nGlName = n;
    }
    g.BindBuffer(target, b->m_nGlName);
    if (b->m_bLocked) return; // drawing from a locked buffer uses what the GPU has
    if (b->m_nGlSize != b->m_cpu.size())
    {
        g.BufferData(target, GLsizeiptr(b->m_cpu.size()), b->m_cpu.data(),
                     (b->GetUsage() & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
        b->m_nGlSize = std::uint32_t(b->m_cpu.size());
    }
    else if (b->m_nDirtyEnd > b->m_nDirtyBegin)
    {
        if (b->m_bDiscard) // orphan the old store so the GPU need not wait for it
            g.BufferData(target, GLsizeiptr(b->m_cpu.size()), b->m_cpu.data(), GL_DYNAMIC_DRAW);
        else
            g.BufferSubData(target, b->m_nDirtyBegin, b->m_nDirtyEnd - b->m_nDirtyBegin,
                            b->m_cpu.data() + b->m_nDirtyBegin);
    }
    b->m_nDirtyBegin = b->m_nDirtyEnd = 0;
    b->m_bDiscard = false;
}

void CGlBackend::SetupStream(const SStateData& st, const SDrawSetup& setup)
{
    g.BindVertexArray(m_vao);
    Buffer* vb = st.stream;
    if (vb)
    {
        const std::uint32_t before = vb->m_nGlName;
        UploadBuffer(vb, GL_ARRAY_BUFFER);
        if (before != vb->m_nGlName) m_pLastStream = nullptr;
    }
    if (st.indices) UploadBuffer(st.indices, GL_ELEMENT_ARRAY_BUFFER);
    const unsigned vbName = vb ? vb->m_nGlName : 0;
    if (m_bCache && m_pLastStream == vb && m_nLastStride == st.stride && m_nLastFvf == setup.fvf &&
        m_nLastVs == setup.engineVs && m_nLastBufferName == vbName)
        return;
    m_pLastStream = vb;
    m_nLastStride = st.stride;
    m_nLastFvf = setup.fvf;
    m_nLastVs = setup.engineVs;
    m_nLastBufferName = vbName;
    bool on[14] = {};
    auto attrib = [&](int loc, int size, GLenum type, bool norm, std::uint32_t offset)
    {
        on[loc] = true;
        if (size == GL_BGRA)
            g.VertexAttribPointer(GLuint(loc), GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, GLsizei(st.stride),
                                  reinterpret_cast<const void*>(std::uintptr_t(offset)));
        else
            g.VertexAttribPointer(GLuint(loc), size, type, norm, GLsizei(st.stride),
                                  reinterpret_cast<const void*>(std::uintptr_t(offset)));
    };
    if (vb)
    {
        g.BindBuffer(GL_ARRAY_BUFFER, vbName);
        if (setup.engineVs == int(EEngineVertexShader::Water))
        {
            attrib(gl::kAttribPosition, 3, GL_FLOAT, false, 0);
            attrib(gl::kAttribWeights, 3, GL_FLOAT, false, 12);
            attrib(gl::kAttribNormal, 3, GL_FLOAT, false, 24);
            attrib(gl::kAttribDiffuse, GL_BGRA, 0, true, 36);
            attrib(gl::kAttribTex0, 2, GL_FLOAT, false, 40);
        }
        else if (setup.engineVs == int(EEngineVertexShader::MapHideColor))
        {
            attrib(gl::kAttribPosition, 3, GL_FLOAT, false, 0);
            attrib(gl::kAttribNormal, 3, GL_FLOAT, false, 12);
            attrib(gl::kAttribDiffuse, GL_BGRA, 0, true, 24);
        }
        else
        {
            const std::uint32_t fvf = setup.fvf;
            std::uint32_t off = 0;
            const std::uint32_t pos = fvf & D3DFVF_POSITION_MASK;
            if (pos == D3DFVF_XYZRHW)
            {
                attrib(gl::kAttribPosition, 4, GL_FLOAT, false, 0);
                off = 16;
            }
            else if (pos)
            {
                attrib(gl::kAttribPosition, 3, GL_FLOAT, false, 0);
                off = 12;
                const int betas = pos >= D3DFVF_XYZB1 ? int((pos - D3DFVF_XYZRHW) / 2) : 0;
                int weights = betas;
                if (weights && (fvf & D3DFVF_LASTBETA_UBYTE4)) --weights;
                if (weights) attrib(gl::kAttribWeights, std::min(weights, 4), GL_FLOAT, false, off);
                off += std::uint32_t(betas) * 4;
            }
            if (fvf & D3DFVF_NORMAL) attrib(gl::kAttribNormal, 3, GL_FLOAT, false, off), off += 12;
            if (fvf & D3DFVF_PSIZE) attrib(gl::kAttribPointSize, 1, GL_FLOAT, false, off), off += 4;
            if (fvf & D3DFVF_DIFFUSE) attrib(gl::kAttribDiffuse, GL_BGRA, 0, true, off), off += 4;
            if (fvf & D3DFVF_SPECULAR) attrib(gl::kAttribSpecular, GL_BGRA, 0, true, off), off += 4;
            const std::uint32_t sets = std::min<std::uint32_t>((fvf & D3DFVF_TEXCOUNT_MASK) >> 8, 8);
            for (std::uint32_t i = 0; i < sets; ++i)
            {
                const std::uint32_t code = (fvf >> (16 + 2 * i)) & 3;
                const int n = code == 0 ? 2 : code == 1 ? 3 : code == 2 ? 4 : 1;
                attrib(gl::kAttribTex0 + int(i), n, GL_FLOAT, false, off);
                off += std::uint32_t(n) * 4;
            }
        }
    }
    for (int i = 0; i < 14; ++i)
    {
        if (on[i])
            g.EnableVertexAttribArray(GLuint(i));
        else
        {
            g.DisableVertexAttribArray(GLuint(i));
            // Direct3D's values for a missing element: white diffuse, black
            // specular, texture coordinates 0.
            if (i == gl::kAttribDiffuse)
                g.VertexAttrib4f(GLuint(i), 1, 1, 1, 1);
            else if (i == gl::kAttribPointSize)
                g.VertexAttrib4f(GLuint(i), 1, 0, 0, 1);
            else
                g.VertexAttrib4f(GLuint(i), 0, 0, 0, i == gl::kAttribSpecular ? 0.0f : 1.0f);
        }
    }
}

void CGlBackend::BindTextures(const SStateData& st, const gl::SProgramKey& key)
{
    for (std::uint32_t s = 0; s < kMaxStages; ++s)
    {
        if (!key.stages[s].texture) continue;
        EnsureTexture(st.textures[s]);
    }
    for (std::uint32_t s = 0; s < kMaxStages; ++s)
    {
        if (!key.stages[s].texture) continue;
        Texture* t = st.textures[s];
        if (m_bCache && m_boundNames[s] == t->m_nGlName) continue;
        g.ActiveTexture(GL_TEXTURE0 + s);
        g.BindTexture(GL_TEXTURE_2D, t->m_nGlName);
        m_boundNames[s] = t->m_nGlName;
    }
    g.ActiveTexture(GL_TEXTURE0);
}

void CGlBackend::UploadUniforms(SProgram& p, const SStateData& st)
{
    const bool transforms = p.versions[0] != m_versions[0];
    if (transforms)
    {
        SMatrix world[4], normal[4], tex[8];
        for (int i = 0; i < 4; ++i)
        {
            world[i] = st.transforms[10 + i];
            normal[i] = InverseTranspose3(Multiply(world[i], st.transforms[0]));
        }
        for (int i = 0; i < 8; ++i)
            tex[i] = st.transforms[2 + i];
        if (p.uWorld >= 0) g.UniformMatrix4fv(p.uWorld, 4, GL_FALSE, &world[0].m[0][0]);
        if (p.uNormalMat >= 0) g.UniformMatrix4fv(p.uNormalMat, 4, GL_FALSE, &normal[0].m[0][0]);
        if (p.uView >= 0) g.UniformMatrix4fv(p.uView, 1, GL_FALSE, &st.transforms[0].m[0][0]);
        if (p.uProj >= 0) g.UniformMatrix4fv(p.uProj, 1, GL_FALSE, &st.transforms[1].m[0][0]);
        if (p.uTexMat >= 0) g.UniformMatrix4fv(p.uTexMat, 8, GL_FALSE, &tex[0].m[0][0]);
        p.versions[0] = m_versions[0];
    }
    if ((transforms || p.versions[1] != m_versions[1]) && p.uLightPos >= 0)
    {
        // Lights live in world space; the program works in camera space.
        float dif[gl::kMaxLights][4] = {}, spe[gl::kMaxLights][4] = {}, amb[gl::kMaxLights][4] = {};
        float pos[gl::kMaxLights][4] = {}, dir[gl::kMaxLights][4] = {}, att[gl::kMaxLights][4] = {};
        float spot[gl::kMaxLights][4] = {};
        const SMatrix& v = st.transforms[0];
        int n = 0;
        for (const auto& [index, e] : st.lights)
        {
            if (!e.enabled || n >= gl::kMaxLights) continue;
            const SLight& l = e.light;
            std::memcpy(dif[n], &l.Diffuse, 16);
            std::memcpy(spe[n], &l.Specular, 16);
            std::memcpy(amb[n], &l.Ambient, 16);
            const float px = l.Position.x, py = l.Position.y, pz = l.Position.z;
            for (int c = 0; c < 3; ++c)
                pos[n][c] = px * v.m[0][c] + py * v.m[1][c] + pz * v.m[2][c] + v.m[3][c];
            pos[n][3] = float(l.Type);
            float d[3];
            for (int c = 0; c < 3; ++c)
                d[c] = l.Direction.x * v.m[0][c] + l.Direction.y * v.m[1][c] + l.Direction.z * v.m[2][c];
            const float len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            for (int c = 0; c < 3; ++c)
                dir[n][c] = len > 0 ? d[c] / len : 0.0f;
            att[n][0] = l.Attenuation0;
            att[n][1] = l.Attenuation1;
            att[n][2] = l.Attenuation2;
            att[n][3] = l.Type == D3DLIGHT_DIRECTIONAL ? 3.4e38f : l.Range;
            spot[n][0] = std::cos(l.Theta * 0.5f);
            spot[n][1] = std::cos(l.Phi * 0.5f);
            spot[n][2] = l.Falloff;
            ++n;
        }
        g.Uniform4fv(p.uLightDiffuse, gl::kMaxLights, &dif[0][0]);
        g.Uniform4fv(p.uLightSpecular, gl::kMaxLights, &spe[0][0]);
        g.Uniform4fv(p.uLightAmbient, gl::kMaxLights, &amb[0][0]);
        g.Uniform4fv(p.uLightPos, gl::kMaxLights, &pos[0][0]);
        g.Uniform4fv(p.uLightDir, gl::kMaxLights, &dir[0][0]);
        g.Uniform4fv(p.uLightAtt, gl::kMaxLights, &att[0][0]);
        g.Uniform4fv(p.uLightSpot, gl::kMaxLights, &spot[0][0]);
    }
    p.versions[1] = m_versions[1];
    if (p.versions[2] != m_versions[2])
    {
        const SMaterial& m = st.material;
        // Locations of unused uniforms are -1, which GL ignores.
        g.Uniform4fv(p.uMatDiffuse, 1, &m.Diffuse.r);
        g.Uniform4fv(p.uMatAmbient, 1, &m.Ambient.r);
        g.Uniform4fv(p.uMatSpecular, 1, &m.Specular.r);
        g.Uniform4fv(p.uMatEmissive, 1, &m.Emissive.r);
        g.Uniform1f(p.uMatPower, m.Power);
        p.versions[2] = m_versions[2];
    }
    if (p.versions[3] != m_versions[3])
    {
        const std::uint32_t* rs = st.rs;
        float c[4];
        if (p.uAmbient >= 0)
        {
            ColorToFloats(rs[D3DRS_AMBIENT], c);
            g.Uniform4fv(p.uAmbient, 1, c);
        }
        const SViewport& vp = st.viewport;
        g.Uniform4f(p.uViewport, float(vp.X), float(vp.Y), float(std::max(vp.Width, 1u)),
                    float(std::max(vp.Height, 1u)));
        g.Uniform4f(p.uFog, AsFloat(rs[D3DRS_FOGSTART]), AsFloat(rs[D3DRS_FOGEND]),
                    AsFloat(rs[D3DRS_FOGDENSITY]), 0);
        ColorToFloats(rs[D3DRS_FOGCOLOR], c);
        g.Uniform4fv(p.uFogColor, 1, c);
        g.Uniform4f(p.uPoint, AsFloat(rs[D3DRS_POINTSIZE]), AsFloat(rs[D3DRS_POINTSIZE_MIN]),
                    AsFloat(rs[D3DRS_POINTSIZE_MAX]), 0);
        g.Uniform4f(p.uPointScale, AsFloat(rs[D3DRS_POINTSCALE_A]), AsFloat(rs[D3DRS_POINTSCALE_B]),
                    AsFloat(rs[D3DRS_POINTSCALE_C]), 0);
        g.Uniform4fv(p.uClip, 6, &st.clipPlanes[0][0]);
        g.Uniform4fv(p.uVsC, kMaxVsConstants, &st.vsConst[0][0]);
        g.Uniform4fv(p.uPsC, kMaxPsConstants, &st.psConst[0][0]);
        ColorToFloats(rs[D3DRS_TEXTUREFACTOR], c);
        g.Uniform4fv(p.uTFactor, 1, c);
        float bump[8][4], lum[8][4] = {};
        for (int s = 0; s < 8; ++s)
        {
            bump[s][0] = AsFloat(st.tss[s][D3DTSS_BUMPENVMAT00]);
            bump[s][1] = AsFloat(st.tss[s][D3DTSS_BUMPENVMAT01]);
            bump[s][2] = AsFloat(st.tss[s][D3DTSS_BUMPENVMAT10]);
            bump[s][3] = AsFloat(st.tss[s][D3DTSS_BUMPENVMAT11]);
            lum[s][0] = AsFloat(st.tss[s][D3DTSS_BUMPENVLSCALE]);
            lum[s][1] = AsFloat(st.tss[s][D3DTSS_BUMPENVLOFFSET]);
        }
        g.Uniform4fv(p.uBumpMat, 8, &bump[0][0]);
        g.Uniform4fv(p.uBumpLum, 8, &lum[0][0]);
        g.Uniform1f(p.uAlphaRef, float(rs[D3DRS_ALPHAREF] & 0xFF));
        p.versions[3] = m_versions[3];
    }
}

void CGlBackend::Draw(const SStateData& st, const SDrawSetup& setup, std::uint32_t primitive,
                      std::uint32_t first, std::uint32_t vertexCount, bool indexed, std::uint32_t indexCount)
{
    if (!m_pColor) return;
    FlushGraveyard();
    BindTargetFbo();
    const std::uint32_t dirty = m_nDirty;
    m_nDirty = 0;
    if (dirty & kDirtyTransforms) ++m_versions[0];
    if (dirty & kDirtyLights) ++m_versions[1];
    if (dirty & kDirtyMaterial) ++m_versions[2];
    if (dirty & (kDirtyMisc | kDirtyTargets)) ++m_versions[3];
    if (dirty & (kDirtyMisc | kDirtyTargets))
    {
        const SViewport& vp = st.viewport;
        g.Viewport(GLint(vp.X), GLint(vp.Y), GLsizei(vp.Width), GLsizei(vp.Height));
        g.DepthRange(vp.MinZ, vp.MaxZ);
    }
    // The key depends on most states; rebuilding it is cheap next to a draw.
    const gl::SProgramKey key = BuildKey(st, setup, primitive);
    SProgram* p = m_pCurrent;
    if (!p || !(key == m_key) || !m_bCache)
    {
        p = GetProgram(key);
        if (!p) return;
        m_key = key;
        g.UseProgram(p->name);
        m_pCurrent = p;
    }
    UploadUniforms(*p, st);
    if (dirty & (kDirtyRaster | kDirtyTargets) || !m_bCache) ApplyRaster(st);
    if (dirty & kDirtySamplers || !m_bCache) ApplySamplers(st);
    BindTextures(st, key);
    SetupStream(st, setup);
    static const GLenum kModes[] = {GL_POINTS,    GL_POINTS,         GL_LINES,       GL_LINE_STRIP,
                                    GL_TRIANGLES, GL_TRIANGLE_STRIP, GL_TRIANGLE_FAN};
    const GLenum mode = kModes[std::min<std::uint32_t>(primitive, 6)];
    if (indexed)
    {
        const bool i32 = st.indices->GetFormat() == D3DFMT_INDEX32;
        g.DrawElementsBaseVertex(mode, GLsizei(indexCount), i32 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                                 reinterpret_cast<const void*>(std::uintptr_t(first) * (i32 ? 4 : 2)),
                                 GLint(st.baseVertex));
    }
    else
        g.DrawArrays(mode, GLint(first), GLsizei(vertexCount));
}

void CGlBackend::Present(Surface* back, const SGammaRamp& ramp)
{
    FlushGraveyard();
    int w = 0, h = 0;
    FrontBufferSize(&w, &h);
    g.BindTexture(GL_TEXTURE_2D, m_frontTexture);
    if (w != m_nFrontWidth || h != m_nFrontHeight)
    {
        g.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
        g.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        m_nFrontWidth = w;
        m_nFrontHeight = h;
    }
    g.BindFramebuffer(GL_FRAMEBUFFER, m_frontFbo);
    g.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_frontTexture, 0);
    g.Viewport(0, 0, w, h);
    g.Disable(GL_BLEND);
    g.Disable(GL_DEPTH_TEST);
    g.Disable(GL_CULL_FACE);
    g.Disable(GL_STENCIL_TEST);
    g.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    g.PolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    std::uint16_t lut[256 * 4];
    for (int i = 0; i < 256; ++i)
    {
        lut[i * 4 + 0] = ramp.red[i];
        lut[i * 4 + 1] = ramp.green[i];
        lut[i * 4 + 2] = ramp.blue[i];
        lut[i * 4 + 3] = 65535;
    }
    g.ActiveTexture(GL_TEXTURE1);
    g.BindTexture(GL_TEXTURE_2D, m_gammaTexture);
    g.TexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 256, 1, GL_RGBA, GL_UNSIGNED_SHORT, lut);
    g.BindSampler(1, 0);
    g.ActiveTexture(GL_TEXTURE0);
    g.BindTexture(GL_TEXTURE_2D, back && back->m_pGl ? back->m_pGl->texture : 0);
    g.BindSampler(0, 0);
    g.UseProgram(m_presentProgram);
    g.Uniform1i(g.GetUniformLocation(m_presentProgram, "uImage"), 0);
    g.Uniform1i(g.GetUniformLocation(m_presentProgram, "uRamp"), 1);
    g.BindVertexArray(m_emptyVao);
    g.DrawArrays(GL_TRIANGLES, 0, 3);
    g.BindFramebuffer(GL_READ_FRAMEBUFFER, m_frontFbo);
    g.BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    g.BlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    g.BindFramebuffer(GL_FRAMEBUFFER, 0);
    SDL_GL_SwapWindow(m_pWindow);
    // Everything above bypassed the caches.
    m_pCurrent = nullptr;
    m_pRaster->valid = false;
    m_bTargetsBound = false;
    for (auto& t : m_boundNames)
        t = 0;
    m_pLastStream = nullptr;
    m_nDirty = kDirtyAll;
}

void CGlBackend::FrontBufferSize(int* width, int* height) const
{
    *width = *height = 0;
    SDL_GL_GetDrawableSize(m_pWindow, width, height);
    *width = std::max(*width, 1);
    *height = std::max(*height, 1);
}

void CGlBackend::ReadFrontBuffer(std::uint8_t* dst, std::size_t pitch, int width, int height)
{
    const std::size_t row = std::size_t(width) * 4;
    if (width != m_nFrontWidth || height != m_nFrontHeight)
    {
        // Nothing presented at this size yet: the screen is black.
        for (int y = 0; y < height; ++y)
            for (std::size_t x = 0; x < row; x += 4)
            {
                const std::uint32_t black = 0xFF000000u;
                std::memcpy(dst + std::size_t(y) * pitch + x, &black, 4);
            }
        return;
    }
    std::vector<std::uint8_t> pixels(row * std::size_t(height));
    g.BindFramebuffer(GL_FRAMEBUFFER, m_frontFbo);
    g.ReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    g.BindFramebuffer(GL_FRAMEBUFFER, 0);
    m_bTargetsBound = false;
    // GL rows run bottom first; the window shows the top row first.
    for (int y = 0; y < height; ++y)
    {
        std::uint8_t* out = dst + std::size_t(y) * pitch;
        std::memcpy(out, &pixels[std::size_t(height - 1 - y) * row], row);
        for (std::size_t x = 3; x < row; x += 4)
            out[x] = 0xFF;
    }
}

} // namespace plat::d3d::detail
