#pragma once

#include <QImage>
#include <QString>

class QTemporaryDir;
class QWidget;

// Helpers of the window and widget tests.
namespace GuiTest {

// Points the user's folders below root and the skin at the repository's
// resources, so that a test never touches the user's own files.
void isolate(const QTemporaryDir &root);

// "<build>/screenshots/<area>/<widget>-<state>-<skin>.png"; the folder is
// created.
QString screenshotPath(const QString &area, const QString &widget, const QString &state,
                       const QString &skin);

// Renders widget (shown offscreen first when it is hidden) at the given
// scale, on the window colour so that translucent corners read as they do
// on screen.
QImage render(QWidget *widget, qreal scale = 1.0);

// Renders and saves a widget; with twice also "...@2x.png" at scale 2.
bool saveShot(QWidget *widget, const QString &area, const QString &name, const QString &state,
              const QString &skin, bool twice = false);

} // namespace GuiTest
