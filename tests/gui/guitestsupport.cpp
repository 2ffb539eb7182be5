#include "gui/guitestsupport.h"

#include "kelframe/kelfolders.h"
#include "kelframe/kelskin.h"
#include "support/testtools.h"

#include <QGuiApplication>
#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QWidget>

namespace GuiTest {

namespace {

QString galleryLanguage()
{
    return qEnvironmentVariable("MARLIN_GALLERY_LANGUAGE");
}

} // namespace

void isolate(const QTemporaryDir &root)
{
    Kel::setFolderRoot(root.path());
    KelSkin::setResourceDir(QStringLiteral(MARLIN_SOURCE_DIR "/resource"));
    const QString language = galleryLanguage();
    if (!language.isEmpty() && qApp) {
        // Lives as long as the test program; its shots carry the language.
        static QTranslator translator;
        if (!translator.load(QStringLiteral("marlin_") + language, TestTools::appDir() + QStringLiteral("/translations")))
            qFatal("No translation for %s", qPrintable(language));
        QCoreApplication::installTranslator(&translator);
    }
}

QString screenshotPath(const QString &area, const QString &widget, const QString &state,
                       const QString &skin)
{
    const QString folder = QStringLiteral(MARLIN_SCREENSHOT_DIR "/") + area;
    QDir().mkpath(folder);
    QString name = widget;
    if (!state.isEmpty())
        name += QLatin1Char('-') + state;
    if (!skin.isEmpty())
        name += QLatin1Char('-') + skin;
    if (!galleryLanguage().isEmpty())
        name += QLatin1Char('-') + galleryLanguage();
    if (qApp && qApp->devicePixelRatio() >= 1.5)
        name += QStringLiteral("@2x");
    return folder + QLatin1Char('/') + name + QStringLiteral(".png");
}

QImage render(QWidget *widget)
{
    if (!widget->isVisible()) {
        widget->show();
        QCoreApplication::processEvents();
    }
    widget->ensurePolished();
    const qreal scale = widget->devicePixelRatioF();
    QImage image(widget->size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(KelSkin::color(QStringLiteral("window")));
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

bool saveShot(QWidget *widget, const QString &area, const QString &name, const QString &state,
              const QString &skin, bool)
{
    return render(widget).save(screenshotPath(area, name, state, skin));
}

} // namespace GuiTest
