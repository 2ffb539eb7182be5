// The application context: one instance, its managers, the registered
// value types and the started pools.
#include "support/testtools.h"

#include "kelframe/kelfolders.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/downloadmanager.h"
#include "tarncore/settings/settingsmanager.h"

#include <QMetaType>
#include <QTemporaryDir>
#include <QtTest>

using Tarn::AppContext;

class TestAppContext : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void oneInstance();
    void folders();
    void initRegistersTypesAndStartsPools();

private:
    QTemporaryDir m_root;
};

void TestAppContext::initTestCase()
{
    QVERIFY(m_root.isValid());
    Kel::setFolderRoot(m_root.filePath(QStringLiteral("home")));
}

void TestAppContext::cleanupTestCase()
{
    AppContext::setAppDirOverride(QString());
}

void TestAppContext::oneInstance()
{
    AppContext *context = AppContext::instance();
    QVERIFY(context);
    Tarn::SettingsManager *settings = context->getSettingsManager();
    Tarn::DownloadManager *downloads = context->getDownloadManager();
    QVERIFY(settings);
    QVERIFY(downloads);
    QVERIFY(!downloads->parent());
    QCOMPARE(AppContext::instance(), context);
    QCOMPARE(AppContext::instance()->getSettingsManager(), settings);
    QCOMPARE(AppContext::instance()->getDownloadManager(), downloads);
    // Nothing is started before init().
    QCOMPARE(downloads->getDownloadPool().getPassCount(), quint64(0));
    QCOMPARE(downloads->getHttpPool().getPassCount(), quint64(0));
    QCOMPARE(downloads->getHttpPool().getInterval(), 100);
}

void TestAppContext::folders()
{
    const QString folder = m_root.filePath(QStringLiteral("installed"));
    AppContext::setAppDirOverride(folder + QLatin1Char('/'));
    QCOMPARE(AppContext::getAppDir(), folder);
    QCOMPARE(AppContext::getAppConfDir(), folder + QStringLiteral("/conf"));
    QCOMPARE(AppContext::getAppResourceDir(), folder + QStringLiteral("/resource"));
    QCOMPARE(AppContext::getFontsDir(), folder + QStringLiteral("/fonts"));
    QVERIFY(!AppContext::getAppDataDir().endsWith(QLatin1Char('/')));
    QVERIFY(AppContext::getAppDataDir().startsWith(m_root.path()));
}

void TestAppContext::initRegistersTypesAndStartsPools()
{
    AppContext::setAppDirOverride(TestTools::appDir());
    AppContext *context = AppContext::instance();
    context->getSettingsManager()->setMaxDownloadNumber(3);
    QVERIFY(context->init());
    for (const char *name : {"Kel::WebMediaInfo", "Kel::Progress", "Kel::Task::Status", "Tarn::DownloadParameters"})
        QVERIFY2(QMetaType::fromName(name).isValid(), name);
    Tarn::DownloadManager *downloads = context->getDownloadManager();
    QCOMPARE(downloads->getDownloadPool().getMaxRunning(), 3);
    QCOMPARE(downloads->getHttpPool().getMaxRunning(), 1);
    QCOMPARE(downloads->getHttpPool().getInterval(), 500);
    // The schedulers run.
    const quint64 passes = downloads->getHttpPool().getPassCount();
    QTRY_VERIFY(downloads->getHttpPool().getPassCount() > passes);
    const quint64 downloadPasses = downloads->getDownloadPool().getPassCount();
    QTRY_VERIFY(downloads->getDownloadPool().getPassCount() > downloadPasses);
    // A second call changes nothing.
    QVERIFY(context->init());
    downloads->setMaxDownloadSimulaneous(0);
    QCOMPARE(downloads->getDownloadPool().getMaxRunning(), 3);
    downloads->setMaxDownloadSimulaneous(7);
    QCOMPARE(downloads->getDownloadPool().getMaxRunning(), 7);
}

QTEST_GUILESS_MAIN(TestAppContext)
#include "tst_appcontext.moc"
