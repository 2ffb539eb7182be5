#include "kelframe/kelskin.h"

#include "kelframe/keldeferrediconengine.h"
#include "kelframe/kelfolders.h"
#include "kelframe/kelpref.h"
#include "shared/kellog.h"
#include "shared/toollocator.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QStyle>
#include <QToolTip>
#include <QWidget>

#include <algorithm>

namespace {

const char *const SkinKey = "kelframe/skin";

QString colorText(const QColor &color)
{
    if (color.alpha() == 255)
        return color.name(QColor::HexRgb);
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha());
}

// "[colors]" lines "token = #rrggbb" or "#aarrggbb"; ';' starts a comment
// line. Read by hand because a value starting with '#' is what an INI
// reader would take for a comment.
QHash<QString, QColor> readSkinFile(const QString &path)
{
    QHash<QString, QColor> tokens;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        KEL_ERROR("Skin file missing or unreadable: %s", qUtf8Printable(path));
        return tokens;
    }
    bool inColors = false;
    int lineNumber = 0;
    while (!file.atEnd()) {
        ++lineNumber;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inColors = line.compare(QLatin1String("[colors]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inColors)
            continue;
        const int equals = line.indexOf(QLatin1Char('='));
        const QString key = line.left(equals).trimmed().toLower();
        const QColor color = QColor::fromString(line.mid(equals + 1).trimmed());
        if (equals <= 0 || !color.isValid()) {
            KEL_ERROR("Skin file %s, line %d: not a colour", qUtf8Printable(path), lineNumber);
            continue;
        }
        tokens.insert(key, color);
    }
    return tokens;
}

QString readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        KEL_ERROR("Unreadable file: %s", qUtf8Printable(path));
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-');
}

// Puts the value of each "@token" in place, in one pass over the text. The
// longest token that starts the name wins, so that "@accenttext" is never
// read as "@accent" followed by "text". "@icons/name" becomes the quoted
// path of that icon. Names that start no token are left as they are and
// listed in unknown.
QString substituteTokens(const QString &text, const QHash<QString, QString> &values,
                         QStringList *unknown = nullptr)
{
    if (!text.contains(QLatin1Char('@')))
        return text;
    int longest = 0;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        longest = qMax(longest, int(it.key().size()));
    QString result;
    result.reserve(text.size() + text.size() / 4);
    const qsizetype size = text.size();
    qsizetype done = 0;
    for (qsizetype at = text.indexOf(QLatin1Char('@')); at >= 0; at = text.indexOf(QLatin1Char('@'), done)) {
        result += QStringView(text).mid(done, at - done);
        qsizetype end = at + 1;
        while (end < size && isNameChar(text.at(end)))
            ++end;
        const QStringView name = QStringView(text).mid(at + 1, end - at - 1);
        qsizetype length = qMin(name.size(), qsizetype(longest));
        auto found = values.cend();
        for (; length > 0; --length) {
            found = values.constFind(name.left(length).toString());
            if (found != values.cend())
                break;
        }
        if (name.isEmpty() || !name.at(0).isLetter() || found == values.cend()) {
            if (unknown && !name.isEmpty() && name.at(0).isLetter())
                unknown->append(QLatin1Char('@') + name.toString());
            result += QStringView(text).mid(at, end - at);
            done = end;
            continue;
        }
        done = at + 1 + length;
        if (found.key() == QLatin1String("icons") && done < size && text.at(done) == QLatin1Char('/')) {
            // Quoted, so that a cache folder with blanks in its path still works.
            qsizetype pathEnd = done;
            while (pathEnd < size && text.at(pathEnd) != QLatin1Char(')') && !text.at(pathEnd).isSpace())
                ++pathEnd;
            result += QLatin1Char('"');
            result += found.value();
            result += QStringView(text).mid(done, pathEnd - done);
            result += QLatin1Char('"');
            done = pathEnd;
            continue;
        }
        result += found.value();
    }
    result += QStringView(text).mid(done);
    return result;
}

bool writeIfChanged(const QString &path, const QByteArray &content)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == content)
        return true;
    existing.close();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        KEL_ERROR("Write icon failed: %s", qUtf8Printable(path));
        return false;
    }
    return true;
}

} // namespace

KelSkin::KelSkin(QObject *parent)
    : QObject(parent)
{
    if (qApp)
        m_desktopPalette = QGuiApplication::palette();
}

KelSkin *KelSkin::instance()
{
    // Owned by the application object; a later application gets a new one.
    static QPointer<KelSkin> skin;
    if (!skin)
        skin = new KelSkin(qApp);
    return skin;
}

QStringList KelSkin::availableSkins()
{
    return {QStringLiteral("light"), QStringLiteral("dark")};
}

QString KelSkin::defaultSkin()
{
    const QColor window = instance()->m_desktopPalette.color(QPalette::Window);
    return window.lightness() < 128 ? QStringLiteral("dark") : QStringLiteral("light");
}

