// The properties of Glimmet, each declared once: what hosts see of it (name, dispatch id,
// type, access, its slots in the function table), how it is saved (key and default) and the
// accessors a host's get and put reach.
//
// The library's member table, its slot order and its get and put paths are derived from this
// table (glimmetlib.cpp); ReadProperties and WriteProperties take every key and default from it.
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
    runtime::Variant (*get)(const Glimmet &);
    runtime::Status (*put)(Glimmet &, const runtime::Variant &); // null for a read-only one
};

namespace glimmetproperties {

using runtime::AccessRead;
using runtime::AccessSetRef;
using runtime::AccessWrite;
using runtime::Variant;
using runtime::VariantType;
namespace Ids = Glimmet3::DispIds;

inline constexpr std::uint16_t ReadWrite = AccessRead | AccessWrite;
inline constexpr std::uint16_t ReadSet = AccessRead | AccessSetRef;

// In the member table's order.
inline constexpr GlimmetProperty all[] = {
    {Ids::MouseIcon, "MouseIcon", VariantType::Picture, ReadSet, 1, 0, "MouseIcon",
     SavedDefault::NoPicture, [](const Glimmet &g) { return Variant(g.getMouseIcon()); },
     [](Glimmet &g, const Variant &v) { return g.setMouseIcon(v.picture()); }},
    {Ids::Caption, "Caption", VariantType::String, ReadWrite, 5, 2, "Caption",
     SavedDefault::InstanceName, [](const Glimmet &g) { return Variant(g.getCaption()); },
     [](Glimmet &g, const Variant &v) { return g.setCaption(v.string()); }},
    {Ids::HighCaption, "HighCaption", VariantType::String, ReadWrite, 6, 3, "HighCaption",
     SavedDefault::InstanceName, [](const Glimmet &g) { return Variant(g.getHighCaption()); },
     [](Glimmet &g, const Variant &v) { return g.setHighCaption(v.string()); }},
    {Ids::Bevel, "Bevel", VariantType::Bool, ReadWrite, 8, 4, "Bevel", SavedDefault::True,
     [](const Glimmet &g) { return Variant(runtime::Bool16(g.getBevel())); },
     [](Glimmet &g, const Variant &v) { return g.setBevel(v.boolean()); }},
    {Ids::hwnd, "hwnd", VariantType::Int32, AccessRead, 7, -1, nullptr, SavedDefault::NotSaved,
     [](const Glimmet &g) { return Variant(g.gethwnd()); }, nullptr},
    {Ids::Picture, "Picture", VariantType::Picture, ReadSet, 9, 10, "Picture",
     SavedDefault::NoPicture, [](const Glimmet &g) { return Variant(g.getPicture()); },
     [](Glimmet &g, const Variant &v) { return g.setPicture(v.picture()); }},
    {Ids::HighPicture, "HighPicture", VariantType::Picture, ReadSet, 11, 12, "HighPicture",
     SavedDefault::NoPicture, [](const Glimmet &g) { return Variant(g.getHighPicture()); },
     [](Glimmet &g, const Variant &v) { return g.setHighPicture(v.picture()); }},
    {Ids::DownPicture, "DownPicture", VariantType::Picture, ReadSet, 13, 14, "DownPicture",
     SavedDefault::NoPicture, [](const Glimmet &g) { return Variant(g.getDownPicture()); },
     [](Glimmet &g, const Variant &v) { return g.setDownPicture(v.picture()); }},
    {Ids::BackColor, "BackColor", VariantType::Color, ReadWrite, 15, 16, "BackColor",
     SavedDefault::ButtonFace, [](const Glimmet &g) { return Variant(g.getBackColor()); },
     [](Glimmet &g, const Variant &v) { return g.setBackColor(v.color()); }},
    {Ids::Font, "Font", VariantType::Font, ReadSet, 17, 18, "Font", SavedDefault::AmbientFont,
     [](const Glimmet &g) { return Variant(g.getFont()); },
     [](Glimmet &g, const Variant &v) { return g.setFont(v.font()); }},
    {Ids::ForeColor, "ForeColor", VariantType::Color, ReadWrite, 19, 23, "ForeColor",
     SavedDefault::Black, [](const Glimmet &g) { return Variant(g.getForeColor()); },
     [](Glimmet &g, const Variant &v) { return g.setForeColor(v.color()); }},
    {Ids::mode, "mode", VariantType::Int16, AccessRead, 20, -1, "Mode", SavedDefault::Zero,
     [](const Glimmet &g) { return Variant(g.getmode()); }, nullptr},
    {Ids::GrayScale, "GrayScale", VariantType::Bool, ReadWrite, 21, 22, "GrayScale",
     SavedDefault::False,
     [](const Glimmet &g) { return Variant(runtime::Bool16(g.getGrayScale())); },
     [](Glimmet &g, const Variant &v) { return g.setGrayScale(v.boolean()); }},
    {Ids::HighBackColor, "HighBackColor", VariantType::Color, ReadWrite, 24, 25, "HighBackColor",
     SavedDefault::ButtonFace, [](const Glimmet &g) { return Variant(g.getHighBackColor()); },
     [](Glimmet &g, const Variant &v) { return g.setHighBackColor(v.color()); }},
    {Ids::HighForeColor, "HighForeColor", VariantType::Color, ReadWrite, 26, 27, "HighForeColor",
     SavedDefault::Black, [](const Glimmet &g) { return Variant(g.getHighForeColor()); },
     [](Glimmet &g, const Variant &v) { return g.setHighForeColor(v.color()); }},
    {Ids::HighFont, "HighFont", VariantType::Font, ReadSet, 28, 29, "HighFont",
     SavedDefault::AmbientFont, [](const Glimmet &g) { return Variant(g.getHighFont()); },
     [](Glimmet &g, const Variant &v) { return g.setHighFont(v.font()); }},
};

// The one method, ShowInfo, after the properties in the member table.
inline constexpr const char *methodName = "ShowInfo";
inline constexpr int methodSlot = 30;
inline constexpr int slotCount = 31;

// The declaration of the property with dispatch id `id`, or null.
constexpr const GlimmetProperty *find(runtime::DispId id) {
    for (const GlimmetProperty &p : all) {
        if (p.id == id)
            return &p;
    }
    return nullptr;
}

// The declaration of a saved property by its dispatch id; the id must be one of the table.
const GlimmetProperty &saved(runtime::DispId id);

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
