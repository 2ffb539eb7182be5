#include "kelframe/kelapplication.h"

#include "kelframe/kelmessagebox.h"
#include "kelframe/kelpref.h"
#include "kelframe/kelproductinfo.h"
#include "kelframe/kelsingleinstance.h"
#include "shared/kellog.h"
#include "shared/keltext.h"
#include "shared/toollocator.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdio>

extern "C" KELFRAME_EXPORT int kelframeVersion();

#ifndef MARLIN_VERSION
#define MARLIN_VERSION "0"
#endif

KelApplication::KelApplication(const QString &id, int &argc, char **argv)
    : QApplication(argc, argv)
    , m_id(id)
    , m_singleInstance(new KelSingleInstance(this))
{
    connect(m_singleInstance, &KelSingleInstance::messageReceived, this, &KelApplication::onMessageReceived);
    installEventFilter(this);
}

KelApplication::~KelApplication()
{
    for (QTranslator *translator : qAsConst(m_translators))
        removeTranslator(translator);
    qDeleteAll(m_translators);
}

bool KelApplication::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide) && !event->spontaneous() && watched->isWidgetType()) {
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (dialog && dialog->isWindow() && dialog->isModal() && !qobject_cast<KelDialog *>(dialog)) {
            if (type == QEvent::Show) {
                if (auto *files = qobject_cast<QFileDialog *>(dialog))
                    fitFileDialog(files);
                dialog->raise();
                dialog->activateWindow();
            } else if (QWidget *owner = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr) {
                const QWindow *focus = QGuiApplication::focusWindow();
                if (owner->isVisible() && (!focus || focus == dialog->windowHandle())) {
                    owner->raise();
                    owner->activateWindow();
                }
            }
        }
    }
    return QApplication::eventFilter(watched, event);
}

// Qt's own file dialog opens too small to show its columns: it gets a
// comfortable size once, centred over its window (or its screen).
void KelApplication::fitFileDialog(QFileDialog *dialog)
{
    if (dialog->property("kelFitted").toBool())
        return;
    dialog->setProperty("kelFitted", true);
    const QScreen *screen = dialog->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QSize size = dialog->size().expandedTo(QSize(860, 540)).boundedTo(available.size() * 9 / 10);
    if (size == dialog->size())
        return;
    const QWidget *owner = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    QRect frame(QPoint(), size);
    frame.moveCenter(owner && owner->isVisible() ? owner->geometry().center() : available.center());
    frame.moveTopLeft(QPoint(qBound(available.left(), frame.left(), qMax(available.left(), available.right() - size.width())),
                             qBound(available.top(), frame.top(), qMax(available.top(), available.bottom() - size.height()))));
    dialog->setGeometry(frame);
    // Once laid out at that size, the name column takes the room the other
    // columns leave (it can still be resized by hand).
    QTimer::singleShot(0, dialog, [dialog] {
        auto *files = dialog->findChild<QTreeView *>(QStringLiteral("treeView"));
        if (!files)
            return;
        QHeaderView *header = files->header();
        // Size, type and date as wide as their usual texts.
        const QFontMetrics metrics(files->font());
        const QString samples[] = {
            QStringLiteral("999.9 MiB"), QStringLiteral("MPEG-4 video"),
            QLocale().toString(QDateTime(QDate(2000, 12, 28), QTime(23, 59, 59)), QLocale::ShortFormat)};
        int others = 0;
        for (int section = 1; section < header->count(); ++section) {
            if (header->isSectionHidden(section))
                continue;
            if (section <= 3)
                header->resizeSection(section, qMax(header->sectionSize(section),
                                                    metrics.horizontalAdvance(samples[section - 1]) + 24));
            others += header->sectionSize(section);
        }
        header->resizeSection(0, qMax(200, files->viewport()->width() - others));
    });
}

KelApplication *KelApplication::instance()
{
    return qobject_cast<KelApplication *>(QCoreApplication::instance());
}

void KelApplication::setKelframeVersion(int version)
{
    m_kelframeVersion = version;
    if (version > ::kelframeVersion())
        KEL_ERROR("The program asks for framework %d, this is framework %d", version, ::kelframeVersion());
}

