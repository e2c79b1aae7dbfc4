#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <functional>

// What the reader of a Windows edition's base (velmora-mdb, a program of its own, so that
// a damaged file can only bring that program down) sends back: frames of one kind byte,
// a four-byte length and that many bytes.
//   'C' the columns of clientes the file has: a two-byte length and the name, for each
//   'N' how many records the table says it holds: eight bytes
//   'R' one record: for each column a four-byte length and the value's UTF-8 bytes
//   'E' the end, with the number of records sent: eight bytes
//   'X' the reader could not go on: its message in UTF-8
// Numbers are little-endian.
namespace JetStream {

inline constexpr QByteArrayView kMagic = "VELMORA-MDB 1\n";
inline constexpr qsizetype kLongestValue = 1 << 20;
inline constexpr qsizetype kLongestFrame = 64 * 1024 * 1024;
inline constexpr int kMostColumns = 64;
inline constexpr qint64 kMostRecords = 50'000'000;

// Writing, for the reader program.
QByteArray magic();
QByteArray columnsFrame(const QList<QByteArray>& names);
QByteArray countFrame(char kind, qint64 count);
QByteArray recordFrame(const QList<QByteArrayView>& values);
QByteArray errorFrame(const QString& message);

// Reading, for the program: fed the bytes as they come, it checks every length against
// the limits above and the frames against each other, and hands on what they hold.
// Anything that does not fit throws BadStream.
class Decoder {
  public:
    struct BadStream {
        QString reason;
    };
    std::function<void(const QStringList& columns)> onColumns;
    std::function<void(qint64 expected)> onExpected;
    std::function<void(const QStringList& values)> onRecord;
    std::function<void(const QString& message)> onError;

    void feed(QByteArrayView bytes);
    // The end frame came and its count matches the records given.
    bool finished() const { return m_finished; }
    qint64 records() const { return m_records; }

  private:
    [[noreturn]] void bad(const QString& reason) const { throw BadStream{reason}; }
    void frame(char kind, QByteArrayView payload);
    void columns(QByteArrayView payload);
    void record(QByteArrayView payload);

    QByteArray m_pending;
    bool m_magicSeen = false;
    bool m_finished = false;
    int m_columns = -1;
    qint64 m_expected = -1;
    qint64 m_records = 0;
};

} // namespace JetStream
