#include "calendarwindow.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/progress.h"
#include "common/settingsfiles.h"
#include "data/connection.h"
#include "data/datamodule.h"
#include "data/recordreader.h"
#include "data/schema.h"
#include "data/sharedtable.h"
#include "titles/profilefile.h"

#include <QApplication>
#include <QFileInfo>

namespace {

const QString kSection = QStringLiteral("Agenda");
constexpr int kShownUnreadable = 20;

// What was left out of a calendar, for the final message.
QString leftOut(const HearingEvents::Exported& exported) {
    QString text;
    if (exported.withoutDate > 0)
        text += QStringLiteral(" %L1 registro(s) sem data de audiência ficaram de fora.")
                    .arg(exported.withoutDate);
    if (exported.unreadable.isEmpty())
        return text;
    text += QStringLiteral(
                "\n\n%L1 registro(s) com uma data de audiência que não pôde ser lida ficaram de fora:\n")
                .arg(exported.unreadable.size());
    text += exported.unreadable.mid(0, kShownUnreadable).join(u'\n');
    if (exported.unreadable.size() > kShownUnreadable)
        text += QStringLiteral("\n... e mais %L1.").arg(exported.unreadable.size() - kShownUnreadable);
    return text;
}

} // namespace

CalendarWindow::CalendarWindow(const ProgramFolders& folders, TitleCatalogue::TitleLookup titles,
                               QWidget* parent)
    : FormWindow(parent, Qt::Window), m_folders(folders), m_titles(std::move(titles)) {
    connect(ui.BtnGravar, &QPushButton::clicked, this, &CalendarWindow::BtnGravarClick);
    connect(ui.BtnPublicar, &QPushButton::clicked, this, &CalendarWindow::BtnPublicarClick);
    connect(ui.BtnFechar, &QPushButton::clicked, this, &QWidget::hide);
    centreOnScreen();
}

void CalendarWindow::attachData(DataModule* dataModule) {
    m_data = dataModule;
    m_publisher = new CalendarPublisher(dataModule->ADOConnection1, this);
    // Said over whatever window is in use; the register goes on saving meanwhile.
    connect(m_publisher, &CalendarPublisher::unreachable, this, [this](const QString& failure) {
        QWidget* over = QApplication::activeWindow() ? QApplication::activeWindow() : this;
        Dialogs::message(over,
                         QStringLiteral("A agenda não pôde ser atualizada. %1\n\nOs registros continuam "
                                        "sendo gravados; a agenda recebe o que faltou na próxima alteração.")
                             .arg(failure));
    });
}

void CalendarWindow::load() {
    const ProfileFile file(m_folders.meudir + SettingsFiles::kAgenda);
    const auto number = [&](const char* key, QSpinBox* box) {
        bool read = false;
        const int value = file.readString(kSection, QString::fromLatin1(key)).toInt(&read);
        if (read)
            box->setValue(value);
    };
    ui.EEndereco->setText(file.readString(kSection, QStringLiteral("endereco")));
    ui.EUsuario->setText(file.readString(kSection, QStringLiteral("usuario")));
    number("duracao", ui.EDuracao);
    number("lembrete1", ui.ELembrete1);
    number("lembrete2", ui.ELembrete2);
    m_publisher->setFollowing(file.readString(kSection, QStringLiteral("publicada")) == u"sim" &&
                              address().isValid());
}

void CalendarWindow::save() {
    ProfileFile file(m_folders.meudir + SettingsFiles::kAgenda);
    file.writeString(kSection, QStringLiteral("endereco"), ui.EEndereco->text().trimmed());
    file.writeString(kSection, QStringLiteral("usuario"), ui.EUsuario->text().trimmed());
    file.writeString(kSection, QStringLiteral("duracao"), QString::number(ui.EDuracao->value()));
    file.writeString(kSection, QStringLiteral("lembrete1"), QString::number(ui.ELembrete1->value()));
    file.writeString(kSection, QStringLiteral("lembrete2"), QString::number(ui.ELembrete2->value()));
    file.writeString(kSection, QStringLiteral("publicada"),
                     m_publisher->following() ? QStringLiteral("sim") : QStringLiteral("não"));
}

HearingEvents::Settings CalendarWindow::eventSettings() const {
    return {ui.EDuracao->value(), ui.ELembrete1->value() * 60, ui.ELembrete2->value() * 60};
}

HearingEvents::Titles CalendarWindow::eventTitles() const {
    return {m_titles(QStringLiteral("Label014")), m_titles(QStringLiteral("Label016")),
            m_titles(QStringLiteral("Label018")), m_titles(QStringLiteral("Label026"))};
}

