#include "titleeditor.h"

#include "common/apperror.h"
#include "common/dialogs.h"
#include "common/settingsfiles.h"
#include "common/textfile.h"
#include "common/typinglimit.h"
#include "profilefile.h"
#include "titlecatalogue.h"

TitleEditor::TitleEditor(const ProgramFolders& folders, QWidget* parent)
    : FormWindow(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      m_folders(folders) {
    connect(ui.Button1, &QPushButton::clicked, this, &TitleEditor::Button1Click);
    connect(ui.Button2, &QPushButton::clicked, this, &QWidget::close);
    connect(ui.Button3, &QPushButton::clicked, this, &TitleEditor::Button3Click);
    TypingLimit::set(ui.Edit1, kTitleLimit);
}

void TitleEditor::editTitle(const QString& caption, const QString& labelId) {
    TypingLimit::setText(ui.Edit1, caption);
    ui.Edit2->setText(labelId);
    show();
    raise();
    activateWindow();
}

void TitleEditor::Button1Click() {
    const QString title = ui.Edit1->text();
    const QString id = ui.Edit2->text();
    if (!TitleCatalogue::byId(id))
        return;
    if (!title.isEmpty()) {
        try {
            ProfileFile(m_folders.meudir + SettingsFiles::kCampos).writeString(id, id, title);
        } catch (const AppError& error) {
            Dialogs::error(this, error.message());
            return;
        }
    }
    emit titleSaved(id, title);
}

void TitleEditor::Button3Click() {
    const QString path = m_folders.meudir + SettingsFiles::kCampos;
    if (!TextFile::exists(path))
        return;
    const auto answer =
        Dialogs::ask(this, QStringLiteral("Toda configuração realizada será perdida. Continuar?"),
                     QStringLiteral("Confirmação"), Dialogs::Icon::Question,
                     {Dialogs::Button::Yes, Dialogs::Button::No}, Dialogs::Button::Yes);
    if (answer != Dialogs::Button::Yes)
        return;
    try {
        TextFile::writeText(path, ui.Memo1->toPlainText());
    } catch (const AppError& error) {
        Dialogs::error(this, error.message());
        return;
    }
    Dialogs::information(this,
                         QStringLiteral("Reinicie o programa para atualizar as configurações realizadas."),
                         QStringLiteral("Informação"));
}
