#pragma once

#include <QImage>
#include <QString>

class QTemporaryDir;
class QWidget;

// Helpers of the window and widget tests.
namespace GuiTest {

// Points the user's folders below root and the skin at the repository's
// resources, so that a test never touches the user's own files. Under
// MARLIN_GALLERY_LANGUAGE=<code> the program's translation to that language
// is installed as well, and every shot's name ends in "-<code>".
void isolate(const QTemporaryDir &root);

// "<build>/screenshots/<area>/<widget>-<state>-<skin><suffix>.png", the
// suffix "@2x" when the screen is scaled (QT_SCALE_FACTOR=2); the folder
// is created.
QString screenshotPath(const QString &area, const QString &widget, const QString &state,
                       const QString &skin);

// Renders widget (shown first when it is hidden) at its screen's pixel
// density, on the window colour so that translucent corners read as they
// do on screen.
QImage render(QWidget *widget);

// Renders and saves a widget. A gallery run once as it is and once under
// QT_SCALE_FACTOR=2 gives every shot at 100 % and at 200 %; twice is
// accepted for older callers and changes nothing.
bool saveShot(QWidget *widget, const QString &area, const QString &name, const QString &state,
              const QString &skin, bool twice = false);

} // namespace GuiTest
