#include "listingwriter.h"

#include "app/textfile.h"
#include "app/windows1252.h"
#include "data/columns.h"
#include "data/recordreader.h"

namespace {

constexpr qsizetype kFlushSize = 1 << 16;

// Appends text as Windows-1252, each character it lacks as a decimal character reference.
void appendEncoded(QByteArray& out, QStringView text, bool escaped) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (escaped) {
            switch (unit) {
            case u'&':
                out.append("&amp;");
                continue;
            case u'<':
                out.append("&lt;");
                continue;
            case u'>':
                out.append("&gt;");
                continue;
            case u'"':
                out.append("&quot;");
                continue;
            default:
                break;
            }
        }
        const int byte = Windows1252::byteOf(unit);
        if (byte >= 0) {
            out.append(static_cast<char>(byte));
            continue;
        }
        char32_t codePoint = unit;
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            codePoint = QChar::surrogateToUcs4(unit, text[++i].unicode());
        out.append("&#").append(QByteArray::number(static_cast<quint32>(codePoint))).append(';');
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
void appendCell(QByteArray& row, QStringView text) {
    row.append("<td>");
    if (text.isEmpty())
        row.append(" - ");
    else
        appendEncoded(row, text, true);
    row.append("</td>");
}

// An annotation's lines, each followed by "<br>".
void appendNotesCell(QByteArray& row, const QString& notes) {
    const QStringList lines = TextFile::splitLines(notes);
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

void ListingWriter::writeRow(ItemStream& out, const QStringList& values) const {
    QByteArray row("<tr>\r\n");
    const qsizetype fieldCount = m_inputs.columns.size();
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i < fieldCount)
            appendCell(row, values[i]);
        else
            appendNotesCell(row, values[i]);
    }
    out.rawItem(row);
    out.rawItem("</tr>");
}

void ListingWriter::write(const QString& path, RecordReader& reader,
                          const std::function<void(int)>& progress) const {
    ItemStream out(path);
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

    QStringList values;
    if (!reader.next(values)) {
        // An empty result still gets one row, every cell empty.
        writeRow(out, QStringList(m_inputs.columns.size() + m_notes.size()));
    } else {
        int rows = 0;
        do {
            if (progress)
                progress(rows++);
            writeRow(out, values);
        } while (reader.next(values));
    }
    out.item(u"</span></table>");
    out.item(u"</body></html>");
    out.finish();
}
