#include "markupscanner.h"

#include "common/windows1252.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <cstring>

namespace {

constexpr qsizetype kChunk = 64 * 1024;
constexpr qsizetype kLongestDeclaration = 1024;

bool isBlank(int ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
}

bool endsName(int ch) {
    return ch < 0 || isBlank(ch) || ch == '/' || ch == '>' || ch == '=' || ch == '<' || ch == '"' ||
           ch == '\'' || ch == '?';
}

// The code point of a character reference's digits ("#13", "#x0D"), or 0 when they are
// not one XML allows.
char32_t characterReference(QByteArrayView body) {
    const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
    const QByteArrayView digits = body.sliced(hex ? 2 : 1);
    if (digits.isEmpty() || digits.size() > 8)
        return 0;
    bool ok = false;
    const uint value = QByteArray(digits.data(), digits.size()).toUInt(&ok, hex ? 16 : 10);
    if (!ok || value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return value;
}

// The character of one of XML's own entities ("lt", "amp" ...), or 0.
char16_t namedEntity(QByteArrayView name) {
    if (name == "lt")
        return u'<';
    if (name == "gt")
        return u'>';
    if (name == "amp")
        return u'&';
    if (name == "quot")
        return u'"';
    if (name == "apos")
        return u'\'';
    return 0;
}

} // namespace

class MarkupScanner::Input {
  public:
    explicit Input(QIODevice& device) : m_device(device) {}

    qint64 offset() const { return m_base + m_position; }

    // A place already read stays in the buffer: rows read one after another are read from the
    // device once.
    void seek(qint64 offset) {
        if (offset >= m_base && offset < m_base + m_buffer.size()) {
            m_position = offset - m_base;
            return;
        }
        if (!m_device.seek(offset))
            throw ScanError{QStringLiteral("não foi possível voltar a ler o arquivo.")};
        m_buffer.clear();
        m_position = 0;
        m_base = offset;
        m_atEnd = false;
    }

    // True when `count` bytes can be read from here.
    bool ensure(qsizetype count) {
        if (m_buffer.size() - m_position >= count)
            return true;
        refill(count);
        return m_buffer.size() - m_position >= count;
    }
    int peek() {
        if (m_position < m_buffer.size() || ensure(1))
            return static_cast<uchar>(m_buffer[m_position]);
        return -1;
    }
    int get() {
        const int ch = peek();
        if (ch >= 0)
            ++m_position;
        return ch;
    }
    bool lookingAt(const char* text) {
        const auto length = static_cast<qsizetype>(std::strlen(text));
        return ensure(length) && std::memcmp(m_buffer.constData() + m_position, text, length) == 0;
    }
    void skip(qsizetype count) { m_position += count; }
    // What can be read now without waiting for the device: empty only at the end.
    QByteArrayView available() {
        ensure(1);
        return QByteArrayView(m_buffer).sliced(m_position);
    }

  private:
    void refill(qsizetype count) {
        if (m_position > 0) {
            m_buffer.remove(0, m_position);
            m_base += m_position;
            m_position = 0;
        }
        while (!m_atEnd && m_buffer.size() < count) {
            const qsizetype had = m_buffer.size();
            m_buffer.resize(had + kChunk);
            const qint64 read = m_device.read(m_buffer.data() + had, kChunk);
            if (read < 0)
                throw ScanError{QStringLiteral("erro de leitura: %1").arg(m_device.errorString())};
            m_buffer.resize(had + read);
            m_atEnd = read == 0;
        }
    }