QString KelSkin::currentSkin()
{
    KelSkin *skin = instance();
    if (!skin->m_current.isEmpty())
        return skin->m_current;
    const QString stored = KelPref::instance()->value(QLatin1String(SkinKey)).toString();
    return availableSkins().contains(stored) ? stored : defaultSkin();
}

bool KelSkin::applySkin(const QString &name)
{
    return instance()->apply(name, true);
}

bool KelSkin::restoreSkin()
{
    const QString stored = KelPref::instance()->value(QLatin1String(SkinKey)).toString();
    if (availableSkins().contains(stored))
        return instance()->apply(stored, false);
    return instance()->apply(defaultSkin(), false);
}

bool KelSkin::isApplied()
{
    return !instance()->m_current.isEmpty();
}

bool KelSkin::apply(const QString &name, bool remember)
{
    if (!availableSkins().contains(name)) {
        KEL_ERROR("Unknown skin: %s", qUtf8Printable(name));
        return false;
    }
    if (tokens(name).isEmpty())
        return false;
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app)
        return false;
    writeIcons(name, true);
    const QPalette skinPalette = palette(name);
    QApplication::setPalette(skinPalette);
    QToolTip::setPalette(skinPalette);
    app->setStyleSheet(styleSheet(name));
    m_current = name;
    if (remember)
        KelPref::instance()->setValue(QLatin1String(SkinKey), name);
    emit skinChanged(name);
    return true;
}

const QHash<QString, QColor> &KelSkin::tokens(const QString &skin)
{
    auto it = m_tokens.find(skin);
    if (it == m_tokens.end())
        it = m_tokens.insert(skin, readSkinFile(resourceDir() + QStringLiteral("/skins/") + skin
                                                + QStringLiteral(".ini")));
    return it.value();
}

QHash<QString, QColor> KelSkin::colors(const QString &skin)
{
    return instance()->tokens(skin);
}

QColor KelSkin::color(const QString &token)
{
    return color(currentSkin(), token);
}

QColor KelSkin::color(const QString &skin, const QString &token)
{
    return instance()->tokens(skin).value(token.toLower());
}

QString KelSkin::iconFolder(const QString &skin)
{
    return Kel::cachePath() + QStringLiteral("/skins/") + skin + QStringLiteral("/icons");
}

bool KelSkin::writeIcons(const QString &skin, bool trustStamp)
{
    const QHash<QString, QColor> &colors = tokens(skin);
    QHash<QString, QString> values;
    for (auto it = colors.begin(); it != colors.end(); ++it)
        values.insert(it.key(), it.value().name(QColor::HexRgb));

    const QString folder = iconFolder(skin);
    if (!QDir().mkpath(folder)) {
        KEL_ERROR("Create icon folder failed: %s", qUtf8Printable(folder));
        return false;
    }
    const QDir source(resourceDir() + QStringLiteral("/icons"));
    const QFileInfoList sources = source.entryInfoList({QStringLiteral("*.svg")}, QDir::Files, QDir::Name);
    QStringList files;
    // What the icons are made from: every source by name, size and time,
    // and the colours.
    QByteArray stamp;
    for (const QFileInfo &info : sources) {
        files.append(info.fileName());
        stamp += info.fileName().toUtf8() + ' ' + QByteArray::number(info.size()) + ' '
                 + QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + '\n';
    }
    QStringList keys = values.keys();
    std::sort(keys.begin(), keys.end());
    for (const QString &key : qAsConst(keys))
        stamp += key.toUtf8() + '=' + values.value(key).toUtf8() + '\n';
    const QString stampPath = folder + QStringLiteral("/.stamp");
    if (trustStamp) {
        QFile written(stampPath);
        if (written.open(QIODevice::ReadOnly) && written.readAll() == stamp) {
            m_icons.clear();
            return true;
        }
    }
    const struct
    {
        const char *suffix;
        const char *token;
    } variants[] = {{"", "text"}, {"-dim", "dimtext"}, {"-on-accent", "accenttext"}};

    bool whole = true;
    for (const QString &file : files) {
        const QString svg = substituteTokens(readText(source.filePath(file)), values);
        const QString base = QFileInfo(file).completeBaseName();
        for (const auto &variant : variants) {
            QString text = svg;
            text.replace(QLatin1String("currentColor"), values.value(QLatin1String(variant.token)));
            const QString target = folder + QLatin1Char('/') + base + QLatin1String(variant.suffix)
                                   + QStringLiteral(".svg");
            whole = writeIfChanged(target, text.toUtf8()) && whole;
        }
    }
    if (whole)
        whole = writeIfChanged(stampPath, stamp);
    m_iconsWritten.insert(skin);
    m_icons.clear();
    return whole;
}

