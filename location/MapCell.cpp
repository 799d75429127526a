#include "location/LocationTypes.h"

#include "world/MMObject.h"

MapCell::MapCell() = default;

MapCell::~MapCell()
{
    m_Objects.RemoveAll(); // the cell never owns its objects
}
