#include "titleeditor.h"

#include "app/apperror.h"
#include "app/application.h"
#include "app/dialogs.h"
#include "app/mainwindow.h"
#include "app/settingsfiles.h"
#include "app/textfile.h"
#include "app/typinglimit.h"
#include "profilefile.h"
#include "register/registerwindow.h"
#include "titlecatalogue.h"

TitleEditor::TitleEditor(Application& app, QWidget* parent)
    : FormWindow(app, parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint) {
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
            ProfileFile(app().principal()->meudir + SettingsFiles::kCampos).writeString(id, id, title);
        } catch (const AppError& error) {
            Dialogs::error(this, error.message());
            return;
        }
    }
    RegisterWindow* cadastro = app().cadastro();
    cadastro->applyTitle(id, title);
    cadastro->preenchecombo_frm_cadastro();
}

void TitleEditor::Button3Click() {
    const QString path = app().principal()->meudir + SettingsFiles::kCampos;
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
