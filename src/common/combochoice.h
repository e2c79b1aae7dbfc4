#pragma once

#include <QStringList>

class QComboBox;

// An editable combo box counts a typed text that matches one of its entries as chosen
// when it is left or Enter is pressed. After this call only an entry chosen from the list
// (or with the arrow keys) is "activated"; typing just edits the text.
void activateOnlyChosenEntries(QComboBox* combo);

// Replaces the entries of an editable combo box, its shown text kept.
void replaceEntriesKeepingText(QComboBox* combo, const QStringList& entries);