    QIODevice& m_device;
    QByteArray m_buffer;
    qsizetype m_position = 0;
    qint64 m_base = 0; // file offset of m_buffer[0]
    bool m_atEnd = false;
};

void MarkupScanner::Utf8Check::add(uchar byte) {
    if (pending > 0) {
        if ((byte & 0xC0) != 0x80)
            valid = false;
        --pending;
    } else if (byte >= 0xC2 && byte <= 0xDF) {
        pending = 1;
    } else if ((byte & 0xF0) == 0xE0) {
        pending = 2;
    } else if (byte >= 0xF0 && byte <= 0xF4) {
        pending = 3;
    } else if (byte >= 0x80) {
        valid = false;
    }
}

void MarkupScanner::Utf8Check::endValue() {
    if (pending > 0)
        valid = false;
    pending = 0;
}

MarkupScanner::MarkupScanner(QIODevice& device) : m_in(std::make_unique<Input>(device)) {
    if (m_in->lookingAt("\xEF\xBB\xBF"))
        m_in->skip(3);
}

MarkupScanner::~MarkupScanner() = default;

void MarkupScanner::fail(const QString& reason) const {
    throw ScanError{reason};
}

void MarkupScanner::skipBlanks() {
    while (isBlank(m_in->peek()))
        m_in->get();
}

void MarkupScanner::skipUntil(const char* end, const char* what) {
    const char first = end[0];
    while (true) {
        const QByteArrayView available = m_in->available();
        if (available.isEmpty())
            fail(QStringLiteral("o arquivo termina dentro de %1; ele está incompleto.")
                     .arg(QLatin1String(what)));
        const auto* found = static_cast<const char*>(std::memchr(available.data(), first, available.size()));
        if (!found) {
            m_in->skip(available.size());
            continue;
        }
        m_in->skip(found - available.data());
        if (m_in->lookingAt(end)) {
            m_in->skip(static_cast<qsizetype>(std::strlen(end)));
            return;
        }
        m_in->skip(1);
    }
}

// <!DOCTYPE ...>, an internal subset in brackets included; what it declares is not used.
void MarkupScanner::skipDocumentType() {
    if (m_rootSeen)
        fail(QStringLiteral("uma declaração de tipo aparece dentro do documento."));
    int brackets = 0;
    int quote = 0;
    while (true) {
        const int ch = m_in->get();
        if (ch < 0)
            fail(QStringLiteral("o arquivo termina dentro da declaração de tipo; ele está incompleto."));
        if (quote) {
            if (ch == quote)
                quote = 0;
        } else if (ch == '"' || ch == '\'') {
            quote = ch;
        } else if (ch == '[') {
            ++brackets;
        } else if (ch == ']') {
            --brackets;
        } else if (ch == '>' && brackets <= 0) {
            return;
        }
    }
}

// <?xml ... ?>: only its encoding matters here.
void MarkupScanner::readDeclaration() {
    QByteArray text;
    while (!m_in->lookingAt("?>")) {
        const int ch = m_in->get();
        if (ch < 0 || text.size() > kLongestDeclaration)
            fail(QStringLiteral("a declaração XML não termina."));
        text.append(static_cast<char>(ch));
    }
    m_in->skip(2);
    static const QRegularExpression encoding(QStringLiteral(R"(encoding\s*=\s*["']([^"']*)["'])"));
    m_declaredEncoding = encoding.match(QString::fromLatin1(text)).captured(1).trimmed().toLower();
}

void MarkupScanner::readName(QByteArray& name) {
    name.resize(0);
    while (!endsName(m_in->peek())) {
        if (name.size() >= kLongestName)
            fail(QStringLiteral("um nome de elemento ou atributo é longo demais."));
        name.append(static_cast<char>(m_in->get()));
    }
    if (name.isEmpty())
        fail(QStringLiteral("falta um nome onde a marcação o pede (posição %1).").arg(m_in->offset()));
}

void MarkupScanner::checkEntity(QByteArray* kept) {
    m_in->get(); // '&'
    QByteArray body;
    while (true) {
        const int ch = m_in->get();
        if (ch == ';')
            break;
        if (ch < 0 || body.size() >= 10 || isBlank(ch) || ch == '&' || ch == '<')
            fail(QStringLiteral("um \"&\" num valor não começa uma referência válida (posição %1).")
                     .arg(m_in->offset()));
        body.append(static_cast<char>(ch));
    }
    const bool known = body.startsWith('#') ? characterReference(body) != 0 : namedEntity(body) != 0;
    if (!known)
        fail(QStringLiteral("a referência \"&%1;\" não é conhecida.").arg(QString::fromLatin1(body)));
    if (kept)
        kept->append('&').append(body).append(';');
}

