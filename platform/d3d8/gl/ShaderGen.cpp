#include "platform/d3d8/gl/ShaderGen.h"

#include "platform/d3d8/D3D8Types.h"

#include <string>

namespace plat::d3d::gl
{

std::size_t SProgramKeyHash::operator()(const SProgramKey& k) const
{
    // FNV-1a over the key bytes: the key is small and built without padding.
    const auto* p = reinterpret_cast<const std::uint8_t*>(&k);
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i < sizeof(k); ++i)
        h = (h ^ p[i]) * 1099511628211ull;
    return std::size_t(h);
}

namespace
{

const char* kCommonVertexHeader = R"(#version 330 core
in vec4 aPos;
in vec4 aWeights;
in vec3 aNormal;
in float aPSize;
in vec4 aDiffuse;
in vec4 aSpecular;
in vec4 aTex0; in vec4 aTex1; in vec4 aTex2; in vec4 aTex3;
in vec4 aTex4; in vec4 aTex5; in vec4 aTex6; in vec4 aTex7;
uniform mat4 uWorld[4];
uniform mat4 uNormalMat[4];
uniform mat4 uView;
uniform mat4 uProj;
uniform mat4 uWorldViewProj;
uniform mat4 uTexMat[8];
uniform vec4 uViewport;
uniform vec4 uMatDiffuse, uMatAmbient, uMatSpecular, uMatEmissive;
uniform float uMatPower;
uniform vec4 uAmbient;
uniform vec4 uLightDiffuse[16], uLightSpecular[16], uLightAmbient[16];
uniform vec4 uLightPos[16], uLightDir[16], uLightAtt[16], uLightSpot[16];
uniform int uLightCount;
uniform vec4 uFog;
uniform vec4 uPoint;
uniform vec4 uPointScale;
uniform vec4 uClip[6];
uniform vec4 uVsC[96];
uniform ivec4 uFogMode;
uniform ivec4 uDrawMode;
uniform ivec4 uVertexMode;
uniform ivec4 uMatSource;
out vec4 vDiffuse;
out vec4 vSpecular;
out vec4 vTex0, vTex1, vTex2, vTex3, vTex4, vTex5, vTex6, vTex7;
out float vFog;
vec4 ToGl(vec4 c)
{
    // Direct3D clip space (z 0..w, pixel centres on integers) into GL clip
    // space rendered upside down, so that framebuffer rows run top first
    // like Direct3D memory.
    return vec4(c.x + c.w / uViewport.z, -c.y + c.w / uViewport.w, 2.0 * c.z - c.w, c.w);
}
)";

std::string TexInput(int set)
{
    return "aTex" + std::to_string(set);
}

} // namespace

bool NeedsEyeSpace(const SProgramKey& k)
{
    if (k.rhw || k.vs) return false;
    if (k.blend || (k.points && k.pointScale)) return true;
    for (const SStageKey& t : k.stages)
        if (t.used && t.coordGen) return true;
    return false;
}

