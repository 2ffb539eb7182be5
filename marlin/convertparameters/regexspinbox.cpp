#include "marlin/convertparameters/regexspinbox.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace Tarn {

RegexSpinBox::RegexSpinBox(QWidget *parent)
    : QSpinBox(parent)
{
}

void RegexSpinBox::setPattern(const QString &value)
{
    pattern = value;
    // The line edit's validator asks validate(), so keystrokes the pattern
    // cannot lead to are refused from now on; text already there is judged
    // again once the user edits it.
}

QValidator::State RegexSpinBox::validate(QString &text, int &pos) const
{
    const QValidator::State own = QSpinBox::validate(text, pos);
    if (pattern.isEmpty() || own == QValidator::Invalid)
        return own;
    QRegularExpressionValidator byPattern{QRegularExpression(pattern)};
    const QValidator::State matched = byPattern.validate(text, pos);
    return qMin(own, matched);
}

} // namespace Tarn
