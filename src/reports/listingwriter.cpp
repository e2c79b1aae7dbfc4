#include "listingwriter.h"

#include "common/progress.h"
#include "common/settingsfiles.h"
#include "common/textfile.h"
#include "common/windows1252.h"
#include "data/columns.h"
#include "data/legalnumbers.h"
#include "data/recordreader.h"
#include "data/sharedtable.h"

#include <QFileInfo>

namespace {

constexpr qsizetype kFlushSize = 1 << 16;

void appendReference(QByteArray& out, char32_t codePoint) {
    out.append("&#").append(QByteArray::number(static_cast<quint32>(codePoint))).append(';');
}

// The entity of a character that must not shape the page, or null.
const char* entityOf(char32_t ch) {
    switch (ch) {
    case U'&':
        return "&amp;";
    case U'<':
        return "&lt;";
    case U'>':
        return "&gt;";
    case U'"':
        return "&quot;";
    default:
        return nullptr;
    }
}

void appendCharacter(QByteArray& out, char32_t ch, bool escaped) {
    if (const char* entity = escaped ? entityOf(ch) : nullptr) {
        out.append(entity);
        return;
    }
    const int byte = ch <= 0xFFFF ? Windows1252::byteOf(static_cast<char16_t>(ch)) : -1;
    if (byte >= 0)
        out.append(static_cast<char>(byte));
    else
        appendReference(out, ch);
}

// Appends text as Windows-1252, each character it lacks as a decimal character reference.
void appendEncoded(QByteArray& out, QStringView text, bool escaped) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t ch = text[i].unicode();
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ch = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
            ++i;
        }
        appendCharacter(out, ch, escaped);
    }
}

bool isPlainAscii(unsigned char byte) {
    return byte < 0x80 && byte != '&' && byte != '<' && byte != '>' && byte != '"';
}

// The same for a value as the base stores it, UTF-8, without making a QString of it: the
// runs of plain ASCII that make up most of a listing are copied whole.
void appendEscapedUtf8(QByteArray& out, QByteArrayView utf8) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    const qsizetype size = utf8.size();
    qsizetype i = 0;
    while (i < size) {
        const qsizetype runStart = i;
        while (i < size && isPlainAscii(bytes[i]))
            ++i;
        if (i > runStart)
            out.append(utf8.data() + runStart, i - runStart);
        if (i >= size)
            break;
        const unsigned char lead = bytes[i];
        int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (i + length > size)
            length = 1; // a cut sequence: the byte stands for itself
        constexpr unsigned char kLeadBits[] = {0, 0xFF, 0x1F, 0x0F, 0x07};
        char32_t ch = lead & kLeadBits[length];
        for (int k = 1; k < length; ++k)
            ch = (ch << 6) | (bytes[i + k] & 0x3F);
        appendCharacter(out, ch, true);
        i += length;
    }
}

} // namespace

// Writes items, each followed by CR LF, in large pieces.
class ListingWriter::ItemStream {
  public:
    explicit ItemStream(const QString& path) : m_file(path) { m_buffer.reserve(kFlushSize * 2); }

    void item(QStringView text) {
        appendEncoded(m_buffer, text, false);
        endItem();
    }
    void rawItem(QByteArrayView bytes) {
        m_buffer.append(bytes);
        endItem();
    }
    // An item written straight into the stream: append to what this gives, then close it.
    QByteArray& openItem() { return m_buffer; }
    void closeItem() { endItem(); }
    void finish() {
        m_file.write(m_buffer);
        m_file.commit();
    }

  private:
    void endItem() {
        m_buffer.append("\r\n");
        if (m_buffer.size() >= kFlushSize) {
            m_file.write(m_buffer);
            m_buffer.clear();
        }
    }

    TextFile::AtomicFile m_file;
    QByteArray m_buffer;
};

