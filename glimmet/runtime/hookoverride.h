// Puts a hook of the tests' own into a process-wide hook slot for the life of the object, and
// the previous one back afterwards.
#pragma once

#include <utility>

namespace kestrum {

template <typename Hook> class HookOverride {
public:
    HookOverride(Hook &slot, Hook hook)
        : m_slot(slot), m_previous(std::exchange(slot, std::move(hook))) {}
    HookOverride(const HookOverride &) = delete;
    HookOverride &operator=(const HookOverride &) = delete;
    ~HookOverride() { m_slot = std::move(m_previous); }

private:
    Hook &m_slot;
    Hook m_previous;
};

} // namespace kestrum