namespace
{

std::string BuildFixedVertex(const SProgramKey& k)
{
    std::string s = kCommonVertexHeader;
    s += "void main()\n{\n";
    s += "    vec4 eyePos = vec4(0.0, 0.0, 0.0, 1.0);\n    vec3 N = vec3(0.0, 0.0, 0.0);\n";
    s += "    vec4 worldPos = vec4(aPos.xyz, 1.0);\n";
    if (k.rhw)
    {
        s += "    float w = aPos.w != 0.0 ? 1.0 / aPos.w : 1.0;\n"
             "    vec2 ndc = vec2((aPos.x - uViewport.x) / uViewport.z * 2.0 - 1.0,\n"
             "                    1.0 - (aPos.y - uViewport.y) / uViewport.w * 2.0);\n"
             "    gl_Position = ToGl(vec4(ndc * w, aPos.z * w, w));\n"
             "    eyePos = vec4(0.0, 0.0, w, 1.0);\n";
    }
    else
    {
        if (!NeedsEyeSpace(k))
        {
            // Unless lighting, fog by distance or a clip plane reads the
            // camera-space position, one product.
            s += "    if (uDrawMode.w != 0)\n    {\n"
                 "        worldPos = uWorld[0] * vec4(aPos.xyz, 1.0);\n"
                 "        N = mat3(uNormalMat[0]) * aNormal;\n"
                 "        eyePos = uView * worldPos;\n"
                 "        gl_Position = ToGl(uProj * eyePos);\n    }\n    else\n"
                 "        gl_Position = ToGl(uWorldViewProj * vec4(aPos.xyz, 1.0));\n";
        }
        else if (k.blend == 0)
        {
            s += "    worldPos = uWorld[0] * vec4(aPos.xyz, 1.0);\n";
            s += "    N = mat3(uNormalMat[0]) * aNormal;\n";
        }
        else
        {
            s += "    float wt[4];\n    float last = 1.0;\n";
            for (int i = 0; i < k.blend; ++i)
                s += "    wt[" + std::to_string(i) + "] = aWeights[" + std::to_string(i) + "]; last -= wt[" +
                     std::to_string(i) + "];\n";
            s += "    wt[" + std::to_string(int(k.blend)) + "] = last;\n";
            s += "    worldPos = vec4(0.0);\n";
            for (int i = 0; i <= k.blend; ++i)
            {
                const std::string n = std::to_string(i);
                s += "    worldPos += wt[" + n + "] * (uWorld[" + n + "] * vec4(aPos.xyz, 1.0));\n";
                s += "    N += wt[" + n + "] * (mat3(uNormalMat[" + n + "]) * aNormal);\n";
            }
        }
        if (NeedsEyeSpace(k))
        {
            s += "    eyePos = uView * worldPos;\n";
            s += "    gl_Position = ToGl(uProj * eyePos);\n";
        }
        s += "    if (uVertexMode.y != 0 && dot(N, N) > 0.0) N = normalize(N);\n";
        // Only the planes the caller enabled clip: the others read as
        // inside, so that a plane left in the uniforms cuts nothing (the
        // software rasteriser clips by every distance written).
        // The first plane, the one callers switch on and off, is an input;
        // a program for further planes is keyed by them.
        int planes = 1;
        for (int i = 1; i < 6; ++i)
            if (k.clipMask & (1 << i)) planes = i + 1;
        for (int i = 0; i < planes; ++i)
        {
            const std::string n = std::to_string(i), plane = "dot(worldPos, uClip[" + n + "])";
            if (i == 0)
                s += "    gl_ClipDistance[0] = (uVertexMode.z & 256) != 0 ? " + plane + " : 1.0;\n";
            else
                s += "    gl_ClipDistance[" + n + "] = " + ((k.clipMask & (1 << i)) ? plane : "1.0") + ";\n";
        }
    }
    // Colours and lighting.
    // A vertex without colours reads white diffuse and black specular.
    s += "    vec4 inDiffuse = aDiffuse;\n    vec4 inSpecular = aSpecular;\n";
    if (!k.rhw)
    {
        s += "    if (uVertexMode.w != 0)\n    {\n";
        // The source is a vertex colour only where the vertex has one.
        auto src = [&](const char* which, const char* material) -> std::string
        {
            return std::string("uMatSource.") + which + " == 1 ? aDiffuse : (uMatSource." + which +
                   " == 2 ? aSpecular : " + material + ")";
        };
        s += "    vec4 cD = " + src("x", "uMatDiffuse") + ";\n";
        s += "    vec4 cA = " + src("y", "uMatAmbient") + ";\n";
        s += "    vec4 cS = " + src("z", "uMatSpecular") + ";\n";
        s += "    vec4 cE = " + src("w", "uMatEmissive") + ";\n";
        s += "    vec3 sumA = vec3(0.0), sumD = vec3(0.0), sumS = vec3(0.0);\n";
        {
            s += "    vec3 V = uVertexMode.x != 0 ? normalize(-eyePos.xyz) : vec3(0.0, 0.0, -1.0);\n";
            s += "    for (int i = 0; i < uLightCount; ++i)\n    {\n";
            s += R"(        vec3 L;
        float att = 1.0;
        if (uLightPos[i].w == 3.0)
            L = -uLightDir[i].xyz;
        else
        {
            vec3 d = uLightPos[i].xyz - eyePos.xyz;
            float dist = length(d);
            L = dist > 0.0 ? d / dist : vec3(0.0, 0.0, -1.0);
            if (dist > uLightAtt[i].w)
                att = 0.0;
            else
                att = 1.0 / max(uLightAtt[i].x + uLightAtt[i].y * dist + uLightAtt[i].z * dist * dist, 1e-6);
            if (uLightPos[i].w == 2.0)
            {
                float rho = dot(-L, uLightDir[i].xyz);
                float spot;
                if (rho > uLightSpot[i].x)
                    spot = 1.0;
                else if (rho <= uLightSpot[i].y)
                    spot = 0.0;
                else
                    spot = pow((rho - uLightSpot[i].y) / max(uLightSpot[i].x - uLightSpot[i].y, 1e-6), uLightSpot[i].z);
                att *= spot;
            }
        }
        sumA += uLightAmbient[i].rgb * att;
        float NdotL = dot(N, L);
        if (NdotL > 0.0)
        {
            sumD += uLightDiffuse[i].rgb * NdotL * att;
            vec3 H = normalize(L + V);
            float NdotH = dot(N, H);
            if (NdotH > 0.0)
                sumS += uLightSpecular[i].rgb * pow(NdotH, uMatPower) * att;
        }
    }
)";
        }
        s += "    vDiffuse = clamp(vec4(cE.rgb + cA.rgb * (uAmbient.rgb + sumA) + cD.rgb * sumD, cD.a), 0.0, "
             "1.0);\n";
        s += "    vSpecular = clamp(vec4(cS.rgb * sumS, cS.a), 0.0, 1.0);\n";
        s += "    }\n    else\n    {\n        vDiffuse = inDiffuse;\n        vSpecular = inSpecular;\n    }\n";
    }
    else
    {
        s += "    vDiffuse = inDiffuse;\n    vSpecular = inSpecular;\n";
    }
    // Fog.
    s += R"(    float fd = uFogMode.z != 0 ? length(eyePos.xyz) : abs(eyePos.z);
    float fx = uFog.z * fd;
    float vf = uFogMode.y == 3 ? (uFog.y - fd) / max(uFog.y - uFog.x, 1e-6) : exp(-(uFogMode.y == 1 ? fx : fx * fx));
    vFog = uFogMode.x == 1 ? clamp(vf, 0.0, 1.0) : (uFogMode.x == 2 ? abs(eyePos.z) : (uFogMode.x == 3 ? inSpecular.a : 1.0));
)";
    // Points.
    if (k.points)
    {
        s += std::string("    float ps = ") + (k.pointSizeAttr ? "aPSize" : "uPoint.x") + ";\n";
        if (k.pointScale && !k.rhw)
            s += "    float de = length(eyePos.xyz);\n"
                 "    ps = uViewport.w * ps * sqrt(1.0 / max(uPointScale.x + uPointScale.y * de + "
                 "uPointScale.z * de * de, 1e-6));\n";
        // A point whose size comes to 0 is not drawn: its vertex is moved
        // outside the clip volume (depth clamping spares only z).
        s += "    ps = clamp(ps, uPoint.y, uPoint.z);\n"
             "    if (!(ps > 0.0)) gl_Position = vec4(2.0, 2.0, 0.0, 1.0);\n"
             "    gl_PointSize = max(ps, 1.0);\n";
    }
    // Texture coordinates, per stage.
    for (int st = 0; st < 8; ++st)
    {
        const SStageKey& t = k.stages[st];
        const std::string n = std::to_string(st);
        if (!t.used)
        {
            s += "    vTex" + n + " = vec4(0.0);\n";
            continue;
        }
        // With a texture transform Direct3D appends 1 after the last given
        // component, so a 2-D set picks up the translation from the third
        // row; without one the coordinate is padded as (.., 0, 1).
        std::string plain, transformed;
        if (t.coordGen == 0)
        {
            const std::string a = TexInput(t.coordSet);
            static const char* const kTransformed[] = {".x, 1.0, 0.0, 0.0", ".xy, 1.0, 0.0", ".xyz, 1.0"};
            static const char* const kPlain[] = {".x, 0.0, 0.0, 1.0", ".xy, 0.0, 1.0", ".xyz, 1.0"};
            if (t.coordSize >= 1 && t.coordSize <= 3)
            {
                plain = "vec4(" + a + kPlain[t.coordSize - 1] + ")";
                transformed = "vec4(" + a + kTransformed[t.coordSize - 1] + ")";
            }
            else
                plain = transformed = a;
        }
        else if (t.coordGen == 1)
            plain = transformed = "vec4(N, 1.0)";
        else if (t.coordGen == 2)
            plain = transformed = "vec4(eyePos.xyz, 1.0)";
        else
            plain = transformed = "vec4(reflect(normalize(eyePos.xyz), N), 1.0)";
        if (k.rhw)
            s += "    vTex" + n + " = " + plain + ";\n";
        else
            s += "    vTex" + n + " = (uVertexMode.z & " + std::to_string(1 << st) + ") != 0 ? uTexMat[" + n +
                 "] * " + transformed + " : " + plain + ";\n";
    }
    s += "}\n";
    return s;
}

