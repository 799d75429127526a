#include "world/EffectQueue.h"

#include "world/MMObject.h"
#include "world/ObjectScene.h"

IEffectQueue* g_pEffectQueue = nullptr;

void QueueEffect(CMMObject* object, std::uint32_t pass)
{
    if (!object) return;
    const CVector d = object->GetPosition() - GetViewerPosition();
    const float key = d.x * d.x + d.y * d.y + d.z * d.z;
    if (g_pEffectQueue)
        g_pEffectQueue->AddObject(key, object, pass);
    else
        object->DrawEffect(int(pass));
}
