#include "platform/d3d8/gl/GlBackend.h"

#include "platform/Debug.h"
#include "platform/d3d8/DeviceCore.h"
#include "platform/d3d8/Format.h"
#include "platform/d3d8/gl/GlBackendInternal.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>

namespace plat::d3d::detail
{

using gl::g;

namespace
{

// The matrix normals go through: the inverse transpose of the whole 4x4
// world-view matrix, of which the upper 3x3 is used. For an affine matrix
// that equals the inverse transpose of the upper 3x3 alone; for one with a
// projective column it does not (its inverse may flatten a direction the
// upper 3x3 keeps), and Direct3D lights by the whole matrix. The transposed
// inverse is the cofactor matrix over the determinant.
SMatrix NormalMatrix(const SMatrix& m)
{
    auto minor = [&](int row, int col)
    {
        float a[3][3];
        for (int r = 0, i = 0; r < 4; ++r)
        {
            if (r == row) continue;
            for (int c = 0, j = 0; c < 4; ++c)
                if (c != col) a[i][j++] = m.m[r][c];
            ++i;
        }
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
               a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    float cof[4][4];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            cof[r][c] = ((r + c) & 1 ? -1.0f : 1.0f) * minor(r, c);
    const float det =
        m.m[0][0] * cof[0][0] + m.m[0][1] * cof[0][1] + m.m[0][2] * cof[0][2] + m.m[0][3] * cof[0][3];
    SMatrix out = IdentityMatrix();
    if (std::fabs(det) < 1e-20f) return out;
    const float s = 1.0f / det;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out.m[r][c] = cof[r][c] * s;
    return out;
}

// Clears the arguments an operation does not read, so that states which
// draw alike share one program.
void KeepUsedArguments(std::uint8_t op, std::uint8_t args[3])
{
    const bool none =
        op == 0 || op == D3DTOP_DISABLE || op == D3DTOP_BUMPENVMAP || op == D3DTOP_BUMPENVMAPLUMINANCE;
    if (none || (op != D3DTOP_MULTIPLYADD && op != D3DTOP_LERP)) args[0] = 0;
    if (none || op == D3DTOP_SELECTARG2) args[1] = 0;
    if (none || op == D3DTOP_SELECTARG1 || op == D3DTOP_PREMODULATE) args[2] = 0;
}

} // namespace

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
    LOC(uWorldViewProj);
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
    LOC(uLightCount);
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
    LOC(uFogMode);
    LOC(uDrawMode);
    LOC(uVertexMode);
    LOC(uMatSource);
#undef LOC
    g.UseProgram(name);
    for (int i = 0; i < 8; ++i)
    {
        const std::string s = "uSampler" + std::to_string(i);
        const GLint loc = g.GetUniformLocation(name, s.c_str());
        if (loc >= 0) g.Uniform1i(loc, i);
    }
    m_pCurrent = nullptr; // the caller binds it again
    m_pCore->programsCompiled.fetch_add(1, std::memory_order_relaxed);
    if (m_pCore->loadingFinished.load(std::memory_order_relaxed))
    {
        // The warm-up missed this one: its key says which state made it.
        m_pCore->programsAfterLoading.fetch_add(1, std::memory_order_relaxed);
        plat::OutputDebugString(("Direct3D layer: program compiled after loading: " + gl::DescribeKey(key) + "\n").c_str());
    }
    SProgram* raw = p.get();
    m_programs.emplace(key, std::move(p));
    return raw;
}

bool CGlBackend::PrepareProgram(const SStateData& st, const SDrawSetup& setup, std::uint32_t primitive)
{
    gl::SProgramInputs inputs;
    return GetProgram(BuildKey(st, setup, primitive, &inputs)) != nullptr;
}

gl::SProgramKey CGlBackend::BuildKey(const SStateData& st, const SDrawSetup& setup, std::uint32_t primitive,
                                     gl::SProgramInputs* inputs) const
{
    gl::SProgramKey k;
    gl::SProgramInputs& in = *inputs;
    in = gl::SProgramInputs();
    const std::uint32_t* rs = st.rs;
    const std::uint32_t fvf = setup.fvf;
    k.vs = std::uint8_t(setup.engineVs + 1);
    k.ps = std::uint8_t(setup.enginePs + 1);
    k.points = primitive == D3DPT_POINTLIST;
    std::uint32_t texSets = 0;
    bool normal = false, diffuse = false, specular = false, lighting = false;
    if (setup.engineVs < 0)
    {
        const std::uint32_t pos = fvf & D3DFVF_POSITION_MASK;
        k.rhw = pos == D3DFVF_XYZRHW;
        int weights = pos >= D3DFVF_XYZB1 ? int((pos - D3DFVF_XYZRHW) / 2) : 0;
        if (weights && (fvf & D3DFVF_LASTBETA_UBYTE4)) --weights;
        const std::uint32_t vb = rs[D3DRS_VERTEXBLEND];
        if (!k.rhw && vb >= D3DVBF_1WEIGHTS && vb <= D3DVBF_3WEIGHTS)
            k.blend = std::uint8_t(std::min<int>(int(vb), weights));
        normal = (fvf & D3DFVF_NORMAL) != 0;
        diffuse = (fvf & D3DFVF_DIFFUSE) != 0;
        specular = (fvf & D3DFVF_SPECULAR) != 0;
        k.pointSizeAttr = k.points && (fvf & D3DFVF_PSIZE) != 0;
        texSets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
        lighting = rs[D3DRS_LIGHTING] != 0 && !k.rhw;
        in.vertex[3] = lighting;
        if (lighting)
        {
            // The number of lights, like the rest of the lighting set-up, is
            // a uniform: switching a light on or off needs no other program.
            in.vertex[0] = rs[D3DRS_LOCALVIEWER] != 0;
            in.vertex[1] = rs[D3DRS_NORMALIZENORMALS] != 0;
            const bool cv = rs[D3DRS_COLORVERTEX] != 0;
            auto src = [&](std::uint32_t v) -> std::int32_t
            {
                if (!cv || (v == D3DMCS_COLOR1 && !diffuse) || (v == D3DMCS_COLOR2 && !specular)) return 0;
                return v <= D3DMCS_COLOR2 ? std::int32_t(v) : 0;
            };
            in.material[0] = src(rs[D3DRS_DIFFUSEMATERIALSOURCE]);
            in.material[1] = src(rs[D3DRS_AMBIENTMATERIALSOURCE]);
            in.material[2] = src(rs[D3DRS_SPECULARMATERIALSOURCE]);
            in.material[3] = src(rs[D3DRS_EMISSIVEMATERIALSOURCE]);
        }
        if (k.points) k.pointScale = rs[D3DRS_POINTSCALEENABLE] != 0;
    }
    if (k.points) k.pointSprite = rs[D3DRS_POINTSPRITEENABLE] != 0;
    // Fog.
    std::int32_t& fogSource = in.fog[0];
    if (rs[D3DRS_FOGENABLE])
    {
        if (setup.engineVs >= 0)
            fogSource = gl::kFogShader;
        else if (rs[D3DRS_FOGTABLEMODE] != D3DFOG_NONE)
            fogSource = gl::kFogTable, in.fog[1] = std::int32_t(rs[D3DRS_FOGTABLEMODE]);
        else if (k.rhw)
            fogSource = gl::kFogSpecular;
        else if (rs[D3DRS_FOGVERTEXMODE] != D3DFOG_NONE)
        {
            fogSource = gl::kFogVertex;
            in.fog[1] = std::int32_t(rs[D3DRS_FOGVERTEXMODE]);
            in.fog[2] = rs[D3DRS_RANGEFOGENABLE] != 0;
        }
        else if (specular && !lighting)
            fogSource = gl::kFogSpecular;
    }
    if (fogSource == gl::kFogTable)
    {
        // Fog by w needs a perspective projection (its fourth column is not
        // 0, 0, 0, 1); otherwise, and for pre-transformed vertices, by z.
        const SMatrix& proj = st.transforms[1];
        const bool perspective =
            proj.m[0][3] != 0.0f || proj.m[1][3] != 0.0f || proj.m[2][3] != 0.0f || proj.m[3][3] != 1.0f;
        in.fog[3] = k.rhw || !perspective;
    }
    // The alpha test as the compare results that pass: D3DCMP_NEVER (1)
    // passes none, D3DCMP_ALWAYS (8) all three (less, equal, greater).
    in.draw[0] = 7;
    if (rs[D3DRS_ALPHATESTENABLE])
        in.draw[0] = std::int32_t(std::clamp<std::uint32_t>(rs[D3DRS_ALPHAFUNC], 1, 8)) - 1;
    in.draw[1] = setup.enginePs < 0 && rs[D3DRS_SPECULARENABLE] != 0;
    // Fog by the eye distance and clip planes read the camera-space
    // position, which a program transforming by one product skips.
    // A plane not enabled never clips, whatever the plane last set holds.
    if (!k.rhw && setup.engineVs < 0)
    {
        in.vertex[2] |= std::int32_t(rs[D3DRS_CLIPPLANEENABLE] & 1) << 8;
        k.clipMask = std::uint8_t(rs[D3DRS_CLIPPLANEENABLE] & 0x3E);
    }
    if (!k.rhw && setup.engineVs < 0)
        in.draw[3] = lighting || fogSource == gl::kFogVertex || (fogSource == gl::kFogTable && !in.fog[3]) ||
                     (rs[D3DRS_CLIPPLANEENABLE] & 0x3F) != 0;
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
            // A bump stage passes alpha through whatever its ALPHAOP says.
            if (sk.colorOp == D3DTOP_BUMPENVMAP || sk.colorOp == D3DTOP_BUMPENVMAPLUMINANCE) sk.alphaOp = 0;
            KeepUsedArguments(sk.colorOp, sk.colorArg);
            KeepUsedArguments(sk.alphaOp, sk.alphaArg);
        }
        else
            sk.colorOp = D3DTOP_SELECTARG1;
        // Whether the stage has a texture is an input, not part of the key:
        // the coordinates of every stage in use are made.
        if (st.textures[s]) in.draw[2] |= 1 << s;
        sk.used = 1;
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
            if ((sk.coordGen == 1 || sk.coordGen == 3) && !normal) sk.coordGen = 2;
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
            // Whether a transform applies is an input; how many components
            // a projected coordinate has is part of the key.
            sk.projected = (ttff & D3DTTFF_PROJECTED) != 0;
            if (!k.rhw && (ttff & 7)) in.vertex[2] |= 1 << s;
            sk.ttffCount = k.rhw || !sk.projected ? 0 : std::uint8_t(ttff & 7);
        }
        if (k.pointSprite) sk.coordGen = 0;
    }
    return k;
}

