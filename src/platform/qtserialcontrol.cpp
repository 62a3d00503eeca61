#include "platform/qtserialcontrol.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QSerialPort>

#include <cerrno>
#include <climits>
#ifdef Q_OS_UNIX
#include <poll.h>
#include <unistd.h>
#endif

namespace {

constexpr qint64 kReadBufferSize = 1024;
// Bytes read from the device and not yet in the receive buffer.
constexpr qsizetype kBacklogLimit = 64 * 1024;

// True when the device exists but this user may not open it for reading.
bool deviceDenied(const QString &path)
{
#ifdef Q_OS_UNIX
    const QByteArray local = path.toLocal8Bit();
    return ::access(local.constData(), R_OK) != 0 && errno == EACCES;
#else
    Q_UNUSED(path);
    return false;
#endif
}

// Whether a folder for serial lock files can be written: QSerialPort locks
// every port it opens in the first writable one of these folders and refuses
// to open a port when there is none.
bool lockDirectoryAvailable()
{
#ifdef Q_OS_UNIX
    static const char *const kLockDirectories[] = {"/var/lock",         "/etc/locks", "/var/spool/locks",
                                                   "/var/spool/uucp",   "/tmp",       "/var/tmp",
                                                   "/var/lock/lockdev", "/run/lock"};
    for (const char *dir : kLockDirectories) {
        if (::access(dir, W_OK | X_OK) == 0)
            return true;
    }
    return false;
#else
    return true;
#endif
}

QString errorSentence(QtSerialControl::OpenError error, const QString &device, const QString &detail)
{
    switch (error) {
    case QtSerialControl::OpenError::None:
        return {};
    case QtSerialControl::OpenError::NotFound:
        return QStringLiteral("The serial port %1 does not exist or is not a serial device. "
                              "Check that the receiver is plugged in and choose its port.")
            .arg(device);
    case QtSerialControl::OpenError::Permission:
        return QStringLiteral("You have no permission to open the serial port %1. Ask for access "
                              "to serial ports (often the \"dialout\" group), log in again and "
                              "connect again.")
            .arg(device);
    case QtSerialControl::OpenError::InUse:
        return QStringLiteral("The serial port %1 is in use by another program. "
                              "Close that program and connect again.")
            .arg(device);
    case QtSerialControl::OpenError::AlreadyOpen:
        return QStringLiteral("The serial port %1 is already open.").arg(device);
    case QtSerialControl::OpenError::Other:
        break;
    }
    return QStringLiteral("The serial port %1 could not be opened (%2). "
                          "Check the receiver and connect again.")
        .arg(device, detail);
}

QString lostPhrase(int qtError)
{
    switch (qtError) {
    case QSerialPort::ReadError:
        return QStringLiteral("read error");
    case QSerialPort::ResourceError:
        return QStringLiteral("the device was removed or stopped responding");
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("the device disappeared");
    case QSerialPort::PermissionError:
        return QStringLiteral("access was withdrawn");
    default:
        return QStringLiteral("serial port error %1").arg(qtError);
    }
}

} // namespace

QtSerialControl::QtSerialControl(QObject *parent)
    : SerialControl(parent), m_port(std::make_unique<QSerialPort>())
{
    m_clock.start();
    m_port->setBaudRate(QSerialPort::Baud2400);
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    m_port->setReadBufferSize(kReadBufferSize);
    connect(m_port.get(), &QSerialPort::readyRead, this, &QtSerialControl::onReadyRead);
    connect(m_port.get(), &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { onError(int(error)); });
}

QtSerialControl::~QtSerialControl()
{
    closePort();
}

void QtSerialControl::setCommPort(const QString &name)
{
    m_name = name;
}

QString QtSerialControl::commPort() const
{
    return m_name;
}

bool QtSerialControl::portOpen() const
{
    return m_port->isOpen();
}

