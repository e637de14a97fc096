// The automation-style dispatch interface, its type descriptions and the event sink.
#pragma once

#include "guid.h"
#include "object.h"
#include "status.h"
#include "variant.h"

#include <QString>

#include <cstdint>
#include <span>

namespace kestrum::runtime {

using DispId = std::int32_t;
inline constexpr DispId DispIdUnknown = -1;

// What an invoke does with a member. A property's read and write share one dispatch id.
enum class InvokeKind : std::uint16_t {
    Method = 1,
    PropertyGet = 2,
    PropertyPut = 4,    // assign a value
    PropertyPutRef = 8, // assign a reference (pictures, fonts)
};

// Which invoke kinds a member accepts (a bit set of InvokeKind values).
enum MemberAccess : std::uint16_t {
    AccessMethod = 1,
    AccessRead = 2,
    AccessWrite = 4,
    AccessSetRef = 8,
};

// One member of an interface: its dispatch id, name, value type and accepted invoke kinds.
struct MemberInfo {
    DispId id;
    const char *name;
    VariantType type; // Empty for a method without result
    std::uint16_t access;
};

// One slot of an interface's function table, in table order.
struct SlotInfo {
    const char *member;
    InvokeKind kind;
};

// One argument of an event (all passed by reference).
struct ArgumentInfo {
    const char *name;
    VariantType type;
};

struct EventInfo {
    DispId id;
    const char *name;
    std::span<const ArgumentInfo> arguments;
};

// The description of an interface: identifier, name, members and slot order. Names are
// matched without regard to case (a host may spell "caption" or "Caption").
struct InterfaceInfo {
    Guid iid;
    const char *name;
    std::span<const MemberInfo> members;
    std::span<const SlotInfo> slotOrder;

    const MemberInfo *findMember(DispId id) const;
    const MemberInfo *findMember(const QString &name) const;
};

struct EventInterfaceInfo {
    Guid iid;
    const char *name;
    std::span<const EventInfo> events;

    const EventInfo *findEvent(DispId id) const;
    const EventInfo *findEvent(const QString &name) const;
};

// An object whose members are reached by dispatch id.
//
// invoke() arguments: for PropertyPut/PropertyPutRef, args holds exactly the new value; for
// PropertyGet and methods without parameters, args is empty and the value is written to
// *result (which may be null when the caller does not want it). Errors: StatusMemberNotFound
// (unknown id, or a kind the member does not accept), StatusBadParamCount, StatusTypeMismatch
// (the value cannot become the member's type), StatusWrongThread (a call from another thread
// than the one that created the object), or the failure of the member itself.
class Dispatch : public Object {
public:
    virtual Status getIdOfName(const QString &name, DispId *id) const = 0;
    virtual Status invoke(DispId id, InvokeKind kind, std::span<Variant> args, Variant *result) = 0;

    // Conveniences over invoke().
    Status getProperty(DispId id, Variant *value);
    Status putProperty(DispId id, Variant value);
    Status putPropertyRef(DispId id, Variant value);
    Status callMethod(DispId id, Variant *result = nullptr);
    // By name: look the id up first (StatusUnknownName when there is none).
    Status getProperty(const QString &name, Variant *value);
    Status putProperty(const QString &name, Variant value);
    Status putPropertyRef(const QString &name, Variant value);
    Status callMethod(const QString &name, Variant *result = nullptr);
};

// Receives events by dispatch id. Every argument is passed by reference: a handler may
// change args[i], and the raiser sees the changed value when raise returns. The return is
// the handler's status; raisers ignore it.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual Status onEvent(DispId id, std::span<Variant> args) = 0;
};

} // namespace kestrum::runtime
