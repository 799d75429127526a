// SObjectTypeHeader: the start of every type record of an object-kind
// manager. The database gives the three fields as names; once the manager
// has initialised the record the first four bytes of each hold an id
// instead: the model id, the alpha-pass model id and the sound index, -1
// when the model or sound manager does not know the name.
#pragma once

#include <cstdint>
#include <cstring>

struct SObjectTypeHeader
{
    char Model[32] = {};
    char ModelAlpha[32] = {};
    char SOUND[32] = {};

    std::int32_t GetModelId() const { return Id(Model); }
    std::int32_t GetAlphaModelId() const { return Id(ModelAlpha); }
    std::int32_t GetSoundIndex() const { return Id(SOUND); }
    static std::int32_t Id(const char* field)
    {
        std::int32_t id;
        std::memcpy(&id, field, sizeof id);
        return id;
    }
    static void SetId(char* field, std::int32_t id) { std::memcpy(field, &id, sizeof id); }
};
