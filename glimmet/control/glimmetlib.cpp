// libGlimmet3.so: the identity, member and event tables, the dispatch binding of Glimmet, and
// the four exports, which forward to the control runtime.
#include "glimmetlib.h"

#include "glimmet.h"
#include "glimmetproperties.h"
#include "glimmetversion.h"

#include "runtime/controlbase.h"
#include "runtime/server.h"

#include <QtGlobal>

#include <array>
#include <iterator>
#include <new>

namespace Glimmet3 {

namespace {

using namespace kestrum::runtime;

namespace properties = kestrum::glimmetproperties;
constexpr std::size_t propertyCount = properties::all.size();

// The member table: the declared properties in their order, then the method.
constexpr std::array<MemberInfo, propertyCount + 1> members = [] {
    std::array<MemberInfo, propertyCount + 1> table{};
    for (std::size_t i = 0; i < propertyCount; ++i) {
        const kestrum::GlimmetProperty &p = properties::all[i];
        table[i] = {p.id, p.name, p.type, p.access};
    }
    table[propertyCount] = {DispIds::ShowInfo, properties::methodName, VariantType::Empty,
                            AccessMethod};
    return table;
}();

// The function table of _Glimmet, in slot order: each property's get and put at the slots
// its declaration gives.
constexpr std::array<SlotInfo, properties::slotCount> slotOrder = [] {
    std::array<SlotInfo, properties::slotCount> table{};
    for (const kestrum::GlimmetProperty &p : properties::all) {
        table[std::size_t(p.getSlot)] = {p.name, InvokeKind::PropertyGet};
        if (p.putSlot >= 0)
            table[std::size_t(p.putSlot)] = {p.name, (p.access & AccessSetRef)
                                                         ? InvokeKind::PropertyPutRef
                                                         : InvokeKind::PropertyPut};
    }
    table[properties::methodSlot] = {properties::methodName, InvokeKind::Method};
    return table;
}();

// Every slot holds exactly one get, put or call.
constexpr bool everySlotOnce() {
    int uses[properties::slotCount]{};
    for (const kestrum::GlimmetProperty &p : properties::all) {
        if (p.getSlot < 0 || p.getSlot >= properties::slotCount ||
            p.putSlot >= properties::slotCount)
            return false;
        ++uses[p.getSlot];
        if (p.putSlot >= 0)
            ++uses[p.putSlot];
    }
    ++uses[properties::methodSlot];
    for (int n : uses) {
        if (n != 1)
            return false;
    }
    return true;
}
static_assert(everySlotOnce(), "a slot of _Glimmet is given twice or not at all");

const InterfaceInfo defaultInterface = {interfaceId, "_Glimmet", members, slotOrder};

const ArgumentInfo mouseArguments[] = {
    {"PressedButton", VariantType::Int16},
    {"Shift", VariantType::Int16},
    {"x", VariantType::Float},
    {"y", VariantType::Float},
};
const ArgumentInfo keyArguments[] = {{"KeyCode", VariantType::Int16},
                                     {"Shift", VariantType::Int16}};
const ArgumentInfo keyPressArguments[] = {{"KeyAscii", VariantType::Int16}};

const EventInfo events[] = {
    {EventIds::Click, "Click", {}},
    {EventIds::MouseUp, "MouseUp", mouseArguments},
    {EventIds::MouseDown, "MouseDown", mouseArguments},
    {EventIds::MouseMove, "MouseMove", mouseArguments},
    {EventIds::MouseOut, "MouseOut", {}},
    {EventIds::DblClick, "DblClick", {}},
    {EventIds::KeyIsUp, "KeyIsUp", keyArguments},
    {EventIds::KeyIsDown, "KeyIsDown", keyArguments},
    {EventIds::KeyIsPressed, "KeyIsPressed", keyPressArguments},
};

const EventInterfaceInfo eventInterface = {eventInterfaceId, "__Glimmet", events};

Module &module() {
    static Module instance;
    return instance;
}

Control *createGlimmet(const ClassInfo &info);

const ClassInfo classes[] = {{
    classId,
    progId,
    "Glimmet",
    &defaultInterface,
    &eventInterface,
    miscStatus,
    toolboxBitmap,
    "Apartment",
    &createGlimmet,
}};

const ServerDescription &server() {
    static const ServerDescription description = {
        {typeLibId, typeLibName, typeLibHelp, typeLibMajor, typeLibMinor, typeLibLocale,
         TypeLibControl},
        {static_cast<std::uint16_t>(versionMajor), static_cast<std::uint16_t>(versionMinor),
         static_cast<std::uint16_t>(versionRevision), fileVersionText, fileVersionText,
         "A RollOver Button that responds on Mouse Activity.MouseOver,MouseUp,Mouse "
         "Move,MouseOut,MouseDown.Easy to "
         "usable as HyperLink in Application and Multimedia Applications",
         "Glimmet", "Glimmet3", "Glimmet3.ocx"},
        classes,
        &module(),
    };
    return description;
}

// One Glimmet instance as hosts see it: members reached by dispatch id, bound to the widget's
// accessors.
class GlimmetControl : public ControlBase {
public:
    explicit GlimmetControl(const ClassInfo &info)
        : ControlBase(info, module()), m_glimmet(new kestrum::Glimmet) {
        m_glimmet->setObjectName(QString::fromLatin1(info.name));
        setWidget(m_glimmet);
    }

