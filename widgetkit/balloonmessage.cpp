#include "widgetkit/balloonmessage.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QRegularExpression>

namespace Tarn {

BalloonMessage::BalloonMessage(QObject *parent)
    : QObject(parent)
{
}

BalloonMessage *BalloonMessage::getInstance()
{
    static BalloonMessage *service = new BalloonMessage;
    return service;
}

void BalloonMessage::balloon(const QString &text, const QString &id)
{
    emit message(text, id, PlainMode, QString());
}

void BalloonMessage::balloon(const QString &text, const QString &id, const QString &type, Mode mode)
{
    emit message(text, id, mode, type);
}

QString BalloonMessage::singleLineString(const QString &text)
{
    if (text.size() < 26)
        return text;
    // Line breaks would survive eliding and break the line after all.
    static const QRegularExpression breaks(QStringLiteral("[\\r\\n\\x{2028}\\x{2029}]+"));
    QString line = text;
    line.replace(breaks, QStringLiteral(" "));
    return QFontMetrics(QFont()).elidedText(line, Qt::ElideMiddle, 150);
}

} // namespace Tarn
