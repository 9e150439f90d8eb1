#pragma once

#include "refreshthrottle.h"

#include <QObject>
#include <QString>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QWidget;
class ReceptionLogic;

// The main window's controls that show what is received.
struct ReceptionControls
{
    QPlainTextEdit *txtTerm = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label7 = nullptr;
};

// Shows the reception logic on the main window: the captions of the two large labels and the
// dump box. The box follows the logic's text with one small edit at a time, never a rewrite
// per byte. A receiver's one frame a second shows at once; a flood of bytes is gathered so
// that labels and box change at most every kRefreshIntervalMs, which keeps the window
// responsive however fast the line runs.
class ReceptionPanel : public QObject
{
    Q_OBJECT
public:
    static constexpr int kRefreshIntervalMs = 100;

    // Shows a message box: parent, title, text. Tests replace it to see the message.
    using MessageReporter
        = std::function<void(QWidget *parent, const QString &title, const QString &text)>;

    ReceptionPanel(const ReceptionControls &controls, ReceptionLogic &logic,
                   QObject *parent = nullptr);

    void setMessageReporter(MessageReporter reporter);

    // Brings the labels and the dump box up to date now, without waiting for the interval.
    void refresh();

private:
    void showCaptions();
    void updateTerm();
    void reportFailure(const QString &message);
    void followTermEdit();

    ReceptionControls m_controls;
    ReceptionLogic &m_logic;
    MessageReporter m_reporter;
    QString m_label7Caption;
    QString m_label2Caption;
    RefreshThrottle m_captionRefresh;
    RefreshThrottle m_termRefresh;
    // True while this panel itself edits the box, so the edit is not taken for a user's.
    bool m_updatingTerm = false;
};
