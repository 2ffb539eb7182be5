#include "gui/guitestsupport.h"

#include "kelframe/kelpref.h"
#include "kelframe/kelskin.h"
#include "tarncore/download/appcontext.h"
#include "tarncore/settings/settingsmanager.h"
#include "widgetkit/balloonmessage.h"
#include "widgetkit/balloonmessagedialog.h"
#include "widgetkit/mouseeventcapture.h"
#include "widgetkit/navigatorbuttonwidget.h"
#include "widgetkit/nofocusrectstyle.h"
#include "widgetkit/popupdialog.h"
#include "widgetkit/urllineedit.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPropertyAnimation>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using Tarn::BalloonMessage;
using Tarn::BalloonMessageDialog;
using Tarn::PopupDialog;

namespace {

const QString DisabledKey = QStringLiteral("app_disabled_messages");

void hover(QWidget *widget, bool in)
{
    if (in) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)));
        QCoreApplication::sendEvent(widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(widget, &leave);
    }
}

} // namespace

// Balloons, pop-ups and the small widgets, driven like a user would.
class BalloonPopupTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void balloonReplacesAndRestarts();
    void dontShowAgainIsStored();
    void emptyIdNeverOffersOption();
    void hoverKeepsBalloonUntilLeft();
    void singleLineString_data();
    void singleLineString();

    void popupPlacement_data();
    void popupPlacement();
    void escapeClosesThroughAnimation();
    void outsideClickClosesPopup();

    void navigatorCounter_data();
    void navigatorCounter();
    void urlClearButton();
    void noFocusFrame();

private:
    QTemporaryDir m_root;
};

void BalloonPopupTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    GuiTest::isolate(m_root);
    QVERIFY(KelSkin::applySkin(QStringLiteral("light")));
}

void BalloonPopupTest::init()
{
    KelPref::instance()->remove(DisabledKey);
}

// A second balloon while one shows replaces it and starts its timing anew;
// the service hands every request to whoever shows balloons.
void BalloonPopupTest::balloonReplacesAndRestarts()
{
    BalloonMessageDialog balloon;
    QSignalSpy requests(BalloonMessage::getInstance(), &BalloonMessage::message);
    connect(BalloonMessage::getInstance(), &BalloonMessage::message, &balloon, &BalloonMessageDialog::message);

    BalloonMessage::getInstance()->balloon(QStringLiteral("Added to the downloading list."), QStringLiteral("download"));
    QVERIFY(balloon.isVisible());
    QTRY_VERIFY(balloon.opacityAnimation()->currentTime() > BalloonMessageDialog::APPEAR_DURATION);

    BalloonMessage::getInstance()->balloon(QStringLiteral("The URL is invalid."), QStringLiteral("download"),
                                           QStringLiteral("error"), BalloonMessage::DisableOptionMode);
    QCOMPARE(requests.count(), 2);
    QCOMPARE(requests.at(1).at(2).toInt(), 16);
    QVERIFY(balloon.isVisible());
    QCOMPARE(balloon.text(), QStringLiteral("The URL is invalid."));
    QCOMPARE(balloon.type(), QStringLiteral("error"));
    QVERIFY(balloon.opacityAnimation()->currentTime() < BalloonMessageDialog::APPEAR_DURATION);
    QCOMPARE(balloon.opacityAnimation()->state(), QAbstractAnimation::Running);
    disconnect(BalloonMessage::getInstance(), nullptr, &balloon, nullptr);
}

