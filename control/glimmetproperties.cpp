// The properties of Glimmet: look-up by id and the saved defaults.
#include "glimmetproperties.h"

namespace kestrum::glimmetproperties {

const GlimmetProperty &saved(runtime::DispId id) {
    const GlimmetProperty *property = find(id);
    Q_ASSERT(property && property->key);
    return *property;
}

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
