#pragma once

#include "common/errorvalue.h"
#include "serial/portmapping.h"
#include "serial/serialdevicelist.h"

#include <QDialog>
#include <QTimer>
#include <functional>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QTreeWidget;

// "Serial devices...": the serial devices the system has, listed again while the window is
// open as devices come and go, with the port numbers that stand for each. OK maps the chosen
// port number to the chosen device, by its stable name where it has one, so that no user has
// to edit the settings file to find a USB receiver.
class SerialDevicesWindow : public QDialog
{
    Q_OBJECT
public:
    using Lister = std::function<QList<SerialDevice>()>;
    static constexpr int kRefreshMs = 2000;

    // portInUse: the port number the program uses now, chosen at first.
    SerialDevicesWindow(SettingsStore &store, int portInUse, Lister lister,
                        QWidget *parent = nullptr);

    // Lists the devices again; the chosen one stays chosen while it is there.
    void refresh();
    // After OK: the port that was mapped (0: none), and why the settings file did not take it.
    int mappedPort() const { return m_mappedPort; }
    Outcome saveFailure() const { return m_saveFailure; }

protected:
    void accept() override;

private:
    void showDevices();
    void updateButtons();
    int chosenDevice() const;

    PortMapping m_mapping;
    Lister m_lister;
    QList<SerialDevice> m_devices;
    QTimer m_refresh;
    int m_mappedPort = 0;
    Outcome m_saveFailure;

    QTreeWidget *m_list = nullptr;
    QComboBox *m_port = nullptr;
    QLabel *m_note = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
};
