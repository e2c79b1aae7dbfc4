#include "titleeditor.h"

TitleEditor::TitleEditor(Application& app, QWidget* parent)
    : FormWindow(app, parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint) {
    connect(ui.Button2, &QPushButton::clicked, this, &QWidget::close);
}

void TitleEditor::editTitle(const QString& caption, const QString& labelId) {
    ui.Edit1->setText(caption);
    ui.Edit2->setText(labelId);
    show();
    raise();
    activateWindow();
}
