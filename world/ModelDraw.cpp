#include "world/ModelDraw.h"

#include "foundation/Graphic.h"
#include "graphics/ComplexObject.h"
#include "graphics/ModelManager.h"

using namespace plat::d3d;

void SetWorldTransform(const CMatrix& m)
{
    if (graph.m_lpDevice) graph.m_lpDevice->SetTransform(D3DTS_WORLD, reinterpret_cast<const SMatrix*>(&m));
}

CComplexObject* GetComplexModel(std::int32_t id)
{
    if (id < 0 || !g_pModelManager) return nullptr;
    return dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(id));
}