int KelApplication::kelframeVersion() const
{
    return m_kelframeVersion ? m_kelframeVersion : ::kelframeVersion();
}

QStringList KelApplication::requiredConfFiles()
{
    return {QStringLiteral("product.ini"), QStringLiteral("basic_parameters.json"),
            QStringLiteral("profiles.json")};
}

bool KelApplication::checkIntegrality(const QString &appDir)
{
    bool whole = true;
    const QStringList files = requiredConfFiles();
    for (const QString &name : files) {
        const QString path = appDir + QStringLiteral("/conf/") + name;
        QFile file(path);
        if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
            KEL_ERROR("Installation damaged, missing or unreadable: %s", qUtf8Printable(path));
            whole = false;
        }
    }
    return whole;
}

bool KelApplication::checkIntegrality() const
{
    return checkIntegrality(Kel::ToolLocator::applicationDir());
}

namespace {

QString &translationsDirOverride()
{
    static QString dir;
    return dir;
}

const char *const LanguageKey = "kelframe/language";
const char *const TranslationPrefix = "marlin_";

} // namespace

QString KelApplication::translationsDir()
{
    const QString dir = translationsDirOverride();
    return dir.isEmpty() ? Kel::ToolLocator::applicationDir() + QStringLiteral("/translations") : dir;
}

void KelApplication::setTranslationsDir(const QString &path)
{
    translationsDirOverride() = path;
}

QStringList KelApplication::availableLanguages()
{
    QStringList codes{QStringLiteral("en")};
    const QStringList files = QDir(translationsDir())
                                  .entryList({QLatin1String(TranslationPrefix) + QStringLiteral("*.qm")},
                                             QDir::Files | QDir::Readable);
    for (const QString &file : files) {
        const QString code = file.mid(int(qstrlen(TranslationPrefix))).chopped(3);
        if (!code.isEmpty() && !codes.contains(code))
            codes.append(code);
    }
    std::sort(codes.begin(), codes.end());
    return codes;
}

QString KelApplication::languageDisplayName(const QString &code)
{
    const QLocale locale(code);
    QString name = locale.language() == QLocale::English && !code.contains(QLatin1Char('_'))
                       ? QStringLiteral("English")
                       : locale.nativeLanguageName();
    if (name.isEmpty())
        name = code;
    name[0] = name.at(0).toUpper();
    return name;
}

QString KelApplication::languageName() const
{
    const QString chosen = pref()->value(QLatin1String(LanguageKey)).toString();
    return chosen.isEmpty() ? QLocale::system().name() : chosen;
}

QString KelApplication::currentLanguage() const
{
    return m_currentLanguage;
}

bool KelApplication::setLanguage(const QString &code)
{
    if (!availableLanguages().contains(code)) {
        KEL_ERROR("No translation for language %s", qUtf8Printable(code));
        return false;
    }
    pref()->setValue(QLatin1String(LanguageKey), code);
    installTranslators();
    emit languageChanged(m_currentLanguage);
    return true;
}

bool KelApplication::installTranslators()
{
    const QLocale locale(languageName());
    const QString folder = translationsDir();

    // The new translators go in before the old ones leave, so that windows
    // retranslating on the way never fall back to a third language.
    QList<QTranslator *> loaded;
    auto *qtBase = new QTranslator(this);
    if (qtBase->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder)
        || qtBase->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        loaded.append(qtBase);
    } else {
        delete qtBase;
    }
    QString language = QStringLiteral("en");
    auto *own = new QTranslator(this);
    if (own->load(locale, QStringLiteral("marlin"), QStringLiteral("_"), folder)) {
        loaded.append(own);
        const QString base = QFileInfo(own->filePath()).completeBaseName();
        language = base.mid(int(qstrlen(TranslationPrefix)));
    } else {
        delete own;
        own = nullptr;
    }
    // Known before the first LanguageChange arrives: windows style
    // themselves by it while they retranslate.
    m_currentLanguage = language;

    const QList<QTranslator *> old = m_translators;
    m_translators = loaded;
    for (QTranslator *translator : loaded)
        installTranslator(translator);
    for (QTranslator *translator : old)
        removeTranslator(translator);
    qDeleteAll(old);
    return own != nullptr;
}

