// Saves a picture of an X display, or of one window on it, as a PNG:
//
//   marlin-xshot OUTPUT.png [WINDOW_ID]
//
// For the real-window test and the demo, which drive the program under Xvfb
// where no desktop offers a screenshot tool. The display is $DISPLAY; a
// window id is decimal or 0x-hexadecimal, as xdotool prints it.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2 || arguments.size() > 3) {
        std::fprintf(stderr, "usage: marlin-xshot OUTPUT.png [WINDOW_ID]\n");
        return 2;
    }
    WId window = 0;
    if (arguments.size() == 3) {
        bool ok = false;
        window = WId(arguments.at(2).toULongLong(&ok, 0));
        if (!ok) {
            std::fprintf(stderr, "marlin-xshot: not a window id: %s\n", qPrintable(arguments.at(2)));
            return 2;
        }
    }
    QScreen *screen = QGuiApplication::primaryScreen();
    const QPixmap picture = screen ? screen->grabWindow(window) : QPixmap();
    if (picture.isNull() || !picture.save(arguments.at(1), "PNG")) {
        std::fprintf(stderr, "marlin-xshot: could not grab or save %s\n", qPrintable(arguments.at(1)));
        return 1;
    }
    return 0;
}
