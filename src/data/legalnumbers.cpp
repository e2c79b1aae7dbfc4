#include "legalnumbers.h"

#include "courts.h"

#include <QHash>
#include <QStringList>
#include <algorithm>

namespace LegalNumbers {

namespace {

bool isPunctuation(QChar ch) {
    return ch == u'.' || ch == u'-' || ch == u'/' || ch.isSpace();
}

// The digits of a text made of digits and punctuation only; empty for any other text.
QString onlyDigits(const QString& text) {
    if (!std::all_of(text.begin(), text.end(), [](QChar ch) { return ch.isDigit() || isPunctuation(ch); }))
        return {};
    return digitsOf(text);
}

int digit(const QString& digits, int position) {
    return digits.at(position).digitValue();
}

// The remainder of a number written in decimal digits, divided by 97.
int remainder97(const QString& digits) {
    int remainder = 0;
    for (QChar ch : digits)
        remainder = (remainder * 10 + ch.digitValue()) % 97;
    return remainder;
}

// A check digit of the CPF and CNPJ: the weighted sum of the digits before it, modulo 11.
int modulo11Digit(const QString& digits, const QList<int>& weights) {
    int sum = 0;
    for (int i = 0; i < weights.size(); ++i)
        sum += digit(digits, i) * weights[i];
    const int rest = sum % 11;
    return rest < 2 ? 0 : 11 - rest;
}

bool allEqual(const QString& digits) {
    return std::all_of(digits.begin(), digits.end(), [&](QChar ch) { return ch == digits.front(); });
}

Checked checked(Checked::Kind kind, const QString& written, const QString& given, const QString& expected) {
    return {kind, given == expected, written, given, expected};
}

const QHash<QString, QString>& courts() {
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> read;
        for (const QString& line : QString::fromUtf8(kCourts).split(u'\n')) {
            const qsizetype equals = line.indexOf(u'=');
            if (!line.startsWith(u'#') && equals > 0)
                read.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
        }
        return read;
    }();
    return table;
}

} // namespace

QString digitsOf(const QString& text) {
    QString digits;
    for (QChar ch : text)
        if (ch >= u'0' && ch <= u'9')
            digits += ch;
    return digits;
}

bool isNumberText(const QString& text) {
    return !onlyDigits(text).isEmpty();
}

Checked caseNumber(const QString& text) {
    const QString digits = onlyDigits(text);
    if (digits.size() != 20)
        return {Checked::Kind::Other, false, text, {}, {}};
    const QString sequence = digits.left(7);
    const QString year = digits.mid(9, 4);
    const QString branch = digits.mid(13, 1);
    const QString court = digits.mid(14, 2);
    const QString origin = digits.mid(16, 4);
    const int expected = 98 - remainder97(sequence + year + branch + court + origin + QStringLiteral("00"));
    return checked(
        Checked::Kind::CaseNumber,
        QStringLiteral("%1-%2.%3.%4.%5.%6").arg(sequence, digits.mid(7, 2), year, branch, court, origin),
        digits.mid(7, 2), QStringLiteral("%1").arg(expected, 2, 10, QChar(u'0')));
}

Checked taxpayer(const QString& text) {
    const QString digits = onlyDigits(text);
    if (digits.size() == 11) {
        QString expected = QString::number(modulo11Digit(digits, {10, 9, 8, 7, 6, 5, 4, 3, 2}));
        expected +=
            QString::number(modulo11Digit(digits.left(9) + expected, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2}));
        Checked cpf = checked(Checked::Kind::Cpf,
                              QStringLiteral("%1.%2.%3-%4")
                                  .arg(digits.left(3), digits.mid(3, 3), digits.mid(6, 3), digits.mid(9, 2)),
                              digits.mid(9, 2), expected);
        cpf.valid = cpf.valid && !allEqual(digits);
        return cpf;
    }
    if (digits.size() == 14) {
        const QList<int> first = {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
        QString expected = QString::number(modulo11Digit(digits, first));
        expected += QString::number(modulo11Digit(digits.left(12) + expected, QList<int>{6} + first));
        Checked cnpj = checked(
            Checked::Kind::Cnpj,
            QStringLiteral("%1.%2.%3/%4-%5")
                .arg(digits.left(2), digits.mid(2, 3), digits.mid(5, 3), digits.mid(8, 4), digits.mid(12, 2)),
            digits.mid(12, 2), expected);
        cnpj.valid = cnpj.valid && !allEqual(digits);
        return cnpj;
    }
    return {Checked::Kind::Other, false, text, {}, {}};
}

Checked checkField(const QString& field, const QString& text) {
    if (field == u"AGE_PROC")
        return caseNumber(text);
    if (field == u"AGE_CIC" || field == u"AGE_CICpc")
        return taxpayer(text);
    return {Checked::Kind::Other, false, text, {}, {}};
}

QString mismatch(const Checked& checked) {
    if (checked.kind == Checked::Kind::Other || checked.valid)
        return {};
    if (checked.given == checked.expected)
        return QStringLiteral("Número inválido: todos os dígitos são iguais");
    return QStringLiteral("Dígitos verificadores não conferem: esperado %1").arg(checked.expected);
}

QString court(const QString& caseNumberText) {
    const Checked number = caseNumber(caseNumberText);
    if (number.kind != Checked::Kind::CaseNumber || !number.valid)
        return {};
    const QString digits = digitsOf(caseNumberText);
    return courts().value(digits.mid(13, 1) + u'.' + digits.mid(14, 2));
}

} // namespace LegalNumbers
