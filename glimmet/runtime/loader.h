// Creating controls by programmatic identifier: registry look-up, library loading, factory.
#pragma once

#include "control.h"
#include "library.h"
#include "propertybag.h"
#include "registry.h"
#include "site.h"

#include <QImage>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace kestrum::runtime {

// Signatures of the four exports of a control library.
extern "C" {
using DllRegisterServerFn = std::int32_t (*)();
using DllUnregisterServerFn = std::int32_t (*)();
using DllGetClassObjectFn = std::int32_t (*)(const Guid *clsid, const Guid *iid, void **out);
using DllCanUnloadNowFn = std::int32_t (*)();
}

// Loads control libraries named by the registry and keeps them loaded (one Library per path)
// until freeUnusedLibraries() finds them unused. Failures are logged (category
// kestrum.runtime) and give a null result with the status; lastError() has the message.
//
// Loading a library runs its code, so a record is checked before its library is loaded: a
// relative library path, a registry file or a library that others than this user could have
// written (writable by group or others, or owned by another user than this one or root) is
// refused with StatusAccessDenied, unless the library is one the host trusts (trustLibrary).
class ComponentLoader {
public:
    explicit ComponentLoader(QString registryPath = ComponentRegistry::defaultPath());
    ~ComponentLoader(); // keeps loaded libraries loaded (widgets may outlive the loader)

    // The class factory of a registered class (registry look-up and library load).
    Status getClassObject(const Guid &clsid, Ref<ClassFactory> *out);
    // Whether getClassObject would load the library of a registered class: StatusOk, or the
    // failure it would give for the record (not registered, refused), without loading anything.
    Status checkClass(const Guid &clsid);
    // A new control, ready to use: look up progId, load the library, create the instance,
    // give it `site`, then initNew() when `bag` is null, load(*bag) otherwise.
    Status createControl(const QString &progId, ClientSite *site, Ref<Control> *out,
                         const PropertyBag *bag = nullptr);
    // The toolbox image of a registered class (its ToolboxBitmap record names the library and
    // the resource number); loads the library. StatusInvalidData when it carries no such image.
    Status toolboxImage(const Guid &clsid, QImage *out);
    // Asks every loaded library whether it can unload (DllCanUnloadNow) and unloads those that
    // can. Returns the number unloaded.
    int freeUnusedLibraries();
    // Calls the DllRegisterServer (or, with `unregister`, DllUnregisterServer) export of the
    // library at `path`. The library writes to the registry at ComponentRegistry::defaultPath(),
    // which is this loader's unless it was given another. A host that ships a control library
    // beside itself can register it on first use this way.
    Status registerLibrary(const QString &path, bool unregister = false);
    // The library (loaded on demand) at `path`, or null.
    Library *library(const QString &path);
    // A library the host ships itself (and would load anyway): records naming it are not
    // refused for its file's owner or permissions.
    void trustLibrary(const QString &path);

    QString lastError() const { return m_error; }
    // The status of the last failure.
    Status lastStatus() const { return m_status; }

private:
    Status fail(Status status, const QString &message);
    // The registry as it is on disk now; unreadable records are logged and left out. Read once
    // per request: a control's creation looks up its class and its library in the same copy.
    ComponentRegistry loadRegistry() const;
    // getClassObject on a registry already read.
    Status classObject(const ComponentRegistry &registry, const Guid &clsid,
                       Ref<ClassFactory> *out);
    // Reads the registry's record of `clsid` into `record` and checks it (checkRecord).
    Status checkedRecord(const ComponentRegistry &registry, const Guid &clsid,
                         std::optional<ClassRecord> *record);
    // StatusOk when the record of `clsid` in `registry` may have `libraryPath` loaded.
    Status checkRecord(const ComponentRegistry &registry, const Guid &clsid,
                       const QString &libraryPath);

    QString m_registryPath;
    std::vector<std::unique_ptr<Library>> m_libraries;
    QStringList m_trusted; // canonical paths
    QString m_error;
    Status m_status = StatusOk;
};

// Why a DllRegisterServer or DllUnregisterServer that returned `status` failed: the registry
// file and the system's reason, then the status.
QString registrationFailure(Status status);

// A ClientSite for hosts: fixed ambients, a name, and a record of the change notifications.
class HostSite : public ClientSite {
public:
    explicit HostSite(QString name = {}, bool userMode = true, Ref<Font> font = {});

    Status ambientProperty(DispId id, Variant *value) override;
    Status extenderProperty(const QString &name, Variant *value) override;
    Status propertyChanged(const QString &key) override;

    void setUserMode(bool userMode) { m_userMode = userMode; }
    void setName(const QString &name) { m_name = name; }
    void setFont(Ref<Font> font) { m_font = std::move(font); }
    Ref<Font> font() const { return m_font; }
    // Keys notified so far, in order; clearChanges() starts again.
    const QStringList &changes() const { return m_changes; }
    void clearChanges() { m_changes.clear(); }

private:
    QString m_name;
    bool m_userMode;
    Ref<Font> m_font;
    QStringList m_changes;
};

} // namespace kestrum::runtime