std::string BuildEngineVertex(const SProgramKey& k)
{
    std::string s = kCommonVertexHeader;
    s += "void main()\n{\n";
    if (k.vs == 1) // water
    {
        s += R"(    vec4 p = vec4(aPos.xy, dot(aWeights.xyz, uVsC[11].xyz), 1.0);
    gl_Position = ToGl(vec4(dot(p, uVsC[3]), dot(p, uVsC[4]), dot(p, uVsC[5]), dot(p, uVsC[6])));
    vec3 q = vec3(dot(p, uVsC[0]), dot(p, uVsC[1]), dot(p, uVsC[2]));
    q.x *= uVsC[9].x;
    q.y *= uVsC[9].y;
    q.z += uVsC[9].z;
    vTex1 = vec4(q.x / q.z + uVsC[8].x, q.y / q.z + uVsC[8].y, 0.0, 1.0);
    vTex0 = vec4(aTex0.xy, 0.0, 1.0);
    vTex2 = vec4(aTex0.xy, 0.0, 1.0);
    vTex3 = vec4(0.0); vTex4 = vec4(0.0); vTex5 = vec4(0.0); vTex6 = vec4(0.0); vTex7 = vec4(0.0);
    vec3 e = uVsC[13].xyz - p.xyz;
    e.z -= uVsC[11].w;
    float s = e.z / max(length(e), 1e-6);
    vDiffuse = clamp(vec4(aDiffuse.rgb, uVsC[13].w * s + uVsC[8].w), 0.0, 1.0);
    vSpecular = clamp(vec4(aDiffuse.rgb, aDiffuse.a * (uVsC[14].w - s * uVsC[14].x)), 0.0, 1.0);
    vFog = clamp(exp2(p.z * uVsC[10].w), 0.0, 1.0);
)";
    }
    else // map hide colour
    {
        s += R"(    vec4 p = vec4(aPos.xyz, 1.0);
    gl_Position = ToGl(vec4(dot(p, uVsC[3]), dot(p, uVsC[4]), dot(p, uVsC[5]), dot(p, uVsC[6])));
    vDiffuse = aDiffuse;
    vSpecular = vec4(0.0);
    vTex0 = vTex1 = vTex2 = vTex3 = vTex4 = vTex5 = vTex6 = vTex7 = vec4(0.0);
    vFog = 1.0;
)";
    }
    s += "}\n";
    return s;
}

