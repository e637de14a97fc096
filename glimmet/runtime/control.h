// Control instances, class factories and the description a control library hands the runtime.
#pragma once

#include "dispatch.h"
#include "guid.h"
#include "object.h"
#include "propertybag.h"
#include "site.h"
#include "status.h"

#include <cstdint>
#include <span>

class QWidget;

namespace kestrum::runtime {

class Control;

// Control status flags (combined into ClassInfo::miscStatus).
enum MiscStatus : std::uint32_t {
    MiscRecomposeOnResize = 0x1,
    MiscCantLinkInside = 0x10,
    MiscInsideOut = 0x80,
    MiscActivateWhenVisible = 0x100,
    MiscSetClientSiteFirst = 0x20000,
};

// Type-library flags.
enum TypeLibFlags : std::uint16_t { TypeLibRestricted = 1, TypeLibControl = 2, TypeLibHidden = 4 };

struct TypeLibInfo {
    Guid libid;
    const char *name;
    const char *helpString;
    std::uint16_t major;
    std::uint16_t minor;
    std::uint32_t locale;
    std::uint16_t flags;
};

// The version record of a library (what a version resource would hold).
struct VersionInfo {
    std::uint16_t major;
    std::uint16_t minor;
    std::uint16_t revision;
    const char *fileVersion;
    const char *productVersion;
    const char *comments;
    const char *productName;
    const char *internalName;
    const char *originalFilename;
};

// One creatable class of a library.
struct ClassInfo {
    Guid clsid;
    const char *progId;
    const char *name;
    const InterfaceInfo *defaultInterface;
    const EventInterfaceInfo *eventInterface;
    std::uint32_t miscStatus;
    // Resource number of the toolbox image. The library carries the image as the Qt resource
    // toolboxResourcePath(clsid, toolboxBitmap), readable once the library is loaded.
    int toolboxBitmap;
    const char *threadingModel;
    // Makes a new instance (count 0; the caller wraps it in a Ref). Null on failure.
    Control *(*create)(const ClassInfo &info);
};

// Everything the runtime needs to know about a control library to register it and hand out
// its classes: its identity, its classes, and its live-object count.
struct ServerDescription {
    TypeLibInfo typeLib;
    VersionInfo version;
    std::span<const ClassInfo> classes;
    Module *module;

    const ClassInfo *findClass(const Guid &clsid) const;
};

// An instance of a control class as a host sees it: a dispatch object with a window and the
// life-cycle calls. Hosts call, in this order: setClientSite, then initNew (a newly placed
// control) or load (a saved one); save whenever they store the control. The widget has no
// parent when made; the host parents and places it. If the host destroys the widget (with
// its window), the instance notices; releasing the last reference deletes a widget that is
// still alive.
class Control : public Dispatch {
public:
    virtual const ClassInfo &classInfo() const = 0;
    virtual QWidget *widget() const = 0;
    virtual Status setClientSite(ClientSite *site) = 0;
    virtual Status initNew() = 0;
    virtual Status load(const PropertyBag &bag) = 0;
    virtual Status save(PropertyBag &bag) = 0;
    virtual Status advise(EventSink *sink) = 0;
    virtual Status unadvise(EventSink *sink) = 0;
};

// ":/kestrum/toolbox/{class id}/<number>.bmp"
QString toolboxResourcePath(const Guid &clsid, int number);

// Hands out instances of one class. Obtained from a library's DllGetClassObject.
class ClassFactory : public Object {
public:
    // The interface identifier a host passes to DllGetClassObject to ask for a ClassFactory.
    static const Guid Iid;

    virtual Status createInstance(Ref<Control> *out) = 0;
    // Keeps the library loaded (DllCanUnloadNow reports in use) while locked.
    virtual Status lockServer(bool lock) = 0;
};

} // namespace kestrum::runtime
