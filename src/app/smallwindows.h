#pragma once

#include "common/formwindow.h"
#include "common/progress.h"
#include "ui_aboutwindow.h"
#include "ui_splashwindow.h"
#include "ui_waitbox.h"

#include <QElapsedTimer>
#include <QTimer>

// The start-up splash: it goes away at the first tick of its timer after it was shown,
// or when the mouse moves over it, and then the toolbar and menu become usable.
class SplashWindow : public FormWindow<Ui::TFver> {
    Q_OBJECT
  public:
    static constexpr int kTimerInterval = 7000;

    explicit SplashWindow(QWidget* parent);
    QTimer* timer() const { return m_timer; }
    void Timer1Timer();

  signals:
    void gone();

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
    explicit AboutWindow(QWidget* parent);
    void showProduct(const QString& name, const QString& version);

  protected:
    void showEvent(QShowEvent* event) override;
};

// The wait box shown while a long task runs, with its gauge: the program's progress
// service.
class WaitBox : public FormWindow<Ui::TFespere>, public Progress {
    Q_OBJECT
  public:
    explicit WaitBox(QWidget* parent);

    int progress() const;
    int maximum() const;

  protected:
    // Shows the box with the gauge running from 0 to `count`, standing at 0; work that can
    // be given up gets a "Cancelar" button and the box keeps the other windows waiting.
    void started(int count, bool cancellable) override;
    // Moves the gauge; the box is repainted now and then, not at every step.
    void advanced(int done) override;
    void finished() override;
    bool cancelRequested() const override { return m_cancelled; }

  private:
    QElapsedTimer m_sincePaint;
    int m_done = 0;
    bool m_cancellable = false;
    bool m_cancelled = false;
};
