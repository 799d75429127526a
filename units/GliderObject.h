// CGliderObject: the glider, a dynamic object of type 14 flown by a
// mechanoid (the player's or an AI's).
//
// Stand-in: this is only what the world's object code and the mechanoid
// touch: the type code, the mechanoid that flies it, the two gun mounts as
// type, modifier word and ammunition, the throttle, the destroyed and
// active bytes and the broken-parts mask with the part damage. Motion,
// jump, weapons (the guns themselves), damage handling, cargo ejection,
// configuration and the pilot state are not here yet. Visibility is the
// object's shown flag; traction is the dynamic object's drive.
#pragma once

#include "units/UnitTypes.h"
#include "world/DynamicObject.h"

#include <cstdint>

class CMechanoid;

class CGliderObject : public CDynamicObject
{
public:
    static constexpr int kPartCount = 8;

    // A gun mount: 0 the light gun, 1 the heavy gun.
    struct SGunMount
    {
        STypeKey m_Key;
        std::uint32_t m_dwModif = 0;
        float m_fAmmo = 0.0f;
    };

    CGliderObject()
    {
        m_nType = OBJ_GLIDER;
        m_bShown = 1;
        m_bMoving = 1;
        m_bPhysics = 1;
        m_bCollidable = 1;
    }

    // Clears the part damage and the broken-parts mask; the number of parts
    // that were damaged.
    int ResetBrokenParts()
    {
        int count = 0;
        for (float& d : m_PartDamage)
        {
            if (d != 0.0f) ++count;
            d = 0.0f;
        }
        m_dwBrokenParts = 0;
        return count;
    }

    // Both gliders fly for the same group (the group is a tag here: the
    // group list comes later); a glider without group has no mates.
    bool IsGroupMate(const CGliderObject* other) const
    {
        return other && other != this && m_pGroup && other->m_pGroup == m_pGroup;
    }

    CMechanoid* m_pMechanoid = nullptr;
    const void* m_pGroup = nullptr;
    SGunMount m_Guns[2];
    float m_fThrottle = 0.0f;
    std::uint8_t m_bDestroyed = 0;
    std::uint8_t m_bActive = 1;
    std::uint32_t m_dwBrokenParts = 0;
    float m_PartDamage[kPartCount] = {};
};
