#include "gui/guitestsupport.h"

#include "kelframe/kelaboutdialog.h"
#include "kelframe/keldarkshadow.h"
#include "kelframe/kelmainwindow.h"
#include "kelframe/kelmessagebox.h"
#include "kelframe/kelskin.h"
#include "kelframe/kelwidget.h"
#include "widgetkit/balloonmessagedialog.h"
#include "widgetkit/navigatorbuttonwidget.h"
#include "widgetkit/nofocusrectstyle.h"
#include "widgetkit/popupdialog.h"
#include "widgetkit/urllineedit.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

using Tarn::BalloonMessageDialog;
using Tarn::NavigatorButtonWidget;
using Tarn::PopupDialog;
using Tarn::UrlLineEdit;

namespace {

const QString Area = QStringLiteral("frame");

// The window's own header as the program's main window fills it: the URL
// entry with its two buttons.
QWidget *urlBar()
{
    auto *bar = new QWidget;
    bar->setObjectName(QStringLiteral("urlDownloadWidget"));
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto *edit = new UrlLineEdit(bar);
    edit->setPlaceholderText(QStringLiteral("Paste URL here"));
    auto *download = new QPushButton(QStringLiteral("DOWNLOAD"), bar);
    download->setProperty("primary", true);
    download->setStyle(NoFocusRectStyle::sharedInstance());
    auto *advanced = new QPushButton(bar);
    advanced->setIcon(KelSkin::icon(QStringLiteral("settings")));
    advanced->setToolTip(QStringLiteral("Advanced Download Settings"));
    layout->addWidget(edit, 1);
    layout->addWidget(download);
    layout->addWidget(advanced);
    return bar;
}

QWidget *navigatorAndPage()
{
    auto *content = new QWidget;
    auto *layout = new QHBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *left = new QWidget(content);
    left->setObjectName(QStringLiteral("leftWidget"));
    left->setFixedWidth(170);
    auto *nav = new QVBoxLayout(left);
    nav->setContentsMargins(8, 12, 8, 12);
    nav->setSpacing(2);
    const struct
    {
        const char *text;
        const char *icon;
        const char *count;
    } pages[] = {{"Download", "download", "3"}, {"Convert", "convert", "12"}, {"Settings", "settings", ""}};
    for (const auto &page : pages) {
        auto *button = new NavigatorButtonWidget(left);
        button->setText(QString::fromLatin1(page.text));
        button->setIconName(QString::fromLatin1(page.icon));
        button->setAdditionalText(QString::fromLatin1(page.count));
        button->setFixedHeight(40);
        button->setChecked(button->text() == QLatin1String("Download"));
        nav->addWidget(button);
    }
    nav->addStretch();
    auto *page = new QWidget(content);
    page->setObjectName(QStringLiteral("contentAreaWidget"));
    page->setAttribute(Qt::WA_StyledBackground);
    page->setStyleSheet(QStringLiteral("#contentAreaWidget { background-color: %1; border-left: 1px solid %2; }")
                            .arg(KelSkin::color(QStringLiteral("base")).name(),
                                 KelSkin::color(QStringLiteral("separator")).name()));
    auto *pageLayout = new QVBoxLayout(page);
    auto *hint = new QLabel(QStringLiteral("Paste the address of a video page above and press DOWNLOAD."), page);
    hint->setProperty("dim", true);
    hint->setAlignment(Qt::AlignCenter);
    pageLayout->addWidget(hint);
    layout->addWidget(left);
    layout->addWidget(page, 1);
    return content;
}

QWidget *controls()
{
    auto *panel = new QWidget;
    panel->setAttribute(Qt::WA_StyledBackground);
    panel->setObjectName(QStringLiteral("controlsPanel"));
    auto *grid = new QGridLayout(panel);
    grid->setContentsMargins(16, 16, 16, 16);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);
    auto *normal = new QPushButton(QStringLiteral("Cancel"), panel);
    auto *primary = new QPushButton(QStringLiteral("Download"), panel);
    primary->setProperty("primary", true);
    auto *disabled = new QPushButton(QStringLiteral("Disabled"), panel);
    disabled->setEnabled(false);
    auto *tool = new QToolButton(panel);
    tool->setIcon(KelSkin::icon(QStringLiteral("open-menu")));
    grid->addWidget(normal, 0, 0);
    grid->addWidget(primary, 0, 1);
    grid->addWidget(disabled, 0, 2);
    grid->addWidget(tool, 0, 3);
    auto *edit = new QLineEdit(panel);
    edit->setPlaceholderText(QStringLiteral("Placeholder"));
    auto *filled = new QLineEdit(QStringLiteral("/home/user/Videos"), panel);
    auto *off = new QLineEdit(QStringLiteral("Disabled"), panel);
    off->setEnabled(false);
    grid->addWidget(edit, 1, 0);
    grid->addWidget(filled, 1, 1);
    grid->addWidget(off, 1, 2, 1, 2);
    auto *combo = new QComboBox(panel);
    combo->addItems({QStringLiteral("MP4 HD 720p"), QStringLiteral("WebM")});
    auto *spin = new QSpinBox(panel);
    spin->setValue(5);
    auto *progress = new QProgressBar(panel);
    progress->setValue(40);
    progress->setTextVisible(false);
    progress->setFixedHeight(6);
    grid->addWidget(combo, 2, 0);
    grid->addWidget(spin, 2, 1);
    grid->addWidget(progress, 2, 2, 1, 2);
    auto *check = new QCheckBox(QStringLiteral("Keep subtitles"), panel);
    check->setChecked(true);
    auto *unchecked = new QCheckBox(QStringLiteral("Export to iTunes"), panel);
    auto *radio = new QRadioButton(QStringLiteral("Best quality"), panel);
    radio->setChecked(true);
    auto *other = new QRadioButton(QStringLiteral("Resolution"), panel);
    grid->addWidget(check, 3, 0);
    grid->addWidget(unchecked, 3, 1);
    grid->addWidget(radio, 3, 2);
    grid->addWidget(other, 3, 3);
    auto *text = new QTextEdit(panel);
    text->setPlainText(QString(QStringLiteral("A scrolled text.\n")).repeated(30));
    text->setFixedHeight(90);
    auto *dim = new QLabel(QStringLiteral("Details in the dimmer text colour"), panel);
    dim->setProperty("dim", true);
    grid->addWidget(text, 4, 0, 1, 2);
    grid->addWidget(dim, 4, 2, 1, 2, Qt::AlignTop);
    return panel;
}

