// What the object code needs of the location's cell grid and of the view
// camera, as two small interfaces that the location and the renderer
// implement and install. Until they are installed the object list runs on
// its own: objects are kept in no cell, nothing is found by the cell walks,
// the viewer stands at the origin and sees everything, and the light level
// is 1.
//
// The cell grid is always 64 x 64 cells of 640 world units, row-major (cell
// index = row x 64 + column); a point's cell is
// (trunc(x x 0.1) >> 6, trunc(y x 0.1) >> 6).
//
// Ownership: the installer owns the implementation and uninstalls it
// (null) before destroying it. Threads: main thread only.
#pragma once

#include "foundation/Vector.h"
#include "world/LinkedList.h"

#include <cstdint>

class CMMObject;

constexpr int kCellGridSize = 64;
constexpr float kQuadSize = 10.0f;
constexpr float kCellSize = 640.0f;

// The terrain's per-cell object lists (the location's cell operations).
class CGeometryBuffer;

class IObjectCells
{
public:
    virtual ~IObjectCells() = default;
    // Registers the object in the cell of its position; with multiCell an
    // object whose radius reaches into neighbouring cells is listed there too.
    virtual void AddCellObject(CMMObject* object, bool multiCell) = 0;
    // Takes the object out of every cell list that holds it.
    virtual void DeleteCellObject(CMMObject* object) = 0;
    // Moves the object from the cell of oldPos to the cell of newPos.
    virtual void MoveCellObject(const CVector& oldPos, const CVector& newPos, CMMObject* object) = 0;
    // The object list of a cell (0..4095), or null.
    virtual CLinkedList<CMMObject>* GetCellObjects(int cell) = 0;
    // The cells the terrain pass found visible this frame, in its order.
    virtual int GetVisibleCells(const int** cells) = 0;
    // The light level (0..1) of the ground at a point.
    virtual float GetBrightnessAt(const CVector& position) = 0;
    // The ground's colour (0xRRGGBB) at a point; white where there is none.
    virtual std::uint32_t GetColor(float /*x*/, float /*y*/) { return 0xFFFFFF; }
    // The ground triangles around (x, y) into out (position, colour word,
    // two texture pairs; texture set 0 spans the square); false when none.
    virtual bool GetMapMesh(float /*x*/, float /*y*/, float /*radius*/, CGeometryBuffer* /*out*/) { return false; }
};

// The view camera and the per-object lighting of the frame.
class IObjectView
{
public:
    virtual ~IObjectView() = default;
    virtual CVector GetViewPosition() const = 0;
    // The view direction (the third column of the view matrix).
    virtual CVector GetViewDirection() const = 0;
    // True when the sphere touches the view.
    virtual bool IsSphereVisible(const CVector* centre, float radius) const = 0;
    // Enables the nearest dynamic lights for an object about to be drawn.
    virtual void SetLights(const CVector& /*position*/, float /*radius*/) {}
    // Fog on or off for the object passes.
    virtual void SetFog(bool /*on*/) {}
};

extern IObjectCells* g_pObjectCells;
extern IObjectView* g_pObjectView;

// The viewer's position: the installed view's, else the origin.
CVector GetViewerPosition();
