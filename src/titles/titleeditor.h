#pragma once

#include "common/formwindow.h"
#include "common/programfolders.h"
#include "ui_titleeditor.h"

// "Mudar títulos": edits the title of the field whose label was double-clicked.
class TitleEditor : public FormWindow<Ui::TFmudacampos> {
    Q_OBJECT
  public:
    TitleEditor(const ProgramFolders& folders, QWidget* parent);

    // What can be typed into a title; a longer title saved earlier is shown whole.
    static constexpr int kTitleLimit = 30;

    // Shows the editor for a label: its caption in Edit1, its id in Edit2.
    void editTitle(const QString& caption, const QString& labelId);

    // "Gravar": saves the title in campos.ini and gives it to every place that shows it.
    void Button1Click();
    // "Restaurar configuração original": empties campos.ini after a question.
    void Button3Click();

  signals:
    // Every place that shows the field's title takes the new one.
    void titleSaved(const QString& labelId, const QString& title);

  private:
    const ProgramFolders& m_folders;
};
