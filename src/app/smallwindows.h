#pragma once

#include "formwindow.h"
#include "ui_aboutwindow.h"
#include "ui_splashwindow.h"
#include "ui_waitbox.h"

#include <QElapsedTimer>
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

// The wait box shown while a long task runs, with its gauge.
class WaitBox : public FormWindow<Ui::TFespere> {
    Q_OBJECT
  public:
    WaitBox(Application& app, QWidget* parent);

    // Shows the box with the gauge running from 0 to `count`, standing at 0.
    void begin(int count);
    // Moves the gauge; the box is repainted now and then, not at every step.
    void setProgress(int value);
    int progress() const;
    int maximum() const;
    void end();

  private:
    QElapsedTimer m_sincePaint;
};
