#include "binder.h"

#include "columns.h"
#include "common/apperror.h"
#include "common/typinglimit.h"
#include "sharedtable.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

// Notes are kept with Windows line breaks, as older bases and listings expect them.
QString toStored(const QString& memoText) {
    QString text = memoText;
    return text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
}

QString toShown(const QString& storedText) {
    QString text = storedText;
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

Binder::Binder(SharedTable* table, QObject* parent) : QObject(parent), m_table(table) {
    connect(table, &SharedTable::currentChanged, this, &Binder::showRecord);
    connect(table, &SharedTable::stateChanged, this, &Binder::showRecord);
    connect(table, &SharedTable::fieldChanged, this, &Binder::showField);
}

void Binder::add(QWidget* control, const QString& field) {
    const int column = Columns::indexOf(field);
    Q_ASSERT(column >= 0);
    m_bindings.append({control, column});
    show(m_bindings.back());
}

void Binder::bind(QLineEdit* edit, const QString& field) {
    add(edit, field);
    connect(edit, &QLineEdit::textEdited, this,
            [this, edit](const QString& text) { userEdited(edit, text); });
}

void Binder::bind(QComboBox* combo, const QString& field) {
    add(combo, field);
    connect(combo->lineEdit(), &QLineEdit::textEdited, this,
            [this, combo](const QString& text) { userEdited(combo, text); });
    connect(combo, &QComboBox::activated, this,
            [this, combo](int) { userEdited(combo, combo->currentText()); });
}

void Binder::bind(QPlainTextEdit* memo, const QString& field) {
    add(memo, field);
    connect(memo, &QPlainTextEdit::textChanged, this, [this, memo] {
        if (!m_showing)
            userEdited(memo, toStored(memo->toPlainText()));
    });
}

void Binder::bind(QLabel* label, const QString& field) {
    add(label, field);
}

void Binder::userEdited(QWidget* control, const QString& text) {
    for (const auto& binding : std::as_const(m_bindings)) {
        if (binding.control != control)
            continue;
        m_typing = control;
        try {
            if (!m_table->editing())
                m_table->edit();
            m_table->setFieldText(binding.column, text);
        } catch (const AppError& error) {
            m_typing = nullptr;
            show(binding);
            emit errorOccurred(error.message());
            return;
        }
        m_typing = nullptr;
        return;
    }
}

void Binder::commit(QWidget* control) {
    const auto* edit = qobject_cast<QLineEdit*>(control);
    for (const auto& binding : std::as_const(m_bindings)) {
        if (edit && binding.control == edit) {
            if (m_table->fieldText(binding.column) != edit->text())
                userEdited(control, edit->text());
            return;
        }
    }
}

void Binder::showRecord() {
    for (const auto& binding : std::as_const(m_bindings))
        show(binding);
}

void Binder::showField(int column) {
    for (const auto& binding : std::as_const(m_bindings)) {
        if (binding.column == column)
            show(binding);
    }
}

void Binder::show(const Binding& binding) {
    QWidget* control = binding.control;
    if (!control || control == m_typing)
        return;
    const QString text = m_table->fieldText(binding.column);
    const bool readOnly = !m_table->active();
    m_showing = true;
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setReadOnly(readOnly);
        if (edit->text() != text)
            TypingLimit::setText(edit, text);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        combo->lineEdit()->setReadOnly(readOnly);
        if (combo->currentText() != text)
            combo->setEditText(text);
    } else if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) {
        memo->setReadOnly(readOnly);
        if (memo->toPlainText() != toShown(text))
            memo->setPlainText(toShown(text));
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    }
    m_showing = false;
}