void CGlBackend::UploadUniforms(SProgram& p, const SStateData& st, const gl::SProgramInputs& inputs)
{
    if (!p.inputsSent || !(p.inputs == inputs) || !m_bCache)
    {
        g.Uniform4iv(p.uFogMode, 1, inputs.fog);
        g.Uniform4iv(p.uDrawMode, 1, inputs.draw);
        g.Uniform4iv(p.uVertexMode, 1, inputs.vertex);
        g.Uniform4iv(p.uMatSource, 1, inputs.material);
        p.inputs = inputs;
        p.inputsSent = true;
    }
    const bool transforms = p.versions[0] != m_versions[0];
    if (transforms)
    {
        // The four world matrices and the eight texture matrices lie next to
        // each other in the state, as the uniform arrays want them.
        const SMatrix* world = &st.transforms[10];
        if (p.uWorld >= 0) g.UniformMatrix4fv(p.uWorld, 4, GL_FALSE, &world[0].m[0][0]);
        if (p.uNormalMat >= 0)
        {
            SMatrix normal[4];
            for (int i = 0; i < 4; ++i)
                normal[i] = NormalMatrix(Multiply(world[i], st.transforms[0]));
            g.UniformMatrix4fv(p.uNormalMat, 4, GL_FALSE, &normal[0].m[0][0]);
        }
        if (p.uView >= 0) g.UniformMatrix4fv(p.uView, 1, GL_FALSE, &st.transforms[0].m[0][0]);
        if (p.uProj >= 0) g.UniformMatrix4fv(p.uProj, 1, GL_FALSE, &st.transforms[1].m[0][0]);
        if (p.uWorldViewProj >= 0)
        {
            const SMatrix wvp = Multiply(Multiply(world[0], st.transforms[0]), st.transforms[1]);
            g.UniformMatrix4fv(p.uWorldViewProj, 1, GL_FALSE, &wvp.m[0][0]);
        }
        if (p.uTexMat >= 0) g.UniformMatrix4fv(p.uTexMat, 8, GL_FALSE, &st.transforms[2].m[0][0]);
        p.versions[0] = m_versions[0];
    }
    // Lights are sent only to a program that lights this draw (they are
    // turned into camera space by the view, one of the transforms).
    if (inputs.vertex[3] && p.uLightPos >= 0 &&
        (p.lightTransforms != m_versions[0] || p.versions[1] != m_versions[1]))
    {
        p.lightTransforms = m_versions[0];
        p.versions[1] = m_versions[1];
        // Lights live in world space; the program works in camera space.
        float dif[gl::kMaxLights][4] = {}, spe[gl::kMaxLights][4] = {}, amb[gl::kMaxLights][4] = {};
        float pos[gl::kMaxLights][4] = {}, dir[gl::kMaxLights][4] = {}, att[gl::kMaxLights][4] = {};
        float spot[gl::kMaxLights][4] = {};
        const SMatrix& v = st.transforms[0];
        int n = 0, enabled = 0;
        for (const auto& [index, e] : st.lights)
        {
            enabled += e.enabled ? 1 : 0;
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
        g.Uniform1i(p.uLightCount, n);
        if (enabled > gl::kMaxLights)
        {
            // The caps promise no more; the lowest-numbered ones light.
            static std::atomic<bool> s_warned{false};
            if (!s_warned.exchange(true))
                plat::OutputDebugString(("Direct3D layer: " + std::to_string(enabled) +
                                         " lights enabled, only " + std::to_string(gl::kMaxLights) +
                                         " are used\n")
                                            .c_str());
        }
    }
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
    if (p.versions[4] != m_versions[4])
    {
        float c[4];
        ColorToFloats(st.rs[D3DRS_TEXTUREFACTOR], c);
        g.Uniform4fv(p.uTFactor, 1, c);
        p.versions[4] = m_versions[4];
    }
}

} // namespace plat::d3d::detail