namespace {

// The cell of one value: " - " for an empty one.
void appendCell(QByteArray& row, QByteArrayView value) {
    row.append("<td>");
    if (value.isEmpty())
        row.append(" - ");
    else
        appendEscapedUtf8(row, value);
    row.append("</td>");
}

// An annotation's lines, as the register shows them, each followed by "<br>".
void appendNotesCell(QByteArray& row, QByteArrayView notes) {
    const QStringList lines = TextFile::splitLines(QString::fromUtf8(notes));
    if (lines.isEmpty()) {
        appendCell(row, {});
        return;
    }
    row.append("<td>");
    for (const QString& line : lines) {
        appendEncoded(row, line, true);
        row.append("<br>");
    }
    row.append("</td>");
}

} // namespace

ListingWriter::ListingWriter(ListingInputs inputs) : m_inputs(std::move(inputs)) {
    const struct {
        bool ticked;
        const char* field;
    } notes[] = {{m_inputs.authorNotes, "AGE_ANOTACOES"},
                 {m_inputs.processNotes, "AGE_ANOTACOESpro"},
                 {m_inputs.hearingNotes, "AGE_ANOTACOESaud"},
                 {m_inputs.opposingNotes, "AGE_ANOTACOESpc"}};
    for (const auto& note : notes) {
        if (note.ticked)
            m_notes << Columns::indexOf(QString::fromUtf8(note.field));
    }
}

QList<const char*> ListingWriter::annotationTitles() const {
    QList<const char*> titles;
    if (m_inputs.authorNotes)
        titles << "<th>Anotações</th>";
    if (m_inputs.processNotes)
        titles << "<th>Anotações Processo</th>";
    if (m_inputs.hearingNotes)
        titles << "<th>Anotações Audiência</th>";
    if (m_inputs.opposingNotes)
        titles << "<th>Anotações P. Contrária</th>";
    return titles;
}

QList<int> ListingWriter::readColumns() const {
    QList<int> columns;
    for (const auto& column : m_inputs.columns)
        columns << Columns::indexOf(column.field);
    return columns + m_notes;
}

