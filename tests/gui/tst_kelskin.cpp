#include "gui/guitestsupport.h"

#include "kelframe/kelpref.h"
#include "kelframe/kelskin.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

// WCAG contrast ratio of two opaque colours.
double contrast(const QColor &a, const QColor &b)
{
    auto luminance = [](const QColor &c) {
        auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a) + 0.05;
    const double lb = luminance(b) + 0.05;
    return la > lb ? la / lb : lb / la;
}

} // namespace

// The skins: complete, legible, and applied as a whole.
class KelSkinTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void skinsAreComplete_data();
    void skinsAreComplete();
    void textIsLegible_data();
    void textIsLegible();
    void applyAndRestore();
    void tokensAndIcons_data();
    void tokensAndIcons();

private:
    QTemporaryDir m_root;
};

void KelSkinTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    GuiTest::isolate(m_root);
}

void KelSkinTest::skinsAreComplete_data()
{
    QTest::addColumn<QString>("skin");
    for (const QString &skin : KelSkin::availableSkins())
        QTest::newRow(qPrintable(skin)) << skin;
}

// Every token the style sheets of both engineers may use exists, the
// resolved sheet names no unknown colour, and every icon is a valid SVG in
// each of its colours.
void KelSkinTest::skinsAreComplete()
{
    QFETCH(QString, skin);
    const QStringList required = {
        "window", "base", "alternate", "text", "dimtext", "border", "hover", "selection",
        "selectiontext", "accent", "accenttext", "success", "failure", "waiting", "paused",
        "shadow", "tooltipbase", "tooltiptext"};
    for (const QString &token : required)
        QVERIFY2(KelSkin::color(skin, token).isValid(), qPrintable(token));

    const QString sheet = KelSkin::styleSheet(skin);
    QVERIFY(sheet.contains(QStringLiteral("QPushButton")));
    const QRegularExpressionMatch leftOver = QRegularExpression(QStringLiteral("@[A-Za-z]+")).match(sheet);
    QVERIFY2(!leftOver.hasMatch(), qPrintable(leftOver.captured(0)));

    QVERIFY(KelSkin::applySkin(skin));
    const QDir sources(KelSkin::resourceDir() + QStringLiteral("/icons"));
    const QStringList icons = sources.entryList({QStringLiteral("*.svg")}, QDir::Files);
    QVERIFY(!icons.isEmpty());
    for (const QString &file : icons) {
        const QString name = QFileInfo(file).completeBaseName();
        QVERIFY2(QRegularExpression(QStringLiteral("^[a-z0-9]+(-[a-z0-9]+)*$")).match(name).hasMatch(),
                 qPrintable(name));
        for (const char *variant : {"", "-dim", "-on-accent"}) {
            const QString path = KelSkin::iconPath(name + QLatin1String(variant));
            QVERIFY2(!path.isEmpty(), qPrintable(name + QLatin1String(variant)));
            QVERIFY2(QSvgRenderer(path).isValid(), qPrintable(path));
        }
    }
    QVERIFY(!KelSkin::icon(QStringLiteral("close")).isNull());
    QVERIFY(KelSkin::icon(QStringLiteral("no-such-icon")).isNull());
}

void KelSkinTest::textIsLegible_data()
{
    QTest::addColumn<QString>("skin");
    QTest::addColumn<QString>("foreground");
    QTest::addColumn<QString>("background");
    QTest::addColumn<double>("minimum");
    for (const QString &skin : KelSkin::availableSkins()) {
        const QByteArray s = skin.toLatin1();
        QTest::newRow(s + " text") << skin << "text" << "base" << 7.0;
        QTest::newRow(s + " text on window") << skin << "text" << "window" << 7.0;
        QTest::newRow(s + " dim text") << skin << "dimtext" << "base" << 4.5;
        QTest::newRow(s + " dim text on window") << skin << "dimtext" << "window" << 4.5;
        QTest::newRow(s + " selected text") << skin << "selectiontext" << "selection" << 7.0;
        QTest::newRow(s + " on accent") << skin << "accenttext" << "accent" << 4.0;
        QTest::newRow(s + " tooltip") << skin << "tooltiptext" << "tooltipbase" << 7.0;
        QTest::newRow(s + " failure mark") << skin << "failure" << "base" << 3.0;
        QTest::newRow(s + " success mark") << skin << "success" << "base" << 3.0;
    }
}

