// The shipped translations. The program's texts are gathered from the
// sources again, into a copy of each language file, exactly as the
// update_translations target does: every text the program can show must then
// have a finished translation that keeps its source's placeholders and, where
// the source has one, an accelerator.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include "support/testtools.h"

namespace {

QStringList listDefinition(const char *joined)
{
    return QString::fromUtf8(joined).split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

QStringList placeholders(const QString &text)
{
    static const QRegularExpression marker(QStringLiteral("%(n|L?\\d+)"));
    QStringList found;
    for (auto it = marker.globalMatch(text); it.hasNext();)
        found.append(it.next().captured(0));
    found.sort();
    found.removeDuplicates();
    return found;
}

int accelerators(QString text)
{
    text.remove(QStringLiteral("&&"));
    static const QRegularExpression marker(QStringLiteral("&[^&\\s]"));
    return int(text.count(marker));
}

struct Message
{
    QString context;
    QString source;
    QString type;
    QStringList forms;
};

QList<Message> readMessages(const QString &path, QString *error)
{
    QList<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context;
    Message message;
    bool plural = false;
    while (!xml.atEnd()) {
        xml.readNext();
        const auto name = xml.name();
        if (xml.isStartElement()) {
            if (name == QLatin1String("name")) {
                context = xml.readElementText();
            } else if (name == QLatin1String("message")) {
                message = Message{context, QString(), QString(), {}};
                plural = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
            } else if (name == QLatin1String("source")) {
                message.source = xml.readElementText();
            } else if (name == QLatin1String("translation")) {
                message.type = xml.attributes().value(QLatin1String("type")).toString();
                // A plural translation holds one form per number class.
                if (!plural)
                    message.forms.append(xml.readElementText());
            } else if (name == QLatin1String("numerusform")) {
                message.forms.append(xml.readElementText());
            }
        } else if (xml.isEndElement() && name == QLatin1String("message")) {
            messages.append(message);
        }
    }
    if (xml.hasError())
        *error = QStringLiteral("%1 at line %2").arg(xml.errorString()).arg(xml.lineNumber());
    return messages;
}

} // namespace

class TranslationsTest : public QObject
{
    Q_OBJECT

private slots:
    void everyTextTranslated_data();
    void everyTextTranslated();
};

void TranslationsTest::everyTextTranslated_data()
{
    QTest::addColumn<QString>("tsFile");
    for (const QString &file : listDefinition(MARLIN_TS_FILES))
        QTest::newRow(qPrintable(QFileInfo(file).fileName())) << file;
}

void TranslationsTest::everyTextTranslated()
{
    QFETCH(QString, tsFile);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString copy = dir.filePath(QFileInfo(tsFile).fileName());
    QVERIFY(QFile::copy(tsFile, copy));
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);

    const QStringList arguments = listDefinition(MARLIN_LUPDATE_OPTIONS) + listDefinition(MARLIN_TRANSLATED_DIRS)
                                  + QStringList{QStringLiteral("-ts"), copy};
    const TestTools::RunResult lupdate = TestTools::run(QStringLiteral(MARLIN_LUPDATE), arguments, 120000,
                                                        QStringLiteral(MARLIN_SOURCE_DIR));
    QVERIFY2(lupdate.succeeded(), qPrintable(lupdate.describe()));

    QString error;
    const QList<Message> messages = readMessages(copy, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(!messages.isEmpty());

    QStringList problems;
    for (const Message &message : messages) {
        const QString where = QStringLiteral("%1: \"%2\"").arg(message.context, message.source);
        const bool empty = std::any_of(message.forms.cbegin(), message.forms.cend(),
                                       [](const QString &form) { return form.trimmed().isEmpty(); });
        if (message.type == QLatin1String("unfinished") && empty) {
            problems.append(where + QStringLiteral(" has no translation"));
            continue;
        }
        if (!message.type.isEmpty()) {
            problems.append(where + QStringLiteral(" is marked %1").arg(message.type));
            continue;
        }
        if (empty) {
            problems.append(where + QStringLiteral(" has an empty translation"));
            continue;
        }
        for (const QString &form : message.forms) {
            if (placeholders(form) != placeholders(message.source))
                problems.append(where + QStringLiteral(" has other placeholders in \"%1\"").arg(form));
            if (accelerators(message.source) > 0 && accelerators(form) != 1)
                problems.append(where + QStringLiteral(" lost its accelerator in \"%1\"").arg(form));
        }
    }
    QVERIFY2(problems.isEmpty(),
             qPrintable(QStringLiteral("%1 problem(s):\n").arg(problems.size()) + problems.mid(0, 60).join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TranslationsTest)
#include "tst_translations.moc"
