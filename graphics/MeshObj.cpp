// Wavefront OBJ text export and import of CMesh.
//
// The engine's axes differ from the modelling tools': a stored position
// (x, y, z) is written as (-x, z, -y) and read back the other way, and the
// corner order of every face is reversed, so a mesh survives a round trip.

#include "foundation/ErrorLog.h"
#include "graphics/Mesh.h"
#include "platform/File.h"
#include "platform/d3d8/D3D8Types.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace plat::d3d;

namespace
{
constexpr std::uint32_t kObjFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

struct SObjVertex // the 32-byte record both directions use
{
    float position[3];
    float normal[3];
    float uv[2];
};
static_assert(sizeof(SObjVertex) == 32);

struct SCorner
{
    int position, texture, normal;
    bool operator==(const SCorner&) const = default;
};

struct SFileCloser
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Whitespace-separated tokens of at most 255 characters; longer runs are
// split, as a fixed-width "%255s" read would.
class CTokenizer
{
public:
    explicit CTokenizer(std::string text) : m_text(std::move(text)) {}
    bool Next(std::string& token)
    {
        while (m_pos < m_text.size() && IsSpace(m_text[m_pos]))
            ++m_pos;
        if (m_pos >= m_text.size()) return false;
        const std::size_t start = m_pos;
        while (m_pos < m_text.size() && !IsSpace(m_text[m_pos]) && m_pos - start < 255)
            ++m_pos;
        token.assign(m_text, start, m_pos - start);
        return true;
    }

private:
    static bool IsSpace(char c)
    {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
    }
    std::string m_text;
    std::size_t m_pos = 0;
};

bool ParseFloat(const std::string& token, float& out)
{
    if (token.empty()) return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtof(token.c_str(), &end);
    return end == token.c_str() + token.size() && errno != ERANGE;
}

// "p/t/n", 1-based, made 0-based.
bool ParseCorner(const std::string& token, SCorner& out)
{
    int values[3];
    const char* p = token.c_str();
    for (int i = 0; i < 3; ++i)
    {
        char* end = nullptr;
        errno = 0;
        const long v = std::strtol(p, &end, 10);
        if (end == p || errno == ERANGE || v < 1 || v > 1000000) return false;
        values[i] = int(v) - 1;
        p = end;
        if (i < 2)
        {
            if (*p != '/') return false;
            ++p;
        }
    }
    if (*p != '\0') return false;
    out = {values[0], values[1], values[2]};
    return true;
}
} // namespace

bool CMesh::SaveObj(const char* path)
{
    if (m_nFVF != kObjFvf)
    {
        g_ErrorLog.LogError("CMesh::SaveObj: vertex format %#x is not position, normal and one texture set",
                            m_nFVF);
        return false;
    }
    std::unique_ptr<std::FILE, SFileCloser> file(plat::FOpen(path, "wt"));
    if (!file)
    {
        g_ErrorLog.LogError("Error file create");
        return false;
    }
    Lock(true, true);
    const auto* v = reinterpret_cast<const SObjVertex*>(m_pVertices);
    std::FILE* f = file.get();
    for (std::int32_t i = 0; v && i < m_nVertexCount; ++i)
        std::fprintf(f, "v %f %f %f\n", -v[i].position[0], v[i].position[2], -v[i].position[1]);
    for (std::int32_t i = 0; v && i < m_nVertexCount; ++i)
        std::fprintf(f, "vt %f %f\n", v[i].uv[0], 1.0f - v[i].uv[1]);
    for (std::int32_t i = 0; v && i < m_nVertexCount; ++i)
        std::fprintf(f, "vn %f %f %f\n", -v[i].normal[0], v[i].normal[2], -v[i].normal[1]);
    if (m_nPrimitiveKind == 1 && m_pIndices)
    {
        for (std::int32_t i = 0; i < m_nIndexCount - 2; i += 3)
        {
            const int a = m_pIndices[i] + 1, b = m_pIndices[i + 1] + 1, c = m_pIndices[i + 2] + 1;
            std::fprintf(f, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, c, c, c, b, b, b);
        }
    }
    Unlock(true, true);
    return std::ferror(f) == 0;
}