int KelApplication::reportDamagedInstallation(int argc)
{
    if (argc <= 1)
        KelMessageBox::alert(tr("Error"), tr("Start the program failed. Please re-install it."), nullptr, true);
    return 0;
}

bool KelApplication::applyMacAppStoreRule()
{
    if (!KelProductInfo::isTrue(QString::fromLatin1(KelProductInfo::SupportMacAppStoreKey)))
        return false;
    const QString company = pref()->company_root_key();
    setOrganizationDomain(company);
    setOrganizationName(company);
    return true;
}

bool KelApplication::initCfg(const char *prefFile, bool loadPref)
{
    const QString product = KelProductInfo::value(QString::fromLatin1(KelProductInfo::ProductNameKey));
    setApplicationName(product);
    setApplicationDisplayName(product);
    setApplicationVersion(QStringLiteral(MARLIN_VERSION));
    if (!loadPref)
        return true;
    KelPref *store = KelPref::instance();
    if (prefFile && *prefFile)
        store->setFile(QFile::decodeName(prefFile));
    return true;
}

bool KelApplication::processCmdLine(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Downloads videos from video pages and converts media files."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("url"), tr("Address of a video page to open."),
                                 QStringLiteral("[url]"));

    m_cmdLineExitCode = 0;
    m_startUrl.clear();
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "%s\n\n%s", qUtf8Printable(parser.errorText()), qUtf8Printable(parser.helpText()));
        std::fflush(stderr);
        m_cmdLineExitCode = 1;
        return true;
    }
    if (parser.isSet(helpOption)) {
        std::fputs(qUtf8Printable(parser.helpText()), stdout);
        std::fflush(stdout);
        return true;
    }
    if (parser.isSet(versionOption)) {
        const QString product = KelProductInfo::value(QString::fromLatin1(KelProductInfo::ProductNameKey));
        std::printf("%s %s\n", qUtf8Printable(product), MARLIN_VERSION);
        std::fflush(stdout);
        return true;
    }
    const QStringList positional = parser.positionalArguments();
    for (const QString &argument : positional) {
        const QString candidate = argument.trimmed();
        if (Kel::Text::isWebAddress(candidate)) {
            m_startUrl = candidate;
            break;
        }
    }
    return false;
}

int KelApplication::cmdLineExitCode() const
{
    return m_cmdLineExitCode;
}

QString KelApplication::startUrl() const
{
    return m_startUrl;
}

bool KelApplication::isRunning(const QString &id)
{
    const QString effective = id.isEmpty() ? m_id : id;
    if (effective.isEmpty())
        return false;
    if (!m_singleInstance->isRunning(effective))
        return false;
    if (!m_singleInstance->sendMessage(m_startUrl))
        KEL_ERROR("The running instance did not take the message");
    return true;
}

bool KelApplication::isRunning()
{
    return isRunning(QString());
}

bool KelApplication::sendMessage(const QString &message, int timeoutMs)
{
    return m_singleInstance->sendMessage(message, timeoutMs);
}

void KelApplication::setMainWindow(QWidget *window)
{
    m_mainWindow = window;
}

QWidget *KelApplication::mainWindow() const
{
    return m_mainWindow;
}

void KelApplication::setActivationWindow(QWidget *window, bool activateOnMessage)
{
    m_activationWindow = window;
    m_activateOnMessage = activateOnMessage;
}

QWidget *KelApplication::activationWindow() const
{
    return m_activationWindow;
}

KelPref *KelApplication::pref() const
{
    return KelPref::instance();
}

void KelApplication::activateWindow()
{
    // The activation widget may be a window's frame rather than the window.
    QWidget *window = m_activationWindow ? m_activationWindow->window() : nullptr;
    if (!window)
        return;
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}

void KelApplication::onMessageReceived(const QString &message)
{
    if (m_activateOnMessage)
        activateWindow();
    emit messageReceived(message);
    const QString url = message.trimmed();
    if (Kel::Text::isWebAddress(url))
        emit openUrlRequested(url);
}