void MarkupScanner::readValue(char quote, QByteArray* kept) {
    qsizetype length = 0;
    while (true) {
        const QByteArrayView available = m_in->available();
        if (available.isEmpty())
            fail(QStringLiteral("o arquivo termina no meio de um valor; ele está incompleto."));
        const auto* bytes = reinterpret_cast<const uchar*>(available.data());
        qsizetype i = 0;
        for (; i < available.size(); ++i) {
            const uchar ch = bytes[i];
            if (ch == quote || ch == '&' || ch == '<')
                break;
            if (ch >= 0x80 || m_utf8.pending > 0)
                m_utf8.add(ch);
        }
        length += i;
        if (length > kLongestValue)
            fail(QStringLiteral("um valor passa de %1 MB.").arg(kLongestValue / (1024 * 1024)));
        if (kept)
            kept->append(available.data(), i);
        m_in->skip(i);
        if (i == available.size())
            continue;
        if (bytes[i] == quote) {
            m_in->skip(1);
            m_utf8.endValue();
            return;
        }
        if (bytes[i] == '<')
            fail(QStringLiteral("um \"<\" aparece dentro de um valor (posição %1).").arg(m_in->offset()));
        checkEntity(kept);
        length += 6;
    }
}

void MarkupScanner::readAttributes(Tag& tag, Attributes& attributes) {
    for (int count = 0;; ++count) {
        skipBlanks();
        const int ch = m_in->peek();
        if (ch == '>') {
            m_in->get();
            return;
        }
        if (ch == '/') {
            m_in->get();
            if (m_in->get() != '>')
                fail(QStringLiteral("a marca %1 não se fecha direito.").arg(QString::fromLatin1(tag.name)));
            tag.empty = true;
            return;
        }
        if (ch < 0)
            fail(QStringLiteral("o arquivo termina dentro de uma marca; ele está incompleto."));
        if (count >= kMostAttributes)
            fail(QStringLiteral("a marca %1 tem atributos demais.").arg(QString::fromLatin1(tag.name)));
        readName(m_name);
        skipBlanks();
        if (m_in->get() != '=')
            fail(QStringLiteral("falta o \"=\" do atributo %1.").arg(QString::fromLatin1(m_name)));
        skipBlanks();
        const int quote = m_in->get();
        if (quote != '"' && quote != '\'')
            fail(QStringLiteral("o valor do atributo %1 não está entre aspas.")
                     .arg(QString::fromLatin1(m_name)));
        const bool wanted = attributes.wants(m_name);
        m_value.clear();
        readValue(static_cast<char>(quote), wanted ? &m_value : nullptr);
        if (wanted)
            attributes.take(m_name, m_value);
    }
}

MarkupScanner::Tag MarkupScanner::readStartTag(qint64 offset, Attributes& attributes,
                                               const QVector<QByteArray>& parents) {
    Tag tag;
    tag.kind = Kind::Start;
    tag.offset = offset;
    readName(tag.name);
    attributes.begin(parents, tag.name);
    readAttributes(tag, attributes);
    return tag;
}

MarkupScanner::Tag MarkupScanner::readEndTag(qint64 offset) {
    Tag tag;
    tag.kind = Kind::End;
    tag.offset = offset;
    readName(tag.name);
    skipBlanks();
    if (m_in->get() != '>')
        fail(QStringLiteral("a marca de fim %1 não se fecha direito.").arg(QString::fromLatin1(tag.name)));
    if (m_open.isEmpty() || m_open.last() != tag.name)
        fail(QStringLiteral("a marca de fim %1 não corresponde à marca aberta.")
                 .arg(QString::fromLatin1(tag.name)));
    tag.depth = static_cast<int>(m_open.size());
    m_open.removeLast();
    m_finished = m_open.isEmpty();
    return tag;
}