QImage withinFrame(QWidget *widget)
{
    return GuiTest::render(widget);
}

// Lays the shots of one skin out on one sheet, for a quick look at all.
class Overview
{
public:
    void add(const QString &label, const QImage &image) { m_items.append({label, image}); }
    bool save(const QString &skin) const
    {
        const int columnWidth = 1120;
        int height = 16;
        for (const auto &item : m_items)
            height += item.second.height() + 36;
        QImage sheet(columnWidth, height, QImage::Format_ARGB32_Premultiplied);
        sheet.fill(skin == QLatin1String("dark") ? QColor(0x33, 0x35, 0x3a) : QColor(0xdd, 0xdf, 0xe3));
        QPainter painter(&sheet);
        painter.setPen(skin == QLatin1String("dark") ? Qt::white : Qt::black);
        int y = 16;
        for (const auto &item : m_items) {
            painter.drawText(16, y + 14, item.first);
            painter.drawImage(16, y + 24, item.second);
            y += item.second.height() + 36;
        }
        painter.end();
        return sheet.save(GuiTest::screenshotPath(Area, QStringLiteral("overview"), QString(), skin));
    }

private:
    QList<QPair<QString, QImage>> m_items;
};

} // namespace

// Renders every window and widget of the framework and of the balloons,
// pop-ups and small widgets, in each state and both skins, to PNG files
// under <build>/screenshots/frame/ for a person to judge.
class FrameGalleryTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void gallery_data();
    void gallery();

private:
    void shoot(Overview &overview, QWidget *widget, const QString &name, const QString &state,
               const QString &skin);
    void mainWindow(Overview &overview, const QString &skin);
    void balloons(Overview &overview, const QString &skin);
    void dialogs(Overview &overview, const QString &skin);
    void smallWidgets(Overview &overview, const QString &skin);
    void popup(Overview &overview, const QString &skin);

    QTemporaryDir m_root;
};

void FrameGalleryTest::initTestCase()
{
    QVERIFY(m_root.isValid());
    GuiTest::isolate(m_root);
    QCoreApplication::setApplicationName(QStringLiteral("Marlin"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0.0"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Marlin"));
}

void FrameGalleryTest::gallery_data()
{
    QTest::addColumn<QString>("skin");
    for (const QString &skin : KelSkin::availableSkins())
        QTest::newRow(qPrintable(skin)) << skin;
}

void FrameGalleryTest::shoot(Overview &overview, QWidget *widget, const QString &name, const QString &state,
                             const QString &skin)
{
    QVERIFY(GuiTest::saveShot(widget, Area, name, state, skin));
    overview.add(name + QLatin1Char(' ') + state, withinFrame(widget));
}