bool QtSerialControl::open()
{
    if (m_port->isOpen()) {
        m_openError = OpenError::AlreadyOpen;
        m_errorString = errorSentence(m_openError, m_openName, {});
        return false;
    }
    if (m_name.isEmpty()) {
        m_openError = OpenError::NotFound;
        m_errorString = QStringLiteral("No serial port is selected. Choose the receiver's port.");
        return false;
    }
    m_port->setPortName(m_name);
    m_port->clearError();
    if (!m_port->open(QIODevice::ReadOnly)) {
        m_openError =
            classifyOpenFailure(int(m_port->error()), deviceDenied(m_name), lockDirectoryAvailable());
        m_errorString = errorSentence(m_openError, m_name, m_port->errorString());
        return false;
    }
    ++m_session;
    m_openName = m_name;
    m_lost = false;
    m_armedBelow = true;
    m_openError = OpenError::None;
    m_errorString.clear();
    m_buffer.clear();
    m_backlog.clear();
    m_lastArrival = m_clock.elapsed();
    // Bytes the device held before the port was opened belong to nobody.
    m_port->clear(QSerialPort::Input);
    if (!m_port->isOpen()) { // the device failed at once: an open failure, not a lost link
        ++m_session;         // drops the queued linkLost
        m_openError = OpenError::Other;
        m_errorString = errorSentence(m_openError, m_name, m_port->errorString());
        return false;
    }
    return true;
}

void QtSerialControl::close()
{
    closePort();
}

void QtSerialControl::closePort()
{
    if (!m_port->isOpen())
        return;
    m_closing = true;
    m_port->close();
    m_closing = false;
}

QtSerialControl::OpenError QtSerialControl::openError() const
{
    return m_openError;
}

QString QtSerialControl::errorString() const
{
    return m_errorString;
}

QtSerialControl::OpenError QtSerialControl::classifyOpenFailure(int qtError, bool deviceDenied,
                                                                bool lockDirectoryAvailable)
{
    switch (qtError) {
    case QSerialPort::NoError:
        return OpenError::None;
    case QSerialPort::DeviceNotFoundError:
    case QSerialPort::UnsupportedOperationError: // not a terminal (ENOTTY, EINVAL)
        return OpenError::NotFound;
    case QSerialPort::OpenError:
        return OpenError::AlreadyOpen;
    case QSerialPort::PermissionError:
        if (deviceDenied)
            return OpenError::Permission;
        // No writable lock folder: nobody holds the port, it cannot be locked.
        if (!lockDirectoryAvailable)
            return OpenError::Other;
        return OpenError::InUse; // lock file held, or the device is busy (EBUSY)
    default:
        return OpenError::Other;
    }
}

void QtSerialControl::setRThreshold(int n)
{
    m_threshold = n > 0 ? n : 0;
    m_armedBelow = true;
    fillBuffer();
    if (m_threshold > 0 && inBufferCount() >= m_threshold)
        scheduleCheck();
}

int QtSerialControl::rThreshold() const
{
    return m_threshold;
}

bool QtSerialControl::live() const
{
    return m_port->isOpen() && !m_lost;
}

int QtSerialControl::inBufferCount() const
{
    if (!live())
        return 0;
    return int(m_buffer.size());
}

// Emptying the receive buffer drops the bytes read from the device and not
// yet taken. The device's own queue is not flushed: flushing it under a read
// that the event loop has already been told of makes that read fail, which
// QSerialPort reports as a resource error.
void QtSerialControl::discardInput()
{
    if (!live())
        return;
    m_buffer.clear();
    m_backlog.clear();
    m_port->readAll(); // bytes QSerialPort read but did not hand over yet
    noteDrained();
}

QByteArray QtSerialControl::input()
{
    if (!live())
        return {};
    QByteArray bytes;
    bytes.swap(m_buffer);
    noteDrained();
    // The backlog moves up when the event loop next runs.
    if (!m_backlog.isEmpty())
        scheduleCheck();
    return bytes;
}