MarkupScanner::Tag MarkupScanner::next(Attributes& attributes) {
    while (!m_finished) {
        // Text between tags: anything inside the root, blanks only outside it.
        while (true) {
            const QByteArrayView available = m_in->available();
            if (available.isEmpty())
                fail(m_rootSeen
                         ? QStringLiteral("o arquivo termina antes do fim do documento; ele está incompleto.")
                         : QStringLiteral("não é um documento XML."));
            const auto* found =
                static_cast<const char*>(std::memchr(available.data(), '<', available.size()));
            const qsizetype text = found ? found - available.data() : available.size();
            if (m_open.isEmpty()) {
                for (qsizetype i = 0; i < text; ++i) {
                    if (!isBlank(static_cast<uchar>(available[i])))
                        fail(QStringLiteral("não é um documento XML."));
                }
            }
            m_in->skip(text);
            if (found)
                break;
        }
        const qint64 offset = m_in->offset();
        m_in->get();
        if (m_in->lookingAt("!--")) {
            skipUntil("-->", "um comentário");
        } else if (m_in->lookingAt("![CDATA[")) {
            if (m_open.isEmpty())
                fail(QStringLiteral("um bloco CDATA aparece fora do documento."));
            skipUntil("]]>", "um bloco CDATA");
        } else if (m_in->lookingAt("!DOCTYPE")) {
            skipDocumentType();
        } else if (m_in->lookingAt("?xml") && offset <= 3) {
            m_in->skip(4);
            readDeclaration();
        } else if (m_in->lookingAt("?")) {
            skipUntil("?>", "uma instrução de processamento");
        } else if (m_in->peek() == '/') {
            m_in->get();
            return readEndTag(offset);
        } else {
            if (m_open.isEmpty() && m_rootSeen)
                fail(QStringLiteral("há mais de um elemento raiz."));
            if (m_open.size() >= kDeepest)
                fail(QStringLiteral("os elementos estão aninhados fundo demais."));
            Tag tag = readStartTag(offset, attributes, m_open);
            m_rootSeen = true;
            tag.depth = static_cast<int>(m_open.size()) + 1;
            if (tag.empty)
                m_finished = m_open.isEmpty();
            else
                m_open.append(tag.name);
            return tag;
        }
    }
    return {};
}

MarkupScanner::Tag MarkupScanner::tagAt(qint64 offset, Attributes& attributes) {
    m_in->seek(offset);
    if (m_in->get() != '<' || endsName(m_in->peek()))
        fail(QStringLiteral("o arquivo mudou desde que foi carregado."));
    return readStartTag(offset, attributes, {});
}

// ---- values as text ----

ValueDecoder ValueDecoder::forEncoding(const QString& name, bool utf8Valid) {
    ValueDecoder decoder;
    const QString encoding = name.toLower();
    if (encoding == u"utf-8" || encoding == u"utf8" || (encoding.isEmpty() && utf8Valid)) {
        decoder.m_kind = Kind::Utf8;
    } else if (encoding.isEmpty() || encoding == u"windows-1252" || encoding == u"cp1252" ||
               encoding == u"iso-8859-1" || encoding == u"latin1" || encoding == u"us-ascii" ||
               encoding == u"ascii") {
        decoder.m_kind = Kind::Windows1252;
    } else if (QStringDecoder(qPrintable(encoding)).isValid()) {
        decoder.m_kind = Kind::Named;
        decoder.m_name = encoding;
    } else {
        decoder.m_kind = Kind::Windows1252;
    }
    return decoder;
}

QString ValueDecoder::decodeRun(QByteArrayView bytes) const {
    switch (m_kind) {
    case Kind::Utf8:
        return QString::fromUtf8(bytes);
    case Kind::Windows1252:
        return Windows1252::decode(QByteArray(bytes.data(), bytes.size()));
    case Kind::Named:
        return QStringDecoder(qPrintable(m_name)).decode(bytes);
    }
    return {};
}

QString ValueDecoder::decode(QByteArrayView raw) const {
    if (!raw.contains('&'))
        return decodeRun(raw);
    QString text;
    qsizetype runStart = 0;
    qsizetype i = 0;
    while (i < raw.size()) {
        if (raw[i] != '&') {
            ++i;
            continue;
        }
        const qsizetype end = raw.indexOf(';', i);
        if (end < 0)
            break;
        const QByteArrayView body = raw.sliced(i + 1, end - i - 1);
        char32_t ch = body.startsWith('#') ? characterReference(body) : namedEntity(body);
        if (ch == 0) {
            ++i;
            continue;
        }
        text += decodeRun(raw.sliced(runStart, i - runStart));
        const char32_t characters[] = {ch};
        text += QString::fromUcs4(characters, 1);
        i = end + 1;
        runStart = i;
    }
    text += decodeRun(raw.sliced(runStart));
    return text;
}
