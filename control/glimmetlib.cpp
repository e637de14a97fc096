// libGlimmet3.so: the identity, member and event tables, the dispatch binding of Glimmet, and
// the four exports, which forward to the control runtime.
#include "glimmetlib.h"

#include "glimmet.h"
#include "glimmetversion.h"

#include "runtime/controlbase.h"
#include "runtime/server.h"

#include <QtGlobal>

#include <new>

namespace Glimmet3 {

namespace {

using namespace kestrum::runtime;

constexpr std::uint16_t ReadWrite = AccessRead | AccessWrite;
constexpr std::uint16_t ReadSet = AccessRead | AccessSetRef;

const MemberInfo members[] = {
    {DispIds::MouseIcon, "MouseIcon", VariantType::Picture, ReadSet},
    {DispIds::Caption, "Caption", VariantType::String, ReadWrite},
    {DispIds::HighCaption, "HighCaption", VariantType::String, ReadWrite},
    {DispIds::Bevel, "Bevel", VariantType::Bool, ReadWrite},
    {DispIds::hwnd, "hwnd", VariantType::Int32, AccessRead},
    {DispIds::Picture, "Picture", VariantType::Picture, ReadSet},
    {DispIds::HighPicture, "HighPicture", VariantType::Picture, ReadSet},
    {DispIds::DownPicture, "DownPicture", VariantType::Picture, ReadSet},
    {DispIds::BackColor, "BackColor", VariantType::Color, ReadWrite},
    {DispIds::Font, "Font", VariantType::Font, ReadSet},
    {DispIds::ForeColor, "ForeColor", VariantType::Color, ReadWrite},
    {DispIds::mode, "mode", VariantType::Int16, AccessRead},
    {DispIds::GrayScale, "GrayScale", VariantType::Bool, ReadWrite},
    {DispIds::HighBackColor, "HighBackColor", VariantType::Color, ReadWrite},
    {DispIds::HighForeColor, "HighForeColor", VariantType::Color, ReadWrite},
    {DispIds::HighFont, "HighFont", VariantType::Font, ReadSet},
    {DispIds::ShowInfo, "ShowInfo", VariantType::Empty, AccessMethod},
};

constexpr InvokeKind Get = InvokeKind::PropertyGet;
constexpr InvokeKind Put = InvokeKind::PropertyPut;
constexpr InvokeKind Set = InvokeKind::PropertyPutRef;

// The function table of _Glimmet, in slot order.
const SlotInfo slotOrder[] = {
    {"MouseIcon", Set},
    {"MouseIcon", Get},
    {"Caption", Put},
    {"HighCaption", Put},
    {"Bevel", Put},
    {"Caption", Get},
    {"HighCaption", Get},
    {"hwnd", Get},
    {"Bevel", Get},
    {"Picture", Get},
    {"Picture", Set},
    {"HighPicture", Get},
    {"HighPicture", Set},
    {"DownPicture", Get},
    {"DownPicture", Set},
    {"BackColor", Get},
    {"BackColor", Put},
    {"Font", Get},
    {"Font", Set},
    {"ForeColor", Get},
    {"mode", Get},
    {"GrayScale", Get},
    {"GrayScale", Put},
    {"ForeColor", Put},
    {"HighBackColor", Get},
    {"HighBackColor", Put},
    {"HighForeColor", Get},
    {"HighForeColor", Put},
    {"HighFont", Get},
    {"HighFont", Set},
    {"ShowInfo", InvokeKind::Method},
};

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
        kestrum::Glimmet &g = *m_glimmet;
        switch (member.id) {
        case DispIds::MouseIcon:
            return *value = Variant(g.getMouseIcon()), StatusOk;
        case DispIds::Caption:
            return *value = Variant(g.getCaption()), StatusOk;
        case DispIds::HighCaption:
            return *value = Variant(g.getHighCaption()), StatusOk;
        case DispIds::Bevel:
            return *value = Variant(Bool16(g.getBevel())), StatusOk;
        case DispIds::hwnd:
            return *value = Variant(g.gethwnd()), StatusOk;
        case DispIds::Picture:
            return *value = Variant(g.getPicture()), StatusOk;
        case DispIds::HighPicture:
            return *value = Variant(g.getHighPicture()), StatusOk;
        case DispIds::DownPicture:
            return *value = Variant(g.getDownPicture()), StatusOk;
        case DispIds::BackColor:
            return *value = Variant(g.getBackColor()), StatusOk;
        case DispIds::Font:
            return *value = Variant(g.getFont()), StatusOk;
        case DispIds::ForeColor:
            return *value = Variant(g.getForeColor()), StatusOk;
        case DispIds::mode:
            return *value = Variant(g.getmode()), StatusOk;
        case DispIds::GrayScale:
            return *value = Variant(Bool16(g.getGrayScale())), StatusOk;
        case DispIds::HighBackColor:
            return *value = Variant(g.getHighBackColor()), StatusOk;
        case DispIds::HighForeColor:
            return *value = Variant(g.getHighForeColor()), StatusOk;
        case DispIds::HighFont:
            return *value = Variant(g.getHighFont()), StatusOk;
        default:
            return StatusMemberNotFound;
        }
    }

    Status putMember(const MemberInfo &member, InvokeKind, const Variant &value) override {
        kestrum::Glimmet &g = *m_glimmet;
        switch (member.id) {
        case DispIds::MouseIcon:
            return g.setMouseIcon(value.picture());
        case DispIds::Caption:
            return g.setCaption(value.string());
        case DispIds::HighCaption:
            return g.setHighCaption(value.string());
        case DispIds::Bevel:
            return g.setBevel(value.boolean());
        case DispIds::Picture:
            return g.setPicture(value.picture());
        case DispIds::HighPicture:
            return g.setHighPicture(value.picture());
        case DispIds::DownPicture:
            return g.setDownPicture(value.picture());
        case DispIds::BackColor:
            return g.setBackColor(value.color());
        case DispIds::Font:
            return g.setFont(value.font());
        case DispIds::ForeColor:
            return g.setForeColor(value.color());
        case DispIds::GrayScale:
            return g.setGrayScale(value.boolean());
        case DispIds::HighBackColor:
            return g.setHighBackColor(value.color());
        case DispIds::HighForeColor:
            return g.setHighForeColor(value.color());
        case DispIds::HighFont:
            return g.setHighFont(value.font());
        default:
            return StatusMemberNotFound;
        }
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
