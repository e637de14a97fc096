// A loaded shared library, unloaded when the object goes.
#pragma once

#include <QString>

namespace kestrum::runtime {

class Library {
public:
    explicit Library(QString path);
    Library(const Library &) = delete;
    Library &operator=(const Library &) = delete;
    ~Library(); // unloads

    bool load();
    bool unload();
    // Leaves the library loaded for the rest of the process: the object forgets its handle, so
    // neither unload() nor the destructor closes it.
    void keepLoaded() { m_handle = nullptr; }
    bool isLoaded() const { return m_handle != nullptr; }
    // The address of an exported symbol; null (with errorString() set) when missing.
    void *resolve(const char *symbol);
    template <class F> F resolve(const char *symbol) {
        return reinterpret_cast<F>(resolve(symbol));
    }
    QString path() const { return m_path; }
    QString errorString() const { return m_error; }

private:
    QString m_path;
    void *m_handle = nullptr;
    QString m_error;
};

} // namespace kestrum::runtime
