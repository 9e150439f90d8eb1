#include "receptionpanel.h"

#include "receptionlogic.h"

#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace {

void showWarning(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::warning(parent, title, text, QMessageBox::Ok);
}

} // namespace

ReceptionPanel::ReceptionPanel(const ReceptionControls &controls, ReceptionLogic &logic,
                               QObject *parent)
    : QObject(parent)
    , m_controls(controls)
    , m_logic(logic)
    , m_reporter(showWarning)
    , m_captionRefresh(kRefreshIntervalMs, [this] { showCaptions(); })
    , m_termRefresh(kRefreshIntervalMs, [this] { updateTerm(); })
{
    connect(&m_logic, &ReceptionLogic::label7CaptionChanged, this,
            [this](const QString &caption) { m_label7Caption = caption; });
    connect(&m_logic, &ReceptionLogic::label2CaptionChanged, this, [this](const QString &caption) {
        m_label2Caption = caption;
        m_captionRefresh.request();
    });
    // The message box waits until the receive event is over: a box opened in the middle of
    // it would let the next receive event run inside this one.
    connect(&m_logic, &ReceptionLogic::showDataFailed, this, &ReceptionPanel::reportFailure,
            Qt::QueuedConnection);

    if (QPlainTextEdit *term = m_controls.txtTerm) {
        // An undo history would keep every byte ever shown.
        term->setUndoRedoEnabled(false);
        m_logic.adoptDumpViewText(term->toPlainText());
        connect(&m_logic, &ReceptionLogic::dumpChanged, this, [this] { m_termRefresh.request(); });
        connect(term, &QPlainTextEdit::textChanged, this, &ReceptionPanel::followTermEdit);
        m_termRefresh.request();
    }
}

void ReceptionPanel::setMessageReporter(MessageReporter reporter)
{
    m_reporter = reporter ? std::move(reporter) : MessageReporter(showWarning);
}

void ReceptionPanel::refresh()
{
    m_captionRefresh.flush();
    m_termRefresh.flush();
}

void ReceptionPanel::showCaptions()
{
    if (m_controls.Label7) {
        m_controls.Label7->setText(m_label7Caption);
    }
    if (m_controls.Label2) {
        m_controls.Label2->setText(m_label2Caption);
    }
}

void ReceptionPanel::updateTerm()
{
    QPlainTextEdit *term = m_controls.txtTerm;
    if (!term) {
        return;
    }
    const DumpText::Change change = m_logic.takeDumpChange();
    if (change.isEmpty()) {
        return;
    }
    m_updatingTerm = true;
    if (change.replaceAll) {
        term->setPlainText(change.text);
    } else {
        QTextCursor cursor(term->document());
        cursor.beginEditBlock();
        if (change.removeFromFront > 0) {
            cursor.setPosition(0);
            cursor.setPosition(int(change.removeFromFront), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(change.text);
        cursor.endEditBlock();
    }
    // The caret goes to the end, which also keeps the newest bytes in view.
    QTextCursor end = term->textCursor();
    end.movePosition(QTextCursor::End);
    term->setTextCursor(end);
    m_updatingTerm = false;
}

void ReceptionPanel::followTermEdit()
{
    if (m_updatingTerm) {
        return;
    }
    // Someone else changed the box (emptied at start-up, or typed into): appends go on from
    // what it shows now.
    m_logic.adoptDumpViewText(m_controls.txtTerm->toPlainText());
}

void ReceptionPanel::reportFailure(const QString &message)
{
    QWidget *parent = m_controls.txtTerm ? m_controls.txtTerm->window() : nullptr;
    m_reporter(parent, QStringLiteral("VALTORA"), message);
}
