#pragma once

#include "formwindow.h"
#include "ui_aboutwindow.h"
#include "ui_splashwindow.h"
#include "ui_waitbox.h"

#include <QTimer>

// The start-up splash: it goes away at the first tick of its timer after it was shown,
// or when the mouse moves over it, and then makes the toolbar and menu usable.
class SplashWindow : public FormWindow<Ui::TFver> {
    Q_OBJECT
  public:
    static constexpr int kTimerInterval = 7000;

    SplashWindow(Application& app, QWidget* parent);
    QTimer* timer() const { return m_timer; }
    void Timer1Timer();

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QTimer* m_timer;
};

// The about window, opened by "Ajuda" > "Sobre".
class AboutWindow : public FormWindow<Ui::TFRM_Splash> {
    Q_OBJECT
  public:
    AboutWindow(Application& app, QWidget* parent);
    void showProduct(const QString& name, const QString& version);

  protected:
    void showEvent(QShowEvent* event) override;
};

// The wait box shown while a listing is written; it has no logic of its own.
class WaitBox : public FormWindow<Ui::TFespere> {
    Q_OBJECT
  public:
    WaitBox(Application& app, QWidget* parent);
};
