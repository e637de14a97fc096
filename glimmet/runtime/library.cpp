// Shared libraries through dlopen.
#include "library.h"

#include <dlfcn.h>

namespace kestrum::runtime {

Library::Library(QString path) : m_path(std::move(path)) {}

Library::~Library() {
    unload();
}

bool Library::load() {
    if (m_handle)
        return true;
    dlerror();
    m_handle = dlopen(m_path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle) {
        const char *why = dlerror();
        m_error = why ? QString::fromLocal8Bit(why) : QStringLiteral("%1: cannot load").arg(m_path);
        return false;
    }
    m_error.clear();
    return true;
}

bool Library::unload() {
    if (!m_handle)
        return true;
    dlerror();
    const bool ok = dlclose(m_handle) == 0;
    if (!ok) {
        const char *why = dlerror();
        m_error =
            why ? QString::fromLocal8Bit(why) : QStringLiteral("%1: cannot unload").arg(m_path);
    }
    m_handle = nullptr;
    return ok;
}

void *Library::resolve(const char *symbol) {
    if (!m_handle && !load())
        return nullptr;
    dlerror();
    void *address = dlsym(m_handle, symbol);
    if (!address) {
        const char *why = dlerror();
        m_error = why ? QString::fromLocal8Bit(why)
                      : QStringLiteral("%1: no symbol %2").arg(m_path, QLatin1String(symbol));
    }
    return address;
}

} // namespace kestrum::runtime
