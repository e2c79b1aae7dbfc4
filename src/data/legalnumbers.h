#pragma once

#include <QString>

// The numbers Brazilian lawyers write with check digits: the unified case number
// NNNNNNN-DD.AAAA.J.TR.OOOO (its digits DD by ISO 7064 MOD 97-10), the CPF NNN.NNN.NNN-DD
// and the CNPJ NN.NNN.NNN/NNNN-DD. A text is read as one of them when it holds exactly its
// count of digits and nothing but digits and the punctuation numbers are written with;
// anything else is a number of another form, left as it is.
namespace LegalNumbers {

// The digits of a text, in order.
QString digitsOf(const QString& text);
// Digits, with or without the punctuation numbers are written with (". - / " and blanks),
// and at least one digit: what a search on a number's digits takes.
bool isNumberText(const QString& text);

struct Checked {
    enum class Kind { Other, CaseNumber, Cpf, Cnpj } kind = Kind::Other;
    bool valid = false;
    QString written;  // in its usual form; the text as it was for Kind::Other
    QString given;    // its check digits as written
    QString expected; // the check digits the number should have
};

// A text of a case-number field, and of a CPF or CNPJ field.
Checked caseNumber(const QString& text);
Checked taxpayer(const QString& text);

// A text of a record field: a case number for AGE_PROC, a CPF or CNPJ for AGE_CIC and
// AGE_CICpc, another form for any other field.
Checked checkField(const QString& field, const QString& text);

// What a field shows when its number's check digits do not match; empty when they do or
// the text is of another form.
QString mismatch(const Checked& checked);

// The court a unified case number names, by its J.TR segment ("TJSP" for 8.26); empty
// for a number of another form, or a segment the table does not know.
QString court(const QString& caseNumberText);

} // namespace LegalNumbers
