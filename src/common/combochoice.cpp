#include "combochoice.h"

#include <QComboBox>
#include <QLineEdit>

void replaceEntriesKeepingText(QComboBox* combo, const QStringList& entries) {
    const QString shown = combo->currentText();
    combo->clear();
    combo->addItems(entries);
    combo->setEditText(shown);
}

void activateOnlyChosenEntries(QComboBox* combo) {
    QObject::disconnect(combo->lineEdit(), &QLineEdit::editingFinished, combo, nullptr);
    QObject::disconnect(combo->lineEdit(), &QLineEdit::returnPressed, combo, nullptr);
}
