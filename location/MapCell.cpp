// The cell's object list refers to game objects that the cell never owns
// and never deletes; the object model is not known here, so the list's
// deleting hook is built for an incomplete type and must stay unused.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdelete-incomplete"
#include "world/LinkedList.h"
#pragma GCC diagnostic pop

#include "location/LocationTypes.h"

MapCell::MapCell() = default;

MapCell::~MapCell()
{
    m_Objects.RemoveAll();
}