void FrameGalleryTest::gallery()
{
    QFETCH(QString, skin);
    QVERIFY(KelSkin::applySkin(skin));
    Overview overview;
    smallWidgets(overview, skin);
    balloons(overview, skin);
    dialogs(overview, skin);
    popup(overview, skin);
    mainWindow(overview, skin);
    QVERIFY(overview.save(skin));
}

void FrameGalleryTest::mainWindow(Overview &overview, const QString &skin)
{
    KelMainWindow window;
    window.setWindowTitle(QStringLiteral("Marlin"));
    window.setHeaderContent(urlBar());
    window.setContent(navigatorAndPage());
    window.initialize();
    window.setMenuBarShown(false);
    window.setStatusBarShown(false);
    window.setTitleShowMenu(true);
    window.resize(900, 520);
    window.show(true);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    shoot(overview, &window, QStringLiteral("mainwindow"), QStringLiteral("normal"), skin);

    window.showDarkShadow();
    window.darkShadow()->setOpacity(KelDarkShadow::ShownOpacity);
    QTRY_COMPARE(window.darkShadow()->opacity(), KelDarkShadow::ShownOpacity);
    shoot(overview, &window, QStringLiteral("mainwindow"), QStringLiteral("darkshadow"), skin);
    window.clearDarkShadow();

    window.setMenuBarShown(true);
    window.setStatusBarShown(true);
    window.statusBar()->showMessage(QStringLiteral("Ready"));
    shoot(overview, &window, QStringLiteral("mainwindow"), QStringLiteral("menubar"), skin);

    QMenu *menu = window.titleButtonMenu();
    menu->popup(window.menuButton()->mapToGlobal(QPoint(0, window.menuButton()->height())));
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    menu->setActiveAction(window.languageMenu()->menuAction());
    shoot(overview, menu, QStringLiteral("titlemenu"), QStringLiteral("open"), skin);
    menu->hide();
}

void FrameGalleryTest::balloons(Overview &overview, const QString &skin)
{
    const struct
    {
        const char *state;
        const char *text;
        const char *type;
        int mode;
        bool hovered;
    } shots[] = {
        {"info", "Added to the downloading list.", "", 0, false},
        {"success", "Added 3 files to the conversion list.", "success", 0, false},
        {"error", "Failed to transfer to iTunes: the library file \"iTunes Library.itl\" cannot be written.",
         "error", 0, false},
        {"warning-hovered", "Same download already existed.", "warning", 16, true},
    };
    for (bool composited : {false, true}) {
        qputenv("MARLIN_COMPOSITING", composited ? "1" : "0");
        for (const auto &shot : shots) {
            BalloonMessageDialog balloon;
            balloon.message(QString::fromUtf8(shot.text), QStringLiteral("gallery"), shot.mode,
                            QString::fromLatin1(shot.type));
            if (shot.hovered) {
                QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
                QCoreApplication::sendEvent(&balloon, &enter);
            }
            QCoreApplication::processEvents();
            const QString state = QString::fromLatin1(shot.state)
                                  + (composited ? QStringLiteral("-composited") : QString());
            shoot(overview, &balloon, QStringLiteral("balloon"), state, skin);
            balloon.close();
        }
    }
    qunsetenv("MARLIN_COMPOSITING");
}

void FrameGalleryTest::dialogs(Overview &overview, const QString &skin)
{
    {
        KelMessageBox box;
        box.setKind(KelMessageBox::Warning);
        box.setTitle(QStringLiteral("Error"));
        box.setText(QStringLiteral("Start the program failed. Please re-install it."));
        box.show();
        shoot(overview, &box, QStringLiteral("messagebox"), QStringLiteral("alert"), skin);
    }
    {
        KelMessageBox box;
        box.setKind(KelMessageBox::Warning);
        box.setText(QStringLiteral("The video is being downloaded/converted. \nAre you sure to exit?"));
        box.setButtons(QDialogButtonBox::Yes | QDialogButtonBox::No, QDialogButtonBox::No);
        box.show();
        shoot(overview, &box, QStringLiteral("messagebox"), QStringLiteral("question"), skin);
    }
    {
        KelMessageBox box;
        box.setKind(KelMessageBox::Information);
        box.setText(QStringLiteral("\"/home/user/Videos/holiday.mkv\" is not a valid video file."));
        box.show();
        shoot(overview, &box, QStringLiteral("messagebox"), QStringLiteral("information"), skin);
    }
    KelWidget frameless;
    auto *frameLayout = new QVBoxLayout(&frameless);
    frameLayout->setContentsMargins(16, 12, 16, 12);
    frameLayout->addWidget(new QLabel(QStringLiteral("A frameless widget: drag it to move it, drag an edge to size it."),
                                      &frameless));
    frameless.show();
    shoot(overview, &frameless, QStringLiteral("kelwidget"), QStringLiteral("normal"), skin);

    KelAboutDialog about;
    about.show();
    shoot(overview, &about, QStringLiteral("about"), QStringLiteral("normal"), skin);
}