const char* kFragmentHeader = R"(#version 330 core
in vec4 vDiffuse;
in vec4 vSpecular;
in vec4 vTex0, vTex1, vTex2, vTex3, vTex4, vTex5, vTex6, vTex7;
in float vFog;
uniform sampler2D uSampler0, uSampler1, uSampler2, uSampler3, uSampler4, uSampler5, uSampler6, uSampler7;
uniform vec4 uTFactor;
uniform vec4 uBumpMat[8];
uniform vec4 uBumpLum[8];
uniform vec4 uFogColor;
uniform vec4 uFog;
uniform float uAlphaRef;
uniform vec4 uPsC[8];
uniform ivec4 uFogMode;
uniform ivec4 uDrawMode;
out vec4 oColor;
)";

std::string Arg(std::uint8_t a, const std::string& tex)
{
    std::string base;
    switch (a & D3DTA_SELECTMASK)
    {
    case D3DTA_DIFFUSE:
        base = "dif";
        break;
    case D3DTA_CURRENT:
        base = "cur";
        break;
    case D3DTA_TEXTURE:
        base = tex;
        break;
    case D3DTA_TFACTOR:
        base = "uTFactor";
        break;
    case D3DTA_SPECULAR:
        base = "spc";
        break;
    case D3DTA_TEMP:
        base = "tmp";
        break;
    default:
        base = "cur";
        break;
    }
    if (a & D3DTA_ALPHAREPLICATE) base = "vec4(" + base + ".a)";
    if (a & D3DTA_COMPLEMENT) base = "(vec4(1.0) - " + base + ")";
    return base;
}

