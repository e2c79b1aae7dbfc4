#pragma once

#include <QScreen>
#include <QWidget>

// A window made from a form: created once at start, then only shown and hidden. It is
// given what it needs when it is made; it never looks its neighbours up.
template <typename Form> class FormWindow : public QWidget {
  public:
    explicit FormWindow(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::Window)
        : QWidget(parent, flags) {
        ui.setupUi(this);
    }

  protected:
    // Places the window in the middle of the screen it opens on.
    void centreOnScreen() {
        if (QScreen* shown = screen())
            move(shown->availableGeometry().center() - rect().center());
    }

    Form ui;
};
