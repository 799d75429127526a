// Small helpers the terrain code shares: normal unpacking, colour
// arithmetic, a four-point list, a list search and the texture colour.
// Pure functions (GetTextureColor asks the texture manager); main thread.
#pragma once

#include <cstdint>

// x = low i16 / 32766, y = high i16 / 32766, z = sqrt(1 - x^2 - y^2) with
// the radicand kept at 0 or more (components of +-32767 would make it
// negative). Returns out.
float* UnpackNormal(float* out, std::int32_t packed);
// Per channel red, green, blue: (a x b + 127) div 256; alpha 0.
std::uint32_t ModulateColor(std::uint32_t a, std::uint32_t b);
// Per channel red, green, blue: c x k div 256; alpha 0.
std::uint32_t ScaleColor(std::uint32_t c, std::uint32_t k);
// The texture list's "Color" of a texture id (loading it when needed); 0 for -1.
std::uint32_t GetTextureColor(std::int32_t textureId);

// Up to four 2-float points; Push appends the current point while fewer
// than four are held.
struct SPointList4
{
    float m_fCurrent[2] = {};
    float m_fPoints[4][2] = {};
    int m_nCount = 0;

    void Push();
};

// A node of a singly linked (value, next) list.
struct SListNode
{
    void* value;
    SListNode* next;
};
// Walks from head; true when a node holds value, with *cursor on the node
// after the match (null at the end). False leaves *cursor null.
bool FindInList(SListNode* head, const void* value, SListNode** cursor);