// The expression of one stage operation on vec4 arguments; the caller takes
// .rgb or .a of it.
std::string Op(std::uint8_t op, const std::string& a0, const std::string& a1, const std::string& a2,
               const std::string& tex)
{
    switch (op)
    {
    case D3DTOP_SELECTARG1:
        return a1;
    case D3DTOP_SELECTARG2:
        return a2;
    case D3DTOP_MODULATE:
        return "(" + a1 + " * " + a2 + ")";
    case D3DTOP_MODULATE2X:
        return "(2.0 * " + a1 + " * " + a2 + ")";
    case D3DTOP_MODULATE4X:
        return "(4.0 * " + a1 + " * " + a2 + ")";
    case D3DTOP_ADD:
        return "(" + a1 + " + " + a2 + ")";
    case D3DTOP_ADDSIGNED:
        return "(" + a1 + " + " + a2 + " - vec4(0.5))";
    case D3DTOP_ADDSIGNED2X:
        return "(2.0 * (" + a1 + " + " + a2 + " - vec4(0.5)))";
    case D3DTOP_SUBTRACT:
        return "(" + a1 + " - " + a2 + ")";
    case D3DTOP_ADDSMOOTH:
        return "(" + a1 + " + " + a2 + " - " + a1 + " * " + a2 + ")";
    case D3DTOP_BLENDDIFFUSEALPHA:
        return "mix(" + a2 + ", " + a1 + ", dif.a)";
    case D3DTOP_BLENDTEXTUREALPHA:
        return "mix(" + a2 + ", " + a1 + ", " + tex + ".a)";
    case D3DTOP_BLENDFACTORALPHA:
        return "mix(" + a2 + ", " + a1 + ", uTFactor.a)";
    case D3DTOP_BLENDTEXTUREALPHAPM:
        return "(" + a1 + " + " + a2 + " * (1.0 - " + tex + ".a))";
    case D3DTOP_BLENDCURRENTALPHA:
        return "mix(" + a2 + ", " + a1 + ", cur.a)";
    case D3DTOP_PREMODULATE:
        return a1;
    case D3DTOP_MODULATEALPHA_ADDCOLOR:
        return "(" + a1 + " + " + a1 + ".a * " + a2 + ")";
    case D3DTOP_MODULATECOLOR_ADDALPHA:
        return "(" + a1 + " * " + a2 + " + " + a1 + ".a)";
    case D3DTOP_MODULATEINVALPHA_ADDCOLOR:
        return "((1.0 - " + a1 + ".a) * " + a2 + " + " + a1 + ")";
    case D3DTOP_MODULATEINVCOLOR_ADDALPHA:
        return "((vec4(1.0) - " + a1 + ") * " + a2 + " + " + a1 + ".a)";
    case D3DTOP_DOTPRODUCT3:
        return "vec4(4.0 * dot(" + a1 + ".rgb - vec3(0.5), " + a2 + ".rgb - vec3(0.5)))";
    case D3DTOP_MULTIPLYADD:
        return "(" + a0 + " + " + a1 + " * " + a2 + ")";
    case D3DTOP_LERP:
        return "mix(" + a2 + ", " + a1 + ", " + a0 + ")";
    default:
        return "cur";
    }
}

