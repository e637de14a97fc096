// The properties of Glimmet, each declared once: what hosts see of it (name, dispatch id,
// type, access, its slots in the function table), how it is saved (key, default, its place in
// the reading and the writing sequence) and the accessors a host's get and put reach.
//
// The library's member table, its slot order and its get and put paths are derived from this
// table (glimmetlib.cpp), and ReadProperties and WriteProperties run through it step by step;
// compile-time checks keep every slot and every step given exactly once.
#pragma once

#include "glimmet.h"
#include "glimmetlib.h"

#include "runtime/dispatch.h"
#include "runtime/variant.h"

#include <QString>

#include <cstdint>
#include <span>

namespace kestrum {

// What a saved property reads as when the bag does not hold it (and what is left out when
// saving a value equal to it). The host-dependent ones come from the host when first needed.
enum class SavedDefault : std::uint8_t {
    NotSaved,     // not in the bag at all
    NoPicture,    // an empty picture reference
    False,        // Boolean false
    True,         // Boolean true
    Zero,         // 16-bit integer 0
    ButtonFace,   // the button-face system colour
    Black,        // colour 0
    AmbientFont,  // the host's ambient font
    InstanceName, // the host's name for the instance (extender Name)
};

struct GlimmetProperty {
    runtime::DispId id;
    const char *name;
    runtime::VariantType type;
    std::uint16_t access; // AccessRead, with AccessWrite (values) or AccessSetRef (references)
    int getSlot;          // the property get's position in the function table
    int putSlot;          // the put's or put-by-reference's position, -1 for a read-only one
    const char *key;      // the persistence key, null when not saved
    SavedDefault fallback;
    int readStep;  // its place in ReadProperties' sequence, -1 when not saved
    int writeStep; // its place in WriteProperties' sequence, -1 when not saved
    runtime::Variant (*get)(const Glimmet &);
    runtime::Status (*put)(Glimmet &, const runtime::Variant &); // null for a read-only one
    // The value WriteProperties saves, and how ReadProperties stores a value read (no side
    // effects: no drawing, no notification). Null when not saved.
    runtime::Variant (*saved)(const Glimmet &);
    void (*restore)(Glimmet &, const runtime::Variant &);
    // For the values the surface shows: how ReadProperties hands the value to the surface at
    // its surface step. Null for the others.
    void (*show)(Glimmet &, const runtime::Variant &);
};

// The declarations, in the member table's order. A friend of Glimmet: the saved-value and
// restore accessors reach its stored values.
struct GlimmetPropertyTable {
    using Variant = runtime::Variant;
    using VariantType = runtime::VariantType;
    static constexpr std::uint16_t AccessRead = runtime::AccessRead;
    static constexpr std::uint16_t ReadWrite = runtime::AccessRead | runtime::AccessWrite;
    static constexpr std::uint16_t ReadSet = runtime::AccessRead | runtime::AccessSetRef;

