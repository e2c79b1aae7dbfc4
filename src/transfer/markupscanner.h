#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <QVector>

// The markup of an XML file read a piece at a time from a device, for the data packets of
// the free edition. It gives the start and end tags with their attributes and skips text,
// comments, processing instructions, CDATA and a document type; it checks that tags nest
// and that every entity is one of XML's own or a character reference (no entity is ever
// expanded, whatever a document type declares). Attribute values are given raw, as the
// file holds them, line breaks included; decodeValue turns them into text. Every length is
// bounded, so no input can make it hold more than one tag's worth of text.
class MarkupScanner {
  public:
    static constexpr qsizetype kLongestName = 256;
    static constexpr qsizetype kLongestValue = 16 * 1024 * 1024;
    static constexpr int kMostAttributes = 10000;
    static constexpr int kDeepest = 64;

    // What a caller wants of a tag's attributes: `wants` is asked for each name, and only
    // the values wanted are kept and given to `take`.
    class Attributes {
      public:
        virtual ~Attributes() = default;
        // A start tag begins: its name, inside the elements named by `parents` (empty for
        // the root, and for a tag read with tagAt).
        virtual void begin(const QVector<QByteArray>& parents, QByteArrayView name) = 0;
        virtual bool wants(QByteArrayView name) = 0;
        virtual void take(QByteArrayView name, QByteArrayView rawValue) = 0;
    };

    enum class Kind { Start, End, Finished };
    struct Tag {
        Kind kind = Kind::Finished;
        QByteArray name;
        bool empty = false; // a start tag closed by "/>"
        qint64 offset = 0;  // of its "<"
        int depth = 0;      // of the element, the root being 1
    };

    // Failures throw ScanError with a short reason; the reader adds the file's name.
    struct ScanError {
        QString reason;
    };

    explicit MarkupScanner(QIODevice& device);
    ~MarkupScanner();

    // The encoding named by the XML declaration ("" when none), known once the first tag
    // has been read.
    QString declaredEncoding() const { return m_declaredEncoding; }
    // Whether every attribute value read so far was valid UTF-8.
    bool valuesAreUtf8() const { return m_utf8.valid; }

    // The next tag of the document. After the root element's end tag, Finished; a file that
    // ends before it throws.
    Tag next(Attributes& attributes);
    // Reads the one start tag that begins at `offset` (read before); the nesting is not
    // followed. Throws when no start tag begins there.
    Tag tagAt(qint64 offset, Attributes& attributes);

  private:
    // A buffered reader over the device.
    class Input;
    struct Utf8Check {
        bool valid = true;
        int pending = 0;
        void add(uchar byte);
        void endValue();
    };

    [[noreturn]] void fail(const QString& reason) const;
    void skipBlanks();
    void skipUntil(const char* end, const char* what);
    void skipDocumentType();
    void readDeclaration();
    void readName(QByteArray& name);
    void readAttributes(Tag& tag, Attributes& attributes);
    void readValue(char quote, QByteArray* kept);
    void checkEntity(QByteArray* kept);
    Tag readStartTag(qint64 offset, Attributes& attributes, const QVector<QByteArray>& parents);
    Tag readEndTag(qint64 offset);

    std::unique_ptr<Input> m_in;
    QVector<QByteArray> m_open; // names of the elements open, outermost first
    bool m_rootSeen = false;
    bool m_finished = false;
    QString m_declaredEncoding;
    Utf8Check m_utf8;
    QByteArray m_name;  // reused while reading attributes
    QByteArray m_value; // reused while reading attributes
};

// How a packet's bytes become text.
class ValueDecoder {
  public:
    enum class Kind { Utf8, Windows1252, Named };
    ValueDecoder() = default;
    // "utf-8", "windows-1252" ... as a declaration names them; an encoding Qt does not
    // know is read as Windows-1252, as older writers wrote.
    static ValueDecoder forEncoding(const QString& name, bool utf8Valid);

    // A raw attribute value as text: its bytes decoded, its entities and character
    // references replaced.
    QString decode(QByteArrayView raw) const;

  private:
    QString decodeRun(QByteArrayView bytes) const;
    Kind m_kind = Kind::Utf8;
    QString m_name;
};
