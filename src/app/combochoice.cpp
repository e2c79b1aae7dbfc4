#include "combochoice.h"

#include <QComboBox>
#include <QLineEdit>

void activateOnlyChosenEntries(QComboBox* combo) {
    QObject::disconnect(combo->lineEdit(), &QLineEdit::editingFinished, combo, nullptr);
    QObject::disconnect(combo->lineEdit(), &QLineEdit::returnPressed, combo, nullptr);
}
