// The properties of Glimmet: the saved defaults.
#include "glimmetproperties.h"

namespace kestrum::glimmetproperties {

namespace {

// Every saved property has a key, both accessors and one place in each sequence; every place
// but the surface step holds exactly one.
constexpr bool sequencesAreWhole() {
    int reads[savedCount + 1]{}, writes[savedCount]{};
    for (const GlimmetProperty &p : all) {
        if (!p.key) {
            if (p.readStep != -1 || p.writeStep != -1 || p.saved || p.restore)
                return false;
            continue;
        }
        if (!p.saved || !p.restore || p.readStep < 0 || p.readStep > savedCount ||
            p.readStep == surfaceStep || p.writeStep < 0 || p.writeStep >= savedCount)
            return false;
        ++reads[p.readStep];
        ++writes[p.writeStep];
    }
    for (int step = 0; step <= savedCount; ++step) {
        if (reads[step] != (step == surfaceStep ? 0 : 1))
            return false;
    }
    for (int n : writes) {
        if (n != 1)
            return false;
    }
    return true;
}
static_assert(sequencesAreWhole(), "a saved property is missing from a sequence or shares a step");

} // namespace

Variant defaultValue(const GlimmetProperty &property, const HostDefaults &host) {
    switch (property.fallback) {
    case SavedDefault::NoPicture:
        return Variant(Glimmet::PictureRef());
    case SavedDefault::False:
        return Variant(false);
    case SavedDefault::True:
        return Variant(true);
    case SavedDefault::Zero:
        return Variant(std::int16_t(0));
    case SavedDefault::ButtonFace:
        return Variant(runtime::ButtonFaceColor);
    case SavedDefault::Black:
        return Variant(runtime::OleColor(0u));
    case SavedDefault::AmbientFont:
        return host.ambientFont;
    case SavedDefault::InstanceName:
        return Variant(host.instanceName);
    case SavedDefault::NotSaved:
        break;
    }
    return Variant();
}

} // namespace kestrum::glimmetproperties
