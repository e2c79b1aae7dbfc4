#include "citylists.h"

#include "common/textfile.h"

#include <QCollator>
#include <QLocale>

namespace CityLists {

std::optional<QStringList> read(const QString& path) {
    if (!TextFile::exists(path))
        return std::nullopt;
    return TextFile::readLines(path);
}

QStringList sorted(QStringList entries) {
    QCollator collator(QLocale(QLocale::Portuguese, QLocale::Brazil));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(entries.begin(), entries.end(),
                     [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return entries;
}

const QStringList& brazilianStates() {
    static const QStringList states = {"AC", "AL", "AM", "AP", "BA", "CE", "DF", "ES", "GO",
                                       "MA", "MG", "MS", "MT", "PA", "PB", "PE", "PI", "PR",
                                       "RJ", "RN", "RO", "RR", "RS", "SC", "SE", "SP", "TO"};
    return states;
}

} // namespace CityLists
