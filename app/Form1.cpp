#include "app/Form1.h"

#include "agent/timing/QtScheduler.h"
#include "agent/timing/Scheduler.h"
#include "app/Fonts.h"
#include "app/Form1Layout.h"
#include "app/HotSpotLabel.h"
#include "app/LanguageKeeper.h"
#include "app/QuietLabel.h"
#include "app/TwipScale.h"
#include "app/UiTexts.h"
#include "app/artwork/Artwork.h"
#include "app/artwork/FlagPictures.h"
#include "catalogue/CatalogueTree.h"
#include "platform/TrayIcon.h"
#include "platform/WebPane.h"
#include "speech/SelectionWatcher.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>

namespace clipvoice::app {

namespace {

constexpr int kTimerIntervalMs = 2000;
constexpr QSize kTreePictureSize(16, 16);
constexpr QSize kFlagPictureSize(16, 11);

// Keys of the tree pictures, in the order of the image list.
const QStringList& treePictureKeys()
{
    static const QStringList keys = {QStringLiteral("genie"), QStringLiteral("merlin"),
                                     QStringLiteral("peedy"), QStringLiteral("robby"),
                                     QStringLiteral("other"), QStringLiteral("notinstalled")};
    return keys;
}

QCursor handCursor()
{
    // A cursor made from an icon has its hot spot at the picture's centre.
    const QPixmap picture = QPixmap::fromImage(artwork::handCursorPicture());
    return QCursor(picture, picture.width() / 2, picture.height() / 2);
}

HotSpotLabel* makeHotSpot(const char* name, const QString& tip, const QCursor& cursor,
                          QWidget* parent)
{
    auto* label = new HotSpotLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setToolTip(tip);
    label->setCursor(cursor);
    return label;
}

QCheckBox* makeOptionBox(const char* name, QWidget* parent)
{
    auto* box = new QCheckBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setChecked(true);
    // The box shows only its square on the window's own colour; its text is a
    // separate label beside it.
    box->setAutoFillBackground(true);
    box->setBackgroundRole(QPalette::Window);
    box->setForegroundRole(QPalette::WindowText);
    return box;
}

QLabel* makeCaption(const char* name, const QString& text, QWidget* parent)
{
    auto* label = new QuietLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

} // namespace

Form1::Form1(const platform::PlatformServices& services, agent::timing::Scheduler* scheduler,
             QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
    , m_services(services)
    , m_imageList1(kTreePictureSize)
    , m_imageList2(kFlagPictureSize)
    , m_language(std::make_shared<LanguageKeeper>(services.settings))
{
    setObjectName(QStringLiteral("Form1"));
    // The hot spots are named only by their tooltips: show them even while
    // another program has the focus.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setWindowTitle(texts::applicationTitle());
    setWindowIcon(QIcon(QPixmap::fromImage(artwork::windowIconPicture())));
    m_background = QPixmap::fromImage(artwork::backgroundPicture(texts::applicationTitle()));

    for (const QString& key : treePictureKeys())
        m_imageList1.add(QPixmap::fromImage(artwork::treePicture(key)), key);
    for (int position = 1; position <= artwork::kFlagCount; ++position)
        m_imageList2.add(QPixmap::fromImage(artwork::flagPicture(position)));

    createControls();
    placeControls();
    applyTabOrder();
    connectControls();

    if (scheduler == nullptr) {
        m_ownScheduler = std::make_unique<agent::timing::QtScheduler>();
        scheduler = m_ownScheduler.get();
    }
    if (m_services.clipboard != nullptr)
        m_selection = std::make_unique<speech::SelectionWatcher>(
            *m_services.clipboard, *scheduler, [this] { return m_loaded.isLoaded; },
            [this](const QString& text) { SpeakText(text); });
}

Form1::~Form1()
{
    if (m_trayWaitScheduler != nullptr)
        m_trayWaitScheduler->cancel(m_trayWait);
}

void Form1::createControls()
{
    const QCursor hand = handCursor();

    ImageCombo1 = new QComboBox(this);
    ImageCombo1->setObjectName(QStringLiteral("ImageCombo1"));
    ImageCombo1->setIconSize(kFlagPictureSize);
    ImageCombo1->setForegroundRole(QPalette::WindowText);
    ImageCombo1->setBackgroundRole(QPalette::Window);

    Check3 = makeOptionBox("Check3", this);
    Check2 = makeOptionBox("Check2", this);
    Check1 = makeOptionBox("Check1", this);

    Picture1 = new QuietLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(QPixmap::fromImage(artwork::stripPicture()));
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setAutoFillBackground(true);
    Picture1->setBackgroundRole(QPalette::Window);
    Picture1->setFocusPolicy(Qt::NoFocus);

    Label5 = makeHotSpot("Label5", texts::clearTip(), hand, Picture1);
    Label4 = makeHotSpot("Label4", texts::stopTip(), hand, Picture1);
    Label3 = makeHotSpot("Label3", texts::speakTip(), hand, Picture1);

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setTabChangesFocus(true);

    WebBrowser1 = m_services.createWebPane(this);
    WebBrowser1->widget()->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->widget()->setFocusPolicy(Qt::StrongFocus);
    WebBrowser1->widget()->setVisible(true);

    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    TreeView1->setIconSize(kTreePictureSize);
    QFont treeFont(treeFontFamily());
    treeFont.setPointSize(9);
    treeFont.setWeight(QFont::Normal);
    TreeView1->setFont(treeFont);

    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setFocusPolicy(Qt::NoFocus);
    File1->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimerIntervalMs);
    Timer1->start();

    Label8 = makeCaption("Label8", texts::showWebToolbarOption(), this);
    Label7 = makeCaption("Label7", texts::animateOption(), this);
    Label6 = makeCaption("Label6", texts::readClipboardOption(), this);

    Label2 = makeHotSpot("Label2", texts::quitTip(), hand, this);
    Label1 = makeHotSpot("Label1", texts::hideToTrayTip(), hand, this);
}

QWidget* Form1::control(const char* name) const
{
    return findChild<QWidget*>(QLatin1String(name));
}

void Form1::placeControls()
{
    const TwipScale scale = TwipScale::forScreen(screen());
    setFixedSize(scale.toPixels(kFormWidthTwips), scale.toPixels(kFormHeightTwips));
    for (const ControlPlacement& placement : kControlPlacements) {
        QWidget* widget = control(placement.name);
        Q_ASSERT(widget != nullptr);
        widget->setGeometry(
            scale.toPixels(placement.left, placement.top, placement.width, placement.height));
    }
}

void Form1::applyTabOrder()
{
    QWidget* previous = nullptr;
    for (const char* name : kTabOrder) {
        QWidget* widget = control(name);
        if (widget == nullptr || widget->focusPolicy() == Qt::NoFocus)
            continue;
        if (previous != nullptr)
            setTabOrder(previous, widget);
        previous = widget;
    }
}

void Form1::connectControls()
{
    connect(Label1, &HotSpotLabel::clicked, this, &Form1::hideToTray);
    connect(Label2, &HotSpotLabel::clicked, this, &Form1::quit);
    connect(Label3, &HotSpotLabel::clicked, this, &Form1::speakTextBox);
    connect(Label4, &HotSpotLabel::clicked, this, &Form1::stopSpeaking);
    connect(Label5, &HotSpotLabel::clicked, this, &Form1::clearTextBox);
    connect(Check1, &QCheckBox::clicked, this, &Form1::switchClipboardWatching);
    connect(Check3, &QCheckBox::clicked, this, &Form1::showOrHideBrowserPane);
    connect(Timer1, &QTimer::timeout, this, &Form1::readClipboard);
    connect(TreeView1, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* node, int) { onNodeClick(node); });
    if (m_services.tray != nullptr) {
        connect(m_services.tray, &platform::TrayIcon::pressed, this, &Form1::restoreFromTray);
        connect(m_services.tray, &platform::TrayIcon::menuAboutToOpen, this,
                &Form1::showStartAtLogin);
        connect(m_services.tray, &platform::TrayIcon::menuOptionToggled, this,
                &Form1::switchStartAtLogin);
        connect(m_services.tray, &platform::TrayIcon::menuAboutToOpen, this,
                &Form1::showReadSelection);
        connect(m_services.tray, &platform::TrayIcon::menuOptionToggled, this,
                &Form1::switchReadSelection);
    }
    if (m_services.agent != nullptr)
        connect(m_services.agent, &platform::agent::AgentService::command, this,
                &Form1::onAgentCommand);
    connectSessionEvents();
}

void Form1::paintEvent(QPaintEvent*)
{
    // The background picture is drawn unscaled; the window shows its top part.
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
}

} // namespace clipvoice::app