void KelSkinTest::textIsLegible()
{
    QFETCH(QString, skin);
    QFETCH(QString, foreground);
    QFETCH(QString, background);
    QFETCH(double, minimum);
    const double ratio = contrast(KelSkin::color(skin, foreground), KelSkin::color(skin, background));
    QVERIFY2(ratio >= minimum, qPrintable(QStringLiteral("%1").arg(ratio)));
}

// Applying a skin sets palette and sheet and remembers the choice; an
// unknown name changes nothing; restoring without a choice stores none.
void KelSkinTest::applyAndRestore()
{
    KelPref::instance()->remove(QStringLiteral("kelframe/skin"));
    QVERIFY(KelSkin::restoreSkin());
    QCOMPARE(KelSkin::currentSkin(), KelSkin::defaultSkin());
    QVERIFY(!KelPref::instance()->contains(QStringLiteral("kelframe/skin")));

    QSignalSpy changed(KelSkin::instance(), &KelSkin::skinChanged);
    QVERIFY(KelSkin::applySkin(QStringLiteral("dark")));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(QApplication::palette().color(QPalette::Window), KelSkin::color(QStringLiteral("dark"), QStringLiteral("window")));
    QCOMPARE(qApp->styleSheet(), KelSkin::styleSheet(QStringLiteral("dark")));
    QCOMPARE(KelPref::instance()->value(QStringLiteral("kelframe/skin")).toString(), QStringLiteral("dark"));
    QVERIFY(KelSkin::iconPath(QStringLiteral("close")).startsWith(KelSkin::iconFolder(QStringLiteral("dark"))));

    QVERIFY(!KelSkin::applySkin(QStringLiteral("sepia")));
    QCOMPARE(KelSkin::currentSkin(), QStringLiteral("dark"));
    QCOMPARE(changed.count(), 1);

    QVERIFY(KelSkin::restoreSkin());
    QCOMPARE(KelSkin::currentSkin(), QStringLiteral("dark"));
}

void KelSkinTest::tokensAndIcons_data()
{
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("expected");
    QTest::newRow("longest token wins") << "color: @accenttext; background: @accent;"
                                        << "color: #010203; background: #0a0b0c;";
    QTest::newRow("icon path quoted") << "image: url(@icons/mark.svg);" << "image: url(\"ICONS/mark.svg\");";
    QTest::newRow("unknown name kept") << "color: @nosuch; margin: 2px @ 3px;" << "color: @nosuch; margin: 2px @ 3px;";
}

// The sheet's tokens are put in place in one pass; a skin icon is drawn
// from its file when first drawn, at the size asked for on any screen.
void KelSkinTest::tokensAndIcons()
{
    QFETCH(QString, rule);
    QFETCH(QString, expected);
    QTemporaryDir resources;
    QVERIFY(QDir(resources.path()).mkpath(QStringLiteral("skins")));
    QVERIFY(QDir(resources.path()).mkpath(QStringLiteral("style")));
    QVERIFY(QDir(resources.path()).mkpath(QStringLiteral("icons")));
    auto write = [&](const QString &name, const QByteArray &text) {
        QFile file(resources.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    };
    for (const QString &skin : KelSkin::availableSkins())
        QVERIFY(write(QStringLiteral("skins/%1.ini").arg(skin), "[colors]\naccent=#0a0b0c\naccenttext=#010203\n"));
    QVERIFY(write(QStringLiteral("style/00.qss"), rule.toUtf8()));
    QVERIFY(write(QStringLiteral("icons/mark.svg"),
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"16\" viewBox=\"0 0 16 16\">"
                  "<rect width=\"16\" height=\"16\" fill=\"@accent\"/></svg>"));
    KelSkin::setResourceDir(resources.path());
    const QString sheet = KelSkin::styleSheet(QStringLiteral("light")).trimmed();
    const QString icon = KelSkin::iconPath(QStringLiteral("mark"));
    KelSkin::setResourceDir(QString());
    QCOMPARE(sheet, expected.replace(QStringLiteral("ICONS"), KelSkin::iconFolder(QStringLiteral("light"))));
    QVERIFY(!icon.isEmpty());

    QIcon mark(KelSkin::icon(QStringLiteral("mark")));
    for (const qreal ratio : {1.0, 2.0}) {
        const QPixmap pixmap = mark.pixmap(QSize(16, 16), ratio);
        QCOMPARE(pixmap.size(), QSize(16, 16) * ratio);
        QCOMPARE(pixmap.toImage().pixelColor(8 * int(ratio), 8 * int(ratio)), QColor(QStringLiteral("#0a0b0c")));
    }
}

QTEST_MAIN(KelSkinTest)
#include "tst_kelskin.moc"