QString KelSkin::iconPath(const QString &name)
{
    KelSkin *skin = instance();
    const QString current = currentSkin();
    const QString path = iconFolder(current) + QLatin1Char('/') + name + QStringLiteral(".svg");
    if (QFileInfo::exists(path))
        return path;
    // The icons of a skin that was never applied are written on first use;
    // a name with no icon (a variant of a variant) is no reason to write
    // them all again.
    if (skin->m_iconsWritten.contains(current) || !QFileInfo::exists(resourceDir() + QStringLiteral("/icons")))
        return QString();
    // Nor is a name whose source icon does not exist.
    QString base = name;
    for (const QLatin1String suffix : {QLatin1String("-dim"), QLatin1String("-on-accent")}) {
        if (base.endsWith(suffix)) {
            base.chop(suffix.size());
            break;
        }
    }
    if (!QFileInfo::exists(resourceDir() + QStringLiteral("/icons/") + base + QStringLiteral(".svg")))
        return QString();
    skin->writeIcons(current, false);
    return QFileInfo::exists(path) ? path : QString();
}

QIcon KelSkin::icon(const QString &name)
{
    KelSkin *skin = instance();
    const QString key = currentSkin() + QLatin1Char('/') + name;
    const auto cached = skin->m_icons.constFind(key);
    if (cached != skin->m_icons.constEnd())
        return cached.value();
    const QString normal = iconPath(name);
    if (normal.isEmpty())
        return QIcon();
    const QIcon icon(new KelDeferredIconEngine(normal, iconPath(name + QStringLiteral("-dim"))));
    skin->m_icons.insert(key, icon);
    return icon;
}

QString KelSkin::styleSheet(const QString &skin)
{
    const QHash<QString, QColor> &colors = instance()->tokens(skin);
    QHash<QString, QString> values;
    for (auto it = colors.begin(); it != colors.end(); ++it)
        values.insert(it.key(), colorText(it.value()));

    const QDir styleDir(resourceDir() + QStringLiteral("/style"));
    const QStringList files = styleDir.entryList({QStringLiteral("*.qss")}, QDir::Files, QDir::Name);
    QString sheet;
    for (const QString &file : files) {
        sheet += readText(styleDir.filePath(file));
        sheet += QLatin1Char('\n');
    }

    values.insert(QStringLiteral("icons"), iconFolder(skin));
    QStringList unknown;
    sheet = substituteTokens(sheet, values, &unknown);
    for (const QString &name : qAsConst(unknown))
        KEL_ERROR("Style sheet names an unknown skin colour: %s", qUtf8Printable(name));
    return sheet;
}

QPalette KelSkin::palette(const QString &skin)
{
    const QHash<QString, QColor> &c = instance()->tokens(skin);
    auto token = [&c](const char *name, const char *fallback = nullptr) {
        QColor color = c.value(QLatin1String(name));
        if (!color.isValid() && fallback)
            color = c.value(QLatin1String(fallback));
        return color;
    };

    QPalette p;
    const QColor window = token("window");
    const QColor text = token("text");
    const QColor dim = token("dimtext");
    const QColor button = token("button", "base");
    const QColor border = token("border");
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, token("base"));
    p.setColor(QPalette::AlternateBase, token("alternate"));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, token("accenttext"));
    p.setColor(QPalette::Highlight, token("accent"));
    p.setColor(QPalette::HighlightedText, token("accenttext"));
    p.setColor(QPalette::ToolTipBase, token("tooltipbase"));
    p.setColor(QPalette::ToolTipText, token("tooltiptext"));
    p.setColor(QPalette::PlaceholderText, dim);
    p.setColor(QPalette::Link, token("link", "accent"));
    p.setColor(QPalette::LinkVisited, token("link", "accent"));
    p.setColor(QPalette::Light, button.lighter(115));
    p.setColor(QPalette::Midlight, button);
    p.setColor(QPalette::Mid, border);
    p.setColor(QPalette::Dark, border.darker(120));
    p.setColor(QPalette::Shadow, token("shadow"));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, dim);
    }
    p.setColor(QPalette::Disabled, QPalette::Highlight, border);
    p.setColor(QPalette::Disabled, QPalette::HighlightedText, dim);
    return p;
}

void KelSkin::setResourceDir(const QString &path)
{
    KelSkin *skin = instance();
    skin->m_resourceDir = path.isEmpty() ? QString() : QDir::cleanPath(QDir(path).absolutePath());
    skin->m_tokens.clear();
    skin->m_icons.clear();
    // Icons made from another folder's sources are made again.
    skin->m_iconsWritten.clear();
}

QString KelSkin::resourceDir()
{
    KelSkin *skin = instance();
    if (!skin->m_resourceDir.isEmpty())
        return skin->m_resourceDir;
    return Kel::ToolLocator::applicationDir() + QStringLiteral("/resource");
}

void KelSkin::repolish(QWidget *widget)
{
    if (!widget)
        return;
    // A widget not styled yet takes its properties when it first is (the
    // style sheet style then forgets what it looked up before): styling it
    // now would style it twice.
    if (!widget->testAttribute(Qt::WA_WState_Polished))
        return;
    QStyle *style = widget->style();
    style->unpolish(widget);
    style->polish(widget);
    widget->update();
}
