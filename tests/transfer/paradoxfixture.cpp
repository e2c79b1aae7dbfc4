#include "paradoxfixture.h"

#include <QByteArray>
#include <QTest>
#include <cstdlib>
#include <cstring>
extern "C" {
#include <paradox.h>
}

namespace {

QByteArray windows1252(const QString& text) {
    QByteArray bytes;
    for (QChar ch : text)
        bytes.append(ch.unicode() < 0x100 ? static_cast<char>(ch.unicode()) : '?');
    return bytes;
}

} // namespace

void writeParadoxTable(const QString& dbPath, const QString& mbPath, const QVector<ParadoxField>& fields,
                       const QVector<QVariantList>& rows) {
    pxdoc_t* doc = PX_new();
    QVector<pxfield_t> definitions(fields.size());
    QList<QByteArray> names;
    int recordSize = 0;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        names << fields[i].name.toLatin1();
        pxfield_t& field = definitions[i];
        field.px_fname = names.last().data();
        field.px_fdc = 0;
        switch (fields[i].type) {
        case 'A':
            field.px_ftype = pxfAlpha;
            field.px_flen = fields[i].length;
            break;
        case 'L':
            field.px_ftype = pxfLong;
            field.px_flen = 4;
            break;
        case 'D':
            field.px_ftype = pxfDate;
            field.px_flen = 4;
            break;
        default:
            field.px_ftype = pxfMemoBLOb;
            field.px_flen = fields[i].length + 10;
            break;
        }
        recordSize += field.px_flen;
    }
    // pxlib keeps the field array and frees it with the document.
    auto* owned = static_cast<pxfield_t*>(std::malloc(sizeof(pxfield_t) * fields.size()));
    std::memcpy(owned, definitions.data(), sizeof(pxfield_t) * fields.size());
    for (qsizetype i = 0; i < fields.size(); ++i)
        owned[i].px_fname = strdup(names[i].constData());
    if (PX_create_file(doc, owned, static_cast<int>(fields.size()), qPrintable(dbPath),
                       pxfFileTypNonIndexDB) < 0)
        qFatal("pxlib cannot create %s", qPrintable(dbPath));
    PX_set_parameter(doc, "codepage", "1252");
    if (PX_set_blob_file(doc, qPrintable(mbPath)) < 0)
        qFatal("pxlib cannot create %s", qPrintable(mbPath));
    for (const QVariantList& row : rows) {
        QByteArray record(recordSize, '\0');
        int offset = 0;
        QList<QByteArray> texts;
        for (qsizetype i = 0; i < fields.size(); ++i) {
            char* data = record.data() + offset;
            const QVariant& value = row.value(i);
            const int length = definitions[i].px_flen;
            if (value.isValid()) {
                switch (fields[i].type) {
                case 'A':
                    texts << windows1252(value.toString());
                    PX_put_data_alpha(doc, data, length, texts.last().data());
                    break;
                case 'L':
                    PX_put_data_long(doc, data, length, value.toInt());
                    break;
                case 'D':
                    // Days since 1 January of the year 1, that day being day 1.
                    PX_put_data_long(doc, data, length,
                                     static_cast<int>(QDate(1, 1, 1).daysTo(value.toDate()) + 1));
                    break;
                default:
                    texts << windows1252(value.toString());
                    PX_put_data_blob(doc, data, length, texts.last().data(),
                                     static_cast<int>(texts.last().size()));
                    break;
                }
            }
            offset += length;
        }
        if (PX_put_record(doc, record.data()) < 0)
            qFatal("pxlib cannot write a record");
    }
    PX_close(doc);
    PX_delete(doc);
}
