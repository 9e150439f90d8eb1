#pragma once

#include <QColor>
#include <QList>
#include <QRect>
#include <QString>

// The main window's controls as data: one row per control, parents before children, in the
// order they are created. Rectangles are (left, top, width, height) in twips within the
// parent: a tab page's controls are measured from the tab control's own top-left corner
// (tab strip included), a frame's from the frame's top-left corner (caption included).
enum class ControlKind {
    TabControl, // pages are named "<tab control>:<page index>"
    Frame, // with caption and border
    PlainFrame, // border but no caption
    BorderlessFrame,
    Label,
    TextBox, // multi-line, both scroll bars
    Button,
    CheckBox,
    OptionButton,
    DropDownList, // pick only
    EditableCombo,
    PictureBox,
};

struct ControlRow
{
    QString name;
    ControlKind kind;
    QString parent; // "" for the window's client area
    QString caption;
    QRect twips;
    bool visible = true;
    bool enabled = true;
    QColor textColor = QColor(); // invalid: the style's default
    QString fontFamily = QString(); // empty: the window's font
    double fontPointSize = 0.0;
    bool fontBold = false;
    QStringList items = {}; // initial list of a combo box
    QStringList pageTitles = {}; // pages of a tab control
    QString toolTip = QString();
    // A label drawn on one line, as wide as its caption needs within its container; for a
    // caption with a blank run that another control stands in.
    bool singleLine = false;
    // What a screen reader calls a control whose caption does not name it (a list, a text
    // box, a frame without caption); a captioned control is called by its caption.
    QString accessibleName = QString();
    // What a display label is for; its name is what it shows.
    QString accessibleDescription = QString();
};

namespace MainWindowLayout {

// The window's client area at start, and the outer heights the port-information toggle
// switches between; the frame allowance turns an outer height into a client height.
constexpr int kClientWidthTwips = 7968;
constexpr int kClientHeightTwips = 4980;
constexpr int kOuterHeightNormalTwips = 5616;
constexpr int kOuterHeightPortInformationTwips = 7632;
constexpr int kFrameAllowanceTwips = 5616 - 4980;

const QList<ControlRow> &controls();
const ControlRow *find(const QString &name);

// Non-visual timers: name and interval at start (ms); only Timer5 runs at start.
struct TimerRow
{
    QString name;
    int intervalMs;
    bool running;
};
const QList<TimerRow> &timers();

} // namespace MainWindowLayout
