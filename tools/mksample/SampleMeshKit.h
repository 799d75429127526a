// The building blocks of the sample's procedural models: a mesh builder of
// convex pieces (boxes, tapered boxes, cylinders and cones, ellipsoids),
// each face mapped onto a rectangle ("swatch") of one model sheet texture,
// the marker meshes the kinds read (a point marker and a span marker), the
// model file writer (through CComplexObject::Save) and a canvas to paint
// the sheet on.
//
// Model space: x to the model's left, y up, z forward (the default object
// placement turns y into world z and z into world y and mirrors x). A
// triangle is stored counter-clockwise seen from outside in that space,
// its normal pointing out: the mirror of the placement turns it into the
// winding the device draws, and the collision shape gets outward normals.
//
// Pure functions and plain values; any thread.
#pragma once

#include "graphics/Mesh.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct SKitPoint
{
    float x, y, z;
};

// A rectangle of the model sheet in texture coordinates.
struct SSwatch
{
    float u0, v0, u1, v1;
};

class CMeshKit
{
public:
    // A box from lo to hi; every face shows the whole swatch.
    void Box(const SKitPoint& lo, const SKitPoint& hi, const SSwatch& s);
    // A box whose top (y = top) is the rectangle topLo..topHi in x and z and
    // whose bottom (y = bottom) is lo..hi: wedges, noses, roofs, plinths.
    void Taper(float bottom, float lox, float loz, float hix, float hiz, float top, float topLox, float topLoz,
               float topHix, float topHiz, const SSwatch& s);
    // A frustum round the axis from base (radius r0) along y by height (radius
    // r1 there) with n sides: a cylinder, a cone (r1 = 0), a disc; capped.
    void Column(const SKitPoint& base, float r0, float r1, float height, int n, const SSwatch& side,
                const SSwatch& cap);
    // Any hexahedron: corners 0-3 round the bottom face, 4-7 round the top
    // face above them in the same order (wings, fins, swept pieces).
    void Block(const SKitPoint (&corners)[8], const SSwatch& s);
    // The same lying along z (a barrel, a nozzle, a capsule's body).
    void ColumnZ(const SKitPoint& base, float r0, float r1, float length, int n, const SSwatch& side,
                 const SSwatch& cap);
    // An ellipsoid of radii r round centre, rings x sides, smooth normals;
    // with rough > 0 each vertex's distance varies by up to that fraction
    // (a boulder), drawn from a generator seeded with seed.
    void Ellipsoid(const SKitPoint& centre, const SKitPoint& r, int rings, int sides, const SSwatch& s,
                   float rough = 0.0f, std::uint32_t seed = 0);
    // One quad a-b-c-d (counter-clockwise seen from its front), one face
    // showing the whole swatch (a at u0 v1, b at u1 v1, c at u1 v0).
    void Quad(const SKitPoint& a, const SKitPoint& b, const SKitPoint& c, const SKitPoint& d, const SSwatch& s);

    // Every normal turned round, the winding kept: for a mesh drawn from
    // inside without the placement's mirror (the horizon).
    void InvertNormals();
    // Every vertex times k (the model grows about its origin).
    void Scale(float k);
    bool Empty() const { return m_Vertices.empty(); }
    std::unique_ptr<CMesh> Mesh() const;

private:
    struct SVertex
    {
        float p[3];
        float n[3];
        float uv[2];
    };
    void Triangle(const SVertex& a, const SVertex& b, const SVertex& c);
    void FlatTriangle(SKitPoint a, SKitPoint b, SKitPoint c, const float uva[2], const float uvb[2],
                      const float uvc[2], const SKitPoint& inside);

    std::vector<SVertex> m_Vertices;
    std::vector<std::uint16_t> m_Indices;
};

// A point marker as the glider kinds read one: nine vertices on four
// points (origin three times, forward farthest, right and top twice each),
// a tenth of a unit across, its origin at `at`.
std::unique_ptr<CMesh> MakePointMarker(const SKitPoint& at);
// A span marker as the building kinds read one: a triangle whose bounds run
// from lo to hi (the kinds take the lowest and the highest corner).
std::unique_ptr<CMesh> MakeSpanMarker(const SKitPoint& lo, const SKitPoint& hi);

// One part of a model file: a drawn model (type 0) with its texture and up
// to one animation key (a mesh of the same vertices: the door opened), or a
// marker (type 1, never drawn).
struct SKitPart
{
    std::int32_t type = 0;
    std::string name;
    std::string texture; // type 0 only
    std::unique_ptr<CMesh> mesh;
    std::string animation; // the key's name; empty: none
    std::unique_ptr<CMesh> key;
};

// A drawn part of the kit's mesh with one texture, and a marker part.
SKitPart MakeDrawnPart(const char* name, const char* texture, const CMeshKit& kit);
SKitPart MakeMarkerPart(const char* name, std::unique_ptr<CMesh> mesh);

// Writes the parts as one model file with the engine's complex-object writer.
bool WriteKitModel(const std::string& path, std::vector<SKitPart>& parts);

// A square picture to paint a sheet on, ARGB, row 0 at the top.
class CSheet
{
public:
    explicit CSheet(int size) : m_nSize(size), m_Pixels(std::size_t(size) * std::size_t(size), 0xFF000000u) {}
    int Size() const { return m_nSize; }
    void Put(int x, int y, std::uint32_t colour);
    std::uint32_t At(int x, int y) const;
    void Fill(int x, int y, int w, int h, std::uint32_t colour);
    // Multiplies the colour of (x, y) by k (1 keeps it), keeping alpha.
    void Shade(int x, int y, float k);
    // Text in a 5 x 7 capital font, each dot `dot` pixels square; only the
    // letters the sample's signs use (A-Z without some, digits, space).
    void Text(int x, int y, const char* text, int dot, std::uint32_t colour);
    const std::vector<std::uint32_t>& Pixels() const { return m_Pixels; }

private:
    int m_nSize;
    std::vector<std::uint32_t> m_Pixels;
};

// A repeatable value noise in [0, 1) over a square of `period` cells, so
// that textures made from it tile without seams.
class CTileNoise
{
public:
    CTileNoise(int period, std::uint32_t seed);
    // At (x, y) in cells (any real values; the pattern repeats every period).
    float At(float x, float y) const;
    // Octaves of At, each twice as fine and half as strong, scaled to [0, 1).
    float Fractal(float x, float y, int octaves) const;

private:
    int m_nPeriod;
    std::vector<float> m_Lattice;
};

// ARGB of r, g, b (0-255, clamped) with full alpha.
std::uint32_t Rgb(float r, float g, float b);
// A colour times k, channel by channel, alpha kept.
std::uint32_t ScaleColour(std::uint32_t colour, float k);
// a x (1 - t) + b x t, channel by channel.
std::uint32_t MixColour(std::uint32_t a, std::uint32_t b, float t);