QUrl CalendarWindow::address() const {
    const QUrl url = QUrl::fromUserInput(ui.EEndereco->text().trimmed());
    return url.isValid() && (url.scheme() == u"https" || url.scheme() == u"http") && !url.host().isEmpty()
               ? url
               : QUrl();
}

void CalendarWindow::startUp() {
    try {
        load();
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
        return;
    }
    if (m_publisher->following() && !accountReady())
        m_publisher->setFollowing(false);
    showState();
}

bool CalendarWindow::accountReady() {
    const QString user = ui.EUsuario->text().trimmed();
    if (!user.isEmpty() && !m_password) {
        QWidget* over = QApplication::activeWindow() ? QApplication::activeWindow() : this;
        m_password = Dialogs::password(over, QStringLiteral("Senha da agenda"),
                                       QStringLiteral("Senha de %1 na agenda %2:")
                                           .arg(user, address().toDisplayString(QUrl::RemoveUserInfo)));
        if (!m_password)
            return false;
    }
    m_publisher->setAccount(address(), user, m_password.value_or(QString()));
    m_publisher->setEvents(eventSettings(), eventTitles());
    return true;
}

void CalendarWindow::showState() {
    ui.LabelSituacao->setText(
        m_publisher->following()
            ? QStringLiteral("A agenda é atualizada a cada registro gravado ou excluído.")
            : QStringLiteral("A agenda não está sendo atualizada: use \"Publicar Agenda\"."));
}

void CalendarWindow::BtnGravarClick() {
    if (!ui.EEndereco->text().trimmed().isEmpty() && !address().isValid()) {
        Dialogs::message(this,
                         QStringLiteral("O endereço da agenda começa com https://, por exemplo "
                                        "https://nuvem.escritorio.com.br/remote.php/dav/calendars/maria/"
                                        "audiencias/."));
        return;
    }
    m_password.reset(); // another user or calendar: asked again
    try {
        save();
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
        return;
    }
    if (m_publisher->following())
        accountReady();
    Dialogs::message(this, QStringLiteral("as configurações foram realizadas"));
}

void CalendarWindow::BtnPublicarClick() {
    if (!address().isValid()) {
        Dialogs::message(this, QStringLiteral("Informe antes o endereço da agenda, e grave."));
        return;
    }
    if (!m_data->ADOConnection1->connected()) {
        Dialogs::message(this, QStringLiteral("A conexão com a base de dados não está aberta."));
        return;
    }
    if (!accountReady())
        return;
    CalendarPublisher::Published published;
    try {
        published = m_publisher->publishAll();
        m_publisher->setFollowing(true);
        save();
    } catch (const AppError& error) {
        Dialogs::message(this, QStringLiteral("A agenda não foi publicada. %1").arg(error.message()));
        showState();
        return;
    }
    showState();
    QString done = QStringLiteral("A agenda foi publicada: %L1 audiência(s).").arg(published.events.events);
    if (published.removed > 0)
        done += QStringLiteral(" %L1 audiência(s) que não estão mais no cadastro foram retiradas.")
                    .arg(published.removed);
    Dialogs::message(this, done + leftOut(published.events));
}

void CalendarWindow::exportAgenda() {
    QWidget* over = QApplication::activeWindow() ? QApplication::activeWindow() : this;
    SharedTable* table = m_data->ADOTable1;
    if (!table->active()) {
        Dialogs::message(over, QStringLiteral("A conexão com a base de dados não está aberta."));
        return;
    }
    const QString path =
        Dialogs::fileToWrite(over, QStringLiteral("Exportar Agenda (.ics)"), QStringLiteral("Agenda (*.ics)"),
                             {QStringLiteral(".ics")}, QStringLiteral("agenda.ics"));
    if (path.isEmpty())
        return;
    HearingEvents::Exported exported;
    try {
        RecordReader reader = table->reader(HearingEvents::columns());
        const HearingEvents::Maker maker(Schema::identity(m_data->ADOConnection1->database()),
                                         eventSettings(), eventTitles());
        const Progress::Scope progress(reader.count());
        exported = HearingEvents::exportFile(path, reader, maker, [](int read) { Progress::step(read); });
    } catch (const AppError& error) {
        Dialogs::error(over, error.message());
        return;
    }
    Dialogs::message(over, QStringLiteral("A agenda foi exportada para %1: %L2 audiência(s).")
                                   .arg(QFileInfo(path).fileName())
                                   .arg(exported.events) +
                               leftOut(exported));
}
