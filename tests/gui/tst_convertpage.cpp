// The convert page and the conversion dialog driven as a person would: real
// widgets on the offscreen platform, real conversions by ffmpeg, results
// probed with ffprobe. Dialogs and message boxes are answered as they come.
#include "support/testtools.h"
#include "gui/guitestsupport.h"

#include "kelframe/kelmessagebox.h"
#include "kelframe/kelpref.h"
#include "marlin/convert/convertlistmodel.h"
#include "marlin/convert/convertwidget.h"
#include "marlin/convertparameters/convertparametersdialog.h"
#include "marlin/convertparameters/convertparameterswidget.h"
#include "marlin/convertparameters/regexspinbox.h"
#include "tarncore/convert/convertitem.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/download/convertlist.h"
#include "tarncore/download/downloaditem.h"
#include "tarncore/settings/settingsmanager.h"
#include "widgetkit/balloonmessage.h"
#include "widgetkit/listtableview.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include <functional>
#include <memory>

using namespace Tarn;

namespace {

constexpr int RunMs = 180000;
const QString LastCategoryKey = QStringLiteral("app_last_convert_profile_category");

SettingsManager *settings()
{
    return AppContext::instance()->getSettingsManager();
}

// Answers the conversion dialog with a given action and every message box
// with OK, and keeps count of both.
class Answerer : public QObject
{
public:
    explicit Answerer(std::function<void(ConvertParametersDialog *)> onDialog = {})
        : onDialog(std::move(onDialog))
    {
        connect(&timer, &QTimer::timeout, this, &Answerer::look);
        timer.start(20);
    }

    int dialogs = 0;
    QStringList boxes;

private:
    void look()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<ConvertParametersDialog *>(modal)) {
            if (dialog->property("answered").toBool())
                return;
            dialog->setProperty("answered", true);
            ++dialogs;
            if (onDialog)
                onDialog(dialog);
            else
                dialog->cancelButton()->click();
        } else if (auto *box = qobject_cast<KelMessageBox *>(modal)) {
            boxes.append(box->text());
            box->reject();
        }
    }

    std::function<void(ConvertParametersDialog *)> onDialog;
    QTimer timer;
};

void choosePreset(ConvertParametersDialog *dialog, const QString &category, const QString &name)
{
    QVERIFY(dialog->selectCategory(category));
    QVERIFY(dialog->selectProfile(name));
    dialog->acceptButton()->click();
}

void pick(QComboBox *box, const QString &text)
{
    const int index = box->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    box->setCurrentIndex(index);
}

} // namespace

class ConvertPageTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void addedFilesConvertAsChosen_data();
    void addedFilesConvertAsChosen();
    void refusedFiles_data();
    void refusedFiles();
    void upperCaseSuffixTaken();
    void batchOfDownloadsAsksOnce_data();
    void batchOfDownloadsAsksOnce();
    void automaticConversionNotTwice();
    void actionsFollowStatus_data();
    void actionsFollowStatus();
    void videoBitRateEntry_data();
    void videoBitRateEntry();
    void regexSpinBoxEntry_data();
    void regexSpinBoxEntry();
    void outOfRangeBitRateKeepsDialogOpen();
    void checkBoxSwitchesMode();
    void vanishedLastProfile_data();
    void vanishedLastProfile();

private:
    QString makeVideo(const QString &name);
    DownloadItem *finishedDownload(const QString &file);
    void clearList();

    QTemporaryDir m_root;
    QString m_inputDir;
    QString m_outputDir;
    QString m_clip;
    QWidget m_host;
    ConvertWidget *m_page = nullptr;
    std::vector<std::unique_ptr<DownloadItem>> m_downloads;
};

QString ConvertPageTest::makeVideo(const QString &name)
{
    const QString file = QDir(m_inputDir).filePath(name);
    const TestTools::RunResult run = TestTools::run(
        TestTools::ffmpegPath(),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
         QStringLiteral("-i"), QStringLiteral("testsrc=size=640x480:rate=25:duration=2"), QStringLiteral("-f"),
         QStringLiteral("lavfi"), QStringLiteral("-i"), QStringLiteral("sine=frequency=440:duration=2"),
         QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"), QStringLiteral("ultrafast"),
         QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-c:a"), QStringLiteral("aac"),
         QStringLiteral("-shortest"), QStringLiteral("-y"), file});
    return run.succeeded() ? file : QString();
}

