#pragma once
// Names of stored maps and flight plans: a word character followed by 1 to
// 99 word characters, blanks, '-', '(' or ')'. Word characters include
// letters of every script, as operators name places in their language.
#include <QRegularExpression>
#include <QString>

namespace NameRule {

// The rule as a pattern for validators. The hyphen is escaped: unescaped
// after "\s" it reads as a range, which the expression engine refuses.
inline QRegularExpression pattern()
{
    return QRegularExpression(QStringLiteral("[\\w][\\w\\s\\-()]{1,99}"),
                              QRegularExpression::UseUnicodePropertiesOption);
}

inline bool isValid(const QString &name)
{
    static const QRegularExpression whole(
        QStringLiteral("\\A(?:[\\w][\\w\\s\\-()]{1,99})\\z"),
        QRegularExpression::UseUnicodePropertiesOption);
    return whole.match(name).hasMatch();
}

}  // namespace NameRule
