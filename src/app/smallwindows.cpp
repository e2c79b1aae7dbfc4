#include "smallwindows.h"

#include "application.h"
#include "common/folders.h"
#include "common/settingsfiles.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>

namespace {
constexpr QSize kPictureSize(72, 72);
}

SplashWindow::SplashWindow(QWidget* parent)
    : FormWindow(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_timer(new QTimer(this)) {
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(kTimerInterval);
    connect(m_timer, &QTimer::timeout, this, &SplashWindow::Timer1Timer);
    m_timer->start();
    ui.ProgramIcon->setPixmap(Application::icon().pixmap(kPictureSize));
    ui.Panel1->installEventFilter(this);
    for (QWidget* child : ui.Panel1->findChildren<QWidget*>()) {
        child->setMouseTracking(true);
        child->installEventFilter(this);
    }
}

void SplashWindow::showEvent(QShowEvent* event) {
    ui.Version->setText(QStringLiteral("Versão: ") + Folders::GetVersion());
    if (parentWidget())
        move(parentWidget()->geometry().center() - rect().center());
    FormWindow::showEvent(event);
}

void SplashWindow::Timer1Timer() {
    if (!isVisible())
        return;
    hide();
    emit gone();
}

bool SplashWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && isVisible()) {
        emit gone();
        close();
    }
    return FormWindow::eventFilter(watched, event);
}

AboutWindow::AboutWindow(QWidget* parent) : FormWindow(parent, Qt::Dialog) {
    ui.ProgramIcon->setPixmap(Application::icon().pixmap(kPictureSize));
    setFixedSize(sizeHint());
    connect(ui.OKButton, &QPushButton::clicked, this, &QWidget::close);
    ui.OKButton->setDefault(true);
}

void AboutWindow::showProduct(const QString& name, const QString& version) {
    ui.ProductName->setText(name);
    ui.Version->setText(QStringLiteral("Versão: ") + version);
}

void AboutWindow::showEvent(QShowEvent* event) {
    ui.Version->setText(QStringLiteral("Versão: ") + Folders::GetVersion());
    const QString help = Folders::settingsFolder() + SettingsFiles::kHelp;
    ui.HelpPath->setText(QFileInfo(help).isFile() ? QStringLiteral("Ajuda: ") + help
                                                  : QStringLiteral("Ajuda não instalada (") + help + u')');
    setFixedSize(sizeHint());
    centreOnScreen();
    FormWindow::showEvent(event);
}

WaitBox::WaitBox(QWidget* parent) : FormWindow(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
    connect(ui.BtnCancelar, &QPushButton::clicked, this, [this] { m_cancelled = true; });
}

void WaitBox::started(int count, bool cancellable) {
    ui.Gauge1->setRange(0, std::max(count, 0));
    ui.Gauge1->setValue(0);
    m_done = 0;
    m_cancellable = cancellable;
    m_cancelled = false;
    ui.BtnCancelar->setVisible(cancellable);
    setWindowModality(cancellable ? Qt::ApplicationModal : Qt::NonModal);
    show();
    raise();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_sincePaint.start();
}

// The gauge moves and the box is painted ten times a second at most: a listing of many
// records steps once a record.
void WaitBox::advanced(int done) {
    m_done = done;
    if (m_sincePaint.elapsed() >= 100) {
        ui.Gauge1->setValue(done);
        // Only work that can be given up lets the user in, and then only to this box.
        QCoreApplication::processEvents(m_cancellable ? QEventLoop::AllEvents
                                                      : QEventLoop::ExcludeUserInputEvents);
        m_sincePaint.restart();
    }
}

int WaitBox::progress() const {
    return m_done;
}

int WaitBox::maximum() const {
    return ui.Gauge1->maximum();
}

void WaitBox::finished() {
    hide();
    setWindowModality(Qt::NonModal);
}
