// What a control library's four exports forward to.
#pragma once

#include "control.h"
#include "guid.h"
#include "status.h"

#include <QString>

namespace kestrum::runtime {

// Writes the registry records of every class of `server` (programmatic identifier -> class
// identifier -> `libraryPath`, control flag, toolbox image, status flags, threading model) and
// its type-library record, in the registry at ComponentRegistry::defaultPath().
Status registerServer(const ServerDescription &server, const QString &libraryPath);
// Removes those records (a record already missing is not an error).
Status unregisterServer(const ServerDescription &server);
// A ClassFactory for `clsid` in *out (one reference, owned by the caller), or
// StatusClassNotAvailable for a class the library does not hold, StatusNoInterface for an
// interface other than ClassFactory::Iid, StatusPointer for null pointers.
Status getClassObject(const ServerDescription &server, const Guid *clsid, const Guid *iid,
                      void **out);
// StatusOk when no instance, factory or server lock of the library lives, else StatusFalse.
Status canUnloadNow(const ServerDescription &server);

// Why the last registerServer or unregisterServer of this process failed: the registry file
// and the system's reason ("...components.conf: No space left on device"). A library's exports
// return only a status; the host reads the reason here (one runtime serves both).
QString lastServerError();

// The file of the loaded library (or program) that holds `address`; empty if unknown.
QString libraryPathOf(const void *address);

} // namespace kestrum::runtime
