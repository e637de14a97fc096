// The component registry file: reading, changing and writing its records.
#include "registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace kestrum::runtime {

namespace {

struct Section {
    QStringList head; // "[CLSID {...}]" -> {"CLSID", "{...}"}
    std::map<QString, QString> values;
    int line = 0;
};

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
    m_classes.clear();
    m_typeLibs.clear();
    QFile file(m_path);
    if (!file.exists())
        return StatusOk;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(m_path, file.errorString());
        return StatusReadFault;
    }
    std::vector<Section> sections;
    QStringList problems;
    int lineNo = 0;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        ++lineNo;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            Section s;
            s.head = line.mid(1, line.size() - 2).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            s.line = lineNo;
            sections.push_back(std::move(s));
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0 || sections.empty()) {
            problems << QStringLiteral("line %1: not a record").arg(lineNo);
            continue;
        }
        sections.back().values[line.left(eq).trimmed()] = line.mid(eq + 1).trimmed();
    }

    for (const Section &s : sections) {
        auto bad = [&](const QString &why) {
            problems << QStringLiteral("line %1: %2").arg(s.line).arg(why);
        };
        const QString kind = s.head.value(0);
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
    QString out = QStringLiteral(
        "# Component registry: programmatic identifiers, classes and type libraries.\n");
    for (const auto &[progId, clsid] : m_progIds) {
        // Keep the identifier's own spelling from its class record where there is one.
        QString name = progId;
        for (const ClassRecord &r : m_classes) {
            if (r.progId.toLower() == progId)
                name = r.progId;
        }
        out += QStringLiteral("\n[ProgID %1]\nCLSID=%2\n").arg(name, clsid.toString());
    }
    for (const ClassRecord &r : m_classes) {
        out += QStringLiteral("\n[CLSID %1]\n").arg(r.clsid.toString());
        out += QStringLiteral("ProgID=%1\nName=%2\nInprocServer=%3\nControl=%4\nToolboxBitmap=%"
                              "5\nMiscStatus=%6\n")
                   .arg(r.progId, r.name, r.libraryPath,
                        r.control ? QStringLiteral("1") : QStringLiteral("0"), r.toolboxImage)
                   .arg(r.miscStatus);
        if (r.typeLib)
            out += QStringLiteral("TypeLib=%1\nVersion=%2\n")
                       .arg(r.typeLib->toString(), r.typeLibVersion);
        const std::pair<const char *, const QString *> optional[] = {
            {"ThreadingModel", &r.threadingModel},     {"LibraryVersion", &r.libraryVersion},
            {"FileVersion", &r.fileVersion},           {"ProductVersion", &r.productVersion},
            {"ProductName", &r.productName},           {"InternalName", &r.internalName},
            {"OriginalFilename", &r.originalFilename}, {"Comments", &r.comments},
        };
        for (const auto &[key, value] : optional) {
            if (!value->isEmpty())
                out += QStringLiteral("%1=%2\n").arg(QLatin1String(key), *value);
        }
    }
    for (const TypeLibRecord &r : m_typeLibs) {
        out += QStringLiteral("\n[TypeLib %1 %2.%3]\n")
                   .arg(r.libid.toString())
                   .arg(r.major)
                   .arg(r.minor);
        out += QStringLiteral("Name=%1\nHelpString=%2\nLocale=0x%3\nFlags=%4\nPath=%5\n")
                   .arg(r.name, r.helpString, QString::number(r.locale, 16))
                   .arg(r.flags)
                   .arg(r.path);
    }
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(out.toUtf8()) < 0 ||
        !file.commit()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(m_path, file.errorString());
        return StatusWriteFault;
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
    removeClass(record.clsid);
    m_classes.push_back(record);
    if (!record.progId.isEmpty())
        m_progIds[record.progId.toLower()] = record.clsid;
}

void ComponentRegistry::setTypeLib(const TypeLibRecord &record) {
    removeTypeLib(record.libid);
    m_typeLibs.push_back(record);
}

bool ComponentRegistry::removeClass(const Guid &clsid) {
    const auto before = m_classes.size() + m_progIds.size();
    std::erase_if(m_classes, [&](const ClassRecord &r) { return r.clsid == clsid; });
    std::erase_if(m_progIds, [&](const auto &entry) { return entry.second == clsid; });
    return m_classes.size() + m_progIds.size() != before;
}

bool ComponentRegistry::removeTypeLib(const Guid &libid) {
    return std::erase_if(m_typeLibs, [&](const TypeLibRecord &r) { return r.libid == libid; }) > 0;
}

} // namespace kestrum::runtime
