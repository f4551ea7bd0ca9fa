#include "link/joystick.h"

#include <QFile>
#include <QtEndian>
#include <cerrno>
#include <fcntl.h>
#include <linux/joystick.h>
#include <unistd.h>

LinuxJoystickSource::LinuxJoystickSource(const QString &pattern)
    : m_pattern(pattern)
{
}

LinuxJoystickSource::~LinuxJoystickSource()
{
    for (int i = 0; i < m_devices.size(); ++i)
        close(i);
}

int LinuxJoystickSource::deviceCount()
{
    if (m_countAge.isValid() && m_countAge.elapsed() < 1000)
        return m_count;
    int n = 0;
    for (int i = 0; i < 16; ++i)
        if (QFile::exists(m_pattern.arg(i)))
            ++n;
    m_count = n;
    m_countAge.start();
    return n;
}

void LinuxJoystickSource::close(int index)
{
    if (index < m_devices.size() && m_devices[index].fd >= 0) {
        ::close(m_devices[index].fd);
        m_devices[index] = Device();
    }
}

bool LinuxJoystickSource::read(int index, JoystickReading &out)
{
    if (index < 0 || index > 15)
        return false;
    if (m_devices.size() <= index)
        m_devices.resize(index + 1);
    Device &d = m_devices[index];
    if (d.fd < 0) {
        const QByteArray path = QFile::encodeName(m_pattern.arg(index));
        d.fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (d.fd < 0)
            return false;
        d.state = JoystickReading();
    }
    js_event ev;
    for (;;) {
        const ssize_t got = ::read(d.fd, &ev, sizeof ev);
        if (got == ssize_t(sizeof ev)) {
            const quint8 type = ev.type & ~JS_EVENT_INIT;
            if (type == JS_EVENT_AXIS) {
                const int pos = int(ev.value) + 32768;
                if (ev.number == 0)
                    d.state.x = pos;
                else if (ev.number == 1)
                    d.state.y = pos;
            } else if (type == JS_EVENT_BUTTON && ev.number < 32) {
                if (ev.value)
                    d.state.buttons |= (1u << ev.number);
                else
                    d.state.buttons &= ~(1u << ev.number);
            }
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            break;
        if (got == 0 || got > 0)
            break;  // no writer left (pipe) or a torn event: keep the state
        close(index);  // the device went away
        return false;
    }
    out = d.state;
    return true;
}

qint16 aciStickValue(int position)
{
    if (position >= 29568 && position <= 35968)
        return 0;
    return qint16((position - 32768) / 16);
}

QByteArray aciJoystickPayload(const JoystickReading &reading, quint8 counter)
{
    uchar d[29] = {};
    qToLittleEndian<quint32>(0x100000A0u, d);
    qToLittleEndian<qint16>(aciStickValue(reading.y), d + 14);
    qToLittleEndian<qint16>(aciStickValue(reading.x), d + 18);
    qToLittleEndian<quint16>(quint16(reading.buttons & 0xFFFF), d + 26);
    d[28] = counter;
    return QByteArray(reinterpret_cast<const char *>(d), sizeof d);
}
