#include "gui/guitestsupport.h"

#include "kelframe/kelfolders.h"
#include "kelframe/kelskin.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

namespace GuiTest {

void isolate(const QTemporaryDir &root)
{
    Kel::setFolderRoot(root.path());
    KelSkin::setResourceDir(QStringLiteral(MARLIN_SOURCE_DIR "/resource"));
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
    return folder + QLatin1Char('/') + name + QStringLiteral(".png");
}

QImage render(QWidget *widget, qreal scale)
{
    if (!widget->isVisible()) {
        widget->show();
        QCoreApplication::processEvents();
    }
    widget->ensurePolished();
    QImage image(widget->size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(KelSkin::color(QStringLiteral("window")));
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

bool saveShot(QWidget *widget, const QString &area, const QString &name, const QString &state,
              const QString &skin, bool twice)
{
    const QString path = screenshotPath(area, name, state, skin);
    bool saved = render(widget).save(path);
    if (twice) {
        QString large = path;
        large.replace(QStringLiteral(".png"), QStringLiteral("@2x.png"));
        saved = render(widget, 2.0).save(large) && saved;
    }
    return saved;
}

} // namespace GuiTest