QStringList ListingWriter::styleSheet(const QString& size, const QString& font) {
    const QString sized = QStringLiteral("font-size:%1.0pt;font-family:%2;").arg(size, font);
    return {
        QStringLiteral(
            "  <meta name=\"keywords\" content=\"fixed table header; non-scroll header; fixed footer; "
            "freeze header; CSS tips; print repeating headers; print repeating footers\">"),
        QStringLiteral("<style type=\"text/css\">"),
        QStringLiteral("div.conteudodatabela {"),
        QStringLiteral("\twidth: 65%;\t\t/* table width will be 99% of this*/"),
        QStringLiteral("\theight: 200px; \t/* must be greater than tbody*/"),
        QStringLiteral("\toverflow: auto;"),
        QStringLiteral("\tmargin: 0 auto;"),
        QStringLiteral("\t}"),
        QStringLiteral("table {"),
        QStringLiteral("\twidth: 99%;\t\t/*100% of container produces horiz. scroll in Mozilla*/"),
        QStringLiteral("\tborder: none;"),
        QStringLiteral("}"),
        QStringLiteral("table>tbody\t{  /* child selector syntax which IE6 and older do not support*/"),
        QStringLiteral("\toverflow: auto;"),
        QStringLiteral("\theight: 200px;"),
        QStringLiteral("\toverflow-x: hidden;"),
        QStringLiteral("\t}"),
        QStringLiteral("thead tr\t{"),
        QStringLiteral("\tposition:relative;"),
        QStringLiteral("\ttop: expression(offsetParent.scrollTop); /*IE5+ only*/"),
        QStringLiteral("\t}"),
        QStringLiteral("thead td, thead th {"),
        QStringLiteral("\ttext-align: center;"),
        u'\t' + sized,
        QStringLiteral("\tfont-weight: bold;"),
        QStringLiteral("\tborder-top: solid 1px #d8d8d8;"),
        QStringLiteral("\t}"),
        QStringLiteral("td\t{"),
        QStringLiteral("\tcolor: #000;"),
        QStringLiteral("\tpadding-right: 2px;"),
        u'\t' + sized,
        QStringLiteral("\ttext-align: left;"),
        QStringLiteral("\tborder-bottom: solid 1px #d8d8d8;"),
        QStringLiteral("\tborder-left: solid 1px #d8d8d8;"),
        QStringLiteral("\tborder-right: solid 1px #d8d8d8;"),
        QStringLiteral("\t}"),
        QStringLiteral("table tfoot tr {"),
        QStringLiteral("      position: relative;"),
        QStringLiteral("      overflow-x: hidden;"),
        QStringLiteral("      top: expression(parentNode.parentNode.offsetHeight >="),
        QStringLiteral("\t  offsetParent.offsetHeight ? 0 - parentNode.parentNode.offsetHeight offsetParent."
                       "offsetHeight + offsetParent.scrollTop : 0);"),
        QStringLiteral("      }"),
        QStringLiteral("tfoot td\t{"),
        QStringLiteral("\ttext-align: center;"),
        u'\t' + sized,
        QStringLiteral("\tfont-weight: bold;"),
        QStringLiteral("\tborder-top: solid 1px slategray;"),
        QStringLiteral("\t}"),
        QStringLiteral(
            "td:last-child {padding-right: 20px;} /*prevent Mozilla scrollbar from hiding cell content*/"),
        QStringLiteral("</style>"),
        QStringLiteral("<!-- Estilo para impressão -->"),
        QStringLiteral("<style type=\"text/css\" media=\"print\">"),
        QStringLiteral("div.conteudodatabela {overflow: visible;\t}"),
        QStringLiteral("table>tbody\t{overflow: visible; }"),
        QStringLiteral("td {height: 14pt;} /*adds control for test purposes*/"),
        QStringLiteral("thead td\t{") + sized + u'}',
        QStringLiteral("tfoot td\t{"),
        QStringLiteral("\ttext-align: center;"),
        QStringLiteral("\tfont-size:%1pt;font-family:%2;").arg(size, font),
        QStringLiteral("\tborder-bottom: solid 1px slategray;"),
        QStringLiteral("\t}"),
        QStringLiteral("thead\t{display: table-header-group;\t}"),
        QStringLiteral("tfoot\t{display: table-footer-group;\t}"),
        QStringLiteral("thead th, thead td\t{position: static; }"),
        QStringLiteral("thead tr\t{position: static;") + sized +
            QStringLiteral("} /*prevent problem if print after scrolling table*/"),
        QStringLiteral("table tfoot tr {     position: static;    }"),
        QStringLiteral(".quebrapagina {   page-break-before: always;}"),
        QStringLiteral("</style>"),
    };
}

QByteArray ListingWriter::numberMark(qsizetype column, QByteArrayView value) const {
    if (!m_inputs.markInvalidNumbers || column >= m_inputs.columns.size())
        return {};
    const QString text = QString::fromUtf8(value);
    const LegalNumbers::Checked checked = LegalNumbers::checkField(m_inputs.columns[column].field, text);
    return LegalNumbers::mismatch(checked).isEmpty() ? QByteArray() : QByteArrayLiteral(" (DV inválido)");
}

void ListingWriter::writeRow(ItemStream& out, const StoredRow& values) const {
    QByteArray& row = out.openItem();
    row.append("<tr>\r\n");
    const qsizetype fieldCount = m_inputs.columns.size();
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QByteArray mark = i < fieldCount ? numberMark(i, values.value(i)) : QByteArray();
        if (!mark.isEmpty())
            appendCell(row, values.value(i).toByteArray() + mark);
        else if (i < fieldCount)
            appendCell(row, values.value(i));
        else
            appendNotesCell(row, values.value(i));
    }
    out.closeItem();
    out.rawItem("</tr>");
}

