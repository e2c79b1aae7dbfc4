#pragma once

#include <QDate>
#include <QString>
#include <QVariant>
#include <QVector>

// Writes a Paradox table with pxlib, an independent writer, for the reader's tests. A
// field is alpha ('A', with its length), long integer ('L'), date ('D') or memo ('M', with
// its leader length); a row holds QString, int, QDate or an invalid QVariant for null.
struct ParadoxField {
    QString name;
    char type;
    int length = 0;
};
void writeParadoxTable(const QString& dbPath, const QString& mbPath, const QVector<ParadoxField>& fields,
                       const QVector<QVariantList>& rows);
