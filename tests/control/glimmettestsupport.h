// Test doubles for the Glimmet tests: a scriptable host site, an event recorder, pictures.
#pragma once

#include "runtime/site.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QStringList>

#include <vector>

namespace kestrum::test {

using namespace kestrum::runtime;

// A host site: design or run mode, an ambient font, an instance name, and the keys it was
// told about. Any of its calls can be made to fail.
class FakeSite : public ClientSite {
public:
    bool userMode = true;
    Ref<Font> font = makeRef<Font>(QFont(QStringLiteral("DejaVu Sans"), 10));
    QString name = QStringLiteral("Glimmet1");
    QStringList changed;
    Status failAmbient = StatusOk;
    Status failNotify = StatusOk;

    Status ambientProperty(DispId id, Variant *value) override {
        if (failed(failAmbient))
            return failAmbient;
        if (id == AmbientUserMode)
            *value = Variant(userMode);
        else if (id == AmbientFont)
            *value = Variant(font);
        else
            return StatusMemberNotFound;
        return StatusOk;
    }
    Status extenderProperty(const QString &key, Variant *value) override {
        if (key != QLatin1String("Name"))
            return StatusMemberNotFound;
        *value = Variant(name);
        return StatusOk;
    }
    Status propertyChanged(const QString &key) override {
        if (failed(failNotify))
            return failNotify;
        changed << key;
        return StatusOk;
    }
};

// Records every event by id with its arguments; may overwrite the first argument to show that
// arguments travel by reference.
class EventRecorder : public EventSink {
public:
    struct Entry {
        DispId id;
        std::vector<Variant> args;
    };
    std::vector<Entry> events;
    std::optional<Variant> replaceFirst;

    Status onEvent(DispId id, std::span<Variant> args) override {
        events.push_back({id, std::vector<Variant>(args.begin(), args.end())});
        if (replaceFirst && !args.empty())
            args[0] = *replaceFirst;
        return StatusOk;
    }
    std::vector<DispId> ids() const {
        std::vector<DispId> out;
        for (const Entry &e : events)
            out.push_back(e.id);
        return out;
    }
};

inline QImage solidImage(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

inline Ref<Picture> solidBitmap(QSize size, QColor colour) {
    return Picture::fromImage(solidImage(size, colour));
}

inline Ref<Picture> solidIcon(QSize size, QColor colour) {
    return Picture::fromIcon(solidImage(size, colour));
}

// A metafile whose recording fills `size` pixels with `colour`.
inline Ref<Picture> solidMetafile(QSize size, QColor colour) {
    QPicture recording;
    {
        QPainter painter(&recording);
        painter.fillRect(QRect(QPoint(0, 0), size), colour);
    }
    return Picture::fromRecording(recording, QSize(Picture::pixelsToHimetric(size.width()),
                                                   Picture::pixelsToHimetric(size.height())));
}

// The bounding box of the pixels of `image` that differ from `background`.
inline QRect inkBounds(const QImage &image, QColor background, QRect within = {}) {
    const QRect area = within.isNull() ? image.rect() : within;
    QRect box;
    const QRgb bg = background.rgb();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) != (bg & 0xFFFFFF))
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

inline QColor rgbOf(std::uint32_t oleColour) {
    return QColor(int(oleColour & 0xFF), int((oleColour >> 8) & 0xFF),
                  int((oleColour >> 16) & 0xFF));
}

} // namespace kestrum::test
