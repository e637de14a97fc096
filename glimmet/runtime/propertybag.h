// The property store a control saves itself to and restores itself from.
#pragma once

#include "status.h"
#include "variant.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>

namespace kestrum::runtime {

// Named values, read with a default and written with a default. A value equal to its default
// is left out (and any earlier value under that key removed), so saving and reloading need the
// same defaults on both sides. Keys are case-sensitive.
//
// File format (text, UTF-8, one record a line, each line checked on its own):
//     KestrumPropertyBag 1
//     <crc> <key> <type> <payload>
//     ...
//     <crc> #end <record count>
// <crc> is the CRC-16 (hex) of the rest of the line; keys and string payloads are
// percent-encoded; pictures are stored with their type, HIMETRIC size and image (PNG) or
// recording bytes (base64); fonts with every attribute. A damaged line is skipped, a damaged
// or missing end line means the file was cut short: the records that did read stay, the
// rest read back as their defaults, and load reports the failure.
//
// A bag may come from anywhere, so what it makes us build is bounded: each picture by
// PictureLimits (recordings are checked with checkRecording before Qt sees them), all the
// pictures of one bag together by MaxDecodedBytes (4 bytes a pixel, plus recording data), a
// bag file by MaxFileBytes. A value over a limit, like any value that does not read, is left
// out (it reads back as its default) and the read reports StatusInvalidData saying why.
// Numbers that are not finite ("nan", "inf") are refused on writing and on reading.
class PropertyBag {
public:
    static constexpr std::int64_t MaxDecodedBytes = std::int64_t(128) << 20;
    static constexpr std::int64_t MaxFileBytes = std::int64_t(64) << 20;

    // The stored value under `key`, or `defaultValue` when the key is absent. With a
    // non-Empty default the stored value is converted to the default's type, and a value that
    // does not convert (a damaged store) gives the default.
    Variant readProperty(const QString &key, const Variant &defaultValue = {}) const;
    // Stores `value` under `key`, or removes the key when value equals defaultValue (compared
    // with Variant::sameValue, so Int16 0 equals Int32 0 and a Nothing picture equals Empty).
    // A number that is not finite (a float, a font size) is not stored: the key is removed
    // (it reads back as its default) and the result is StatusInvalidArg.
    Status writeProperty(const QString &key, const Variant &value,
                         const Variant &defaultValue = {});

    bool contains(const QString &key) const { return m_values.contains(key); }
    QStringList keys() const;
    int size() const { return int(m_values.size()); }
    void clear() { m_values.clear(); }

    // Serialised form. fromBytes() replaces the content with every record that reads and
    // returns StatusInvalidData (with *error set) when anything was skipped or missing.
    // toBytes() leaves out values that are no longer finite (a shared font changed since it
    // was written) and names their keys in *left.
    QByteArray toBytes(QStringList *left = nullptr) const;
    Status fromBytes(const QByteArray &bytes, QString *error = nullptr);

    // Files: save writes atomically (the old file stays when the write fails) and only over a
    // regular file; it gives StatusInvalidData when toBytes() left values out. load reads only
    // a regular file; a missing one gives StatusFileNotFound and an empty bag. Errors name the
    // file and the system's reason.
    Status save(const QString &path, QString *error = nullptr) const;
    Status load(const QString &path, QString *error = nullptr);

private:
    std::map<QString, Variant> m_values;
};

} // namespace kestrum::runtime
