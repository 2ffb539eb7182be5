#include "kelframe/kelapplication.h"

#include "kelframe/kelpref.h"
#include "kelframe/kelproductinfo.h"
#include "kelframe/kelsingleinstance.h"
#include "shared/kellog.h"
#include "shared/keltext.h"
#include "shared/toollocator.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QWidget>

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
}

KelApplication::~KelApplication()
{
    for (QTranslator *translator : qAsConst(m_translators))
        removeTranslator(translator);
    qDeleteAll(m_translators);
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

QString KelApplication::languageName() const
{
    const QString chosen = pref()->value(QStringLiteral("kelframe/language")).toString();
    return chosen.isEmpty() ? QLocale::system().name() : chosen;
}

bool KelApplication::installTranslators()
{
    for (QTranslator *translator : qAsConst(m_translators))
        removeTranslator(translator);
    qDeleteAll(m_translators);
    m_translators.clear();

    const QLocale locale(languageName());
    auto *qtBase = new QTranslator(this);
    if (qtBase->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installTranslator(qtBase);
        m_translators.append(qtBase);
    } else {
        delete qtBase;
    }
    auto *own = new QTranslator(this);
    const QString folder = Kel::ToolLocator::applicationDir() + QStringLiteral("/translations");
    if (own->load(locale, QStringLiteral("marlin"), QStringLiteral("_"), folder)) {
        installTranslator(own);
        m_translators.append(own);
        return true;
    }
    delete own;
    return false;
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
    QWidget *window = m_activationWindow;
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
