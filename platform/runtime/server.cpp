// The runtime side of a control library's exports: registration, class objects, unloading.
#include "server.h"

#include "registry.h"

#include <QLoggingCategory>

#include <dlfcn.h>

#include <new>

Q_LOGGING_CATEGORY(lcServer, "kestrum.runtime.server")

namespace kestrum::runtime {

namespace {

class StandardClassFactory : public ClassFactory {
public:
    StandardClassFactory(const ServerDescription &server, const ClassInfo &info)
        : m_server(server), m_info(info), m_lock(*server.module) {}

    Status createInstance(Ref<Control> *out) override {
        if (!out)
            return StatusPointer;
        out->reset();
        try {
            Control *control = m_info.create ? m_info.create(m_info) : nullptr;
            if (!control)
                return StatusFail;
            *out = Ref<Control>(control);
            return StatusOk;
        } catch (const std::bad_alloc &) {
            return StatusOutOfMemory;
        } catch (...) {
            return StatusFail;
        }
    }

    Status lockServer(bool lock) override {
        if (lock)
            m_server.module->lock();
        else
            m_server.module->unlock();
        return StatusOk;
    }

private:
    const ServerDescription &m_server;
    const ClassInfo &m_info;
    ModuleLock m_lock;
};

QString versionOf(const TypeLibInfo &lib) {
    return QStringLiteral("%1.%2").arg(lib.major).arg(lib.minor);
}

} // namespace

Status registerServer(const ServerDescription &server, const QString &libraryPath) {
    try {
        if (libraryPath.isEmpty())
            return StatusRegisterClass;
        ComponentRegistry registry;
        QString error;
        if (failed(registry.load(&error)))
            qCWarning(lcServer) << "registry" << registry.path()
                                << "had unreadable records, which are dropped:" << error;
        for (const ClassInfo &info : server.classes) {
            ClassRecord record;
            record.clsid = info.clsid;
            record.progId = QString::fromUtf8(info.progId);
            record.name = QString::fromUtf8(info.name);
            record.libraryPath = libraryPath;
            record.control = true;
            record.toolboxImage = QStringLiteral("%1,%2").arg(libraryPath).arg(info.toolboxBitmap);
            record.miscStatus = info.miscStatus;
            record.typeLib = server.typeLib.libid;
            record.typeLibVersion = versionOf(server.typeLib);
            record.threadingModel = QString::fromUtf8(info.threadingModel);
            const VersionInfo &v = server.version;
            record.libraryVersion =
                QStringLiteral("%1.%2.%3").arg(v.major).arg(v.minor).arg(v.revision);
            record.fileVersion = QString::fromUtf8(v.fileVersion);
            record.productVersion = QString::fromUtf8(v.productVersion);
            record.productName = QString::fromUtf8(v.productName);
            record.internalName = QString::fromUtf8(v.internalName);
            record.originalFilename = QString::fromUtf8(v.originalFilename);
            record.comments = QString::fromUtf8(v.comments);
            registry.setClass(record);
        }
        TypeLibRecord lib;
        lib.libid = server.typeLib.libid;
        lib.name = QString::fromUtf8(server.typeLib.name);
        lib.helpString = QString::fromUtf8(server.typeLib.helpString);
        lib.major = server.typeLib.major;
        lib.minor = server.typeLib.minor;
        lib.locale = server.typeLib.locale;
        lib.flags = server.typeLib.flags;
        lib.path = libraryPath;
        registry.setTypeLib(lib);
        if (failed(registry.save(&error))) {
            qCWarning(lcServer) << "cannot register:" << error;
            return StatusRegisterClass;
        }
        return StatusOk;
    } catch (...) {
        return StatusRegisterClass;
    }
}

Status unregisterServer(const ServerDescription &server) {
    try {
        ComponentRegistry registry;
        QString error;
        if (failed(registry.load(&error)))
            qCWarning(lcServer) << "registry" << registry.path()
                                << "had unreadable records, which are dropped:" << error;
        for (const ClassInfo &info : server.classes)
            registry.removeClass(info.clsid);
        registry.removeTypeLib(server.typeLib.libid);
        if (failed(registry.save(&error))) {
            qCWarning(lcServer) << "cannot unregister:" << error;
            return StatusRegisterClass;
        }
        return StatusOk;
    } catch (...) {
        return StatusRegisterClass;
    }
}

Status getClassObject(const ServerDescription &server, const Guid *clsid, const Guid *iid,
                      void **out) {
    if (!out)
        return StatusPointer;
    *out = nullptr;
    if (!clsid || !iid)
        return StatusPointer;
    const ClassInfo *info = server.findClass(*clsid);
    if (!info)
        return StatusClassNotAvailable;
    if (!(*iid == ClassFactory::Iid))
        return StatusNoInterface;
    try {
        Ref<ClassFactory> factory(new StandardClassFactory(server, *info));
        *out = factory.detach();
        return StatusOk;
    } catch (...) {
        return StatusOutOfMemory;
    }
}

Status canUnloadNow(const ServerDescription &server) {
    return server.module->canUnloadNow() ? StatusOk : StatusFalse;
}

QString libraryPathOf(const void *address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || !info.dli_fname)
        return {};
    return QString::fromLocal8Bit(info.dli_fname);
}

} // namespace kestrum::runtime
