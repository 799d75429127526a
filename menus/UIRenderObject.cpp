#include "menus/UIRenderObject.h"

#include "foundation/ErrorLog.h"
#include "foundation/Graphic.h"
#include "foundation/Name32.h"
#include "foundation/Vector.h"
#include "graphics/ComplexObject.h"
#include "graphics/Model.h"
#include "graphics/ModelManager.h"
#include "graphics/ResourceEngine.h"
#include "location/EffectRenderManager.h"
#include "location/Environment.h"

#include <cmath>
#include <cstring>

using namespace plat::d3d;

namespace
{
// The camera looks down on the model 15 degrees from the side.
constexpr float kViewTilt = 1.832595705986023f; // 105 degrees
constexpr float kViewDistance = 5.0f;
constexpr float kLift = 0.1f;
constexpr std::uint32_t kAmbient = 0xFF303030;
constexpr float kModelRadius = 2.2f;

SMatrix ToDevice(const CMatrix& m)
{
    SMatrix out;
    std::memcpy(&out, &m, sizeof out);
    return out;
}
} // namespace

SUIModelName::SUIModelName(const char* text)
{
    CopyName(name, text);
}

SUIModelName SUIModelName::FromIndex(std::int32_t index)
{
    SUIModelName out;
    std::memcpy(out.name, &index, sizeof index);
    return out;
}

SUIModelName SUIModelName::FromField(const char (&field)[32])
{
    SUIModelName out;
    std::memcpy(out.name, field, sizeof out.name);
    out.name[31] = 0;
    return out;
}

std::int32_t ResolveUIModel(const SUIModelName& model)
{
    std::int32_t index;
    std::memcpy(&index, model.name, sizeof index);
    if (index >= 0 && index <= kUIModelIndexLimit) return index;
    if (!g_pModelManager) return -1;
    char name[32];
    std::memcpy(name, model.name, sizeof name);
    name[31] = 0;
    return g_pModelManager->FindName(name);
}

float UIModelScale(float radius, float centreLength)
{
    const float divisor = radius - centreLength * 0.5f;
    if (divisor > 1e-4f) return kModelRadius / divisor;
    return radius > 1e-4f ? kModelRadius / radius : kModelRadius;
}

SColorValue* ColorValueFromScalar(SColorValue* out, float value)
{
    out->r = out->g = out->b = out->a = value;
    return out;
}

void UIRenderObject(const SUIModelName& name, float angle, const plat::Rect& dest, bool restoreViewport)
{
    XTRACE("UIRenderObject");
    Device* device = graph.m_lpDevice;
    if (!device || !g_pModelManager) return;
    const std::int32_t index = ResolveUIModel(name);
    if (index < 0) return;
    // A model not loaded yet is requested here and drawn in a later frame.
    auto* model = dynamic_cast<CComplexObject*>(g_pModelManager->GetModel(index));
    if (!model) return;

    SViewport kept{};
    device->GetViewport(&kept);

    CMatrix view(1.0f);
    view.m[1][1] = std::cos(kViewTilt);
    view.m[1][2] = -std::sin(kViewTilt);

    view.m[2][1] = std::sin(kViewTilt);
    view.m[2][2] = std::cos(kViewTilt);
    view.m[3][2] = kViewDistance;
    const SMatrix deviceView = ToDevice(view);
    device->SetTransform(D3DTS_VIEW, &deviceView);
    graph.SetProjection(1000.0f, 0.01f, 54.0f, 54.0f, false);

    device->SetRenderState(D3DRS_AMBIENT, kAmbient);
    SLight light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {0.75f, 0.75f, 0.75f, 0.75f};
    light.Specular = {0.5f, 0.5f, 0.5f, 0.5f};
    const CVector along = Normalize(CVector{-0.5f, 2.0f, 0.5f});
    light.Direction = {-along.x, -along.y, -along.z};
    device->SetLight(0, &light);
    device->LightEnable(0, true);

    float centre[3];
    model->GetBoundingCenter(centre);
    const CVector c{centre[0], centre[1], centre[2]};
    const float k = UIModelScale(g_pModelManager->GetModelScale(index), c.Length());
    CMatrix world(1.0f);
    world.m[0][0] = k * std::cos(angle);
    world.m[0][1] = -k * std::sin(angle);
    world.m[1][0] = k * std::sin(angle);
    world.m[1][1] = k * std::cos(angle);
    world.m[2][2] = k;
    CVector placed;
    const CVector minus{-c.x, -c.y, -c.z};
    VectorTransformNormal(&placed, &world, &minus);
    world.SetTranslation(CVector{placed.x, placed.y, placed.z + kLift});
    const SMatrix deviceWorld = ToDevice(world);
    device->SetTransform(D3DTS_WORLD, &deviceWorld);
    g_ModelWorldMatrix = world;

    if (g_EffectRenderManager.BeginModelView(0))
    {
        const SViewport square{0, 0, CEffectRenderManager::kSlotSize, CEffectRenderManager::kSlotSize, 0.0f, 1.0f};
        device->SetViewport(&square);
        // Cleared again over the whole square: the last picture must not
        // show round this one.
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
        std::uint32_t depthTest = 0, cull = 0;
        device->GetRenderState(D3DRS_ZENABLE, &depthTest);
        device->GetRenderState(D3DRS_CULLMODE, &cull);
        device->SetRenderState(D3DRS_ZENABLE, 1);
        // Two-sided: the picture must show a model whatever way its faces
        // are wound (the world's models are wound for its mirroring
        // placement, the interface's turn is a plain rotation).
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetMaterial(&g_DefaultMaterial);
        device->SetRenderState(D3DRS_FOGENABLE, 0);
        device->SetRenderState(D3DRS_NORMALIZENORMALS, 1);
        model->Render(nullptr, 0, -1);
        device->SetRenderState(D3DRS_FOGENABLE, 0);
        device->SetRenderState(D3DRS_ZENABLE, depthTest);
        device->SetRenderState(D3DRS_CULLMODE, cull);
        g_EffectRenderManager.EndModelView();
    }

    if (restoreViewport)
        device->SetViewport(&kept);
    else
    {
        const SViewport whole{0, 0, std::uint32_t(graph.m_nScreenWidth), std::uint32_t(graph.m_nScreenHeight),
                              0.0f, 1.0f};
        device->SetViewport(&whole);
    }
    graph.ApplyProjection();
    device->LightEnable(0, false);

    // The whole square picture over the rectangle: the quad spans as many
    // texels as the rectangle has pixels, so the texture's size is given
    // as the rectangle's.
    const int screen[4] = {dest.left, dest.top, dest.right, dest.bottom};
    const int texture[4] = {0, 0, dest.right - dest.left, dest.bottom - dest.top};
    g_EffectRenderManager.DrawSlot(0, screen, texture, 6);
    g_Environment.SetFog(false, 1.0f, 0.0f);
}
