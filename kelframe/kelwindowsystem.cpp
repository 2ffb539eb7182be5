#include "kelframe/kelwindowsystem.h"

#include <QByteArray>
#include <QGuiApplication>

#if QT_CONFIG(xcb) && defined(MARLIN_HAVE_XCB)
#include <xcb/xcb.h>
#endif

#include <cstdlib>

namespace Kel {

namespace {

#if QT_CONFIG(xcb) && defined(MARLIN_HAVE_XCB)
// A compositing manager owns the selection "_NET_WM_CM_S<screen>".
bool x11Compositing()
{
    auto *x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    int screen = 0;
    const QByteArray display = qgetenv("DISPLAY");
    const int dot = display.lastIndexOf('.');
    if (dot > display.lastIndexOf(':'))
        screen = display.mid(dot + 1).toInt();
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, uint16_t(name.size()), name.constData()), nullptr);
    if (!atom)
        return false;
    const xcb_atom_t selection = atom->atom;
    std::free(atom);
    if (selection == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr);
    if (!owner)
        return false;
    const bool owned = owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    return owned;
}
#endif

} // namespace

bool hasCompositing()
{
    const QByteArray forced = qgetenv("MARLIN_COMPOSITING");
    if (forced == "0" || forced == "1")
        return forced == "1";
    const QString platform = QGuiApplication::platformName();
#if QT_CONFIG(xcb) && defined(MARLIN_HAVE_XCB)
    if (platform == QLatin1String("xcb"))
        return x11Compositing();
#endif
    // Wayland, Windows and macOS always composite; offscreen, VNC, the
    // frame buffer and EGLFS never do.
    return platform.startsWith(QLatin1String("wayland")) || platform == QLatin1String("windows")
           || platform == QLatin1String("cocoa");
}

} // namespace Kel
