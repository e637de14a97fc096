// Interface descriptions and the by-name conveniences of the dispatch interface.
#include "dispatch.h"

namespace kestrum::runtime {

namespace {

bool sameName(const char *name, const QString &wanted) {
    return wanted.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

} // namespace

const MemberInfo *InterfaceInfo::findMember(DispId id) const {
    for (const MemberInfo &m : members) {
        if (m.id == id)
            return &m;
    }
    return nullptr;
}

const MemberInfo *InterfaceInfo::findMember(const QString &name) const {
    for (const MemberInfo &m : members) {
        if (sameName(m.name, name))
            return &m;
    }
    return nullptr;
}

const EventInfo *EventInterfaceInfo::findEvent(DispId id) const {
    for (const EventInfo &e : events) {
        if (e.id == id)
            return &e;
    }
    return nullptr;
}

const EventInfo *EventInterfaceInfo::findEvent(const QString &name) const {
    for (const EventInfo &e : events) {
        if (sameName(e.name, name))
            return &e;
    }
    return nullptr;
}

Status Dispatch::getProperty(DispId id, Variant *value) {
    return invoke(id, InvokeKind::PropertyGet, {}, value);
}

Status Dispatch::putProperty(DispId id, Variant value) {
    return invoke(id, InvokeKind::PropertyPut, std::span<Variant>(&value, 1), nullptr);
}

Status Dispatch::putPropertyRef(DispId id, Variant value) {
    return invoke(id, InvokeKind::PropertyPutRef, std::span<Variant>(&value, 1), nullptr);
}

Status Dispatch::callMethod(DispId id, Variant *result) {
    return invoke(id, InvokeKind::Method, {}, result);
}

Status Dispatch::getProperty(const QString &name, Variant *value) {
    DispId id = DispIdUnknown;
    if (const Status s = getIdOfName(name, &id); failed(s))
        return s;
    return getProperty(id, value);
}

Status Dispatch::putProperty(const QString &name, Variant value) {
    DispId id = DispIdUnknown;
    if (const Status s = getIdOfName(name, &id); failed(s))
        return s;
    return putProperty(id, std::move(value));
}

Status Dispatch::putPropertyRef(const QString &name, Variant value) {
    DispId id = DispIdUnknown;
    if (const Status s = getIdOfName(name, &id); failed(s))
        return s;
    return putPropertyRef(id, std::move(value));
}

Status Dispatch::callMethod(const QString &name, Variant *result) {
    DispId id = DispIdUnknown;
    if (const Status s = getIdOfName(name, &id); failed(s))
        return s;
    return callMethod(id, result);
}

} // namespace kestrum::runtime