void ConvertPageTest::initTestCase()
{
    MARLIN_REQUIRE_PROGRAM("ffmpeg");
    MARLIN_REQUIRE_PROGRAM("ffprobe");
    QVERIFY(m_root.isValid());
    GuiTest::isolate(m_root);
    AppContext::setAppDirOverride(TestTools::appDir());
    QVERIFY(AppContext::instance()->init());
    m_inputDir = m_root.filePath(QStringLiteral("input"));
    m_outputDir = m_root.filePath(QStringLiteral("output"));
    QVERIFY(QDir().mkpath(m_inputDir));
    m_clip = makeVideo(QStringLiteral("clip.mp4"));
    QVERIFY(!m_clip.isEmpty());
    settings()->setConvertSaveMode(ConvertSaveInConvertDir);
    settings()->setConvertDestDir(m_outputDir);
    QCursor::setPos(-500, -500);

    auto *layout = new QVBoxLayout(&m_host);
    layout->setContentsMargins(0, 0, 0, 0);
    m_page = new ConvertWidget(&m_host);
    layout->addWidget(m_page);
    m_host.resize(900, 560);
    m_host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_host));
    QVERIFY(m_page->isEmptyHintShown());
}

void ConvertPageTest::init()
{
    settings()->setConvertOptionMode(ConvertOptionAsk);
    settings()->setLastConvertProfileName(QString());
    KelPref::instance()->remove(LastCategoryKey);
}

void ConvertPageTest::cleanup()
{
    clearList();
    m_downloads.clear();
}

void ConvertPageTest::clearList()
{
    ConvertListModel *model = m_page->getModel();
    for (int row = model->rowCount() - 1; row >= 0; --row) {
        model->item(row)->cancel();
        model->removeItem(row);
    }
}

DownloadItem *ConvertPageTest::finishedDownload(const QString &file)
{
    const QString url = QStringLiteral("http://www.video.example/watch?v=%1").arg(QFileInfo(file).baseName());
    auto item = std::make_unique<DownloadItem>(url);
    Kel::MediaProfile quality;
    quality.name = QStringLiteral("18");
    quality.type = Kel::Video;
    quality.format = QStringLiteral("MP4");
    quality.resolution = QSize(640, 480);
    DownloadParameters params(url);
    params.setDownloadQuality(quality);
    params.setDestFile(file);
    item->setDownloadParameters(params);
    item->setStatus(DownloadItem::Finished);
    m_downloads.push_back(std::move(item));
    return m_downloads.back().get();
}

void ConvertPageTest::addedFilesConvertAsChosen_data()
{
    QTest::addColumn<bool>("dropped");
    QTest::addColumn<bool>("custom");
    QTest::addColumn<QString>("formatCell");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QString>("videoCodec");
    QTest::addColumn<QSize>("frame");
    QTest::addColumn<QString>("audioCodec");
    QTest::addColumn<int>("sampleRate");
    QTest::newRow("preset, from the file dialog") << false << false << "E-mail Attachment" << "mp4" << "h264"
                                                  << QSize(320, 240) << "aac" << 44100;
    QTest::newRow("custom, dropped") << true << true << "MKV" << "matroska" << "mpeg4" << QSize(640, 360) << "mp3"
                                     << 44100;
}

