#include "conversionlogmodel.h"

namespace kestrum {

void ConversionLogModel::clear() {
    m_lines.clear();
    Q_EMIT cleared();
}

void ConversionLogModel::append(std::string_view line) {
    append(QStringList{QString::fromLatin1(line.data(), qsizetype(line.size()))});
}

void ConversionLogModel::append(const QStringList &lines) {
    if (lines.isEmpty())
        return;
    const int first = size();
    m_lines += lines;
    Q_EMIT appended(first, int(lines.size()));
}

} // namespace kestrum