// Moves backlog bytes into the receive buffer: while reception is armed at
// most one threshold's worth waits there, so that frames arriving faster
// than they are taken are taken one by one rather than discarded together.
void QtSerialControl::fillBuffer()
{
    const qsizetype cap = m_threshold > 0 ? m_threshold : kReadBufferSize;
    if (m_buffer.size() > cap) { // the threshold was set with more waiting
        m_backlog.prepend(m_buffer.sliced(cap));
        m_buffer.truncate(cap);
        return;
    }
    const qsizetype room = cap - m_buffer.size();
    if (room <= 0 || m_backlog.isEmpty())
        return;
    const qsizetype n = std::min(room, m_backlog.size());
    m_buffer += m_backlog.left(n);
    m_backlog.remove(0, n);
}

void QtSerialControl::noteDrained()
{
    if (inBufferCount() < m_threshold)
        m_armedBelow = true;
}

int QtSerialControl::commEvent() const
{
    return m_commEvent;
}

void QtSerialControl::raiseReceiveEvent()
{
    const int outer = m_commEvent;
    m_commEvent = kEvReceive;
    Q_EMIT onComm();
    m_commEvent = outer;
}

void QtSerialControl::onReadyRead()
{
    if (!live())
        return;
    const QByteArray fresh = m_port->readAll();
    if (fresh.isEmpty())
        return;
    const qint64 now = m_clock.elapsed();
    if (!m_buffer.isEmpty() || !m_backlog.isEmpty())
        Q_EMIT arriving(now - m_lastArrival);
    m_lastArrival = now;
    m_backlog += fresh;
    // A receiver that takes nothing for a long time loses the oldest bytes,
    // as a full receive buffer does.
    if (m_backlog.size() > kBacklogLimit)
        m_backlog.remove(0, m_backlog.size() - kBacklogLimit);
    fillBuffer();
    scheduleCheck();
}

void QtSerialControl::scheduleCheck()
{
    if (m_checkPending)
        return;
    m_checkPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_checkPending = false;
            checkThreshold();
        },
        Qt::QueuedConnection);
}

void QtSerialControl::checkThreshold()
{
    if (!live())
        return;
    fillBuffer();
    if (m_threshold <= 0)
        return;
    if (inBufferCount() < m_threshold) {
        m_armedBelow = true;
        return;
    }
    if (!m_armedBelow)
        return;
    m_armedBelow = false;
    raiseReceiveEvent();
}

bool QtSerialControl::deviceGone() const
{
    if (!QFileInfo::exists(m_openName))
        return true;
#ifdef Q_OS_UNIX
    const int fd = int(m_port->handle());
    if (fd < 0)
        return true;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
        return true;
#endif
    return false;
}

void QtSerialControl::onError(int error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
        return;
    if (m_closing || m_lost || !m_port->isOpen())
        return;
    // A failed read on a device that is still there and not hung up is no
    // lost link (a read the event loop announced can find nothing). Qt stops
    // reading after such an error, so the port is opened again quietly.
    if ((error == QSerialPort::ReadError || error == QSerialPort::ResourceError) && !deviceGone()) {
        m_closing = true;
        m_port->close();
        m_closing = false;
        m_port->clearError();
        if (m_port->open(QIODevice::ReadOnly)) {
            ++m_transientErrors;
            return;
        }
    }
    // A vanished device makes QSerialPort report read errors continuously
    // while the port stays open: close it right here so that the flood stops.
    m_lost = true;
    closePort();
    const QString reason = QStringLiteral("Lost the connection to the serial port %1 (%2). "
                                          "Check that the receiver is plugged in, then connect again.")
                               .arg(m_openName, lostPhrase(error));
    m_errorString = reason;
    const quint64 session = m_session;
    QMetaObject::invokeMethod(
        this,
        [this, session, reason] {
            if (session == m_session)
                Q_EMIT linkLost(reason);
        },
        Qt::QueuedConnection);
}
