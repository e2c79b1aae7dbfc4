#include "typinglimit.h"

#include <QLineEdit>

namespace TypingLimit {

namespace {

const char* const kLimitProperty = "typingLimit";

int limitOf(const QLineEdit* edit) {
    const QVariant limit = edit->property(kLimitProperty);
    return limit.isValid() ? limit.toInt() : -1;
}

// Qt's own maximum length holds typing, pasting and dropping alike; it is raised to the
// length of a longer text the program shows and lowered again as the user shortens it.
void fitMaximum(QLineEdit* edit, qsizetype length) {
    const int limit = limitOf(edit);
    const int maximum = std::max(limit, static_cast<int>(length));
    if (limit < 0 || edit->maxLength() == maximum)
        return;
    const int caret = edit->cursorPosition();
    edit->setMaxLength(maximum);
    edit->setCursorPosition(caret);
}

} // namespace

void set(QLineEdit* edit, int limit) {
    edit->setProperty(kLimitProperty, limit);
    fitMaximum(edit, edit->text().size());
    QObject::connect(edit, &QLineEdit::textEdited, edit,
                     [edit](const QString& text) { fitMaximum(edit, text.size()); });
}

void setText(QLineEdit* edit, const QString& text) {
    if (text.size() > edit->maxLength())
        fitMaximum(edit, text.size());
    edit->setText(text);
    fitMaximum(edit, text.size());
}

} // namespace TypingLimit