bool CMesh::LoadObj(const char* path)
{
    auto fail = [&](const char* why)
    {
        g_ErrorLog.LogError("CMesh::LoadObj '%s': %s", path ? path : "", why);
        return false;
    };
    std::unique_ptr<std::FILE, SFileCloser> file(plat::FOpen(path, "rb"));
    if (!file) return fail("cannot open file");
    std::string text;
    char chunk[4096];
    for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;)
        text.append(chunk, got);

    std::vector<std::array<float, 3>> positions, normals;
    std::vector<std::array<float, 2>> texcoords;
    std::vector<SCorner> corners;
    std::vector<std::array<int, 3>> faces;
    CTokenizer tokens(std::move(text));
    std::string token, word;
    auto readFloats = [&](float* out, int count)
    {
        for (int i = 0; i < count; ++i)
            if (!tokens.Next(word) || !ParseFloat(word, out[i])) return false;
        return true;
    };
    while (tokens.Next(token))
    {
        if (token == "v" || token == "vn")
        {
            auto& table = token == "v" ? positions : normals;
            float abc[3];
            if (!readFloats(abc, 3)) return fail("bad number");
            if (table.size() >= kObjTableSize) return fail("too many entries");
            table.push_back({-abc[0], -abc[2], abc[1]});
        }
        else if (token == "vt")
        {
            float uv[2];
            if (!readFloats(uv, 2)) return fail("bad number");
            if (texcoords.size() >= kObjTableSize) return fail("too many entries");
            texcoords.push_back({uv[0], uv[1]});
        }
        else if (token == "f")
        {
            if (faces.size() >= kObjTableSize) return fail("too many faces");
            std::array<int, 3> face{-1, -1, -1};
            if (normals.empty() || texcoords.empty())
            {
                // "В obj-файле не содержатся текстурные координаты или нормали" (cp1251)
                g_ErrorLog.LogError(
                    "\xc2 obj-\xf4\xe0\xe9\xeb\xe5 \xed\xe5 \xf1\xee\xe4\xe5\xf0\xe6\xe0\xf2\xf1\xff "
                    "\xf2\xe5\xea\xf1\xf2\xf3\xf0\xed\xfb\xe5 \xea\xee\xee\xf0\xe4\xe8\xed\xe0\xf2\xfb "
                    "\xe8\xeb\xe8 "
                    "\xed\xee\xf0\xec\xe0\xeb\xe8");
            }
            else
            {
                for (int c = 0; c < 3; ++c)
                {
                    SCorner corner{};
                    if (!tokens.Next(word) || !ParseCorner(word, corner)) return fail("bad face corner");
                    if (std::size_t(corner.position) >= positions.size() ||
                        std::size_t(corner.texture) >= texcoords.size() ||
                        std::size_t(corner.normal) >= normals.size())
                        return fail("face corner names an entry not read");
                    std::size_t k = 0;
                    while (k < corners.size() && !(corners[k] == corner))
                        ++k;
                    if (k == corners.size())
                    {
                        if (corners.size() >= kObjTableSize) return fail("too many distinct corners");
                        corners.push_back(corner);
                    }
                    face[c] = int(k);
                }
            }
            faces.push_back(face);
        }
        // Any other word is skipped on its own: comments, groups, materials
        // and the fourth corner of a quad go by word by word.
    }
    if (corners.empty()) return fail("no faces with corners");

    const std::uint32_t fvf = D3DFVF_XYZ | D3DFVF_TEX1 | (normals.empty() ? 0u : D3DFVF_NORMAL);
    Allocate(MESH_MEMORY_STATIC, fvf, std::int32_t(corners.size()), 1u, std::int32_t(faces.size() * 3));
    Lock(true, true);
    if (m_pVertices)
    {
        auto* v = reinterpret_cast<SObjVertex*>(m_pVertices);
        for (std::size_t i = 0; i < corners.size(); ++i)
        {
            const SCorner& c = corners[i];
            std::memcpy(v[i].position, positions[std::size_t(c.position)].data(), 12);
            std::memcpy(v[i].normal, normals[std::size_t(c.normal)].data(), 12);
            v[i].uv[0] = texcoords[std::size_t(c.texture)][0];
            v[i].uv[1] = 1.0f - texcoords[std::size_t(c.texture)][1];
        }
    }
    if (m_pIndices)
    {
        std::size_t out = 0;
        for (const auto& f : faces)
        {
            const bool valid =
                f[0] >= 0 && f[1] >= 0 && f[2] >= 0 && f[0] != f[1] && f[1] != f[2] && f[0] != f[2];
            if (!valid) continue;
            m_pIndices[out++] = std::uint16_t(f[0]);
            m_pIndices[out++] = std::uint16_t(f[2]);
            m_pIndices[out++] = std::uint16_t(f[1]);
        }
        // Slots of skipped faces stay at the end as degenerate triangles of
        // vertex 0, which draw nothing and name no vertex past the count.
        std::memset(m_pIndices + out, 0, (faces.size() * 3 - out) * 2);
    }
    Unlock(true, true);
    return true;
}