void FrameGalleryTest::smallWidgets(Overview &overview, const QString &skin)
{
    QWidget host;
    host.setAttribute(Qt::WA_StyledBackground);
    auto *layout = new QVBoxLayout(&host);
    layout->setContentsMargins(16, 16, 16, 16);
    auto *edit = new UrlLineEdit(&host);
    edit->setPlaceholderText(QStringLiteral("Paste URL here"));
    edit->setFixedWidth(426);
    layout->addWidget(edit);
    auto *nav = new NavigatorButtonWidget(&host);
    nav->setText(QStringLiteral("Download"));
    nav->setIconName(QStringLiteral("download"));
    nav->setFixedSize(170, 40);
    layout->addWidget(nav);
    auto *other = new QPushButton(QStringLiteral("elsewhere"), &host);
    layout->addWidget(other);
    host.show();
    host.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&host));

    shoot(overview, edit, QStringLiteral("urllineedit"), QStringLiteral("empty"), skin);
    edit->setText(QStringLiteral("https://videos.example/watch?v=a1b2c3d4"));
    shoot(overview, edit, QStringLiteral("urllineedit"), QStringLiteral("text"), skin);
    edit->setFocus();
    edit->setCursorPosition(edit->text().size());
    shoot(overview, edit, QStringLiteral("urllineedit"), QStringLiteral("focused"), skin);

    other->setFocus();
    shoot(overview, nav, QStringLiteral("navigator"), QStringLiteral("normal"), skin);
    nav->setAttribute(Qt::WA_UnderMouse, true);
    shoot(overview, nav, QStringLiteral("navigator"), QStringLiteral("hovered"), skin);
    nav->setAttribute(Qt::WA_UnderMouse, false);
    nav->setAdditionalText(QStringLiteral("12"));
    shoot(overview, nav, QStringLiteral("navigator"), QStringLiteral("counter"), skin);
    nav->setChecked(true);
    shoot(overview, nav, QStringLiteral("navigator"), QStringLiteral("checked"), skin);
    nav->setFocus(Qt::TabFocusReason);
    nav->setChecked(false);
    shoot(overview, nav, QStringLiteral("navigator"), QStringLiteral("focused"), skin);

    std::unique_ptr<QWidget> panel(controls());
    panel->show();
    shoot(overview, panel.get(), QStringLiteral("controls"), QStringLiteral("all"), skin);
}

void FrameGalleryTest::popup(Overview &overview, const QString &skin)
{
    QWidget window;
    window.setAttribute(Qt::WA_StyledBackground);
    window.resize(560, 320);
    auto *layout = new QVBoxLayout(&window);
    auto *anchor = new QPushButton(QStringLiteral("Advanced"), &window);
    layout->addWidget(anchor, 0, Qt::AlignRight | Qt::AlignTop);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    auto *content = new QWidget;
    auto *form = new QFormLayout(content);
    form->setContentsMargins(16, 16, 16, 16);
    form->setSpacing(10);
    auto *title = new QLabel(QStringLiteral("Choose a quality"), content);
    QFont bold = title->font();
    bold.setWeight(QFont::DemiBold);
    title->setFont(bold);
    form->addRow(title);
    auto *quality = new QComboBox(content);
    quality->addItems({QStringLiteral("1080p MP4 (48.2 MB)"), QStringLiteral("720p MP4 (22.0 MB)")});
    form->addRow(QStringLiteral("Quality"), quality);
    form->addRow(QStringLiteral("Subtitles"), new QCheckBox(QStringLiteral("English, German"), content));
    auto *go = new QPushButton(QStringLiteral("Download"), content);
    go->setProperty("primary", true);
    form->addRow(QString(), go);
    content->setFixedSize(content->sizeHint().expandedTo(QSize(300, 0)));

    QPointer<PopupDialog> dialog = new PopupDialog(content, &window);
    dialog->setPopupDirection(PopupDialog::InPlace);
    dialog->setPosInfo(anchor->mapToGlobal(QPoint(anchor->width(), anchor->height() + 4)), 0,
                       PopupDialog::TopRight);
    dialog->show();
    QTRY_COMPARE(dialog->popupState(), PopupDialog::Opened);
    shoot(overview, &window, QStringLiteral("popup"), QStringLiteral("open"), skin);
}

QTEST_MAIN(FrameGalleryTest)
#include "tst_framegallery.moc"