void ConvertPageTest::addedFilesConvertAsChosen()
{
    QFETCH(bool, dropped);
    QFETCH(bool, custom);
    QFETCH(QString, formatCell);
    QFETCH(QString, container);
    QFETCH(QString, videoCodec);
    QFETCH(QSize, frame);
    QFETCH(QString, audioCodec);
    QFETCH(int, sampleRate);

    Answerer answerer([custom](ConvertParametersDialog *dialog) {
        if (!custom) {
            choosePreset(dialog, QStringLiteral("Web Video"), QStringLiteral("E-mail Attachment"));
            return;
        }
        QVERIFY(dialog->selectCategory(ConvertParametersDialog::CustomizeCategory));
        ConvertParametersWidget *widget = dialog->customWidget();
        pick(widget->formatBox(), QStringLiteral("MKV"));
        pick(widget->videoCodecBox(), QStringLiteral("MPEG-4"));
        pick(widget->videoResolutionBox(), QStringLiteral("640x360"));
        pick(widget->videoBitRateBox(), QStringLiteral("800"));
        pick(widget->audioCodecBox(), QStringLiteral("MP3"));
        pick(widget->audioBitRateBox(), QStringLiteral("128"));
        pick(widget->sampleRateBox(), QStringLiteral("44100"));
        dialog->acceptButton()->click();
    });
    QSignalSpy balloons(BalloonMessage::getInstance(), &BalloonMessage::message);
    if (dropped) {
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(m_clip)});
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_page, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_page, &drop);
        QVERIFY(drop.isAccepted());
    } else {
        m_page->addChosenFiles({m_clip});
        QCOMPARE(KelPref::instance()->value(QStringLiteral("last_openfile_dir")).toString(), m_inputDir);
    }
    ConvertListModel *model = m_page->getModel();
    QTRY_COMPARE(model->rowCount(), 1);
    QCOMPARE(answerer.dialogs, 1);
    QVERIFY(!m_page->isEmptyHintShown());
    QCOMPARE(balloons.last().at(0).toString(), QStringLiteral("Added to the conversion list."));
    QCOMPARE(model->index(0, ConvertListModel::FormatColumn).data().toString(), formatCell);
    QCOMPARE(settings()->getLastConvertProfileName(),
             custom ? SettingsManager::CustomizedProfileName : QStringLiteral("E-mail Attachment"));

    ConvertItem *item = model->item(0);
    QTRY_VERIFY_WITH_TIMEOUT(!item->isWorking(), RunMs);
    QCOMPARE(item->getStatus(), ConvertItem::StatusFinished);
    const QString result = item->getConvertParameters().getDestFile();
    QCOMPARE(QFileInfo(result).absolutePath(), m_outputDir);
    const TestTools::ProbeResult probe = TestTools::probeStreams(result);
    QVERIFY2(probe.ok, qPrintable(probe.error));
    QVERIFY(probe.formatName.split(QLatin1Char(',')).contains(container));
    const TestTools::StreamInfo video = probe.streamsOfType(QStringLiteral("video")).value(0);
    QCOMPARE(video.codecName, videoCodec);
    QCOMPARE(QSize(video.width, video.height), frame);
    const TestTools::StreamInfo audio = probe.streamsOfType(QStringLiteral("audio")).value(0);
    QCOMPARE(audio.codecName, audioCodec);
    QCOMPARE(audio.sampleRate, sampleRate);
    QVERIFY(m_page->clearAction()->isEnabled());
}

void ConvertPageTest::refusedFiles_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("balloons");
    const QString text = m_root.filePath(QStringLiteral("input/notes.txt"));
    QFile(text).open(QIODevice::WriteOnly);
    const QString fake = m_root.filePath(QStringLiteral("input/broken.mp4"));
    QFile broken(fake);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("not a video at all");
    broken.close();
    QTest::newRow("nothing chosen") << QStringList() << 0;
    QTest::newRow("unsupported only") << QStringList{text} << 1;
    QTest::newRow("supported name, no video") << QStringList{fake} << 1;
}

void ConvertPageTest::refusedFiles()
{
    QFETCH(QStringList, files);
    QFETCH(int, balloons);
    Answerer answerer;
    QSignalSpy spy(BalloonMessage::getInstance(), &BalloonMessage::message);
    m_page->addChosenFiles(files);
    QCOMPARE(spy.count(), balloons);
    if (balloons > 0)
        QCOMPARE(spy.first().at(0).toString(), QStringLiteral("The added video(s) are invalid."));
    QCOMPARE(m_page->getModel()->rowCount(), 0);
    QCOMPARE(answerer.dialogs, 0);
    QVERIFY(answerer.boxes.isEmpty());
}

void ConvertPageTest::upperCaseSuffixTaken()
{
    const QString upper = QDir(m_inputDir).filePath(QStringLiteral("HOLIDAY.MP4"));
    QVERIFY(QFile::copy(m_clip, upper));
    settings()->setConvertOptionMode(ConvertOptionQuick);
    settings()->setLastConvertProfileName(QStringLiteral("MP3 Small"));
    m_page->addChosenFiles({upper});
    QCOMPARE(m_page->getModel()->rowCount(), 1);
    QCOMPARE(m_page->getModel()->item(0)->getConvertParameters().getSrcFile(), upper);
}

void ConvertPageTest::batchOfDownloadsAsksOnce_data()
{
    QTest::addColumn<bool>("accept");
    QTest::newRow("accepted: all three") << true;
    QTest::newRow("cancelled: none") << false;
}

