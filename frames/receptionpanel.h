#pragma once

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
// dump box. The box follows the logic's text with one small edit per receive event, so a
// continuous stream costs little however long it runs.
class ReceptionPanel : public QObject
{
    Q_OBJECT
public:
    // Shows a message box: parent, title, text. Tests replace it to see the message.
    using MessageReporter
        = std::function<void(QWidget *parent, const QString &title, const QString &text)>;

    ReceptionPanel(const ReceptionControls &controls, ReceptionLogic &logic,
                   QObject *parent = nullptr);

    void setMessageReporter(MessageReporter reporter);

    // Brings the dump box up to date with the logic's text now.
    void updateTerm();

private:
    void reportFailure(const QString &message);
    void followTermEdit();

    ReceptionControls m_controls;
    ReceptionLogic &m_logic;
    MessageReporter m_reporter;
    // True while this panel itself edits the box, so the edit is not taken for a user's.
    bool m_updatingTerm = false;
};
