// Helpers shared by the CModel source files: copies of a mesh's vertex and
// index data whatever its memory type (locked for device buffers).
#pragma once

#include <cstdint>
#include <vector>

class CMesh;

std::vector<std::uint8_t> CopyMeshVertices(CMesh& mesh);
std::vector<std::uint16_t> CopyMeshIndices(CMesh& mesh);
void StoreMeshVertices(CMesh& mesh, const std::vector<std::uint8_t>& data);
void StoreMeshIndices(CMesh& mesh, const std::uint16_t* data, std::size_t count);
