// Model instances: objects built in memory (heap meshes, no device) with
// particle parts and "FX" markers.

#include "graphics/ComplexObject.h"
#include "graphics/Mesh.h"
#include "graphics/Model.h"
#include "graphics/ModelInstance.h"
#include "graphics/ParticleSystem.h"

#include "graphics/GraphicTestDevice.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace
{
// A marker model whose origin sits at (x, 0, 0): forward +y (3 long),
// right +x, top +z.
std::unique_ptr<CModel> Marker(float x)
{
    const float pos[9][3] = {{0, 0, 0}, {0, 3, 0}, {0, 0, 0}, {1, 0, 0}, {0, 0, 1},
                             {0, 3, 0}, {1, 0, 0}, {0, 0, 1}, {0, 0, 0}};
    auto* mesh = new CMesh(MESH_MEMORY_HEAP, 0x112, 9, 1, 0);
    for (int v = 0; v < 9; ++v)
    {
        const float p[3] = {pos[v][0] + x, pos[v][1], pos[v][2]};
        std::memcpy(mesh->m_pVertices + v * 32, p, 12);
    }
    auto model = std::make_unique<CModel>();
    model->m_bShared = false;
    model->SetMesh(mesh);
    return model;
}

void AddPart(CComplexObject& object, std::int32_t type, const char* name, float markerX = 0)
{
    SObjectPart part;
    part.m_Record.type = type;
    std::snprintf(part.m_Record.name, sizeof part.m_Record.name, "%s", name);
    if (type == 0 || type == 1) part.m_pModel = Marker(markerX);
    if (type == 4)
    {
        part.m_pParticles = std::make_unique<CParticleViewer>();
        SEmitterParams params = SEmitterParams::Defaults();
        params.maxParticles = 50;
        params.rate = 100.0f;
        params.lifetime = 1.0f;
        part.m_pParticles->Init(params);
    }
    object.m_Parts.push_back(std::move(part));
}

float EmitterX(const CModelInstance& instance, int k)
{
    return instance.GetParticles(k)->m_Params.matrix.m[3][0];
}

TEST(ModelInstance, WithoutParticlePartsEveryParticleCallIsIdle)
{
    CComplexObject object;
    AddPart(object, 0, "BODY");
    CModelInstance instance;
    instance.Init(-1, &object);
    EXPECT_EQ(instance.GetModel(), &object);
    EXPECT_FALSE(instance.HasParticles());
    EXPECT_FALSE(instance.AreParticlesFinished());
    instance.StopParticles();
    instance.UpdateParticles(0.1f);
    CVector centre;
    float radius = 1;
    instance.GetParticlesBounds(&centre, &radius);
    EXPECT_EQ(radius, 0.0f);
}

TEST(ModelInstance, ClonesAttachToTheirMarkers)
{
    const struct
    {
        const char* what;
        const char* fx1Name;
        std::int32_t fx1Type;
        float expected[2]; // emitter x of clone 0 and 1 (the marker origin)
    } cases[] = {
        {"FX0 and FX1", "FX1", 1, {2, 7}},
        {"FX1 of type 0 is passed over for FX", "FX1", 0, {2, 5}},
        {"only FX", "OTHER", 1, {5, 5}},
    };
    for (const auto& c : cases)
    {
        CComplexObject object;
        AddPart(object, 4, "SMOKE");
        AddPart(object, 1, "FX0", 2);
        AddPart(object, c.fx1Type, c.fx1Name, 7);
        AddPart(object, 1, "FX", 5);
        AddPart(object, 4, "SPARKS");
        if (std::strcmp(c.fx1Name, "OTHER") == 0) std::snprintf(object.m_Parts[1].m_Record.name, 32, "NONE");
        CModelInstance instance;
        instance.Init(-1, &object);
        ASSERT_EQ(instance.GetParticleCount(), 2) << c.what;
        EXPECT_NE(instance.GetParticles(0), object.m_Parts[0].m_pParticles.get()) << c.what; // a clone
        EXPECT_FLOAT_EQ(EmitterX(instance, 0), c.expected[0]) << c.what;
        EXPECT_FLOAT_EQ(EmitterX(instance, 1), c.expected[1]) << c.what;
        // A x T: marker forward (+y) becomes the emitter's +z row entry.
        EXPECT_FLOAT_EQ(instance.GetParticles(0)->m_Params.matrix.m[2][1], -1.0f) << c.what;
    }

    // No marker at all: identity.
    CComplexObject bare;
    AddPart(bare, 4, "SMOKE");
    CModelInstance instance;
    instance.Init(-1, &bare);
    EXPECT_FLOAT_EQ(EmitterX(instance, 0), 0.0f);
    EXPECT_FLOAT_EQ(instance.GetParticles(0)->m_Params.matrix.m[0][0], 1.0f);
}

TEST(ModelInstance, EmitsStopsFinishesAndReinitialises)
{
    gfxtest::CTempDir dir("instance");
    CComplexObject object;
    for (int i = 0; i < 14; ++i) AddPart(object, 4, "P");
    CModelInstance instance;
    instance.Init(-1, &object);
    // Twelve slots: the two further parts are left out, with one line.
    EXPECT_EQ(instance.GetParticleCount(), CModelInstance::kMaxParticles);
    EXPECT_NE(dir.ErrorLog().find("more than 12 particle systems"), std::string::npos);

    EXPECT_TRUE(instance.HasParticles());
    EXPECT_TRUE(instance.AreParticlesFinished()); // nothing emitted yet
    for (int i = 0; i < 10; ++i) instance.UpdateParticles(0.05f);
    EXPECT_FALSE(instance.AreParticlesFinished());
    CMatrix world(2.0f);
    world.SetTranslation(CVector{10, 0, 0});
    instance.Update(world, CVector{1, 0, 0}, CVector{0, 1, 0});
    EXPECT_GT(instance.m_fParticleRadius, 0.0f);
    // The emission vectors come back unscaled through the inverse rotation.
    EXPECT_FLOAT_EQ(instance.GetParticles(0)->m_vEmission[0].x, 1.0f);

    instance.StopParticles();
    for (int i = 0; i < 40; ++i) instance.UpdateParticles(0.05f);
    EXPECT_TRUE(instance.AreParticlesFinished());

    instance.SetParticlesRange(0.5f, 2.0f);
    EXPECT_FLOAT_EQ(instance.GetParticles(11)->m_fSpeedFactor, 2.0f);

    // Init again: the first clones are deleted (the sanitizer sees a leak
    // otherwise) and fresh ones made.
    CParticleViewer* first = instance.GetParticles(0);
    (void)first;
    instance.Init(-1, &object);
    EXPECT_EQ(instance.GetParticleCount(), CModelInstance::kMaxParticles);
    instance.Render(nullptr, -1, false); // no managers: draws nothing, safely
    instance.Done();
    EXPECT_EQ(instance.GetParticleCount(), 0);
}
} // namespace