void ListingWriter::writeHead(ItemStream& out, const QString& notice) const {
    out.item(u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
    out.item(u"<html><head>\r\n<title>Cadastro</title>\r\n");
    for (const QString& line : styleSheet(m_inputs.tableFontSize, m_inputs.tableFont))
        out.item(line);
    out.item(u"</head>\r\n");

    QByteArray item("<span style=\"font-size:");
    appendEncoded(item, m_inputs.headerFontSize, true);
    item.append("pt;font-family:");
    appendEncoded(item, m_inputs.headerFont, true);
    item.append("\">");
    out.rawItem(item);
    item = "<b>\r\n";
    appendEncoded(item, m_inputs.header, true);
    item.append("</b></span>\r\n");
    out.rawItem(item);
    if (!notice.isEmpty())
        out.item(notice);
    out.item(u"<body>\r\n<table border =1>\r\n");
    out.item(u"<tr><thead>\r\n");
    for (const auto& column : m_inputs.columns) {
        item = "<th>";
        appendEncoded(item, column.title, true);
        item.append("</th>");
        out.rawItem(item);
    }
    for (const char* title : annotationTitles())
        out.item(QString::fromUtf8(title));
    out.item(u"</thead></tr>");
}

void ListingWriter::writeTail(ItemStream& out, const QString& notice) const {
    out.item(u"</span></table>");
    if (!notice.isEmpty())
        out.item(notice);
    out.item(u"</body></html>");
    out.finish();
}

void ListingWriter::write(const QString& path, RecordReader& reader, const std::function<void(int)>& progress,
                          const std::optional<Preview>& preview) const {
    ItemStream out(path);
    std::optional<ItemStream> shown;
    QString notice;
    if (preview && reader.count() > preview->rows) {
        shown.emplace(preview->path);
        notice = QStringLiteral(
                     "<p style=\"font-family:sans-serif;font-size:10pt;background:#fff3c4;padding:4pt\">"
                     "A listagem tem %L1 registros; aqui aparecem os primeiros %L2. "
                     "\"Imprimir\" e \"Salvar PDF\" trazem todos.</p>")
                     .arg(reader.count())
                     .arg(preview->rows);
        writeHead(*shown, notice);
    }
    writeHead(out, {});

    StoredRow values;
    if (!reader.next(values)) {
        // An empty result still gets one row, every cell empty.
        StoredRows empty(1, m_inputs.columns.size() + m_notes.size());
        empty.beginRow(0);
        for (qsizetype column = 0; column < empty.columnCount(); ++column)
            empty.addValue({});
        writeRow(out, {&empty, 0});
    } else {
        int rows = 0;
        do {
            if (progress)
                progress(rows);
            writeRow(out, values);
            if (shown && rows < preview->rows)
                writeRow(*shown, values);
            ++rows;
        } while (reader.next(values));
    }
    writeTail(out, {});
    if (shown)
        writeTail(*shown, notice);
}

QStringList ListingWriter::titles() const {
    QStringList titles;
    for (const auto& column : m_inputs.columns)
        titles << column.title;
    for (const char* title : annotationTitles())
        titles << QString::fromUtf8(title).remove(QStringLiteral("<th>")).remove(QStringLiteral("</th>"));
    return titles;
}

MadeListing makeListing(SharedTable& table, const ListingInputs& inputs, const QString& folder,
                        int shownRows) {
    table.first();
    const ListingWriter writer(inputs);
    RecordReader reader = table.reader(writer.readColumns());
    MadeListing made{reader, folder + SettingsFiles::kListing, reader.count() > shownRows};
    if (made.inPart)
        made.shownPath = folder + SettingsFiles::kListingShown;
    {
        const Progress::Scope progress(reader.count());
        writer.write(
            folder + SettingsFiles::kListing, reader, [](int row) { Progress::step(row); },
            ListingWriter::Preview{folder + SettingsFiles::kListingShown, shownRows});
    }
    if (!QFileInfo::exists(folder + SettingsFiles::kEmptyPage))
        TextFile::writeBytes(folder + SettingsFiles::kEmptyPage, {});
    table.last();
    return made;
}