    static constexpr GlimmetProperty all[] = {
        {Glimmet3::DispIds::MouseIcon, "MouseIcon", VariantType::Picture, ReadSet, 1, 0,
         "MouseIcon", SavedDefault::NoPicture, 4, 4,
         [](const Glimmet &g) { return Variant(g.getMouseIcon()); },
         [](Glimmet &g, const Variant &v) { return g.setMouseIcon(v.picture()); },
         [](const Glimmet &g) { return Variant(g.m_mouseIcon); },
         [](Glimmet &g, const Variant &v) { g.m_mouseIcon = v.picture(); }, nullptr},
        {Glimmet3::DispIds::Caption, "Caption", VariantType::String, ReadWrite, 5, 2, "Caption",
         SavedDefault::InstanceName, 13, 5,
         [](const Glimmet &g) { return Variant(g.getCaption()); },
         [](Glimmet &g, const Variant &v) { return g.setCaption(v.string()); },
         [](const Glimmet &g) { return Variant(g.m_caption); },
         [](Glimmet &g, const Variant &v) { g.m_caption = v.string(); }, nullptr},
        {Glimmet3::DispIds::HighCaption, "HighCaption", VariantType::String, ReadWrite, 6, 3,
         "HighCaption", SavedDefault::InstanceName, 14, 6,
         [](const Glimmet &g) { return Variant(g.getHighCaption()); },
         [](Glimmet &g, const Variant &v) { return g.setHighCaption(v.string()); },
         [](const Glimmet &g) { return Variant(g.m_highCaption); },
         [](Glimmet &g, const Variant &v) { g.m_highCaption = v.string(); }, nullptr},
        {Glimmet3::DispIds::Bevel, "Bevel", VariantType::Bool, ReadWrite, 8, 4, "Bevel",
         SavedDefault::True, 15, 7,
         [](const Glimmet &g) { return Variant(runtime::Bool16(g.getBevel())); },
         [](Glimmet &g, const Variant &v) { return g.setBevel(v.boolean()); },
         [](const Glimmet &g) { return Variant(g.m_bevel); },
         [](Glimmet &g, const Variant &v) { g.m_bevel = v.boolean(); }, nullptr},
        {Glimmet3::DispIds::hwnd, "hwnd", VariantType::Int32, AccessRead, 7, -1, nullptr,
         SavedDefault::NotSaved, -1, -1, [](const Glimmet &g) { return Variant(g.gethwnd()); },
         nullptr, nullptr, nullptr, nullptr},
        {Glimmet3::DispIds::Picture, "Picture", VariantType::Picture, ReadSet, 9, 10, "Picture",
         SavedDefault::NoPicture, 1, 0, [](const Glimmet &g) { return Variant(g.getPicture()); },
         [](Glimmet &g, const Variant &v) { return g.setPicture(v.picture()); },
         [](const Glimmet &g) { return Variant(g.m_picture); },
         [](Glimmet &g, const Variant &v) { g.m_picture = v.picture(); }, nullptr},
        {Glimmet3::DispIds::HighPicture, "HighPicture", VariantType::Picture, ReadSet, 11, 12,
         "HighPicture", SavedDefault::NoPicture, 2, 2,
         [](const Glimmet &g) { return Variant(g.getHighPicture()); },
         [](Glimmet &g, const Variant &v) { return g.setHighPicture(v.picture()); },
         [](const Glimmet &g) { return Variant(g.m_highPicture); },
         [](Glimmet &g, const Variant &v) { g.m_highPicture = v.picture(); }, nullptr},
        {Glimmet3::DispIds::DownPicture, "DownPicture", VariantType::Picture, ReadSet, 13, 14,
         "DownPicture", SavedDefault::NoPicture, 3, 3,
         [](const Glimmet &g) { return Variant(g.getDownPicture()); },
         [](Glimmet &g, const Variant &v) { return g.setDownPicture(v.picture()); },
         [](const Glimmet &g) { return Variant(g.m_downPicture); },
         [](Glimmet &g, const Variant &v) { g.m_downPicture = v.picture(); }, nullptr},
        {Glimmet3::DispIds::BackColor, "BackColor", VariantType::Color, ReadWrite, 15, 16,
         "BackColor", SavedDefault::ButtonFace, 7, 9,
         [](const Glimmet &g) { return Variant(g.getBackColor()); },
         [](Glimmet &g, const Variant &v) { return g.setBackColor(v.color()); },
         [](const Glimmet &g) { return Variant(g.m_backColor); },
         [](Glimmet &g, const Variant &v) { g.m_backColor = v.color(); },
         [](Glimmet &g, const Variant &v) { g.m_surface.setBackColor(v.color()); }},
        {Glimmet3::DispIds::Font, "Font", VariantType::Font, ReadSet, 17, 18, "Font",
         SavedDefault::AmbientFont, 10, 10, [](const Glimmet &g) { return Variant(g.getFont()); },
         [](Glimmet &g, const Variant &v) { return g.setFont(v.font()); },
         [](const Glimmet &g) { return Variant(g.m_font); },
         [](Glimmet &g, const Variant &v) { g.m_font = v.font(); },
         [](Glimmet &g, const Variant &v) { g.m_surface.setFont(v.font()); }},
        {Glimmet3::DispIds::ForeColor, "ForeColor", VariantType::Color, ReadWrite, 19, 23,
         "ForeColor", SavedDefault::Black, 8, 11,
         [](const Glimmet &g) { return Variant(g.getForeColor()); },
         [](Glimmet &g, const Variant &v) { return g.setForeColor(v.color()); },
         [](const Glimmet &g) { return Variant(g.m_surface.foreColor()); },
         [](Glimmet &g, const Variant &v) { g.m_foreColor = v.color(); },
         [](Glimmet &g, const Variant &v) { g.m_surface.setForeColor(v.color()); }},
        {Glimmet3::DispIds::mode, "mode", VariantType::Int16, AccessRead, 20, -1, "Mode",
         SavedDefault::Zero, 9, 8, [](const Glimmet &g) { return Variant(g.getmode()); }, nullptr,
         [](const Glimmet &g) { return Variant(g.m_mode); },
         [](Glimmet &g, const Variant &v) { g.m_mode = v.int16(); }, nullptr},
        {Glimmet3::DispIds::GrayScale, "GrayScale", VariantType::Bool, ReadWrite, 21, 22,
         "GrayScale", SavedDefault::False, 0, 1,
         [](const Glimmet &g) { return Variant(runtime::Bool16(g.getGrayScale())); },
         [](Glimmet &g, const Variant &v) { return g.setGrayScale(v.boolean()); },
         [](const Glimmet &g) { return Variant(g.m_grayScale); },
         [](Glimmet &g, const Variant &v) { g.m_grayScale = v.boolean(); }, nullptr},
        {Glimmet3::DispIds::HighBackColor, "HighBackColor", VariantType::Color, ReadWrite, 24, 25,
         "HighBackColor", SavedDefault::ButtonFace, 5, 12,
         [](const Glimmet &g) { return Variant(g.getHighBackColor()); },
         [](Glimmet &g, const Variant &v) { return g.setHighBackColor(v.color()); },
         [](const Glimmet &g) { return Variant(g.m_highBackColor); },
         [](Glimmet &g, const Variant &v) { g.m_highBackColor = v.color(); }, nullptr},
        {Glimmet3::DispIds::HighForeColor, "HighForeColor", VariantType::Color, ReadWrite, 26, 27,
         "HighForeColor", SavedDefault::Black, 6, 13,
         [](const Glimmet &g) { return Variant(g.getHighForeColor()); },
         [](Glimmet &g, const Variant &v) { return g.setHighForeColor(v.color()); },
         [](const Glimmet &g) { return Variant(g.m_highForeColor); },
         [](Glimmet &g, const Variant &v) { g.m_highForeColor = v.color(); }, nullptr},
        {Glimmet3::DispIds::HighFont, "HighFont", VariantType::Font, ReadSet, 28, 29, "HighFont",
         SavedDefault::AmbientFont, 11, 14,
         [](const Glimmet &g) { return Variant(g.getHighFont()); },
         [](Glimmet &g, const Variant &v) { return g.setHighFont(v.font()); },
         [](const Glimmet &g) { return Variant(g.m_highFont); },
         [](Glimmet &g, const Variant &v) { g.m_highFont = v.font(); }, nullptr},
    };
};

namespace glimmetproperties {

using runtime::Variant;

inline constexpr std::span<const GlimmetProperty> all = GlimmetPropertyTable::all;

// The one method, ShowInfo, after the properties in the member table.
inline constexpr const char *methodName = "ShowInfo";
inline constexpr int methodSlot = 30;
inline constexpr int slotCount = 31;

// The number of saved properties; readStep and writeStep run from 0 to one less. In
// ReadProperties the values the surface shows are handed to it at surfaceStep, which no
// property's readStep takes: after the fonts are read, before the instance name is asked.
inline constexpr int savedCount = 15;
inline constexpr int surfaceStep = 12;

// The declaration of the property with dispatch id `id`, or null.
constexpr const GlimmetProperty *find(runtime::DispId id) {
    for (const GlimmetProperty &p : all) {
        if (p.id == id)
            return &p;
    }
    return nullptr;
}

// The saved property at `step` of the sequence `step` is a member of (readStep or writeStep),
// or null (the surface step).
constexpr const GlimmetProperty *atStep(int GlimmetProperty::*sequence, int step) {
    for (const GlimmetProperty &p : all) {
        if (p.*sequence == step)
            return &p;
    }
    return nullptr;
}

// The host's values that defaults may need, fetched by the caller before the first property
// whose default needs them.
struct HostDefaults {
    Variant ambientFont;
    QString instanceName;
};

// What the property reads as when its key is missing.
Variant defaultValue(const GlimmetProperty &property, const HostDefaults &host);

} // namespace glimmetproperties

} // namespace kestrum