// Whether the operation reads the stage's texture through one of the
// arguments it uses (or through the texture alpha it blends by).
bool ReadsTexture(std::uint8_t op, const std::uint8_t args[3])
{
    auto texture = [&](int i) { return (args[i] & D3DTA_SELECTMASK) == D3DTA_TEXTURE; };
    switch (op)
    {
    case D3DTOP_BLENDTEXTUREALPHA:
    case D3DTOP_BLENDTEXTUREALPHAPM:
        return true;
    case D3DTOP_SELECTARG1:
    case D3DTOP_PREMODULATE:
        return texture(1);
    case D3DTOP_SELECTARG2:
        return texture(2);
    case D3DTOP_MULTIPLYADD:
    case D3DTOP_LERP:
        return texture(0) || texture(1) || texture(2);
    default:
        return texture(1) || texture(2);
    }
}

std::string Coord(const SProgramKey& k, const SStageKey& t, int st)
{
    if (k.pointSprite) return "gl_PointCoord"; // sprites map the whole texture over the point
    const std::string v = "vTex" + std::to_string(st);
    if (!t.projected || t.ttffCount < 2) return v + ".xy";
    static const char* kComp = "xyzw";
    return v + ".xy / " + v + "." + kComp[t.ttffCount - 1];
}

// Lines indented by the given prefix.
std::string Indent(const std::string& lines, const char* by)
{
    std::string out;
    for (std::size_t at = 0; at < lines.size();)
    {
        const std::size_t end = lines.find('\n', at);
        out += by + lines.substr(at, end - at + 1);
        at = end + 1;
    }
    return out;
}

std::string BuildStagesFragment(const SProgramKey& k)
{
    std::string s = kFragmentHeader;
    s += "void main()\n{\n";
    s += "    vec4 dif = vDiffuse;\n    vec4 spc = vSpecular;\n    vec4 cur = dif;\n    vec4 tmp = "
         "vec4(0.0);\n";
    s += "    vec2 bumpOffset = vec2(0.0);\n    float bumpLum = 1.0;\n    vec4 r;\n";
    bool prevBump = false, prevLum = false;
    for (int st = 0; st < 8; ++st)
    {
        const SStageKey& t = k.stages[st];
        if (!t.colorOp) break;
        const std::string n = std::to_string(st);
        const std::string tex = "t" + n;
        // Whether the stage has a texture is an input: a stage without one
        // reads opaque white.
        const std::string bound = "(uDrawMode.z & " + std::to_string(1 << st) + ") != 0";
        s += "    vec4 " + tex + " = vec4(1.0);\n";
        s += "    if (" + bound + ")\n    {\n";
        s += "        " + tex + " = texture(uSampler" + n + ", " + Coord(k, t, st) +
             (prevBump ? " + bumpOffset" : "") + ");\n";
        if (prevLum) s += "        " + tex + ".rgb *= bumpLum;\n";
        s += "    }\n";
        prevBump = prevLum = false;
        const bool bumpStage = t.colorOp == D3DTOP_BUMPENVMAP || t.colorOp == D3DTOP_BUMPENVMAPLUMINANCE;
        if (bumpStage)
        {
            // The stage perturbs the next stage's coordinates; its colour
            // passes the current colour on.
            s += "    bumpOffset = vec2(uBumpMat[" + n + "].x * " + tex + ".x + uBumpMat[" + n + "].z * " +
                 tex + ".y, uBumpMat[" + n + "].y * " + tex + ".x + uBumpMat[" + n + "].w * " + tex +
                 ".y);\n";
            if (t.colorOp == D3DTOP_BUMPENVMAPLUMINANCE)
            {
                s += "    bumpLum = clamp(" + tex + ".z * uBumpLum[" + n + "].x + uBumpLum[" + n +
                     "].y, 0.0, 1.0);\n";
                prevLum = true;
            }
            prevBump = true;
        }
        // The stage's result with and without a texture: an operation on the
        // texture of a stage that has none passes the current value on, as
        // Direct3D does.
        auto result = [&](bool hasTexture)
        {
            std::string r;
            const bool colorPass = !hasTexture && ReadsTexture(t.colorOp, t.colorArg);
            const bool alphaPass = !hasTexture && ReadsTexture(t.alphaOp, t.alphaArg);
            if (bumpStage || colorPass)
                r += "r.rgb = cur.rgb;\n";
            else
            {
                const std::string e = Op(t.colorOp, Arg(t.colorArg[0], tex), Arg(t.colorArg[1], tex),
                                         Arg(t.colorArg[2], tex), tex);
                r += "r.rgb = clamp((" + e + ").rgb, 0.0, 1.0);\n";
            }
            // A bump stage passes alpha through whatever its ALPHAOP says.
            if (t.colorOp == D3DTOP_DOTPRODUCT3 && !colorPass)
                r += "r.a = r.r;\n"; // the dot product goes to alpha too
            else if (bumpStage || alphaPass || t.alphaOp == 0 || t.alphaOp == D3DTOP_DISABLE ||
                     t.alphaOp == D3DTOP_BUMPENVMAP || t.alphaOp == D3DTOP_BUMPENVMAPLUMINANCE)
                r += "r.a = cur.a;\n";
            else
            {
                const std::string e = Op(t.alphaOp, Arg(t.alphaArg[0], tex), Arg(t.alphaArg[1], tex),
                                         Arg(t.alphaArg[2], tex), tex);
                r += "r.a = clamp((" + e + ").a, 0.0, 1.0);\n";
            }
            return r;
        };
        // Without a texture only the lines that read it change, and none of
        // them reads an earlier one: a stage without one runs them after
        // its own.
        const std::string with = result(true), without = result(false);
        s += Indent(with, "    ");
        if (with != without)
        {
            const std::size_t split = with.find('\n') + 1, splitWithout = without.find('\n') + 1;
            const bool colorDiffers = with.compare(0, split, without, 0, splitWithout) != 0;
            std::string fix = colorDiffers ? without.substr(0, splitWithout) : std::string();
            if (colorDiffers || with.compare(split, std::string::npos, without, splitWithout) != 0)
                fix += without.substr(splitWithout);
            s += "    if (!(" + bound + "))\n    {\n" + Indent(fix, "        ") + "    }\n";
        }
        s += t.resultTemp ? "    tmp = r;\n" : "    cur = r;\n";
    }
    s += "    vec4 color = cur;\n";
    s += "    if (uDrawMode.y != 0) color.rgb = clamp(color.rgb + spc.rgb, 0.0, 1.0);\n";
    return s;
}