// Ticking the box and closing disables the id for good; an id that only
// contains a disabled one, or is contained in it, still shows.
void BalloonPopupTest::dontShowAgainIsStored()
{
    KelPref::instance()->setValue(DisabledKey, QStringLiteral("convert-failed"));
    BalloonMessageDialog balloon;
    auto *box = balloon.findChild<QCheckBox *>(QStringLiteral("disableMsgCheckBox"));
    auto *closeButton = balloon.findChild<QToolButton *>(QStringLiteral("closeButton"));

    balloon.message(QStringLiteral("Converting ..."), QStringLiteral(" convert "), 16, QString());
    QVERIFY(balloon.isVisible());
    QCOMPARE(balloon.msgId(), QStringLiteral("convert"));
    QVERIFY(!box->isVisible());
    hover(&balloon, true);
    QVERIFY(box->isVisible());
    QVERIFY(closeButton->isVisible());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    QVERIFY(box->isChecked());
    QTest::mouseClick(closeButton, Qt::LeftButton);
    QVERIFY(!balloon.isVisible());
    QCOMPARE(KelPref::instance()->value(DisabledKey).toString(), QStringLiteral("convert-failed,convert"));
    QCOMPARE(Tarn::AppContext::instance()->getSettingsManager()->getDisabledBalloonMessages(),
             QStringLiteral("convert-failed,convert"));

    balloon.message(QStringLiteral("Converting ..."), QStringLiteral("convert"), 16, QString());
    QVERIFY(!balloon.isVisible());
    balloon.message(QStringLiteral("Added."), QStringLiteral("conv"), 16, QString());
    QVERIFY(balloon.isVisible());
    QVERIFY(!box->isChecked());
    balloon.close();
    QCOMPARE(KelPref::instance()->value(DisabledKey).toString(), QStringLiteral("convert-failed,convert"));
}

void BalloonPopupTest::emptyIdNeverOffersOption()
{
    BalloonMessageDialog balloon;
    auto *box = balloon.findChild<QCheckBox *>(QStringLiteral("disableMsgCheckBox"));
    KelPref::instance()->setValue(DisabledKey, QStringLiteral(","));
    balloon.message(QStringLiteral("Please enter the URL."), QStringLiteral("  "), 16, QString());
    QVERIFY(balloon.isVisible());
    QCOMPARE(balloon.mode(), 0);
    hover(&balloon, true);
    QVERIFY(!box->isVisible());
    box->setChecked(true);
    balloon.close();
    QCOMPARE(KelPref::instance()->value(DisabledKey).toString(), QStringLiteral(","));
}

// Hovering holds the balloon at full opacity for as long as the mouse
// stays; leaving lets it fade out over the disappear time, never sooner.
void BalloonPopupTest::hoverKeepsBalloonUntilLeft()
{
    BalloonMessageDialog balloon;
    balloon.message(QStringLiteral("Downloading ..."), QStringLiteral("download"), 0, QString());
    hover(&balloon, true);
    QPropertyAnimation *animation = balloon.opacityAnimation();
    QCOMPARE(animation->state(), QAbstractAnimation::Paused);
    QCOMPARE(animation->currentTime(), BalloonMessageDialog::APPEAR_DURATION + BalloonMessageDialog::STAY_DURATION);
    QCOMPARE(animation->currentValue().toReal(), 1.0);
    QTest::qWait(BalloonMessageDialog::APPEAR_DURATION + BalloonMessageDialog::STAY_DURATION
                 + BalloonMessageDialog::DISAPPEAR_DURATION + 200);
    QVERIFY(balloon.isVisible());

    QElapsedTimer left;
    left.start();
    hover(&balloon, false);
    QTRY_VERIFY_WITH_TIMEOUT(!balloon.isVisible(), 20000);
    QVERIFY(left.elapsed() >= BalloonMessageDialog::DISAPPEAR_DURATION - 50);
    QVERIFY(balloon.text().isEmpty());
}

void BalloonPopupTest::singleLineString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("unchanged");
    QTest::newRow("25 characters") << QString(25, QLatin1Char('a')) << true;
    QTest::newRow("short with a break") << QStringLiteral("two\nlines") << true;
    QTest::newRow("26 characters of narrow text") << QString(26, QLatin1Char('i')) << false;
    QTest::newRow("long path") << QStringLiteral("/home/user/Videos/A rather long title of a video.mp4") << false;
    QTest::newRow("long with breaks") << QStringLiteral("Failed to transfer to iTunes:\nthe library\r\nis locked") << false;
}

// Long texts come back on one line, no wider than 150 pixels.
void BalloonPopupTest::singleLineString()
{
    QFETCH(QString, text);
    QFETCH(bool, unchanged);
    const QString result = BalloonMessage::singleLineString(text);
    if (unchanged) {
        QCOMPARE(result, text);
        return;
    }
    QVERIFY(!result.contains(QLatin1Char('\n')) && !result.contains(QLatin1Char('\r')));
    QVERIFY(QFontMetrics(QFont()).horizontalAdvance(result) <= 150);
}

