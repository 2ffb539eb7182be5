#pragma once

#include "kelframe/kelframeglobal.h"

#include <QColor>
#include <QHash>
#include <QSet>
#include <QIcon>
#include <QObject>
#include <QPalette>
#include <QStringList>

class QWidget;

// The program's look: a skin is a set of named colours ("tokens") read from
// "<resource>/skins/<name>.ini". Applying one sets the application palette
// and the application style sheet, which is every "<resource>/style/*.qss"
// in file-name order with "@token" replaced by the skin's colours and
// "@icons" by the folder of the skin's icons. The icons are the outline SVGs
// of "<resource>/icons", written per skin into the user's cache folder in
// three colours: "<name>.svg" (text), "<name>-dim.svg" (dimmed text) and
// "<name>-on-accent.svg" (text on the accent colour). GUI thread only.
class KELFRAME_EXPORT KelSkin : public QObject
{
    Q_OBJECT
public:
    static KelSkin *instance();

    // "light" and "dark".
    static QStringList availableSkins();
    // The skin that matches the desktop: "dark" when the desktop's window
    // colour is dark, else "light".
    static QString defaultSkin();
    // The skin in use; before any is applied, the stored choice or the
    // default.
    static QString currentSkin();
    // Applies a skin and stores it as the user's choice; false for an
    // unknown name (nothing changes then).
    static bool applySkin(const QString &name);
    // Applies the stored choice, or the desktop's default without storing
    // anything, so that a user who never chose keeps following the desktop.
    static bool restoreSkin();
    // True once a skin has been applied in this run.
    static bool isApplied();

    // A colour of the current skin; invalid for an unknown token.
    static QColor color(const QString &token);
    static QColor color(const QString &skin, const QString &token);
    // Every token of a skin with its colour.
    static QHash<QString, QColor> colors(const QString &skin);
    // The recoloured icon file of the current skin ("check", "check-dim",
    // "check-on-accent"); empty when there is no such icon.
    static QString iconPath(const QString &name);
    // The icon in the text colour, with its dimmed variant for the disabled
    // mode; a null icon when there is none.
    static QIcon icon(const QString &name);
    // The whole resolved style sheet of a skin.
    static QString styleSheet(const QString &skin);
    // The palette a skin gives the application.
    static QPalette palette(const QString &skin);
    // The folder holding a skin's recoloured icons.
    static QString iconFolder(const QString &skin);

    // The folder holding "skins", "style" and "icons": by default
    // "<program directory>/resource". Tests and tools point it elsewhere;
    // an empty path restores the default.
    static void setResourceDir(const QString &path);
    static QString resourceDir();

    // Re-polishes a widget after one of the dynamic properties that the
    // style sheets match on has changed.
    static void repolish(QWidget *widget);

signals:
    void skinChanged(const QString &name);

private:
    explicit KelSkin(QObject *parent = nullptr);
    bool apply(const QString &name, bool remember);
    const QHash<QString, QColor> &tokens(const QString &skin);
    // With trustStamp, icons written from the same sources and colours
    // before (the folder's stamp says so) are not read and compared again.
    bool writeIcons(const QString &skin, bool trustStamp);

    QHash<QString, QHash<QString, QColor>> m_tokens;
    QString m_current;
    // Skins whose icons this process has written already.
    QSet<QString> m_iconsWritten;
    // Icons made already, by skin and name: an SVG icon reads and parses its
    // files when it is made, and many widgets show the same few icons.
    QHash<QString, QIcon> m_icons;
    QString m_resourceDir;
    QPalette m_desktopPalette;
};