std::string BuildEngineFragment(const SProgramKey& k)
{
    std::string s = kFragmentHeader;
    s += "void main()\n{\n    vec4 dif = vDiffuse;\n    vec4 spc = vSpecular;\n    vec4 color;\n";
    s += "    vec4 t0 = texture(uSampler0, vTex0.xy);\n";
    const int ps = k.ps - 1;
    if (ps == int(EEnginePixelShader::SpecMapMask) || ps == int(EEnginePixelShader::MapMask) ||
        ps == int(EEnginePixelShader::SpecMapMask11))
    {
        // Mask programs sample both textures at set 0.
        s += "    vec4 t1 = texture(uSampler1, vTex" +
             std::string(ps == int(EEnginePixelShader::SpecMapMask11) ? "1" : "0") + ".xy);\n";
        s += "    vec4 c1 = vec4(0.5);\n    vec4 b = t0;\n    float m = b.a * uPsC[0].a;\n"
             "    vec4 tint = m * uPsC[0] + (1.0 - m) * c1;\n";
        if (ps == int(EEnginePixelShader::SpecMapMask11))
            s += "    vec4 o = tint.a > 0.5 ? vec4(1.0) - 2.0 * (vec4(1.0) - tint) * (vec4(1.0) - b) : 2.0 * "
                 "tint * b;\n";
        else
            s += "    vec4 o = mix(2.0 * tint * b, vec4(1.0) - 2.0 * (vec4(1.0) - tint) * (vec4(1.0) - b),\n"
                 "                 vec4(greaterThan(b, vec4(0.5))));\n";
        s += "    o = clamp(o, 0.0, 1.0);\n";
        if (ps == int(EEnginePixelShader::SpecMapMask))
            s += "    color = vec4(clamp(o.rgb * dif.rgb + 4.0 * spc.rgb * t1.rgb, 0.0, 1.0), 1.0);\n";
        else if (ps == int(EEnginePixelShader::MapMask))
            s += "    color = clamp(dif * o + spc, 0.0, 1.0);\n";
        else
            s += "    color = clamp(dif * o + t1 * spc, 0.0, 1.0);\n";
    }
    else
    {
        s += "    vec4 t1 = texture(uSampler1, vTex1.xy);\n";
        switch (EEnginePixelShader(ps))
        {
        case EEnginePixelShader::SpecMap:
            s += "    color = clamp(dif * t0 + 4.0 * spc * t1, 0.0, 1.0);\n";
            break;
        case EEnginePixelShader::SkyLayer:
            s += "    color = vec4(t0.rgb, uPsC[0].a * t1.a * t0.a * dif.a);\n";
            break;
        case EEnginePixelShader::SpecBump:
            s += "    float d = clamp(dot(2.0 * t0.rgb - 1.0, 2.0 * spc.rgb - 1.0), 0.0, 1.0);\n"
                 "    d = d * d;\n    d = d * d;\n    color = vec4(vec3(d), dif.a * t0.a);\n";
            break;
        default:
            s += "    color = vec4(dif.rgb * t0.rgb, t0.a);\n";
            break;
        }
    }
    return s;
}

} // namespace