void BalloonPopupTest::popupPlacement_data()
{
    QTest::addColumn<QPoint>("anchor");
    QTest::addColumn<int>("datumWidth");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QRect>("expected");
    // The pop-up's content is 200 x 100 in a 600 x 400 window.
    QTest::newRow("top-right on the point") << QPoint(500, 80) << 0 << int(PopupDialog::TopRight)
                                            << int(PopupDialog::InPlace) << QRect(300, 80, 200, 100);
    QTest::newRow("bottom-left on the point") << QPoint(50, 300) << -1 << int(PopupDialog::BottomLeft)
                                              << int(PopupDialog::FromBottom) << QRect(50, 200, 200, 100);
    QTest::newRow("centred on a 40 px button") << QPoint(300, 50) << 40 << int(PopupDialog::TopLeft)
                                               << int(PopupDialog::FromRight) << QRect(220, 50, 200, 100);
    QTest::newRow("kept inside the window") << QPoint(590, 390) << 0 << int(PopupDialog::TopLeft)
                                            << int(PopupDialog::FromLeft) << QRect(400, 300, 200, 100);
}

// Each corner lands where it is told, and the content ends filling the
// pop-up whatever direction it came from.
void BalloonPopupTest::popupPlacement()
{
    QFETCH(QPoint, anchor);
    QFETCH(int, datumWidth);
    QFETCH(int, type);
    QFETCH(int, direction);
    QFETCH(QRect, expected);

    QWidget window;
    window.resize(600, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *content = new QWidget;
    content->setFixedSize(200, 100);
    QPointer<PopupDialog> popup = new PopupDialog(content, &window);
    popup->setPopupDirection(PopupDialog::PopupDirection(direction));
    popup->setPosInfo(window.mapToGlobal(anchor), datumWidth, PopupDialog::DatumPointType(type));
    QCOMPARE(popup->popupState(), PopupDialog::NotOpened);
    popup->show();
    QCOMPARE(popup->popupState(), PopupDialog::Opening);
    QCOMPARE(popup->geometry(), expected);
    QTRY_COMPARE(popup->popupState(), PopupDialog::Opened);
    QCOMPARE(content->geometry(), QRect(QPoint(0, 0), expected.size()));
    QVERIFY(content->isVisible());
}

// Escape rejects through the closing slide: still shown while it runs,
// then finished with 0 and gone.
void BalloonPopupTest::escapeClosesThroughAnimation()
{
    QWidget window;
    window.resize(600, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *content = new QWidget;
    content->resize(240, 160);
    auto *edit = new QLineEdit(content);
    QPointer<PopupDialog> popup = new PopupDialog(content, &window);
    popup->setPopupDirection(PopupDialog::FromRight);
    popup->setPosInfo(window.mapToGlobal(QPoint(560, 40)), 0, PopupDialog::TopRight);
    QSignalSpy finished(popup.data(), &QDialog::finished);
    popup->show();
    QTRY_COMPARE(popup->popupState(), PopupDialog::Opened);
    edit->setFocus();

    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(popup->popupState(), PopupDialog::Closing);
    QVERIFY(popup->isVisible());
    QCOMPARE(finished.count(), 0);
    QTest::keyClick(edit, Qt::Key_Escape);
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), 0);
    QTRY_VERIFY(popup.isNull());
}

