#include "frmabout.h"

#include "common/twips.h"
#include "dialogplacement.h"
#include "windowmove.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

namespace {

constexpr int kClientWidthTwips = 6216;
constexpr int kClientHeightTwips = 3960;
const QColor kSilver(192, 192, 192);
const QColor kRuleGrey(128, 128, 128);
constexpr int kFrameLookMs = 20;
constexpr int kFrameLooks = 50; // one second

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, const QRect &twips)
{
    auto label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(twipsToPixels(twips));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    // A label is not part of the draggable surface: its presses stop here.
    label->setAttribute(Qt::WA_NoMousePropagation);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    return label;
}

QFrame *makeLine(QWidget *parent, const char *name, const QColor &colour, const QPoint &fromTwips,
                 int toTwips, int thickness)
{
    auto line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    const QPoint from = twipsToPixels(QRect(fromTwips, QSize(0, 0))).topLeft();
    line->setGeometry(from.x(), from.y(), twipsToPixels(toTwips - fromTwips.x()), thickness);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    // The rule belongs to the surface: a press on it drags the dialog like a press beside it.
    line->setAttribute(Qt::WA_TransparentForMouseEvents);
    return line;
}

} // namespace

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                  | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
    , m_information(VersionInformation::application())
    , m_systemMoveStarter([this] {
#ifdef Q_OS_WIN
        startNativeWindowMove(static_cast<std::uintptr_t>(winId()));
#else
        if (QWindow *window = windowHandle()) {
            window->startSystemMove();
        }
#endif
    })
{
    setObjectName(QStringLiteral("frmAbout"));
    m_frameWatch.setInterval(kFrameLookMs);
    connect(&m_frameWatch, &QTimer::timeout, this, &frmAbout::centreAgainOnceFramed);
    buildControls();
    m_systemInformation.setMessageReporter([this](const QString &text) { showUnavailable(text); });
    Form_Load();
}

frmAbout::~frmAbout() = default;

void frmAbout::buildControls()
{
    setFixedSize(twipsToPixels(kClientWidthTwips), twipsToPixels(kClientHeightTwips));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kSilver);
    setPalette(palette);
    QFont dialogFont = font();
    dialogFont.setPointSize(9);
    setFont(dialogFont);

    // The white line goes first, the grey one over it, one pixel higher: together they look
    // cut into the surface.
    Line1[0] = makeLine(this, "Line1(0)", Qt::white, QPoint(360, 2880), 5915, 2);
    Line1[1] = makeLine(this, "Line1(1)", kRuleGrey, QPoint(360, 2880), 5930, 1);

    lblVersion = makeLabel(this, "lblVersion", QStringLiteral("版本"), QRect(3600, 360, 1690, 230));
    lblDescription = makeLabel(this, "lblDescription", QStringLiteral("应用程序描述"),
                               QRect(360, 1200, 5170, 570));
    lblDisclaimer = makeLabel(this, "lblDisclaimer", QStringLiteral("警告：..."),
                              QRect(360, 3000, 3710, 830));
    Label1
        = makeLabel(this, "Label1", QStringLiteral("维护：VALTORA 项目组    电话：(010) 5555-0100"),
                    QRect(360, 1920, 5652, 468));
    Label3 = makeLabel(this, "Label3", QStringLiteral("电子邮件：valtora@example.org"),
                       QRect(2160, 2280, 3492, 348));

    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twipsToPixels(QRect(4320, 3000, 1500, 345)));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("系统信息(&S)..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setGeometry(twipsToPixels(QRect(4320, 3480, 1485, 345)));
    // Enter anywhere in the dialog presses OK, even while this button has the focus.
    cmdSysInfo->setAutoDefault(false);

    // A button takes only the left button; the others must not drag the dialog from there.
    cmdOK->setAttribute(Qt::WA_NoMousePropagation);
    cmdSysInfo->setAttribute(Qt::WA_NoMousePropagation);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    cmdOK->setFocus();
}

void frmAbout::Form_Load()
{
    // Loading skips what it cannot do and goes on; none of these steps can fail on their
    // own, and the centring waits for the first show, when the outer size is known.
    setWindowTitle(QStringLiteral("关于 ") + m_information.title);
    lblVersion->setText(QStringLiteral("版本 ") + m_information.versionText());
    lblDescription->setText(QStringLiteral("应用程序描述：") + m_information.fileDescription);
    lblDisclaimer->setText(QStringLiteral("警告：") + m_information.comments);
}

void frmAbout::centreOnScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return; // no screen to centre on: stay where the system put us
    }
    move(centredWindowPosition(screen->geometry(), frameGeometry().size()));
}

void frmAbout::centreAgainOnceFramed()
{
    // An X11 window manager frames the dialog a moment after it is mapped, and Qt sends no
    // event when the frame's size becomes known: look a few times, then give up.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const bool framed = frameGeometry().size() != size();
    if (screen != nullptr) {
        if (const auto position
            = recentredOnceFramed(screen->geometry(), m_placedAt, geometry(), frameGeometry())) {
            move(*position);
        }
    }
    if (framed || ++m_frameLooks >= kFrameLooks) {
        m_frameWatch.stop();
    }
}

void frmAbout::showEvent(QShowEvent *event)
{
    if (!m_centred) {
        m_centred = true;
        centreOnScreen();
        m_placedAt = geometry().topLeft();
        m_frameLooks = 0;
        m_frameWatch.start();
    }
    QDialog::showEvent(event);
}

void frmAbout::mousePressEvent(QMouseEvent *event)
{
    // Any button on the free surface (or the etched rule, which lets presses through).
    event->accept();
    startSystemMove();
}

void frmAbout::cmdOK_Click()
{
    accept();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::StartSysInfo()
{
    m_systemInformation.StartSysInfo();
}

bool frmAbout::GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                           QString &KeyVal)
{
    return m_systemInformation.GetKeyValue(KeyRoot, KeyName, SubKeyRef, KeyVal);
}

void frmAbout::setSystemMoveStarter(std::function<void()> starter)
{
    m_systemMoveStarter = std::move(starter);
}

void frmAbout::startSystemMove()
{
    if (m_systemMoveStarter) {
        m_systemMoveStarter();
    }
}

void frmAbout::showUnavailable(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, m_information.title, text, QMessageBox::Ok, this);
    box.exec();
}
