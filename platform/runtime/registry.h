// The per-user component registry: programmatic identifier -> class -> library.
#pragma once

#include "guid.h"
#include "status.h"

#include <QString>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace kestrum::runtime {

struct ClassRecord {
    Guid clsid{};
    QString progId;
    QString name;
    QString libraryPath;
    bool control = false;
    QString toolboxImage; // "<library path>,<resource number>"
    std::uint32_t miscStatus = 0;
    std::optional<Guid> typeLib;
    QString typeLibVersion; // "3.0"
    QString threadingModel;
    // The library's version record: "2.1.3", "2.01.0003" and its descriptive strings.
    QString libraryVersion;
    QString fileVersion;
    QString productVersion;
    QString productName;
    QString internalName;
    QString originalFilename;
    QString comments;
};

struct TypeLibRecord {
    Guid libid{};
    QString name;
    QString helpString;
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint32_t locale = 0;
    std::uint16_t flags = 0;
    QString path;
};

// The registry file: sections of "key=value" lines,
//     [ProgID GlimmetLib.Glimmet]      CLSID=
//     [CLSID {...}]                    ProgID= Name= InprocServer= Control= ToolboxBitmap=
//                                      MiscStatus= TypeLib= Version= ThreadingModel=
//                                      LibraryVersion= FileVersion= ProductVersion=
//                                      ProductName= InternalName= OriginalFilename= Comments=
//     [TypeLib {...} 3.0]              Name= HelpString= Locale= Flags= Path=
// A ComponentRegistry is a snapshot: load() reads the file, the setters change the snapshot,
// save() writes it back atomically. Records that do not parse (a bad identifier, a missing
// library path) are skipped by load(), which then reports StatusInvalidData with the line.
class ComponentRegistry {
public:
    explicit ComponentRegistry(QString path = defaultPath());

    // $KESTRUM_COMPONENT_REGISTRY when set, else <user config dir>/kestrum/components.conf.
    static QString defaultPath();
    QString path() const { return m_path; }

    // A missing file is an empty registry (StatusOk).
    Status load(QString *error = nullptr);
    Status save(QString *error = nullptr) const;

    // Programmatic identifiers are matched without regard to case.
    std::optional<Guid> classIdOf(const QString &progId) const;
    std::optional<ClassRecord> classRecord(const Guid &clsid) const;
    std::optional<TypeLibRecord> typeLibRecord(const Guid &libid) const;
    const std::vector<ClassRecord> &classes() const { return m_classes; }
    const std::vector<TypeLibRecord> &typeLibs() const { return m_typeLibs; }

    // Adds or replaces (by class id / by library id); setClass also maps the record's
    // programmatic identifier to it, removeClass drops the identifiers that map to it.
    void setClass(const ClassRecord &record);
    void setTypeLib(const TypeLibRecord &record);
    // True when something was removed.
    bool removeClass(const Guid &clsid);
    bool removeTypeLib(const Guid &libid);

private:
    QString m_path;
    std::map<QString, Guid> m_progIds; // lower-cased programmatic identifier -> class
    std::vector<ClassRecord> m_classes;
    std::vector<TypeLibRecord> m_typeLibs;
};

} // namespace kestrum::runtime
