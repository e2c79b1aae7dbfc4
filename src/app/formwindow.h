#pragma once

#include <QScreen>
#include <QWidget>

class Application;

// A window made from a form: created once at start, then only shown and hidden.
template <typename Form> class FormWindow : public QWidget {
  public:
    explicit FormWindow(Application& app, QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::Window)
        : QWidget(parent, flags), m_app(app) {
        ui.setupUi(this);
    }

  protected:
    Application& app() const { return m_app; }

    // Places the window in the middle of the screen it opens on.
    void centreOnScreen() {
        if (QScreen* shown = screen())
            move(shown->availableGeometry().center() - rect().center());
    }

    Form ui;

  private:
    Application& m_app;
};
