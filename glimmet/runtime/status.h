// Status codes returned across the control runtime and the control library's exports.
#pragma once

#include <cstdint>

namespace kestrum::runtime {

// A status code: zero or positive is success, negative is failure. The values are the ones
// component hosts conventionally use, so a code read in a log means the same everywhere.
using Status = std::int32_t;

inline constexpr Status StatusOk = 0;
inline constexpr Status StatusFalse = 1;
inline constexpr Status StatusNotImplemented = static_cast<Status>(0x80004001u);
inline constexpr Status StatusNoInterface = static_cast<Status>(0x80004002u);
inline constexpr Status StatusPointer = static_cast<Status>(0x80004003u);
inline constexpr Status StatusFail = static_cast<Status>(0x80004005u);
inline constexpr Status StatusUnexpected = static_cast<Status>(0x8000FFFFu);
// A call made on another thread than the one that created the object.
inline constexpr Status StatusWrongThread = static_cast<Status>(0x8001010Eu);
inline constexpr Status StatusAccessDenied = static_cast<Status>(0x80070005u);
inline constexpr Status StatusOutOfMemory = static_cast<Status>(0x8007000Eu);
inline constexpr Status StatusInvalidArg = static_cast<Status>(0x80070057u);
inline constexpr Status StatusFileNotFound = static_cast<Status>(0x80070002u);
// Dispatch failures.
inline constexpr Status StatusUnknownInterface = static_cast<Status>(0x80020001u);
inline constexpr Status StatusMemberNotFound = static_cast<Status>(0x80020003u);
inline constexpr Status StatusTypeMismatch = static_cast<Status>(0x80020005u);
inline constexpr Status StatusUnknownName = static_cast<Status>(0x80020006u);
inline constexpr Status StatusException = static_cast<Status>(0x80020009u);
inline constexpr Status StatusOverflow = static_cast<Status>(0x8002000Au);
inline constexpr Status StatusBadParamCount = static_cast<Status>(0x8002000Eu);
// Class objects and registration.
inline constexpr Status StatusNoAggregation = static_cast<Status>(0x80040110u);
inline constexpr Status StatusClassNotAvailable = static_cast<Status>(0x80040111u);
inline constexpr Status StatusClassNotRegistered = static_cast<Status>(0x80040154u);
inline constexpr Status StatusRegisterTypeLib = static_cast<Status>(0x80040200u);
inline constexpr Status StatusRegisterClass = static_cast<Status>(0x80040201u);
// Property bag files.
inline constexpr Status StatusReadFault = static_cast<Status>(0x8003001Eu);
inline constexpr Status StatusWriteFault = static_cast<Status>(0x8003001Du);
inline constexpr Status StatusInvalidData = static_cast<Status>(0x8007000Du);

// A failure for a system error (an errno value), so that the reason survives a C export that
// can return nothing but a status: the customer bit and a facility of our own, then errno.
inline constexpr std::uint32_t StatusSystemErrorBase = 0xA0EE0000u;
constexpr Status statusFromErrno(int error) noexcept {
    return static_cast<Status>(StatusSystemErrorBase | (std::uint32_t(error) & 0xFFFFu));
}
// The errno value a status carries, or 0 when it carries none.
constexpr int errnoOf(Status s) noexcept {
    return (std::uint32_t(s) & 0xFFFF0000u) == StatusSystemErrorBase
               ? int(std::uint32_t(s) & 0xFFFFu)
               : 0;
}

constexpr bool succeeded(Status s) noexcept {
    return s >= 0;
}
constexpr bool failed(Status s) noexcept {
    return s < 0;
}

} // namespace kestrum::runtime
