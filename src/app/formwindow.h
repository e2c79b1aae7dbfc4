#pragma once

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

    Form ui;

  private:
    Application& m_app;
};
