// The per-user component registry: programmatic identifier -> class -> library.
#pragma once

#include "guid.h"
#include "status.h"

#include <QString>
#include <QStringList>

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
// and comment lines starting with "#". A ComponentRegistry is a snapshot: load() reads the
// file, the setters change the snapshot, save() writes it back atomically. Records that do not
// parse (a bad identifier, a missing library path, a header without its "]", which starts a
// section of its own) are left out of the snapshot by load(), which then reports
// StatusInvalidData with the line; save() writes them back as they stood, with every comment,
// blank line and record the setters did not touch, in their places. A changed record is
// rewritten over its own section: only the header and the lines of the keys it reads change,
// and the lines after its last key stand after it (they are the next section's).
class ComponentRegistry {
public:
    explicit ComponentRegistry(QString path = defaultPath());

    // $KESTRUM_COMPONENT_REGISTRY when set, else <user config dir>/kestrum/components.conf.
    static QString defaultPath();
    QString path() const { return m_path; }

    // A missing file is an empty registry (StatusOk). Only a regular file is read (a folder or
    // a FIFO gives StatusReadFault with the reason in *error).
    Status load(QString *error = nullptr);
    // Writes the snapshot; the file is never left writable by its group or by others. A
    // failure to write gives statusFromErrno() of the system's error, with the file and the
    // reason in *error.
    Status save(QString *error = nullptr) const;

    // Why the libraries this file names must not be loaded, as of the last load(): the file is
    // writable by its group or by others, or owned by another user than this one or root. Empty
    // when there is no such reason (or no file).
    QString trustProblem() const { return m_trustProblem; }

    // Programmatic identifiers are matched without regard to case.
    std::optional<Guid> classIdOf(const QString &progId) const;
    std::optional<ClassRecord> classRecord(const Guid &clsid) const;
    std::optional<TypeLibRecord> typeLibRecord(const Guid &libid) const;
    const std::vector<ClassRecord> &classes() const { return m_classes; }
    const std::vector<TypeLibRecord> &typeLibs() const { return m_typeLibs; }

    // Adds or replaces (by class id / by library id); setClass also maps the record's
    // programmatic identifier to it, removeClass drops the identifiers that map to it. A
    // replaced record is written where the old one stood.
    void setClass(const ClassRecord &record);
    void setTypeLib(const TypeLibRecord &record);
    // True when something was removed.
    bool removeClass(const Guid &clsid);
    bool removeTypeLib(const Guid &libid);

private:
    // A piece of the file as load() found it: lines kept as they stand, or one record's
    // section (its lines, over which it is rewritten).
    struct Chunk {
        enum Kind { Verbatim, ProgId, Class, TypeLib } kind = Verbatim;
        QStringList lines;
    };
    // Where a record of the snapshot came from: its chunk (-1: new) and whether it changed.
    struct Origin {
        int chunk = -1;
        bool changed = true;
    };

    QString m_path;
    std::map<QString, Guid> m_progIds; // lower-cased programmatic identifier -> class
    std::map<QString, Origin> m_progIdOrigins;
    std::vector<ClassRecord> m_classes;
    std::vector<Origin> m_classOrigins; // one per class record
    std::vector<TypeLibRecord> m_typeLibs;
    std::vector<Origin> m_typeLibOrigins; // one per type-library record
    std::vector<Chunk> m_chunks;
    QString m_trustProblem;
};

// Why the library at `path`, named by a registry record, must not be loaded: the path is
// relative, or the file is writable by its group or by others, or owned by another user than
// this one or root. Empty when it may be loaded (a missing file is left to the loader).
QString libraryTrustProblem(const QString &path);

} // namespace kestrum::runtime