// A press elsewhere in the window rejects the pop-up; one on it does not.
void BalloonPopupTest::outsideClickClosesPopup()
{
    QWidget window;
    window.resize(600, 400);
    auto *layout = new QVBoxLayout(&window);
    auto *label = new QLabel(QStringLiteral("Elsewhere"), &window);
    layout->addWidget(label);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *content = new QWidget;
    content->resize(200, 120);
    auto *inside = new QLabel(QStringLiteral("Inside"), content);
    inside->resize(100, 30);
    QPointer<PopupDialog> popup = new PopupDialog(content, &window);
    popup->setPosInfo(window.mapToGlobal(QPoint(380, 260)), 0, PopupDialog::TopLeft);
    QSignalSpy finished(popup.data(), &QDialog::finished);
    popup->show();
    QTRY_COMPARE(popup->popupState(), PopupDialog::Opened);

    QTest::mouseClick(inside, Qt::LeftButton);
    QCOMPARE(popup->popupState(), PopupDialog::Opened);
    QTest::mouseClick(label, Qt::LeftButton);
    QCOMPARE(popup->popupState(), PopupDialog::Closing);
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));

    auto *own = new QLabel(QStringLiteral("Own"), &window);
    layout->addWidget(own);
    Tarn::MouseEventCapture capture;
    QSignalSpy outside(&capture, &Tarn::MouseEventCapture::outWidgetMouseClicked);
    QTRY_VERIFY(own->isVisible());
    capture.startCapture(own, &window);
    QTest::mouseClick(own, Qt::LeftButton);
    QCOMPARE(outside.count(), 0);
    QTest::mouseDClick(label, Qt::LeftButton);
    QVERIFY(outside.count() >= 1);
    capture.stopCapture();
    const int seen = int(outside.count());
    QTest::mouseClick(label, Qt::LeftButton);
    QCOMPARE(outside.count(), seen);
}

void BalloonPopupTest::navigatorCounter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("zero") << "0" << "";
    QTest::newRow("count") << "12" << "12";
    QTest::newRow("padded") << " 3 " << "3";
    QTest::newRow("negative") << "-2" << "-2";
    QTest::newRow("not a number") << "many" << "";
    QTest::newRow("empty") << "" << "";
}

void BalloonPopupTest::navigatorCounter()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    Tarn::NavigatorButtonWidget button;
    button.setText(QStringLiteral("Download"));
    button.setAdditionalText(QStringLiteral("7"));
    button.setAdditionalText(text);
    auto *counter = button.findChild<QLabel *>(QStringLiteral("additionalTextLabel"));
    QCOMPARE(button.additionalText(), shown);
    QCOMPARE(counter->isVisibleTo(&button), !shown.isEmpty());

    auto *name = button.findChild<QLabel *>(QStringLiteral("buttonTextLabel"));
    QCOMPARE(name->property("checked").toString(), QStringLiteral("false"));
    button.setChecked(true);
    QCOMPARE(name->property("checked").toString(), QStringLiteral("true"));
    QCOMPARE(counter->property("checked").toString(), QStringLiteral("true"));
}

void BalloonPopupTest::urlClearButton()
{
    Tarn::UrlLineEdit edit;
    edit.resize(426, 34);
    edit.show();
    QToolButton *clear = edit.clearButton();
    QCOMPARE(clear->objectName(), QStringLiteral("clearBtn"));
    QCOMPARE(clear->focusPolicy(), Qt::NoFocus);
    QVERIFY(!clear->isVisible());
    QTest::keyClicks(&edit, QStringLiteral("https://videos.example/watch?v=1"));
    QVERIFY(clear->isVisible());
    QVERIFY(clear->geometry().right() < edit.width() && clear->geometry().left() > edit.width() / 2);
    QCOMPARE(edit.textMargins().right(), clear->width());
    QTest::mouseClick(clear, Qt::LeftButton);
    QVERIFY(edit.text().isEmpty());
    QVERIFY(!clear->isVisible());
}

// Everything is drawn but the focus frame.
void BalloonPopupTest::noFocusFrame()
{
    NoFocusRectStyle style;
    QImage image(40, 40, QImage::Format_ARGB32);
    image.fill(Qt::white);
    const QImage blank = image.copy();
    QStyleOption option;
    option.rect = QRect(5, 5, 30, 30);
    option.palette = QApplication::palette();
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    focus.state = QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    {
        QPainter painter(&image);
        style.drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter);
    }
    QCOMPARE(image, blank);
    QStyleOptionButton box;
    box.QStyleOption::operator=(option);
    box.state = QStyle::State_Enabled | QStyle::State_On;
    {
        QPainter painter(&image);
        style.drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &painter);
    }
    QVERIFY(image != blank);
    QVERIFY(NoFocusRectStyle::sharedInstance() == NoFocusRectStyle::sharedInstance());
    QVERIFY(NoFocusRectStyle::sharedInstance()->baseStyle());
}

QTEST_MAIN(BalloonPopupTest)
#include "tst_balloonpopup.moc"
