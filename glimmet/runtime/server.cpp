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

QString &serverError() {
    static QString error;
    return error;
}

Status failRegistration(Status status, const QString &message) {
    serverError() = message;
    qCWarning(lcServer).noquote() << message;
    return status;
}

QString versionOf(const TypeLibInfo &lib) {
    return QStringLiteral("%1.%2").arg(lib.major).arg(lib.minor);
}

} // namespace

QString lastServerError() {
    return serverError();
}

Status registerServer(const ServerDescription &server, const QString &libraryPath) {
    try {
        serverError().clear();
        if (libraryPath.isEmpty())
            return failRegistration(StatusRegisterClass,
                                    QStringLiteral("the library's own file is not known"));
        ComponentRegistry registry;
        QString error;
        if (const Status s = registry.load(&error); s == StatusReadFault)
            return failRegistration(s, error); // rewriting it would lose what it holds
        else if (failed(s))
            qCWarning(lcServer).noquote() << "registry records that do not read are kept as "
                                             "they stand:"
                                          << error;
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
        if (const Status s = registry.save(&error); failed(s))
            return failRegistration(s, QStringLiteral("cannot write %1").arg(error));
        return StatusOk;
    } catch (...) {
        return failRegistration(StatusRegisterClass, QStringLiteral("unexpected exception"));
    }
}

Status unregisterServer(const ServerDescription &server) {
    try {
        serverError().clear();
        ComponentRegistry registry;
        QString error;
        if (const Status s = registry.load(&error); s == StatusReadFault)
            return failRegistration(s, error);
        else if (failed(s))
            qCWarning(lcServer).noquote() << "registry records that do not read are kept as "
                                             "they stand:"
                                          << error;
        for (const ClassInfo &info : server.classes)
            registry.removeClass(info.clsid);
        registry.removeTypeLib(server.typeLib.libid);
        if (const Status s = registry.save(&error); failed(s))
            return failRegistration(s, QStringLiteral("cannot write %1").arg(error));
        return StatusOk;
    } catch (...) {
        return failRegistration(StatusRegisterClass, QStringLiteral("unexpected exception"));
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
