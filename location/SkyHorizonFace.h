// CHorizonFace: the distant horizon model cut into four view sectors
// (+x, +y, -x, -y), so a frame draws only the triangles that can be in
// view. Each sector mesh (FVF 0x212: position, normal, two texture pairs)
// holds every source triangle that has a vertex within the build angle A of
// its axis, A following the display's aspect (93..99.9 degrees); the second
// texture pair is rewritten to run around the horizon without a seam inside
// the sector.
//
// Ownership: the sector meshes are owned here. Threads: main thread.
#pragma once

#include "foundation/Vector.h"

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class CMesh;
struct SWorkVertex;

class CHorizonFace
{
public:
    static constexpr std::uint32_t kFaceFvf = 0x212;

    CHorizonFace();
    virtual ~CHorizonFace();
    CHorizonFace(const CHorizonFace&) = delete;
    CHorizonFace& operator=(const CHorizonFace&) = delete;

    // The build angle in degrees for a display of width x height.
    static float BuildAngle(int width, int height);
    // Rebuilds the four sector meshes from source (locked and unlocked here)
    // for a display of width x height.
    void Build(CMesh& source, int width, int height);
    // The sector mesh for a view direction (x and y used); null before Build.
    CMesh* SelectFace(const CVector& direction) const;
    // Which sector (0 +x, 1 +y, 2 -x, 3 -y) a direction selects.
    int SelectSector(const CVector& direction) const;
    // True when the point lies within the build angle of sector s's axis.
    bool InSector(int s, float x, float y) const;
    void ReleaseMeshes();

    float m_fBuildCot = 0.0f;
    float m_fSelectCot = 1.0f;
    std::unique_ptr<CMesh> m_pSectors[4];
};

// Collects one sector's triangles while building.
class CHorizonFaceBuilder
{
public:
    // Appends the new index of source vertex `source` (copied on first use,
    // its second texture pair rewritten; seam: the -y sector's form).
    void AddVertex(const SWorkVertex* vertices, std::uint16_t source, bool seam);
    // A new mesh of the face format holding what was collected.
    std::unique_ptr<CMesh> CopyToMesh() const;

    std::vector<SWorkVertex> m_Vertices;
    std::vector<std::uint16_t> m_Indices;
    std::map<std::uint16_t, std::uint16_t> m_Map;
};
