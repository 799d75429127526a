#include "world/ObjectScene.h"

IObjectCells* g_pObjectCells = nullptr;
IObjectView* g_pObjectView = nullptr;

CVector GetViewerPosition()
{
    return g_pObjectView ? g_pObjectView->GetViewPosition() : CVector{};
}
