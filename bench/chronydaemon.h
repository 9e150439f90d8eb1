#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// chronyd in a folder of its own, taking samples from the SOCK reference clock VALT. It is
// always started with -x, so it never controls the clock, and without the right to set it
// besides; it ends with this process however that ends. Shared by the accuracy benchmark and
// the end-to-end test, so that this command line is written once.
class ChronyDaemon
{
public:
    ChronyDaemon() = default;
    ~ChronyDaemon();
    ChronyDaemon(const ChronyDaemon &) = delete;
    ChronyDaemon &operator=(const ChronyDaemon &) = delete;

    // Empty once chronyd answers on its command socket, else why not. The extra lines go to
    // the end of its configuration; channels says where its messages go.
    QString start(const QString &extraConfig, QProcess::ProcessChannelMode channels);
    QString folder() const { return m_folder.path(); }
    QString sampleSocket() const { return path("valtora.sock"); }
    // chronyc's comma-separated answer to a command; empty when none came within 5 s.
    QByteArray chronyc(const QString &command) const;
    // What chronyd has written so far, when its channels are merged.
    QByteArray output() { return m_chronyd.readAll(); }

private:
    QString path(const char *name) const { return m_folder.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_folder; // only its owner may enter: chronyd demands that of its sockets
    QProcess m_chronyd;
};
