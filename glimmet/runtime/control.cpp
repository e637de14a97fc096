// Class descriptions and the class-factory interface identifier.
#include "control.h"

namespace kestrum::runtime {

const Guid ClassFactory::Iid = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

QString toolboxResourcePath(const Guid &clsid, int number) {
    return QStringLiteral(":/kestrum/toolbox/%1/%2.bmp").arg(clsid.toString()).arg(number);
}

const ClassInfo *ServerDescription::findClass(const Guid &clsid) const {
    for (const ClassInfo &c : classes) {
        if (c.clsid == clsid)
            return &c;
    }
    return nullptr;
}

} // namespace kestrum::runtime