void ConvertPageTest::batchOfDownloadsAsksOnce()
{
    QFETCH(bool, accept);
    QList<DownloadItem *> downloads;
    for (int i = 0; i < 3; ++i) {
        const QString copy = QDir(m_inputDir).filePath(QStringLiteral("download%1.mp4").arg(i));
        QFile::remove(copy);
        QVERIFY(QFile::copy(m_clip, copy));
        downloads.append(finishedDownload(copy));
    }
    Answerer answerer([accept](ConvertParametersDialog *dialog) {
        if (accept)
            choosePreset(dialog, QStringLiteral("Audio"), QStringLiteral("MP3 Small"));
        else
            dialog->cancelButton()->click();
    });
    QSignalSpy balloons(BalloonMessage::getInstance(), &BalloonMessage::message);
    m_page->onConvert(downloads, false);
    QCOMPARE(answerer.dialogs, 1);
    QCOMPARE(m_page->getModel()->rowCount(), accept ? 3 : 0);
    QCOMPARE(balloons.count(), accept ? 1 : 0);
    if (accept)
        QCOMPARE(balloons.first().at(0).toString(), QStringLiteral("Added 3 files to the conversion list."));
    QCOMPARE(settings()->getLastConvertProfileName(), accept ? QStringLiteral("MP3 Small") : QString());
}

void ConvertPageTest::automaticConversionNotTwice()
{
    settings()->setConvertOptionMode(ConvertOptionQuick);
    settings()->setLastConvertProfileName(QStringLiteral("MP3 Small"));
    DownloadItem *download = finishedDownload(m_clip);
    Answerer answerer;
    QSignalSpy balloons(BalloonMessage::getInstance(), &BalloonMessage::message);
    m_page->onConvert({download}, true);
    QCOMPARE(m_page->getModel()->rowCount(), 1);
    balloons.clear();
    m_page->onConvert({download}, true);
    QCOMPARE(m_page->getModel()->rowCount(), 1);
    QCOMPARE(balloons.count(), 0);
    // Asked for by hand, the same conversion is refused aloud.
    m_page->onConvert({download}, false);
    QCOMPARE(m_page->getModel()->rowCount(), 1);
    QCOMPARE(balloons.count(), 1);
    QCOMPARE(balloons.first().at(0).toString(), QStringLiteral("Same conversion already existed."));
    QCOMPARE(answerer.dialogs, 0);
}

void ConvertPageTest::actionsFollowStatus_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("start");
    QTest::addColumn<bool>("pause");
    QTest::newRow("finished") << int(ConvertItem::StatusFinished) << false << false;
    QTest::newRow("failed") << int(ConvertItem::StatusError) << true << false;
    QTest::newRow("paused") << int(ConvertItem::StatusPaused) << true << false;
    QTest::newRow("converting") << int(ConvertItem::StatusConverting) << false << true;
    QTest::newRow("waiting for a slot") << int(ConvertItem::StatusStarting) << false << true;
}

void ConvertPageTest::actionsFollowStatus()
{
    QFETCH(int, status);
    QFETCH(bool, start);
    QFETCH(bool, pause);
    auto *item = new ConvertItem();
    item->setStatus(ConvertItem::Status(status));
    m_page->getModel()->append(item);
    QVERIFY(!m_page->startAction()->isEnabled());
    m_page->getTableView()->onSelect(0);
    QCOMPARE(m_page->startAction()->isEnabled(), start);
    QCOMPARE(m_page->pauseAction()->isEnabled(), pause);
    QCOMPARE(m_page->startAllAction()->isEnabled(), start);
    QCOMPARE(m_page->pauseAllAction()->isEnabled(), pause);
    QVERIFY(m_page->removeAction()->isEnabled());
    QCOMPARE(m_page->clearAction()->isEnabled(), status == ConvertItem::StatusFinished);
}

void ConvertPageTest::videoBitRateEntry_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("leading zero") << "05" << false;
    QTest::newRow("one digit") << "9" << false;
    QTest::newRow("the word") << "Auto" << true;
    QTest::newRow("two digits") << "96" << true;
}

void ConvertPageTest::videoBitRateEntry()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    ConvertParametersDialog dialog(&m_host);
    QVERIFY(dialog.selectCategory(ConvertParametersDialog::CustomizeCategory));
    QComboBox *box = dialog.customWidget()->videoBitRateBox();
    box->lineEdit()->clear();
    QTest::keyClicks(box->lineEdit(), text);
    QCOMPARE(box->lineEdit()->hasAcceptableInput(), accepted);
}

