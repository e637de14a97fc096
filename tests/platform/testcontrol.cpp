// A minimal control library for the runtime tests: one class "TestLib.Probe" with a text
// property, a read-only counter, a method that raises an event with a by-reference argument,
// and the four exports, built the way a real control library is.
#include "runtime/controlbase.h"
#include "runtime/server.h"

#include <QLabel>

namespace {

using namespace kestrum::runtime;

constexpr Guid probeClassId = {
    0x1B2C3D4E, 0x0001, 0x4000, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};
constexpr Guid probeInterfaceId = {
    0x1B2C3D4E, 0x0002, 0x4000, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02}};
constexpr Guid probeEventsId = {
    0x1B2C3D4E, 0x0003, 0x4000, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03}};
constexpr Guid probeLibId = {
    0x1B2C3D4E, 0x0004, 0x4000, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04}};

constexpr DispId TextId = 1;
constexpr DispId CountId = 2;
constexpr DispId FireId = 3;
constexpr DispId IconId = 4;

const MemberInfo members[] = {
    {TextId, "Text", VariantType::String, AccessRead | AccessWrite},
    {CountId, "Count", VariantType::Int16, AccessRead},
    {FireId, "Fire", VariantType::Int16, AccessMethod},
    {IconId, "Icon", VariantType::Picture, AccessRead | AccessSetRef},
};
const SlotInfo slots_[] = {{"Text", InvokeKind::PropertyGet}};
const InterfaceInfo probeInterface = {probeInterfaceId, "_Probe", members, slots_};
const ArgumentInfo fireArguments[] = {{"Value", VariantType::Int16}};
const EventInfo events[] = {{1, "Fired", fireArguments}};
const EventInterfaceInfo probeEvents = {probeEventsId, "__Probe", events};

Module &module() {
    static Module instance;
    return instance;
}

class Probe : public ControlBase {
public:
    explicit Probe(const ClassInfo &info) : ControlBase(info, module()), m_label(new QLabel) {
        setWidget(m_label);
    }

    Status initNew() override {
        QString name;
        if (const Status s = context().extenderName(&name); failed(s))
            return s;
        m_label->setText(name);
        return StatusOk;
    }
    Status load(const PropertyBag &bag) override {
        m_label->setText(
            bag.readProperty(QStringLiteral("Text"), QStringLiteral("default")).string());
        return StatusOk;
    }
    Status save(PropertyBag &bag) override {
        bag.writeProperty(QStringLiteral("Text"), m_label->text(), QStringLiteral("default"));
        return StatusOk;
    }

protected:
    Status getMember(const MemberInfo &member, Variant *value) override {
        switch (member.id) {
        case TextId:
            *value = m_label->text();
            return StatusOk;
        case CountId:
            *value = m_count;
            return StatusOk;
        case IconId:
            *value = m_icon;
            return StatusOk;
        }
        return StatusMemberNotFound;
    }
    Status putMember(const MemberInfo &member, InvokeKind, const Variant &value) override {
        switch (member.id) {
        case TextId:
            m_label->setText(value.string());
            return context().propertyChanged(QStringLiteral("Text"));
        case IconId:
            m_icon = value.picture();
            return StatusOk;
        }
        return StatusMemberNotFound;
    }
    // Fire: raises Fired(Value = Count) and returns what the handlers left in Value.
    Status callMember(const MemberInfo &, Variant *result) override {
        ++m_count;
        Variant args[] = {Variant(m_count)};
        context().raiseEvent(1, args);
        if (result)
            *result = args[0];
        return StatusOk;
    }

private:
    QLabel *m_label;
    std::int16_t m_count = 0;
    Ref<Picture> m_icon;
};

Control *createProbe(const ClassInfo &info) {
    return new Probe(info);
}

const ClassInfo classes[] = {{probeClassId, "TestLib.Probe", "Probe", &probeInterface, &probeEvents,
                              MiscSetClientSiteFirst, 1, "Apartment", &createProbe}};

const ServerDescription &server() {
    static const ServerDescription description = {
        {probeLibId, "TestLib", "test library", 1, 0, 0x409, TypeLibControl},
        {1, 0, 0, "1.00.0000", "1.00.0000", "", "Probe", "testcontrol", "testcontrol.so"},
        classes,
        &module(),
    };
    return description;
}

} // namespace

extern "C" {

Q_DECL_EXPORT std::int32_t DllRegisterServer() {
    return registerServer(server(),
                          libraryPathOf(reinterpret_cast<const void *>(&DllRegisterServer)));
}

Q_DECL_EXPORT std::int32_t DllUnregisterServer() {
    return unregisterServer(server());
}

Q_DECL_EXPORT std::int32_t DllGetClassObject(const Guid *clsid, const Guid *iid, void **out) {
    return getClassObject(server(), clsid, iid, out);
}

Q_DECL_EXPORT std::int32_t DllCanUnloadNow() {
    return canUnloadNow(server());
}

} // extern "C"
