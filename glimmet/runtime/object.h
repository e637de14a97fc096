// Reference-counted objects, intrusive references and the per-library live-object count.
#pragma once

#include <atomic>
#include <utility>

namespace kestrum::runtime {

// Base of every object that crosses between a host and a control library. An object is
// created with a count of 0; the first Ref takes it to 1, and release() to 0 deletes it.
class Object {
public:
    Object() = default;
    Object(const Object &) = delete;
    Object &operator=(const Object &) = delete;
    virtual ~Object() = default;

    // Both return the new count. Safe from any thread.
    int addRef() const noexcept { return ++m_refs; }
    int release() const noexcept {
        const int left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }
    int refCount() const noexcept { return m_refs.load(); }

private:
    mutable std::atomic<int> m_refs{0};
};

// An owning reference to an Object (or a class derived from it); empty when null.
template <class T> class Ref {
public:
    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    // Takes a new reference to p (adds one to its count).
    explicit Ref(T *p) noexcept : m_p(p) {
        if (m_p)
            m_p->addRef();
    }
    Ref(const Ref &o) noexcept : Ref(o.m_p) {}
    Ref(Ref &&o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    template <class U> Ref(const Ref<U> &o) noexcept : Ref(static_cast<T *>(o.get())) {}
    ~Ref() {
        if (m_p)
            m_p->release();
    }
    Ref &operator=(Ref o) noexcept {
        std::swap(m_p, o.m_p);
        return *this;
    }

    // Wraps a pointer whose reference the caller already holds (does not add one).
    static Ref adopt(T *p) noexcept {
        Ref r;
        r.m_p = p;
        return r;
    }
    // Gives up the reference without releasing it.
    T *detach() noexcept { return std::exchange(m_p, nullptr); }

    T *get() const noexcept { return m_p; }
    T *operator->() const noexcept { return m_p; }
    T &operator*() const noexcept { return *m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    void reset() noexcept { *this = Ref(); }

    friend bool operator==(const Ref &a, const Ref &b) noexcept { return a.m_p == b.m_p; }
    friend bool operator==(const Ref &a, std::nullptr_t) noexcept { return a.m_p == nullptr; }

private:
    T *m_p = nullptr;
};

template <class T, class... Args> Ref<T> makeRef(Args &&...args) {
    return Ref<T>(new T(std::forward<Args>(args)...));
}

// The live-object count of one library: every object the library hands out (class factory,
// control instance) holds a ModuleLock for its lifetime, and the host may lock the server
// explicitly. canUnloadNow() is what the library's DllCanUnloadNow reports.
class Module {
public:
    void lock() noexcept { ++m_locks; }
    void unlock() noexcept { --m_locks; }
    int lockCount() const noexcept { return m_locks.load(); }
    bool canUnloadNow() const noexcept { return m_locks.load() == 0; }

private:
    std::atomic<int> m_locks{0};
};

// Holds one lock on a Module for as long as it lives.
class ModuleLock {
public:
    explicit ModuleLock(Module &module) noexcept : m_module(module) { m_module.lock(); }
    ModuleLock(const ModuleLock &o) noexcept : m_module(o.m_module) { m_module.lock(); }
    ModuleLock &operator=(const ModuleLock &) = delete;
    ~ModuleLock() { m_module.unlock(); }

private:
    Module &m_module;
};

} // namespace kestrum::runtime
