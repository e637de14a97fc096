// Creating controls through the registry, and the standard host site.
#include "loader.h"

#include "server.h"

#include <QFileInfo>
#include <QLoggingCategory>

#include <cstring>

Q_LOGGING_CATEGORY(lcLoader, "kestrum.runtime.loader")

namespace kestrum::runtime {

QString registrationFailure(Status status) {
    QString why = lastServerError();
    if (why.isEmpty() && errnoOf(status))
        why = QStringLiteral("%1: %2").arg(ComponentRegistry::defaultPath(),
                                           QString::fromLocal8Bit(std::strerror(errnoOf(status))));
    if (why.isEmpty())
        why = QStringLiteral("the library gives no reason");
    return QStringLiteral("%1 (status 0x%2)")
        .arg(why)
        .arg(quint32(status), 8, 16, QLatin1Char('0'));
}

ComponentLoader::ComponentLoader(QString registryPath) : m_registryPath(std::move(registryPath)) {}

ComponentLoader::~ComponentLoader() {
    // Widgets made by a library may outlive this loader; unloading their code under them would
    // crash, so the handles are left open (the process unloads them at exit).
    for (auto &library : m_libraries)
        library->keepLoaded();
}

Status ComponentLoader::fail(Status status, const QString &message) {
    m_error = message;
    m_status = status;
    qCWarning(lcLoader).noquote() << message;
    return status;
}

void ComponentLoader::trustLibrary(const QString &path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (!canonical.isEmpty() && !m_trusted.contains(canonical))
        m_trusted << canonical;
}

Status ComponentLoader::checkRecord(const ComponentRegistry &registry, const Guid &clsid,
                                    const QString &libraryPath) {
    QString why = libraryTrustProblem(libraryPath);
    const QString canonical = QFileInfo(libraryPath).canonicalFilePath();
    const bool trusted = !QFileInfo(libraryPath).isRelative() && !canonical.isEmpty() &&
                         m_trusted.contains(canonical);
    if (trusted)
        why.clear();
    else if (why.isEmpty())
        why = registry.trustProblem();
    if (why.isEmpty())
        return StatusOk;
    return fail(StatusAccessDenied, QStringLiteral("refused the record of class %1 in %2, which "
                                                   "names %3: %4")
                                        .arg(clsid.toString(), registry.path(), libraryPath, why));
}

Library *ComponentLoader::library(const QString &path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const QString key = canonical.isEmpty() ? path : canonical;
    for (const auto &library : m_libraries) {
        if (library->path() == key)
            return library.get();
    }
    auto library = std::make_unique<Library>(key);
    if (!library->load()) {
        fail(StatusFileNotFound,
             QStringLiteral("cannot load %1: %2").arg(path, library->errorString()));
        return nullptr;
    }
    m_libraries.push_back(std::move(library));
    return m_libraries.back().get();
}

ComponentRegistry ComponentLoader::loadRegistry() const {
    ComponentRegistry registry(m_registryPath);
    QString error;
    if (failed(registry.load(&error)))
        qCWarning(lcLoader).noquote() << "registry has unreadable records:" << error;
    return registry;
}

Status ComponentLoader::getClassObject(const Guid &clsid, Ref<ClassFactory> *out) {
    return classObject(loadRegistry(), clsid, out);
}

Status ComponentLoader::classObject(const ComponentRegistry &registry, const Guid &clsid,
                                    Ref<ClassFactory> *out) {
    out->reset();
    std::optional<ClassRecord> record;
    if (const Status s = checkedRecord(registry, clsid, &record); failed(s))
        return s;
    Library *lib = library(record->libraryPath);
    if (!lib)
        return StatusFileNotFound;
    const auto getClassObjectFn = lib->resolve<DllGetClassObjectFn>("DllGetClassObject");
    if (!getClassObjectFn)
        return fail(StatusFail, QStringLiteral("%1 has no DllGetClassObject: %2")
                                    .arg(record->libraryPath, lib->errorString()));
    void *factory = nullptr;
    const Status s = getClassObjectFn(&clsid, &ClassFactory::Iid, &factory);
    if (failed(s) || !factory)
        return fail(failed(s) ? s : StatusFail, QStringLiteral("%1 refused class %2 (status 0x%3)")
                                                    .arg(record->libraryPath, clsid.toString())
                                                    .arg(quint32(s), 8, 16, QLatin1Char('0')));
    *out = Ref<ClassFactory>::adopt(static_cast<ClassFactory *>(factory));
    return StatusOk;
}

Status ComponentLoader::checkClass(const Guid &clsid) {
    std::optional<ClassRecord> record;
    return checkedRecord(loadRegistry(), clsid, &record);
}

Status ComponentLoader::checkedRecord(const ComponentRegistry &registry, const Guid &clsid,
                                      std::optional<ClassRecord> *record) {
    *record = registry.classRecord(clsid);
    if (!*record)
        return fail(StatusClassNotRegistered, QStringLiteral("class %1 is not registered in %2")
                                                  .arg(clsid.toString(), m_registryPath));
    return checkRecord(registry, clsid, (*record)->libraryPath);
}

Status ComponentLoader::createControl(const QString &progId, ClientSite *site, Ref<Control> *out,
                                      const PropertyBag *bag) {
    out->reset();
    const ComponentRegistry registry = loadRegistry();
    const auto clsid = registry.classIdOf(progId);
    if (!clsid)
        return fail(StatusClassNotRegistered,
                    QStringLiteral("%1 is not registered in %2").arg(progId, m_registryPath));
    Ref<ClassFactory> factory;
    if (const Status s = classObject(registry, *clsid, &factory); failed(s))
        return s;
    Ref<Control> control;
    if (const Status s = factory->createInstance(&control); failed(s) || !control)
        return fail(failed(s) ? s : StatusFail,
                    QStringLiteral("cannot create an instance of %1").arg(progId));
    if (const Status s = control->setClientSite(site); failed(s))
        return fail(s, QStringLiteral("%1 refused its site").arg(progId));
    const Status s = bag ? control->load(*bag) : control->initNew();
    if (failed(s))
        return fail(s, QStringLiteral("%1 failed to %2 (status 0x%3)")
                           .arg(progId, bag ? QStringLiteral("read its properties")
                                            : QStringLiteral("initialise"))
                           .arg(quint32(s), 8, 16, QLatin1Char('0')));
    *out = std::move(control);
    return StatusOk;
}

Status ComponentLoader::toolboxImage(const Guid &clsid, QImage *out) {
    *out = QImage();
    ComponentRegistry registry(m_registryPath);
    registry.load();
    const auto record = registry.classRecord(clsid);
    if (!record)
        return fail(StatusClassNotRegistered, QStringLiteral("class %1 is not registered in %2")
                                                  .arg(clsid.toString(), m_registryPath));
    // "<library path>,<number>": the path may itself hold commas, the number follows the last.
    const int comma = record->toolboxImage.lastIndexOf(QLatin1Char(','));
    bool ok = false;
    const int number = comma > 0 ? record->toolboxImage.mid(comma + 1).toInt(&ok) : 0;
    if (!ok)
        return fail(StatusInvalidData,
                    QStringLiteral("class %1 has no usable toolbox record").arg(clsid.toString()));
    if (const Status s = checkRecord(registry, clsid, record->toolboxImage.left(comma)); failed(s))
        return s;
    if (!library(record->toolboxImage.left(comma)))
        return StatusFileNotFound;
    if (!out->load(toolboxResourcePath(clsid, number)))
        return fail(
            StatusInvalidData,
            QStringLiteral("%1 carries no toolbox image %2").arg(record->libraryPath).arg(number));
    return StatusOk;
}

Status ComponentLoader::registerLibrary(const QString &path, bool unregister) {
    Library *lib = library(path);
    if (!lib)
        return StatusFileNotFound;
    const char *entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const auto function = lib->resolve<DllRegisterServerFn>(entry);
    if (!function)
        return fail(
            StatusFail,
            QStringLiteral("%1 has no %2: %3").arg(path, QLatin1String(entry), lib->errorString()));
    const Status s = function();
    if (failed(s))
        return fail(s, QStringLiteral("%1 in %2 failed: %3")
                           .arg(QLatin1String(entry), path, registrationFailure(s)));
    return s;
}

int ComponentLoader::freeUnusedLibraries() {
    int unloaded = 0;
    for (auto it = m_libraries.begin(); it != m_libraries.end();) {
        const auto canUnloadNowFn = (*it)->resolve<DllCanUnloadNowFn>("DllCanUnloadNow");
        if (canUnloadNowFn && canUnloadNowFn() == StatusOk) {
            it = m_libraries.erase(it); // unloads
            ++unloaded;
        } else {
            ++it;
        }
    }
    return unloaded;
}

HostSite::HostSite(QString name, bool userMode, Ref<Font> font)
    : m_name(std::move(name)), m_userMode(userMode),
      m_font(font ? std::move(font) : makeRef<Font>()) {}

Status HostSite::ambientProperty(DispId id, Variant *value) {
    switch (id) {
    case AmbientUserMode:
        *value = Variant(m_userMode);
        return StatusOk;
    case AmbientFont:
        *value = Variant(m_font);
        return StatusOk;
    default:
        return StatusMemberNotFound;
    }
}

Status HostSite::extenderProperty(const QString &name, Variant *value) {
    if (name.compare(QLatin1String("Name"), Qt::CaseInsensitive) != 0)
        return StatusMemberNotFound;
    *value = Variant(m_name);
    return StatusOk;
}

Status HostSite::propertyChanged(const QString &key) {
    m_changes.append(key);
    return StatusOk;
}

} // namespace kestrum::runtime
