#pragma once

#include <QSpinBox>
#include <QString>

namespace Tarn {

// A spin box whose text must also match a regular expression (matched
// case-sensitively, as a whole). The pattern narrows what may be typed; the
// box's range still decides which numbers it takes.
class RegexSpinBox : public QSpinBox
{
    Q_OBJECT
public:
    explicit RegexSpinBox(QWidget *parent = nullptr);

    // An empty pattern lets the spin box judge alone.
    void setPattern(const QString &pattern);
    QString getPattern() const { return pattern; }

protected:
    QValidator::State validate(QString &text, int &pos) const override;

private:
    QString pattern;
};

} // namespace Tarn
