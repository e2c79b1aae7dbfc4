#include "browser.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/textfile.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <memory>

namespace {

constexpr int kScriptTimeout = 15000;
constexpr int kPrintTimeout = 120000;

// A text as a JavaScript string literal.
QString literal(const QString& text) {
    QString quoted;
    quoted.reserve(text.size() + 2);
    quoted += u'"';
    for (QChar ch : text) {
        if (ch == u'"' || ch == u'\\')
            quoted += u'\\';
        if (ch.unicode() < 0x20 || ch == QChar(0x2028) || ch == QChar(0x2029))
            quoted += QStringLiteral("\\u%1").arg(ch.unicode(), 4, 16, QChar(u'0'));
        else
            quoted += ch;
    }
    quoted += u'"';
    return quoted;
}

// Run in every page the view loads, in the program's own script world. The listing
// format gives its table sections a height of 200px, which on screen makes the empty
// section the header row opens a blank band (print does not show it); and the view notes
// when the page changes, typed into or formatted.
const char* const kViewScript = R"((function () {
    var style = document.createElement('style');
    style.id = 'velmora-tela';
    style.textContent = 'table>tbody{height:auto !important;}';
    (document.head || document.documentElement).appendChild(style);
    new MutationObserver(function () { window.velmoraEdited = true; })
        .observe(document, {subtree: true, childList: true, characterData: true, attributes: true});
})())";

// The document as it stands, its encoding declared as UTF-8 in place of any other, without
// what the view added to it.
const char* const kSerialize = R"((function () {
    var root = document.documentElement.cloneNode(true);
    root.querySelectorAll('#velmora-tela').forEach(function (added) { added.parentNode.removeChild(added); });
    var head = root.querySelector('head');
    if (!head) {
        head = document.createElement('head');
        root.insertBefore(head, root.firstChild);
    }
    root.querySelectorAll('meta').forEach(function (meta) {
        var equiv = (meta.getAttribute('http-equiv') || '').toLowerCase();
        if (meta.hasAttribute('charset') || equiv === 'content-type')
            meta.parentNode.removeChild(meta);
    });
    var charset = document.createElement('meta');
    charset.setAttribute('charset', 'utf-8');
    head.insertBefore(charset, head.firstChild);
    var doctype = document.doctype ? new XMLSerializer().serializeToString(document.doctype) + '\n' : '';
    return doctype + root.outerHTML;
})())";

} // namespace

Browser::Browser(QWebEngineView* view) : QObject(view), m_view(view) {
    QWebEngineSettings* settings = view->page()->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setDefaultTextEncoding(QStringLiteral("windows-1252"));
    QWebEngineScript viewScript;
    viewScript.setName(QStringLiteral("velmora-tela"));
    viewScript.setSourceCode(QString::fromUtf8(kViewScript));
    viewScript.setInjectionPoint(QWebEngineScript::DocumentReady);
    viewScript.setWorldId(QWebEngineScript::ApplicationWorld);
    viewScript.setRunsOnSubFrames(false);
    view->page()->scripts().insert(viewScript);
    connect(view, &QWebEngineView::loadStarted, this, [this] { m_loading = true; });
    connect(view, &QWebEngineView::loadFinished, this, [this](bool ok) {
        m_loading = false;
        while (!m_pending.isEmpty() && !m_loading)
            run(m_pending.dequeue());
        emit loadFinished(ok);
    });
}

void Browser::navigate(const QString& target) {
    m_loading = true;
    m_savedAs.clear();
    m_pending.clear();
    m_view->load(target == QStringLiteral("about:blank") ? QUrl(target) : QUrl::fromLocalFile(target));
}

void Browser::refresh() {
    m_loading = true;
    m_view->page()->triggerAction(QWebEnginePage::ReloadAndBypassCache);
}

QString Browser::currentPath() const {
    if (!m_savedAs.isEmpty())
        return m_savedAs;
    const QUrl url = m_view->url();
    return url.isLocalFile() ? url.toLocalFile() : url.toString();
}

bool Browser::edited() {
    return evaluate(QStringLiteral("window.velmoraEdited === true")).toBool();
}

void Browser::run(const QString& script) {
    if (m_loading) {
        m_pending.enqueue(script);
        return;
    }
    m_view->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld);
}

void Browser::setEditMode() {
    run(QStringLiteral("document.designMode = 'on';"));
}

