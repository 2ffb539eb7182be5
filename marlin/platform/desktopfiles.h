#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class QObject;

namespace Tarn {

// The desktop's file manager and default programs, for the pages: show a
// file selected in its folder, open a file with the program the desktop
// chose for it, open an address in the browser.
//
// A file is shown through the freedesktop file-manager interface over the
// session bus (ShowItems); where no file manager answers within three
// seconds its folder is opened with the desktop's default handler instead.
class DesktopFiles
{
public:
    // Shows path: a file selected in its folder, a folder opened.
    static void showInFolder(const QString &path);
    // Opens the folder with the default handler; false when none ran.
    static bool openFolder(const QString &folder);
    // Opens file with its default program. done(false) follows, on the GUI
    // thread while context lives, when no program could open it.
    static void openFile(const QString &file, QObject *context, const std::function<void(bool)> &done);
    static bool openUrl(const QUrl &url);

    // Tests: the program that opens files ("xdg-open" where it exists) and
    // the bus name of the file manager. Empty restores the default.
    static void setOpenProgram(const QString &program);
    static void setFileManagerService(const QString &service);
};

} // namespace Tarn
