#pragma once

#include "app/formwindow.h"
#include "ui_networkwindow.h"

// "Localizar Base": the folder of the database; start-up fills its path box.
class NetworkWindow : public FormWindow<Ui::TForm3> {
    Q_OBJECT
  public:
    NetworkWindow(Application& app, QWidget* parent)
        : FormWindow(app, parent, Qt::Window | Qt::WindowStaysOnTopHint) {}

    // The database folder text of the path box.
    QString folderText() const { return ui.Memo1->toPlainText(); }
    void setFolderText(const QString& text) { ui.Memo1->setPlainText(text); }
};
