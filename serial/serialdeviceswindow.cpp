#include "serialdeviceswindow.h"

#include "serial/portchoicelists.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { Device, StableName, Description, Maker, SerialNumber, Ports, ColumnCount };

QString portNames(const QList<int> &ports)
{
    QStringList names;
    for (int port : ports) {
        names.append(PortChoiceLists::ports().value(port - 1));
    }
    return names.join(QStringLiteral(", "));
}

} // namespace

SerialDevicesWindow::SerialDevicesWindow(SettingsStore &store, int portInUse, Lister lister,
                                         QWidget *parent)
    : QDialog(parent)
    , m_mapping(store)
    , m_lister(std::move(lister))
{
    setObjectName(QStringLiteral("SerialDevicesWindow"));
    setWindowTitle(QStringLiteral("VALTORA - serial devices"));

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("deviceList"));
    m_list->setAccessibleName(QStringLiteral("Serial devices"));
    m_list->setRootIsDecorated(false);
    m_list->setAllColumnsShowFocus(true);
    m_list->setColumnCount(ColumnCount);
    m_list->setHeaderLabels({ QStringLiteral("Device"), QStringLiteral("Stable name"),
                              QStringLiteral("Description"), QStringLiteral("Maker"),
                              QStringLiteral("Serial number"), QStringLiteral("Port") });
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->setMinimumSize(720, 180);

    m_port = new QComboBox(this);
    m_port->setObjectName(QStringLiteral("portChoice"));
    m_port->setAccessibleName(QStringLiteral("Port"));
    m_port->addItems(PortChoiceLists::ports());
    m_port->setCurrentIndex(qBound(0, portInUse - 1, m_port->count() - 1));

    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("note"));
    m_note->setWordWrap(true);

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Port:"), m_port);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addWidget(m_note);
    layout->addLayout(form);
    layout->addWidget(m_buttons);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &SerialDevicesWindow::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &SerialDevicesWindow::reject);
    connect(m_list, &QTreeWidget::currentItemChanged, this, &SerialDevicesWindow::updateButtons);
    connect(m_port, &QComboBox::currentIndexChanged, this, &SerialDevicesWindow::updateButtons);
    connect(&m_refresh, &QTimer::timeout, this, &SerialDevicesWindow::refresh);
    m_refresh.start(kRefreshMs);
    refresh();
    // A list that gets the focus chooses its first line by itself; OK must never map a port to
    // a device the user did not choose.
    m_port->setFocus();
}

int SerialDevicesWindow::chosenDevice() const
{
    QTreeWidgetItem *item = m_list->currentItem();
    return item ? m_list->indexOfTopLevelItem(item) : -1;
}

void SerialDevicesWindow::refresh()
{
    QList<SerialDevice> devices = m_lister();
    if (devices == m_devices && m_list->topLevelItemCount() == devices.size()) {
        return; // nothing came or went: the list and the user's choice stay as they are
    }
    m_devices = std::move(devices);
    showDevices();
}

void SerialDevicesWindow::showDevices()
{
    const int chosen = chosenDevice();
    const QString chosenName = chosen >= 0 ? m_list->topLevelItem(chosen)->text(Device) : QString();
    m_list->clear();
    for (const SerialDevice &device : std::as_const(m_devices)) {
        auto *item = new QTreeWidgetItem(m_list);
        item->setText(Device, device.device);
        item->setText(StableName, device.stableName);
        item->setText(Description, device.description);
        item->setText(Maker, device.manufacturer);
        item->setText(SerialNumber, device.serialNumber);
        item->setText(Ports, portNames(m_mapping.portsOf(device)));
        if (device.device == chosenName) {
            m_list->setCurrentItem(item);
        }
    }
    if (!m_list->currentItem() && m_list->topLevelItemCount() > 0) {
        // The device the port in use stands for, if it is there.
        for (int row = 0; row < m_devices.size(); ++row) {
            if (m_mapping.portsOf(m_devices.at(row)).contains(m_port->currentIndex() + 1)) {
                m_list->setCurrentItem(m_list->topLevelItem(row));
            }
        }
    }
    updateButtons();
}

void SerialDevicesWindow::updateButtons()
{
    const int chosen = chosenDevice();
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(chosen >= 0);
    if (m_devices.isEmpty()) {
        m_note->setText(QStringLiteral("The system has no serial device now. Plug the receiver "
                                       "in: it shows here within a few seconds."));
    } else if (chosen < 0) {
        m_note->setText(QStringLiteral("Choose the receiver's device and its port number."));
    } else {
        m_note->setText(QStringLiteral("OK makes %1 stand for %2.")
                            .arg(m_port->currentText(), m_devices.at(chosen).mappingName()));
    }
}

void SerialDevicesWindow::accept()
{
    const int chosen = chosenDevice();
    if (chosen < 0) {
        return;
    }
    m_mappedPort = m_port->currentIndex() + 1;
    m_saveFailure = m_mapping.map(m_mappedPort, m_devices.at(chosen).mappingName());
    QDialog::accept();
}