void Browser::documentCommand(const QString& name, const QVariant& value) {
    QString argument = QStringLiteral("null");
    if (value.canConvert<QColor>() && value.typeId() == QMetaType::QColor)
        argument = literal(value.value<QColor>().name());
    else if (value.isValid())
        argument = literal(value.toString());
    run(QStringLiteral("document.execCommand(%1, false, %2);").arg(literal(name), argument));
}

void Browser::editingCommand(int id) {
    const struct {
        int id;
        QWebEnginePage::WebAction action;
    } actions[] = {{15, QWebEnginePage::Copy},
                   {16, QWebEnginePage::Cut},
                   {26, QWebEnginePage::Paste},
                   {57, QWebEnginePage::AlignCenter},
                   {59, QWebEnginePage::AlignLeft},
                   {60, QWebEnginePage::AlignRight},
                   {2184, QWebEnginePage::InsertOrderedList},
                   {2185, QWebEnginePage::InsertUnorderedList},
                   {2186, QWebEnginePage::Indent},
                   {2187, QWebEnginePage::Outdent}};
    for (const auto& entry : actions) {
        if (entry.id == id) {
            m_view->page()->triggerAction(entry.action);
            return;
        }
    }
    if (id == 2168) {
        const QString picture = Dialogs::openFileName(
            m_view->window(), QStringLiteral("Inserir Figura"),
            QStringLiteral("Imagens (*.png *.jpg *.jpeg *.gif *.bmp);;Todos os arquivos (*)"));
        if (!picture.isEmpty())
            documentCommand(QStringLiteral("insertImage"), QUrl::fromLocalFile(picture).toString());
    }
}

void Browser::printPage(QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        savePdf(printer.outputFileName(), printer.pageLayout());
        return;
    }
    waitForLoad();
    auto finished = std::make_shared<std::optional<bool>>();
    QEventLoop loop;
    const auto connection =
        connect(m_view, &QWebEngineView::printFinished, &loop, [finished, &loop](bool ok) {
            *finished = ok;
            loop.quit();
        });
    m_view->print(&printer);
    if (!finished->has_value()) {
        QTimer::singleShot(kPrintTimeout, &loop, &QEventLoop::quit);
        loop.exec();
    }
    disconnect(connection);
    if (!finished->value_or(false))
        throw AppError(QStringLiteral("Não foi possível imprimir a página."));
}

void Browser::savePdf(const QString& path) {
    savePdf(path, m_printer.pageLayout());
}

void Browser::savePdf(const QString& path, const QPageLayout& layout) {
    waitForLoad();
    auto finished = std::make_shared<std::optional<bool>>();
    QEventLoop loop;
    const auto connection = connect(m_view->page(), &QWebEnginePage::pdfPrintingFinished, &loop,
                                    [finished, &loop](const QString&, bool ok) {
                                        *finished = ok;
                                        loop.quit();
                                    });
    m_view->page()->printToPdf(path, layout);
    if (!finished->has_value()) {
        QTimer::singleShot(kPrintTimeout, &loop, &QEventLoop::quit);
        loop.exec();
    }
    disconnect(connection);
    if (!finished->value_or(false))
        throw AppError(QStringLiteral("Não foi possível gravar o PDF %1.").arg(path));
}

void Browser::pageSetup() {
    Dialogs::printer(m_view->window(), Dialogs::PrinterDialog::PageSetup, m_printer);
}

void Browser::waitForLoad() {
    if (!m_loading)
        return;
    QEventLoop loop;
    connect(this, &Browser::loadFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kScriptTimeout, &loop, &QEventLoop::quit);
    loop.exec();
}

QVariant Browser::evaluate(const QString& script) {
    waitForLoad();
    // The answer may come after the wait was given up; it then goes nowhere.
    auto result = std::make_shared<std::optional<QVariant>>();
    QEventLoop loop;
    QPointer<QEventLoop> waiting(&loop);
    m_view->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                  [result, waiting](const QVariant& value) {
                                      *result = value;
                                      if (waiting)
                                          waiting->quit();
                                  });
    if (!result->has_value()) {
        QTimer::singleShot(kScriptTimeout, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!result->has_value())
        throw AppError(QStringLiteral("O navegador não respondeu."));
    return **result;
}

void Browser::saveDocument(const QString& path) {
    const QString html = evaluate(QString::fromUtf8(kSerialize)).toString();
    if (html.isEmpty())
        throw AppError(QStringLiteral("Não há documento para salvar."));
    TextFile::writeBytes(path, html.toUtf8());
    m_savedAs = path;
}
