#include "profilefile.h"

#include "common/apperror.h"
#include "common/textfile.h"

namespace {

// The section named by a "[name]" line, or a null string for other lines.
QString sectionName(const QString& line) {
    const QString trimmed = line.trimmed();
    const qsizetype close = trimmed.indexOf(u']');
    if (!trimmed.startsWith(u'[') || close < 0)
        return {};
    return trimmed.mid(1, close - 1).trimmed();
}

bool isKeyLine(const QString& line, const QString& key) {
    const qsizetype equals = line.indexOf(u'=');
    return equals >= 0 && line.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0;
}

QString valueOf(const QString& line) {
    QString value = line.mid(line.indexOf(u'=') + 1).trimmed();
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value.left(ProfileFile::kMaxValueLength);
}

// [first, end) lines of the first section with this name; first = -1 when absent.
std::pair<int, int> findSection(const QStringList& lines, const QString& section) {
    int first = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const QString name = sectionName(lines[i]);
        if (name.isNull())
            continue;
        if (first >= 0)
            return {first, i};
        if (name.compare(section, Qt::CaseInsensitive) == 0)
            first = i + 1;
    }
    return {first, static_cast<int>(lines.size())};
}

} // namespace

ProfileFile::ProfileFile(QString path) : m_path(std::move(path)), m_lines(linesOnDisk()) {}

QStringList ProfileFile::linesOnDisk() const {
    return TextFile::exists(m_path) ? TextFile::readLines(m_path) : QStringList();
}

QString ProfileFile::readString(const QString& section, const QString& key,
                                const QString& defaultValue) const {
    const auto [first, end] = findSection(m_lines, section);
    for (int i = first; first >= 0 && i < end; ++i) {
        if (isKeyLine(m_lines[i], key))
            return valueOf(m_lines[i]);
    }
    return defaultValue;
}

void ProfileFile::writeString(const QString& section, const QString& key, const QString& value) {
    try {
        // What else the file holds now is kept, even if another program changed it.
        QStringList all = linesOnDisk();
        const QString keyLine = key + u'=' + value;
        const auto [first, end] = findSection(all, section);
        if (first < 0) {
            all << u'[' + section + u']' << keyLine;
        } else {
            int insertAt = first;
            for (int i = first; i < end; ++i) {
                if (isKeyLine(all[i], key)) {
                    all[i] = keyLine;
                    insertAt = -1;
                    break;
                }
                if (!all[i].trimmed().isEmpty())
                    insertAt = i + 1;
            }
            if (insertAt >= 0)
                all.insert(insertAt, keyLine);
        }
        TextFile::writeLines(m_path, all);
        m_lines = all;
    } catch (const AppError&) {
        throw AppError(QStringLiteral("Unable to write to %1").arg(m_path));
    }
}
