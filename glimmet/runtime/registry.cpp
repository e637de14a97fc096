// The component registry file: reading, changing and writing its records.
#include "registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "fileio.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <span>

namespace kestrum::runtime {

namespace {

struct Section {
    QStringList head;      // "[CLSID {...}]" -> {"CLSID", "{...}"}
    bool unclosed = false; // a header line without its closing bracket
    std::map<QString, QString> values;
    int line = 0;
    QStringList lines; // as they stand in the file
};

// The largest registry file read; a real one holds a few records.
constexpr std::size_t MaxFileSize = 1 << 20;

// Why a file of mode `mode` owned by `owner` may not be trusted; "" when it may.
QString ownershipProblem(unsigned mode, unsigned owner) {
    if (mode & (S_IWGRP | S_IWOTH))
        return QStringLiteral("it is writable by %1")
            .arg(mode & S_IWOTH ? QStringLiteral("others") : QStringLiteral("its group"));
    if (owner != ::geteuid() && owner != 0)
        return QStringLiteral("it belongs to another user (uid %1)").arg(owner);
    return {};
}

// The key of a "key=value" line (trimmed), or "" for a line that is none (blank, a comment, a
// line without "=").
QString keyOf(const QString &line) {
    if (line.startsWith(QLatin1Char('#')))
        return {};
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq > 0 ? line.left(eq).trimmed() : QString();
}

// What a record writes: its section's header and its keys in order. `owned` names every key a
// section of its kind reads; lines with other keys are not the record's.
struct SectionText {
    QString header;
    std::vector<std::pair<QString, QString>> keys;
    std::span<const char *const> owned;
};

constexpr const char *ProgIdKeys[] = {"CLSID"};
constexpr const char *ClassKeys[] = {
    "ProgID",         "Name",           "InprocServer",     "Control",
    "ToolboxBitmap",  "MiscStatus",     "TypeLib",          "Version",
    "ThreadingModel", "LibraryVersion", "FileVersion",      "ProductVersion",
    "ProductName",    "InternalName",   "OriginalFilename", "Comments"};
constexpr const char *TypeLibKeys[] = {"Name", "HelpString", "Locale", "Flags", "Path"};

SectionText classText(const ClassRecord &r) {
    SectionText t{
        QStringLiteral("[CLSID %1]").arg(r.clsid.toString()),
        {{QStringLiteral("ProgID"), r.progId},
         {QStringLiteral("Name"), r.name},
         {QStringLiteral("InprocServer"), r.libraryPath},
         {QStringLiteral("Control"), r.control ? QStringLiteral("1") : QStringLiteral("0")},
         {QStringLiteral("ToolboxBitmap"), r.toolboxImage},
         {QStringLiteral("MiscStatus"), QString::number(r.miscStatus)}},
        ClassKeys};
    if (r.typeLib) {
        t.keys.emplace_back(QStringLiteral("TypeLib"), r.typeLib->toString());
        t.keys.emplace_back(QStringLiteral("Version"), r.typeLibVersion);
    }
    const std::pair<const char *, const QString *> optional[] = {
        {"ThreadingModel", &r.threadingModel},     {"LibraryVersion", &r.libraryVersion},
        {"FileVersion", &r.fileVersion},           {"ProductVersion", &r.productVersion},
        {"ProductName", &r.productName},           {"InternalName", &r.internalName},
        {"OriginalFilename", &r.originalFilename}, {"Comments", &r.comments},
    };
    for (const auto &[key, value] : optional) {
        if (!value->isEmpty())
            t.keys.emplace_back(QLatin1String(key), *value);
    }
    return t;
}

SectionText typeLibText(const TypeLibRecord &r) {
    return {QStringLiteral("[TypeLib %1 %2.%3]").arg(r.libid.toString()).arg(r.major).arg(r.minor),
            {{QStringLiteral("Name"), r.name},
             {QStringLiteral("HelpString"), r.helpString},
             {QStringLiteral("Locale"), QStringLiteral("0x") + QString::number(r.locale, 16)},
             {QStringLiteral("Flags"), QString::number(r.flags)},
             {QStringLiteral("Path"), r.path}},
            TypeLibKeys};
}

// A record's section written over the lines it had (none for a new record): the header and
// the lines of the keys it owns are written anew, each key where it stood (a key it no longer
// has, or has twice, is left out); keys it did not have go after its last one. Every other line
// (comments, blank lines, keys it does not read, lines that do not read) stays as it stood.
QString rewrite(const SectionText &text, const QStringList &old) {
    QStringList out{text.header};
    std::vector<bool> written(text.keys.size());
    qsizetype after = 1; // where the keys not yet written go
    for (qsizetype i = 1; i < old.size(); ++i) {
        const QString key = keyOf(old[i].trimmed());
        const auto owned = std::find_if(text.owned.begin(), text.owned.end(),
                                        [&](const char *k) { return key == QLatin1String(k); });
        if (key.isEmpty() || owned == text.owned.end()) {
            out << old[i];
            continue;
        }
        for (std::size_t k = 0; k < text.keys.size(); ++k) {
            if (text.keys[k].first == key && !written[k]) {
                out << key + QLatin1Char('=') + text.keys[k].second;
                written[k] = true;
                break;
            }
        }
        after = out.size();
    }
    QStringList added;
    for (std::size_t k = 0; k < text.keys.size(); ++k) {
        if (!written[k])
            added << text.keys[k].first + QLatin1Char('=') + text.keys[k].second;
    }
    for (qsizetype i = 0; i < added.size(); ++i)
        out.insert(after + i, added[i]);
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace

QString libraryTrustProblem(const QString &path) {
    if (QFileInfo(path).isRelative())
        return QStringLiteral("the library path %1 is relative").arg(path);
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    const QString why = ownershipProblem(st.st_mode, st.st_uid);
    return why.isEmpty() ? why : QStringLiteral("the library %1: %2").arg(path, why);
}

namespace {

bool parseUInt(const QString &text, quint64 max, quint64 *out) {
    bool ok = false;
    const QString t = text.trimmed();
    const quint64 v = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                          ? t.mid(2).toULongLong(&ok, 16)
                          : t.toULongLong(&ok, 10);
    if (!ok || v > max)
        return false;
    *out = v;
    return true;
}

} // namespace

ComponentRegistry::ComponentRegistry(QString path) : m_path(std::move(path)) {}

QString ComponentRegistry::defaultPath() {
    const QString overridden = qEnvironmentVariable("KESTRUM_COMPONENT_REGISTRY");
    if (!overridden.isEmpty())
        return overridden;
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/kestrum/components.conf");
}

Status ComponentRegistry::load(QString *error) {
    m_progIds.clear();
    m_progIdOrigins.clear();
    m_classes.clear();
    m_classOrigins.clear();
    m_typeLibs.clear();
    m_typeLibOrigins.clear();
    m_chunks.clear();
    m_trustProblem.clear();
    if (!QFileInfo::exists(m_path))
        return StatusOk;
    const fileio::ReadResult read =
        fileio::readFile(QFile::encodeName(m_path).toStdString(), MaxFileSize);
    if (!read.ok || read.overLimit) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(
                m_path, read.ok
                            ? QStringLiteral("more than %1 bytes, not a registry").arg(MaxFileSize)
                            : QString::fromLocal8Bit(read.reason));
        return StatusReadFault;
    }
    if (const QString why = ownershipProblem(read.mode, read.owner); !why.isEmpty())
        m_trustProblem = QStringLiteral("the registry %1: %2").arg(m_path, why);

    // The file as pieces in order: a section (by its index) or lines kept as they stand (-1).
    std::vector<Section> sections;
    std::vector<std::pair<int, QStringList>> pieces;
    QStringList problems;
    QString text = QString::fromUtf8(read.bytes.data(), qsizetype(read.bytes.size()));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    const auto closeSection = [&] {
        if (sections.empty() || pieces.empty() || pieces.back().first < 0)
            return;
        // The lines after a section's last key (comments, blank lines, lines that do not read)
        // stand before the next one, not in it.
        Section &last = sections.back();
        QStringList trailing;
        while (last.lines.size() > 1 && keyOf(last.lines.back().trimmed()).isEmpty())
            trailing.prepend(last.lines.takeLast());
        if (!trailing.isEmpty())
            pieces.push_back({-1, trailing});
    };
    int lineNo = 0;
    for (const QString &raw : lines) {
        ++lineNo;
        const QString line = raw.trimmed();
        // Any line that opens a bracket starts a section, so the lines after a header that
        // lacks its closing bracket are that section's, not the one before it.
        if (line.startsWith(QLatin1Char('['))) {
            closeSection();
            Section s;
            s.unclosed = !line.endsWith(QLatin1Char(']'));
            if (!s.unclosed)
                s.head = line.mid(1, line.size() - 2).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            s.line = lineNo;
            s.lines << raw;
            sections.push_back(std::move(s));
            pieces.push_back({int(sections.size()) - 1, {}});
            continue;
        }
        const bool inSection = !pieces.empty() && pieces.back().first >= 0;
        if (!inSection) {
            if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
                problems << QStringLiteral("line %1: not a record").arg(lineNo);
            if (pieces.empty() || pieces.back().first >= 0)
                pieces.push_back({-1, {}});
            pieces.back().second << raw;
            continue;
        }
        Section &section = sections.back();
        section.lines << raw;
        const QString key = keyOf(line);
        if (key.isEmpty()) {
            if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
                problems << QStringLiteral("line %1: not a record").arg(lineNo);
            continue;
        }
        section.values[key] = line.mid(line.indexOf(QLatin1Char('=')) + 1).trimmed();
    }
    closeSection();

    for (const auto &[index, verbatim] : pieces) {
        if (index < 0) {
            m_chunks.push_back(Chunk{Chunk::Verbatim, verbatim});
            continue;
        }
        const Section &s = sections[std::size_t(index)];
        const int chunk = int(m_chunks.size());
        // A section that does not read is kept as it stands.
        m_chunks.push_back(Chunk{Chunk::Verbatim, s.lines});
        auto bad = [&](const QString &why) {
            problems << QStringLiteral("line %1: %2").arg(s.line).arg(why);
        };
        const QString kind = s.head.value(0);
        if (s.unclosed) {
            bad(QStringLiteral("a section header without its closing bracket"));
            continue;
        }
        auto value = [&](const char *key) {
            const auto it = s.values.find(QLatin1String(key));
            return it == s.values.end() ? QString() : it->second;
        };
        if (kind == QLatin1String("ProgID") && s.head.size() == 2) {
            const auto clsid = Guid::fromString(value("CLSID"));
            if (!clsid) {
                bad(QStringLiteral("ProgID %1 without a valid CLSID").arg(s.head[1]));
                continue;
            }
            m_progIds[s.head[1].toLower()] = *clsid;
            m_progIdOrigins[s.head[1].toLower()] = Origin{chunk, false};
            m_chunks.back().kind = Chunk::ProgId;
        } else if (kind == QLatin1String("CLSID") && s.head.size() == 2) {
            ClassRecord r;
            const auto clsid = Guid::fromString(s.head[1]);
            quint64 misc = 0;
            if (!clsid) {
                bad(QStringLiteral("bad class identifier %1").arg(s.head[1]));
                continue;
            }
            r.clsid = *clsid;
            r.libraryPath = value("InprocServer");
            if (r.libraryPath.isEmpty()) {
                bad(QStringLiteral("class %1 without a library").arg(s.head[1]));
                continue;
            }
            if (!value("MiscStatus").isEmpty() &&
                !parseUInt(value("MiscStatus"), 0xFFFFFFFFu, &misc)) {
                bad(QStringLiteral("class %1 with bad status flags").arg(s.head[1]));
                continue;
            }
            r.miscStatus = static_cast<std::uint32_t>(misc);
            if (!value("TypeLib").isEmpty()) {
                r.typeLib = Guid::fromString(value("TypeLib"));
                if (!r.typeLib) {
                    bad(QStringLiteral("class %1 with a bad type library identifier")
                            .arg(s.head[1]));
                    continue;
                }
            }
            r.progId = value("ProgID");
            r.name = value("Name");
            r.control = value("Control") == QLatin1String("1");
            r.toolboxImage = value("ToolboxBitmap");
            r.typeLibVersion = value("Version");
            r.threadingModel = value("ThreadingModel");
            r.libraryVersion = value("LibraryVersion");
            r.fileVersion = value("FileVersion");
            r.productVersion = value("ProductVersion");
            r.productName = value("ProductName");
            r.internalName = value("InternalName");
            r.originalFilename = value("OriginalFilename");
            r.comments = value("Comments");
            m_classes.push_back(r);
            m_classOrigins.push_back(Origin{chunk, false});
            m_chunks.back().kind = Chunk::Class;
        } else if (kind == QLatin1String("TypeLib") && s.head.size() == 3) {
            TypeLibRecord r;
            const auto libid = Guid::fromString(s.head[1]);
            const QStringList version = s.head[2].split(QLatin1Char('.'));
            quint64 major = 0, minor = 0, locale = 0, flags = 0;
            if (!libid || version.size() != 2 || !parseUInt(version[0], 0xFFFF, &major) ||
                !parseUInt(version[1], 0xFFFF, &minor) ||
                !parseUInt(value("Locale").isEmpty() ? QStringLiteral("0") : value("Locale"),
                           0xFFFFFFFFu, &locale) ||
                !parseUInt(value("Flags").isEmpty() ? QStringLiteral("0") : value("Flags"), 0xFFFF,
                           &flags)) {
                bad(QStringLiteral("bad type library record"));
                continue;
            }
            r.libid = *libid;
            r.major = static_cast<std::uint16_t>(major);
            r.minor = static_cast<std::uint16_t>(minor);
            r.locale = static_cast<std::uint32_t>(locale);
            r.flags = static_cast<std::uint16_t>(flags);
            r.name = value("Name");
            r.helpString = value("HelpString");
            r.path = value("Path");
            m_typeLibs.push_back(r);
            m_typeLibOrigins.push_back(Origin{chunk, false});
            m_chunks.back().kind = Chunk::TypeLib;
        } else {
            bad(QStringLiteral("unknown section [%1]").arg(s.head.join(QLatin1Char(' '))));
        }
    }
    if (problems.isEmpty())
        return StatusOk;
    if (error)
        *error = QStringLiteral("%1: %2").arg(m_path, problems.join(QStringLiteral("; ")));
    return StatusInvalidData;
}

Status ComponentRegistry::save(QString *error) const {
    // The spelling of a programmatic identifier: its class record's where there is one.
    const auto progIdText = [&](const QString &key, const Guid &clsid) {
        QString name = key;
        for (const ClassRecord &r : m_classes) {
            if (r.progId.toLower() == key)
                name = r.progId;
        }
        return SectionText{QStringLiteral("[ProgID %1]").arg(name),
                           {{QStringLiteral("CLSID"), clsid.toString()}},
                           ProgIdKeys};
    };
    const auto unchanged = [&](const Chunk &chunk) {
        return chunk.lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    };

    QString out;
    if (m_chunks.empty())
        out = QStringLiteral(
            "# Component registry: programmatic identifiers, classes and type libraries.\n");
    for (int i = 0; i < int(m_chunks.size()); ++i) {
        const Chunk &chunk = m_chunks[std::size_t(i)];
        const qsizetype before = out.size();
        switch (chunk.kind) {
        case Chunk::Verbatim:
            out += unchanged(chunk);
            break;
        case Chunk::ProgId:
            for (const auto &[key, origin] : m_progIdOrigins) {
                if (origin.chunk == i)
                    out += origin.changed ? rewrite(progIdText(key, m_progIds.at(key)), chunk.lines)
                                          : unchanged(chunk);
            }
            break;
        case Chunk::Class:
            for (std::size_t r = 0; r < m_classes.size(); ++r) {
                if (m_classOrigins[r].chunk == i)
                    out += m_classOrigins[r].changed ? rewrite(classText(m_classes[r]), chunk.lines)
                                                     : unchanged(chunk);
            }
            break;
        case Chunk::TypeLib:
            for (std::size_t r = 0; r < m_typeLibs.size(); ++r) {
                if (m_typeLibOrigins[r].chunk == i)
                    out += m_typeLibOrigins[r].changed
                               ? rewrite(typeLibText(m_typeLibs[r]), chunk.lines)
                               : unchanged(chunk);
            }
            break;
        }
        // A record taken out takes the blank line that set it apart with it.
        if (chunk.kind != Chunk::Verbatim && out.size() == before &&
            out.endsWith(QLatin1String("\n\n")))
            out.chop(1);
    }
    // New records go after everything that was there.
    for (const auto &[key, clsid] : m_progIds) {
        if (m_progIdOrigins.at(key).chunk < 0)
            out += QLatin1Char('\n') + rewrite(progIdText(key, clsid), {});
    }
    for (std::size_t r = 0; r < m_classes.size(); ++r) {
        if (m_classOrigins[r].chunk < 0)
            out += QLatin1Char('\n') + rewrite(classText(m_classes[r]), {});
    }
    for (std::size_t r = 0; r < m_typeLibs.size(); ++r) {
        if (m_typeLibOrigins[r].chunk < 0)
            out += QLatin1Char('\n') + rewrite(typeLibText(m_typeLibs[r]), {});
    }

    const QByteArray bytes = out.toUtf8();
    const QByteArray path = QFile::encodeName(m_path);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    // The file names libraries that get loaded: never writable by anyone else.
    struct stat st {};
    const int mode = ::stat(path.constData(), &st) == 0 ? int(st.st_mode & 07755) : 0644;
    std::string reason;
    if (!fileio::writeFileAtomically(path.toStdString(),
                                     std::string_view(bytes.constData(), std::size_t(bytes.size())),
                                     &reason, mode)) {
        const int code = errno;
        if (error)
            *error = QStringLiteral("%1: %2").arg(m_path, QString::fromLocal8Bit(reason));
        return code ? statusFromErrno(code) : StatusWriteFault;
    }
    return StatusOk;
}

std::optional<Guid> ComponentRegistry::classIdOf(const QString &progId) const {
    const auto it = m_progIds.find(progId.toLower());
    if (it == m_progIds.end())
        return std::nullopt;
    return it->second;
}

std::optional<ClassRecord> ComponentRegistry::classRecord(const Guid &clsid) const {
    for (const ClassRecord &r : m_classes) {
        if (r.clsid == clsid)
            return r;
    }
    return std::nullopt;
}

std::optional<TypeLibRecord> ComponentRegistry::typeLibRecord(const Guid &libid) const {
    for (const TypeLibRecord &r : m_typeLibs) {
        if (r.libid == libid)
            return r;
    }
    return std::nullopt;
}

void ComponentRegistry::setClass(const ClassRecord &record) {
    // A replaced record, and the identifier that named it, stay where they stood.
    Origin origin;
    for (std::size_t r = 0; r < m_classes.size(); ++r) {
        if (m_classes[r].clsid == record.clsid && origin.chunk < 0)
            origin.chunk = m_classOrigins[r].chunk;
    }
    const QString key = record.progId.toLower();
    Origin progIdOrigin;
    if (const auto it = m_progIdOrigins.find(key); it != m_progIdOrigins.end())
        progIdOrigin.chunk = it->second.chunk;
    removeClass(record.clsid);
    m_classes.push_back(record);
    m_classOrigins.push_back(origin);
    if (!record.progId.isEmpty()) {
        m_progIds[key] = record.clsid;
        m_progIdOrigins[key] = progIdOrigin;
    }
}

void ComponentRegistry::setTypeLib(const TypeLibRecord &record) {
    Origin origin;
    for (std::size_t r = 0; r < m_typeLibs.size(); ++r) {
        if (m_typeLibs[r].libid == record.libid && origin.chunk < 0)
            origin.chunk = m_typeLibOrigins[r].chunk;
    }
    removeTypeLib(record.libid);
    m_typeLibs.push_back(record);
    m_typeLibOrigins.push_back(origin);
}

bool ComponentRegistry::removeClass(const Guid &clsid) {
    bool removed = false;
    for (std::size_t r = m_classes.size(); r-- > 0;) {
        if (m_classes[r].clsid == clsid) {
            m_classes.erase(m_classes.begin() + std::ptrdiff_t(r));
            m_classOrigins.erase(m_classOrigins.begin() + std::ptrdiff_t(r));
            removed = true;
        }
    }
    for (auto it = m_progIds.begin(); it != m_progIds.end();) {
        if (it->second == clsid) {
            m_progIdOrigins.erase(it->first);
            it = m_progIds.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    return removed;
}

bool ComponentRegistry::removeTypeLib(const Guid &libid) {
    bool removed = false;
    for (std::size_t r = m_typeLibs.size(); r-- > 0;) {
        if (m_typeLibs[r].libid == libid) {
            m_typeLibs.erase(m_typeLibs.begin() + std::ptrdiff_t(r));
            m_typeLibOrigins.erase(m_typeLibOrigins.begin() + std::ptrdiff_t(r));
            removed = true;
        }
    }
    return removed;
}

} // namespace kestrum::runtime
