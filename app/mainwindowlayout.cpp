#include "mainwindowlayout.h"

namespace {

const QColor kBlue(0, 0, 255);
const QString kTahoma = QStringLiteral("Tahoma");
const QString kSmallFonts = QStringLiteral("Small Fonts");

QList<ControlRow> buildTable()
{
    using K = ControlKind;
    const QString info = QStringLiteral("SSTab3:0");
    const QString setup = QStringLiteral("SSTab3:1");
    const QString port = QStringLiteral("SSTab1:0");
    const QString system = QStringLiteral("SSTab1:1");

    QList<ControlRow> t;
    auto add = [&t](ControlRow row) -> ControlRow & {
        t.append(std::move(row));
        return t.last();
    };

    // Directly on the window.
    add({ "SSTab3", K::TabControl, "", "", QRect(0, 0, 7935, 4455) }).pageTitles
        = { QStringLiteral("INFORMATION"), QStringLiteral("SET-UP") };
    add({ "Command2", K::Button, "", "VIEW PORT INFOR.", QRect(5880, 4560, 2052, 372) });
    add({ "Command3", K::Button, "", "Command3", QRect(4440, 4440, 1215, 495) }).visible = false;
    {
        auto &dump = add({ "txtTerm", K::TextBox, "", "", QRect(0, 5040, 7932, 1932) });
        dump.textColor = kBlue;
        dump.accessibleName = QStringLiteral("Port information: received bytes");
    }
    add({ "tyuy", K::PictureBox, "", "", QRect(7920, 6720, 1200, 480) }).accessibleName
        = QStringLiteral("Picture");

    // Page "INFORMATION". Label7 comes before Text3 so the log box is drawn over it.
    {
        auto &label2 = add({ "Label2", K::Label, info, "", QRect(120, 480, 7692, 852) });
        label2.fontFamily = kTahoma;
        label2.fontPointSize = 24;
        label2.fontBold = true;
        label2.accessibleDescription = QStringLiteral("Date and time received from the receiver");
        auto &label7 = add({ "Label7", K::Label, info, "", QRect(120, 1776, 7692, 852) });
        label7.fontFamily = kTahoma;
        label7.fontPointSize = 24;
        label7.fontBold = true;
        label7.accessibleDescription = QStringLiteral("Received date and time, second line");
        auto &log = add({ "Text3", K::TextBox, info, "", QRect(120, 1440, 7692, 2892) });
        log.textColor = kBlue;
        log.accessibleName = QStringLiteral("Correction log");
    }

    // Page "SET-UP".
    add({ "SSTab1", K::TabControl, setup, "", QRect(120, 480, 7692, 3852) }).pageTitles
        = { QStringLiteral("PORT"), QStringLiteral("SYSTEM") };

    // Page "PORT": everything inside the borderless frame fraSettings.
    add({ "fraSettings", K::BorderlessFrame, port, "", QRect(240, 360, 6732, 3010) }).accessibleName
        = QStringLiteral("PORT");
    add({ "Label1", K::Label, "fraSettings", "PORT:", QRect(0, 0, 732, 312) });
    add({ "cboPort", K::DropDownList, "fraSettings", "", QRect(600, 0, 1425, 276) }).accessibleName
        = QStringLiteral("PORT:");
    add({ "Frame1", K::Frame, "fraSettings", "SPEED", QRect(0, 360, 2340, 870) });
    add({ "cboSpeed", K::DropDownList, "Frame1", "", QRect(375, 330, 1695, 276) }).accessibleName
        = QStringLiteral("SPEED");
    add({ "fraConnection", K::Frame, "fraSettings", "CONNECTION", QRect(0, 1320, 2325, 1650) });
    add({ "Label3", K::Label, "fraConnection", "DATABITS", QRect(180, 375, 825, 285) });
    add({ "cboDataBits", K::DropDownList, "fraConnection", "", QRect(1050, 330, 1140, 276) })
        .accessibleName
        = QStringLiteral("DATABITS");
    add({ "Label4", K::Label, "fraConnection", "PARITY", QRect(180, 860, 1220, 290) });
    add({ "cboParity", K::DropDownList, "fraConnection", "", QRect(1080, 810, 1140, 276) })
        .accessibleName
        = QStringLiteral("PARITY");
    add({ "Label5", K::Label, "fraConnection", "STOPBITS", QRect(180, 1320, 885, 285) });
    add({ "cboStopBits", K::DropDownList, "fraConnection", "", QRect(1050, 1260, 1140, 276) })
        .accessibleName
        = QStringLiteral("STOPBITS");
    add({ "Frame7", K::Frame, "fraSettings", "ECHO", QRect(2400, 360, 1350, 870) });
    add({ "optEcho(0)", K::OptionButton, "Frame7", "Off", QRect(120, 360, 615, 315) });
    add({ "optEcho(1)", K::OptionButton, "Frame7", "On", QRect(795, 420, 530, 192) });
    add({ "Frame5", K::Frame, "fraSettings", "FLOW", QRect(2400, 1320, 1370, 1650) });
    const QStringList flows = { "None", "Xon/Xoff", "RTS", "Xon/RTS" };
    const QList<QRect> flowRects = { QRect(180, 345, 855, 255), QRect(180, 645, 1095, 255),
                                     QRect(180, 945, 735, 255), QRect(180, 1245, 1155, 255) };
    // The receiver's frames are binary: a time with 11 or 13 in a field would vanish unseen.
    // (A paragraph, so that the tooltip wraps instead of running off the screen.)
    const QString xonXoffLosesBytes = QStringLiteral(
        "With software flow control the line takes the bytes 11 and 13 (hex) as Xon and Xoff: "
        "a receiver that sends binary frames loses them, and every frame that holds one.");
    const QStringList flowTips = {
        QString(), QStringLiteral("<p>%1</p>").arg(xonXoffLosesBytes), QString(),
        QStringLiteral("<p>%1 This port runs this choice as RTS alone.</p>").arg(xonXoffLosesBytes)
    };
    for (int i = 0; i < 4; ++i) {
        auto &option = add({ QStringLiteral("optFlow(%1)").arg(i), K::OptionButton, "Frame5",
                             flows.at(i), flowRects.at(i) });
        option.fontFamily = kSmallFonts;
        option.fontPointSize = 6.6;
        option.toolTip = flowTips.at(i);
    }
    add({ "Frame10", K::Frame, "fraSettings", "CODE", QRect(3960, 360, 2340, 870) }).visible
        = false;
    add({ "Combo4", K::DropDownList, "Frame10", "", QRect(375, 330, 1695, 276) }).accessibleName
        = QStringLiteral("CODE");
    add({ "Command1", K::Button, "fraSettings", "OK", QRect(5160, 2640, 1452, 372) });

    // Page "SYSTEM".
    add({ "Frame2", K::Frame, system, "CORRECT", QRect(120, 240, 3372, 1692) });
    add({ "Check1", K::CheckBox, "Frame2", "Use this system to correct computor's time",
          QRect(240, 240, 3012, 492) });
    add({ "Frame3", K::PlainFrame, "Frame2", "", QRect(240, 720, 3012, 852) }).accessibleName
        = QStringLiteral("Correction period");
    add({ "Label6(0)", K::Label, "Frame3", "correct time per second:", QRect(120, 240, 1452, 372) })
        .enabled
        = false;
    add({ "Label6(1)", K::Label, "Frame3", "", QRect(120, 480, 1452, 252) }).enabled = false;
    {
        auto &period
            = add({ "Combo1", K::EditableCombo, "Frame3", "Combo1", QRect(1680, 240, 1212, 276) });
        period.enabled = false;
        period.accessibleName = QStringLiteral("correct time per second:");
    }
    add({ "Frame4", K::Frame, system, "DELAY", QRect(3600, 240, 3372, 1692) });
    add({ "Check2", K::CheckBox, "Frame4", "Use delay function", QRect(240, 360, 3012, 252) });
    add({ "Frame6", K::PlainFrame, "Frame4", "", QRect(240, 600, 3012, 972) }).accessibleName
        = QStringLiteral("Delay");
    add({ "Label6(3)", K::Label, "Frame6", "delay", QRect(120, 240, 1332, 612) }).enabled = false;
    {
        auto &combo2
            = add({ "Combo2", K::EditableCombo, "Frame6", "Combo1", QRect(720, 240, 852, 276) });
        combo2.enabled = false;
        combo2.accessibleName = QStringLiteral("delay, millisecond");
        combo2.items
            = { "50", "100", "200", "300", "400", "500", "600", "700", "800", "850", "900", "950" };
    }
    add({ "Label6(2)", K::Label, "Frame6", "millisecond", QRect(1680, 240, 1212, 612) }).enabled
        = false;
    add({ "Frame11", K::Frame, system, "SPECIAL DEAL", QRect(120, 2040, 3372, 1692) });
    add({ "Check4", K::CheckBox, "Frame11", "Use Computer's date,do nothing arround 00:00:00 ",
          QRect(240, 240, 3012, 492) });
    add({ "Frame12", K::PlainFrame, "Frame11", "", QRect(240, 720, 3012, 852) }).accessibleName
        = QStringLiteral("Minutes around 00:00:00");
    {
        auto &around = add(
            { "Label6(6)", K::Label, "Frame12",
              QStringLiteral("Arround") + QString(24, QLatin1Char(' ')) + QStringLiteral("minutes"),
              QRect(120, 240, 2172, 492) });
        around.enabled = false;
        around.singleLine = true;
    }
    // Combo6 sits in the blank run of Label6(6), so it is created after the label.
    {
        auto &minutes
            = add({ "Combo6", K::EditableCombo, "Frame12", "60", QRect(840, 240, 612, 288) });
        minutes.enabled = false;
        minutes.accessibleName = QStringLiteral("Arround minutes");
    }
    add({ "Label6(7)", K::Label, "Frame12", "", QRect(960, 720, 732, 12) }).enabled = false;
    add({ "Frame8", K::Frame, system, "时区设置", QRect(3600, 2040, 3372, 1692) }).visible = false;
    add({ "Check3", K::CheckBox, "Frame8", "启用时区识别", QRect(240, 360, 3012, 252) });
    add({ "Frame9", K::PlainFrame, "Frame8", "", QRect(240, 600, 3012, 972) }).accessibleName
        = QStringLiteral("时区设置");
    add({ "Label6(5)", K::Label, "Frame9", "信号时区", QRect(120, 240, 972, 372) }).enabled = false;
    {
        auto &signalZone = add(
            { "Combo3", K::EditableCombo, "Frame9", "北京时间", QRect(1560, 240, 1212, 276) });
        signalZone.enabled = false;
        signalZone.accessibleName = QStringLiteral("信号时区");
    }
    add({ "Label6(4)", K::Label, "Frame9", "计算机所在时区", QRect(120, 600, 1452, 252) }).enabled
        = false;
    {
        auto &computerZone = add(
            { "Combo5", K::EditableCombo, "Frame9", "北京时间", QRect(1560, 600, 1212, 276) });
        computerZone.enabled = false;
        computerZone.accessibleName = QStringLiteral("计算机所在时区");
    }
    add({ "Command5", K::Button, system, "OK", QRect(5280, 2880, 1692, 372) });
    add({ "Command7", K::Button, system, "EXIT SYSTEM", QRect(5280, 3360, 1692, 372) });
    return t;
}

} // namespace

namespace MainWindowLayout {

const QList<ControlRow> &controls()
{
    static const QList<ControlRow> table = buildTable();
    return table;
}

const ControlRow *find(const QString &name)
{
    for (const ControlRow &row : controls()) {
        if (row.name == name) {
            return &row;
        }
    }
    return nullptr;
}

const QList<TimerRow> &timers()
{
    static const QList<TimerRow> table = {
        { QStringLiteral("Timer1"), 1000, false }, { QStringLiteral("Timer2"), 2000, false },
        { QStringLiteral("Timer3"), 0, false },    { QStringLiteral("Timer4"), 0, false },
        { QStringLiteral("Timer5"), 2000, true },  { QStringLiteral("Timer6"), 1000, false },
    };
    return table;
}

} // namespace MainWindowLayout