std::string DescribeKey(const SProgramKey& k)
{
    std::string s;
    auto field = [&](const char* name, int v)
    {
        if (v) s += std::string(s.empty() ? "" : " ") + name + "=" + std::to_string(v);
    };
    field("vs", k.vs);
    field("ps", k.ps);
    field("rhw", k.rhw);
    field("blend", k.blend);
    field("psize", k.pointSizeAttr);
    field("points", k.points);
    field("pointScale", k.pointScale);
    field("sprite", k.pointSprite);
    field("clip", k.clipMask);
    for (int st = 0; st < 8; ++st)
    {
        const SStageKey& t = k.stages[st];
        if (!t.colorOp && !t.used && !t.ttffCount) continue;
        s += " [" + std::to_string(st) + ": " + std::to_string(t.colorOp) + "(" + std::to_string(t.colorArg[0]) +
             "," + std::to_string(t.colorArg[1]) + "," + std::to_string(t.colorArg[2]) + ") " +
             std::to_string(t.alphaOp) + "(" + std::to_string(t.alphaArg[0]) + "," +
             std::to_string(t.alphaArg[1]) + "," + std::to_string(t.alphaArg[2]) + ")";
        if (t.resultTemp) s += " temp";
        s += " set=" + std::to_string(t.coordSet) +
             " gen=" + std::to_string(t.coordGen) + " size=" + std::to_string(t.coordSize) +
             " ttff=" + std::to_string(t.ttffCount) + (t.projected ? " projected" : "") +
             (t.used ? "" : " unused") + "]";
    }
    return s;
}

std::string BuildVertexSource(const SProgramKey& key)
{
    return key.vs ? BuildEngineVertex(key) : BuildFixedVertex(key);
}

std::string BuildFragmentSource(const SProgramKey& key)
{
    std::string s = key.ps ? BuildEngineFragment(key) : BuildStagesFragment(key);
    // Table fog: pre-transformed vertices and projections without
    // perspective fog by the depth value, perspective ones by the eye
    // distance (w). Direct3D compares the 8-bit alpha with the 8-bit
    // reference; the input holds the results that pass (less 1, equal 2,
    // greater 4), all of them without a test.
    s += R"(    if (uFogMode.x != 0)
    {
        float fd = uFogMode.w != 0 ? gl_FragCoord.z : vFog;
        float fx = uFog.z * fd;
        float f = uFogMode.y == 3 ? (uFog.y - fd) / max(uFog.y - uFog.x, 1e-6) : exp(-(uFogMode.y == 1 ? fx : fx * fx));
        color.rgb = mix(uFogColor.rgb, color.rgb, clamp(uFogMode.x == 2 ? f : vFog, 0.0, 1.0));
    }
    float a = floor(color.a * 255.0 + 0.5);
    if ((uDrawMode.x & (a < uAlphaRef ? 1 : (a == uAlphaRef ? 2 : 4))) == 0) discard;
)";
    s += "    oColor = color;\n}\n";
    return s;
}

} // namespace plat::d3d::gl
