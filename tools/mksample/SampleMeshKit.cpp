#include "tools/mksample/SampleMeshKit.h"

#include "foundation/Random.h"
#include "graphics/ComplexObject.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/ParticleSystem.h"
#include "graphics/TexShaderManager.h"
#include "platform/File.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{
constexpr std::uint32_t kFvf = 0x112; // position, normal, one texture pair
constexpr float kPi = 3.14159265358979f;

SKitPoint Sub(const SKitPoint& a, const SKitPoint& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

SKitPoint Cross(const SKitPoint& a, const SKitPoint& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float Dot(const SKitPoint& a, const SKitPoint& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

SKitPoint Normalised(const SKitPoint& a)
{
    const float length = std::sqrt(Dot(a, a));
    return length > 0.0f ? SKitPoint{a.x / length, a.y / length, a.z / length} : SKitPoint{0.0f, 1.0f, 0.0f};
}

float Lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}

std::uint8_t Channel(std::uint32_t c, int shift)
{
    return std::uint8_t((c >> shift) & 0xFF);
}
} // namespace

// ---- mesh builder

void CMeshKit::Triangle(const SVertex& a, const SVertex& b, const SVertex& c)
{
    for (const SVertex* v : {&a, &b, &c})
    {
        m_Indices.push_back(std::uint16_t(m_Vertices.size()));
        m_Vertices.push_back(*v);
    }
}

// A flat triangle turned, if need be, so that its normal points away from
// `inside` (every piece here is convex).
void CMeshKit::FlatTriangle(SKitPoint a, SKitPoint b, SKitPoint c, const float uva[2], const float uvb[2],
                            const float uvc[2], const SKitPoint& inside)
{
    SKitPoint n = Cross(Sub(b, a), Sub(c, a));
    if (Dot(n, n) <= 1e-12f) return; // a cone's tip: nothing to draw
    const SKitPoint middle{(a.x + b.x + c.x) / 3.0f, (a.y + b.y + c.y) / 3.0f, (a.z + b.z + c.z) / 3.0f};
    const float* uv1 = uvb;
    const float* uv2 = uvc;
    if (Dot(n, Sub(middle, inside)) < 0.0f)
    {
        std::swap(b, c);
        std::swap(uv1, uv2);
        n = SKitPoint{-n.x, -n.y, -n.z};
    }
    n = Normalised(n);
    Triangle(SVertex{{a.x, a.y, a.z}, {n.x, n.y, n.z}, {uva[0], uva[1]}},
             SVertex{{b.x, b.y, b.z}, {n.x, n.y, n.z}, {uv1[0], uv1[1]}},
             SVertex{{c.x, c.y, c.z}, {n.x, n.y, n.z}, {uv2[0], uv2[1]}});
}

void CMeshKit::Quad(const SKitPoint& a, const SKitPoint& b, const SKitPoint& c, const SKitPoint& d,
                    const SSwatch& s)
{
    const SKitPoint n = Normalised(Cross(Sub(b, a), Sub(c, a)));
    const float uv[4][2] = {{s.u0, s.v1}, {s.u1, s.v1}, {s.u1, s.v0}, {s.u0, s.v0}};
    const SKitPoint p[4] = {a, b, c, d};
    SVertex v[4];
    for (int k = 0; k < 4; ++k)
        v[k] = SVertex{{p[k].x, p[k].y, p[k].z}, {n.x, n.y, n.z}, {uv[k][0], uv[k][1]}};
    Triangle(v[0], v[1], v[2]);
    Triangle(v[0], v[2], v[3]);
}

void CMeshKit::Box(const SKitPoint& lo, const SKitPoint& hi, const SSwatch& s)
{
    Taper(lo.y, lo.x, lo.z, hi.x, hi.z, hi.y, lo.x, lo.z, hi.x, hi.z, s);
}

void CMeshKit::Taper(float bottom, float lox, float loz, float hix, float hiz, float top, float topLox,
                     float topLoz, float topHix, float topHiz, const SSwatch& s)
{
    const SKitPoint c[8] = {{lox, bottom, loz},    {hix, bottom, loz},    {hix, bottom, hiz},
                            {lox, bottom, hiz},    {topLox, top, topLoz}, {topHix, top, topLoz},
                            {topHix, top, topHiz}, {topLox, top, topHiz}};
    Block(c, s);
}

void CMeshKit::Block(const SKitPoint (&c)[8], const SSwatch& s)
{
    SKitPoint inside{0.0f, 0.0f, 0.0f};
    for (const SKitPoint& p : c)
        inside = SKitPoint{inside.x + p.x / 8.0f, inside.y + p.y / 8.0f, inside.z + p.z / 8.0f};
    static const int kFaces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                     {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    const float uv[4][2] = {{s.u0, s.v1}, {s.u1, s.v1}, {s.u1, s.v0}, {s.u0, s.v0}};
    for (const auto& f : kFaces)
    {
        FlatTriangle(c[f[0]], c[f[1]], c[f[2]], uv[0], uv[1], uv[2], inside);
        FlatTriangle(c[f[0]], c[f[2]], c[f[3]], uv[0], uv[2], uv[3], inside);
    }
}

void CMeshKit::Column(const SKitPoint& base, float r0, float r1, float height, int n, const SSwatch& side,
                      const SSwatch& cap)
{
    const SKitPoint top{base.x, base.y + height, base.z};
    const SKitPoint inside{base.x, base.y + height * 0.5f, base.z};
    // The side's normal leans by the taper: (cos, (r0 - r1) / height, sin).
    const float lean = height != 0.0f ? (r0 - r1) / height : 0.0f;
    for (int i = 0; i < n; ++i)
    {
        const float a0 = 2.0f * kPi * float(i) / float(n), a1 = 2.0f * kPi * float(i + 1) / float(n);
        const SKitPoint b0{base.x + r0 * std::cos(a0), base.y, base.z + r0 * std::sin(a0)};
        const SKitPoint b1{base.x + r0 * std::cos(a1), base.y, base.z + r0 * std::sin(a1)};
        const SKitPoint t0{top.x + r1 * std::cos(a0), top.y, top.z + r1 * std::sin(a0)};
        const SKitPoint t1{top.x + r1 * std::cos(a1), top.y, top.z + r1 * std::sin(a1)};
        const float u0 = Lerp(side.u0, side.u1, float(i) / float(n));
        const float u1 = Lerp(side.u0, side.u1, float(i + 1) / float(n));
        const SKitPoint n0 = Normalised(SKitPoint{std::cos(a0), lean, std::sin(a0)});
        const SKitPoint n1 = Normalised(SKitPoint{std::cos(a1), lean, std::sin(a1)});
        const SVertex vb0{{b0.x, b0.y, b0.z}, {n0.x, n0.y, n0.z}, {u0, side.v1}};
        const SVertex vb1{{b1.x, b1.y, b1.z}, {n1.x, n1.y, n1.z}, {u1, side.v1}};
        const SVertex vt0{{t0.x, t0.y, t0.z}, {n0.x, n0.y, n0.z}, {u0, side.v0}};
        const SVertex vt1{{t1.x, t1.y, t1.z}, {n1.x, n1.y, n1.z}, {u1, side.v0}};
        // Counter-clockwise from outside: the angle runs from +x to +z,
        // which seen from outside turns clockwise; so b0, t0, b1.
        Triangle(vb0, vt0, vb1);
        if (r1 > 0.0f) Triangle(vb1, vt0, vt1);
        const float cu = (cap.u0 + cap.u1) * 0.5f, cv = (cap.v0 + cap.v1) * 0.5f;
        const float hu = (cap.u1 - cap.u0) * 0.5f, hv = (cap.v1 - cap.v0) * 0.5f;
        const float ca[2] = {cu, cv};
        const float c0[2] = {cu + hu * std::cos(a0), cv + hv * std::sin(a0)};
        const float c1[2] = {cu + hu * std::cos(a1), cv + hv * std::sin(a1)};
        if (r0 > 0.0f) FlatTriangle(base, b0, b1, ca, c0, c1, inside);
        if (r1 > 0.0f) FlatTriangle(top, t0, t1, ca, c0, c1, inside);
    }
}

void CMeshKit::ColumnZ(const SKitPoint& base, float r0, float r1, float length, int n, const SSwatch& side,
                       const SSwatch& cap)
{
    // Built along y at the origin, then turned: y -> z, z -> -y keeps the
    // handedness, so the winding stays.
    CMeshKit along;
    along.Column(SKitPoint{0.0f, 0.0f, 0.0f}, r0, r1, length, n, side, cap);
    for (SVertex v : along.m_Vertices)
    {
        const float py = v.p[1], pz = v.p[2], ny = v.n[1], nz = v.n[2];
        v.p[0] += base.x;
        v.p[1] = base.y - pz;
        v.p[2] = base.z + py;
        v.n[1] = -nz;
        v.n[2] = ny;
        m_Indices.push_back(std::uint16_t(m_Vertices.size()));
        m_Vertices.push_back(v);
    }
}

void CMeshKit::Ellipsoid(const SKitPoint& centre, const SKitPoint& r, int rings, int sides, const SSwatch& s,
                         float rough, std::uint32_t seed)
{
    // One distance factor per vertex of the grid; the poles share one.
    std::vector<float> bump(std::size_t((rings + 1) * sides), 1.0f);
    if (rough > 0.0f)
    {
        CRandom random(seed);
        for (float& b : bump)
            b = 1.0f + rough * (random.Random(2.0f) - 1.0f);
    }
    auto vertex = [&](int ring, int side)
    {
        const float k = bump[std::size_t(ring * sides + (ring == 0 || ring == rings ? 0 : side % sides))];
        const float lat = kPi * float(ring) / float(rings) - kPi * 0.5f; // -pi/2 at the bottom
        const float lon = 2.0f * kPi * float(side) / float(sides);
        const SKitPoint unit{std::cos(lat) * std::cos(lon), std::sin(lat), std::cos(lat) * std::sin(lon)};
        // The normal of an ellipsoid: the unit sphere's divided by the radii.
        const SKitPoint n = Normalised(SKitPoint{unit.x / r.x, unit.y / r.y, unit.z / r.z});
        return SVertex{{centre.x + k * r.x * unit.x, centre.y + k * r.y * unit.y, centre.z + k * r.z * unit.z},
                       {n.x, n.y, n.z},
                       {Lerp(s.u0, s.u1, float(side) / float(sides)), Lerp(s.v1, s.v0, float(ring) / float(rings))}};
    };
    for (int ring = 0; ring < rings; ++ring)
        for (int side = 0; side < sides; ++side)
        {
            const SVertex a = vertex(ring, side), b = vertex(ring, side + 1), c = vertex(ring + 1, side),
                          d = vertex(ring + 1, side + 1);
            // As in Column: going round from +x to +z turns clockwise seen
            // from outside.
            if (ring > 0) Triangle(a, c, b);
            if (ring + 1 < rings) Triangle(b, c, d);
        }
}

void CMeshKit::InvertNormals()
{
    for (SVertex& v : m_Vertices)
        for (float& c : v.n)
            c = -c;
}

void CMeshKit::Scale(float k)
{
    for (SVertex& v : m_Vertices)
        for (float& c : v.p)
            c *= k;
}

std::unique_ptr<CMesh> CMeshKit::Mesh() const
{
    auto mesh = std::make_unique<CMesh>(MESH_MEMORY_HEAP, kFvf, std::int32_t(m_Vertices.size()), 1,
                                        std::int32_t(m_Indices.size()));
    static_assert(sizeof(SVertex) == 32);
    std::memcpy(mesh->m_pVertices, m_Vertices.data(), m_Vertices.size() * sizeof(SVertex));
    std::memcpy(mesh->m_pIndices, m_Indices.data(), m_Indices.size() * sizeof(std::uint16_t));
    return mesh;
}

// ---- markers

std::unique_ptr<CMesh> MakePointMarker(const SKitPoint& at)
{
    // Origin three times, forward (farthest), right and top twice each.
    static const float kPoints[9][3] = {{0, 0, 0},    {0, 0, 0},    {0, 0, 0},    {0, 1, 0},  {0, 1, 0},
                                        {0.5f, 0, 0}, {0.5f, 0, 0}, {0, 0, 0.3f}, {0, 0, 0.3f}};
    auto mesh = std::make_unique<CMesh>(MESH_MEMORY_HEAP, kFvf, 9, 1, 9);
    float* v = reinterpret_cast<float*>(mesh->m_pVertices);
    for (int i = 0; i < 9; ++i)
    {
        const float p[8] = {at.x + kPoints[i][0] * 0.1f, at.y + kPoints[i][1] * 0.1f, at.z + kPoints[i][2] * 0.1f,
                            0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
        std::memcpy(v + i * 8, p, sizeof p);
        mesh->m_pIndices[i] = std::uint16_t(i);
    }
    return mesh;
}

std::unique_ptr<CMesh> MakeSpanMarker(const SKitPoint& lo, const SKitPoint& hi)
{
    auto mesh = std::make_unique<CMesh>(MESH_MEMORY_HEAP, kFvf, 3, 1, 3);
    float* v = reinterpret_cast<float*>(mesh->m_pVertices);
    const float p[3][8] = {{lo.x, lo.y, lo.z, 0, 0, 1, 0, 0},
                           {hi.x, hi.y, hi.z, 0, 0, 1, 1, 1},
                           {lo.x, hi.y, lo.z, 0, 0, 1, 0, 1}};
    std::memcpy(v, p, sizeof p);
    for (std::uint16_t i = 0; i < 3; ++i)
        mesh->m_pIndices[i] = i;
    return mesh;
}

// ---- model file

SKitPart MakeDrawnPart(const char* name, const char* texture, const CMeshKit& kit)
{
    SKitPart part;
    part.name = name;
    part.texture = texture;
    part.mesh = kit.Mesh();
    return part;
}

SKitPart MakeMarkerPart(const char* name, std::unique_ptr<CMesh> mesh)
{
    SKitPart part;
    part.type = 1;
    part.name = name;
    part.mesh = std::move(mesh);
    return part;
}

bool WriteKitModel(const std::string& path, std::vector<SKitPart>& parts)
{
    CComplexObject object;
    for (SKitPart& in : parts)
    {
        SObjectPart part;
        part.m_Record.type = in.type;
        std::snprintf(part.m_Record.name, sizeof part.m_Record.name, "%s", in.name.c_str());
        for (auto& slot : part.m_Record.textures)
            std::snprintf(slot, sizeof slot, "%s", "_DEFAULT_");
        if (!in.texture.empty())
            std::snprintf(part.m_Record.textures[0], sizeof part.m_Record.textures[0], "%s", in.texture.c_str());
        part.m_Record.groupMask = 1;
        auto model = std::make_unique<CModel>();
        model->m_bShared = false; // heap meshes only: no device here
        model->SetMesh(in.mesh.release());
        float* m = reinterpret_cast<float*>(&model->m_Material);
        for (int c = 0; c < 16; ++c)
            m[c] = (c < 8) ? 1.0f : 0.0f; // diffuse and ambient white
        m[16] = 8.0f;
        model->m_iMaterial = 0;
        model->m_iTechnique = SHADER_NORMAL;
        if (in.key)
        {
            CMesh* keys[] = {in.key.get()};
            model->AddAnimation(3, in.animation.c_str(), keys);
        }
        part.m_pModel = std::move(model);
        object.m_Parts.push_back(std::move(part));
    }
    std::FILE* file = plat::FOpen(path.c_str(), "wb");
    if (!file) return false;
    const bool ok = object.Save(file);
    return std::fclose(file) == 0 && ok;
}

// ---- pictures

void CSheet::Put(int x, int y, std::uint32_t colour)
{
    if (x >= 0 && y >= 0 && x < m_nSize && y < m_nSize) m_Pixels[std::size_t(y * m_nSize + x)] = colour;
}

std::uint32_t CSheet::At(int x, int y) const
{
    x = std::clamp(x, 0, m_nSize - 1);
    y = std::clamp(y, 0, m_nSize - 1);
    return m_Pixels[std::size_t(y * m_nSize + x)];
}

void CSheet::Fill(int x, int y, int w, int h, std::uint32_t colour)
{
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            Put(i, j, colour);
}

void CSheet::Shade(int x, int y, float k)
{
    if (x >= 0 && y >= 0 && x < m_nSize && y < m_nSize) Put(x, y, ScaleColour(At(x, y), k));
}

void CSheet::Text(int x, int y, const char* text, int dot, std::uint32_t colour)
{
    // Five columns of seven rows, bit 4 the left column.
    struct SGlyph
    {
        char c;
        std::uint8_t rows[7];
    };
    static const SGlyph kFont[] = {
        {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
        {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}}, {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
        {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
        {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}}, {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
        {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
        {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}}, {'N', {0x11, 0x19, 0x15, 0x13, 0x11, 0x11, 0x11}},
        {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
        {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}}, {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
        {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}}, {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
        {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}}, {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
        {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}}, {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}},
        {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
        {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
        {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    };
    for (const char* p = text; *p; ++p, x += 6 * dot)
    {
        for (const SGlyph& g : kFont)
        {
            if (g.c != *p) continue;
            for (int row = 0; row < 7; ++row)
                for (int column = 0; column < 5; ++column)
                    if (g.rows[row] & (0x10 >> column)) Fill(x + column * dot, y + row * dot, dot, dot, colour);
        }
    }
}

CTileNoise::CTileNoise(int period, std::uint32_t seed) : m_nPeriod(std::max(period, 1))
{
    CRandom random(seed);
    m_Lattice.resize(std::size_t(m_nPeriod) * std::size_t(m_nPeriod));
    for (float& v : m_Lattice)
        v = random.Random(1.0f);
}

float CTileNoise::At(float x, float y) const
{
    const float fx = std::floor(x), fy = std::floor(y);
    const auto wrap = [this](float v) { return int(((long long)(v) % m_nPeriod + m_nPeriod) % m_nPeriod); };
    const int x0 = wrap(fx), y0 = wrap(fy), x1 = (x0 + 1) % m_nPeriod, y1 = (y0 + 1) % m_nPeriod;
    const auto smooth = [](float t) { return t * t * (3.0f - 2.0f * t); };
    const float tx = smooth(x - fx), ty = smooth(y - fy);
    const auto at = [this](int i, int j) { return m_Lattice[std::size_t(j * m_nPeriod + i)]; };
    const float top = Lerp(at(x0, y0), at(x1, y0), tx), bottom = Lerp(at(x0, y1), at(x1, y1), tx);
    return Lerp(top, bottom, ty);
}

float CTileNoise::Fractal(float x, float y, int octaves) const
{
    float sum = 0.0f, weight = 1.0f, total = 0.0f, scale = 1.0f;
    for (int o = 0; o < octaves; ++o)
    {
        sum += At(x * scale, y * scale) * weight;
        total += weight;
        weight *= 0.5f;
        scale *= 2.0f;
    }
    return std::min(sum / total, 0.9999f);
}

std::uint32_t Rgb(float r, float g, float b)
{
    const auto c = [](float v) { return std::uint32_t(std::clamp(v, 0.0f, 255.0f) + 0.5f); };
    return 0xFF000000u | c(r) << 16 | c(g) << 8 | c(b);
}

std::uint32_t ScaleColour(std::uint32_t colour, float k)
{
    return (colour & 0xFF000000u) |
           (Rgb(float(Channel(colour, 16)) * k, float(Channel(colour, 8)) * k, float(Channel(colour, 0)) * k) &
            0xFFFFFFu);
}

std::uint32_t MixColour(std::uint32_t a, std::uint32_t b, float t)
{
    const auto mix = [&](int shift) { return Lerp(float(Channel(a, shift)), float(Channel(b, shift)), t); };
    const std::uint32_t alpha = std::uint32_t(Lerp(float(Channel(a, 24)), float(Channel(b, 24)), t) + 0.5f);
    return alpha << 24 | (Rgb(mix(16), mix(8), mix(0)) & 0xFFFFFFu);
}