void ConvertPageTest::regexSpinBoxEntry_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("acceptable");
    const QString twoDigits = QStringLiteral("^[1-9][0-9]\\d*");
    QTest::newRow("two digits") << twoDigits << "96" << "96" << true;
    QTest::newRow("leading zero refused") << twoDigits << "05" << "5" << false;
    QTest::newRow("the range still counts") << twoDigits << "123456" << "12345" << true;
    QTest::newRow("no pattern") << QString() << "5" << "5" << true;
}

void ConvertPageTest::regexSpinBoxEntry()
{
    QFETCH(QString, pattern);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(bool, acceptable);
    RegexSpinBox box(&m_host);
    box.setRange(0, 100000);
    box.setPattern(pattern);
    QCOMPARE(box.getPattern(), pattern);
    auto *edit = box.findChild<QLineEdit *>();
    QVERIFY(edit);
    edit->clear();
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), shown);
    QCOMPARE(edit->hasAcceptableInput(), acceptable);
}

void ConvertPageTest::outOfRangeBitRateKeepsDialogOpen()
{
    ConvertParametersDialog dialog(&m_host);
    dialog.show();
    QVERIFY(dialog.selectCategory(ConvertParametersDialog::CustomizeCategory));
    ConvertParametersWidget *widget = dialog.customWidget();
    pick(widget->formatBox(), QStringLiteral("MP4"));
    pick(widget->videoResolutionBox(), QStringLiteral("1280x720"));
    widget->videoBitRateBox()->setEditText(QStringLiteral("99999"));
    dialog.acceptButton()->click();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(QToolTip::text(), QStringLiteral("Value of video bitrate should be between 1000 and 8000."));
    QCOMPARE(settings()->getLastConvertProfileName(), QString());

    widget->videoBitRateBox()->setEditText(QStringLiteral("1800"));
    dialog.acceptButton()->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const Kel::MediaProfile stored = settings()->getLastCustomConvertProfile();
    QCOMPARE(stored.vBitRate, 1800000);
    QCOMPARE(stored.resolution, QSize(1280, 720));
    QVERIFY(!stored.autoBitRate);
    // The typed rate comes back with the dialog.
    ConvertParametersDialog again(&m_host);
    QVERIFY(again.isCustomPageShown());
    QCOMPARE(again.customWidget()->videoBitRateBox()->currentText(), QStringLiteral("1800"));
    QCOMPARE(again.getProfile().vBitRate, 1800000);
}

void ConvertPageTest::checkBoxSwitchesMode()
{
    const auto run = [this](bool tick, bool accept) {
        ConvertParametersDialog dialog(&m_host);
        dialog.show();
        dialog.defaultCheckBox()->setChecked(tick);
        (accept ? dialog.acceptButton() : dialog.cancelButton())->click();
    };
    run(true, false);
    QCOMPARE(settings()->getConvertOptionMode(), ConvertOptionAsk);
    QCOMPARE(settings()->getLastConvertProfileName(), QString());
    run(true, true);
    QCOMPARE(settings()->getConvertOptionMode(), ConvertOptionLastProfile);
    {
        ConvertParametersDialog dialog(&m_host);
        QVERIFY(dialog.defaultCheckBox()->isChecked());
    }
    run(false, true);
    QCOMPARE(settings()->getConvertOptionMode(), ConvertOptionAsk);
}

void ConvertPageTest::vanishedLastProfile_data()
{
    QTest::addColumn<QString>("storedCategory");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("tile");
    QTest::newRow("its category known") << "Audio" << "Audio" << "MP3 High Quality";
    QTest::newRow("its category unknown") << "" << "Video" << "MP4 HD 720p";
}

void ConvertPageTest::vanishedLastProfile()
{
    QFETCH(QString, storedCategory);
    QFETCH(QString, category);
    QFETCH(QString, tile);
    settings()->setLastConvertProfileName(QStringLiteral("A Preset Of An Older Version"));
    if (!storedCategory.isEmpty())
        KelPref::instance()->setValue(LastCategoryKey, storedCategory);
    ConvertParametersDialog dialog(&m_host);
    QCOMPARE(dialog.currentCategory(), category);
    QVERIFY(!dialog.isCustomPageShown());
    QCOMPARE(dialog.profileList()->currentRow(), 0);
    QCOMPARE(dialog.getProfile().name, tile);
    QVERIFY(dialog.acceptButton()->isEnabled());
}

QTEST_MAIN(ConvertPageTest)
#include "tst_convertpage.moc"