    Status initNew() override {
        return widgetGone() ? StatusUnexpected : m_glimmet->InitProperties();
    }
    Status load(const PropertyBag &bag) override {
        return widgetGone() ? StatusUnexpected : m_glimmet->ReadProperties(bag);
    }
    Status save(PropertyBag &bag) override {
        return widgetGone() ? StatusUnexpected : m_glimmet->WriteProperties(bag);
    }

protected:
    ControlContext &context() override {
        return widgetGone() ? ControlBase::context() : m_glimmet->context();
    }

    Status getMember(const MemberInfo &member, Variant *value) override {
        const kestrum::GlimmetProperty *p = properties::find(member.id);
        if (!p)
            return StatusMemberNotFound;
        *value = p->get(*m_glimmet);
        return StatusOk;
    }

    Status putMember(const MemberInfo &member, InvokeKind, const Variant &value) override {
        const kestrum::GlimmetProperty *p = properties::find(member.id);
        if (!p || !p->put)
            return StatusMemberNotFound;
        return p->put(*m_glimmet, value);
    }

    Status callMember(const MemberInfo &member, Variant *) override {
        if (member.id == DispIds::ShowInfo)
            return m_glimmet->ShowInfo();
        return StatusMemberNotFound;
    }

private:
    kestrum::Glimmet *m_glimmet; // owned through ControlBase's widget
};

Control *createGlimmet(const ClassInfo &info) {
    return new GlimmetControl(info);
}

} // namespace

} // namespace Glimmet3

using kestrum::runtime::Guid;

// The four exports: C linkage, status codes only, no exception lets through.
extern "C" {

Q_DECL_EXPORT std::int32_t DllRegisterServer() {
    try {
        return kestrum::runtime::registerServer(
            Glimmet3::server(),
            kestrum::runtime::libraryPathOf(reinterpret_cast<const void *>(&DllRegisterServer)));
    } catch (...) {
        return kestrum::runtime::StatusRegisterClass;
    }
}

Q_DECL_EXPORT std::int32_t DllUnregisterServer() {
    try {
        return kestrum::runtime::unregisterServer(Glimmet3::server());
    } catch (...) {
        return kestrum::runtime::StatusRegisterClass;
    }
}

Q_DECL_EXPORT std::int32_t DllGetClassObject(const Guid *clsid, const Guid *iid, void **out) {
    try {
        return kestrum::runtime::getClassObject(Glimmet3::server(), clsid, iid, out);
    } catch (...) {
        return kestrum::runtime::StatusUnexpected;
    }
}

Q_DECL_EXPORT std::int32_t DllCanUnloadNow() {
    return kestrum::runtime::canUnloadNow(Glimmet3::server());
}

} // extern "C"
