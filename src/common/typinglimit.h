#pragma once

class QLineEdit;
class QString;

// A length limit on what the user can put into an edit, by typing, pasting or dropping,
// that never cuts a longer text the program puts there itself (a date with a stray "/", a
// title saved by an older version).
namespace TypingLimit {

void set(QLineEdit* edit, int limit);
// The program's own text, kept whole; the user can shorten it but not lengthen it.
void setText(QLineEdit* edit, const QString& text);

} // namespace TypingLimit
