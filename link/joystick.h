#pragma once
// Joystick input for the ACI joystick frame. The link thread asks a source for
// the number of devices, then reads joystick 1, falling back to joystick 0.
// Positions use the range 0..65535 with 32768 at the centre.
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QVector>
#include <QtGlobal>
#include <memory>

struct JoystickReading {
    int x = 32768;
    int y = 32768;
    quint32 buttons = 0;
};

class JoystickSource {
public:
    virtual ~JoystickSource() = default;
    virtual int deviceCount() = 0;
    virtual bool read(int index, JoystickReading &out) = 0;
};

// Used where no joystick support is wanted: reports no devices.
class NoJoystickSource : public JoystickSource {
public:
    int deviceCount() override { return 0; }
    bool read(int, JoystickReading &) override { return false; }
};

// Linux joystick interface (/dev/input/jsN). Devices are opened lazily and
// read without blocking; the state is kept from the events seen so far.
class LinuxJoystickSource : public JoystickSource {
public:
    // pattern: device path with %1 for the index.
    explicit LinuxJoystickSource(const QString &pattern = QStringLiteral("/dev/input/js%1"));
    ~LinuxJoystickSource() override;
    int deviceCount() override;
    bool read(int index, JoystickReading &out) override;

private:
    struct Device {
        int fd = -1;
        JoystickReading state;
    };
    void close(int index);
    QString m_pattern;
    QVector<Device> m_devices;
    // The count is asked a hundred times a second; look at the folder once a second.
    QElapsedTimer m_countAge;
    int m_count = 0;
};

// Stick value from a position: dead band 29568..35968 gives 0, else
// (position - 32768) / 16 truncated toward zero.
qint16 aciStickValue(int position);

// The 29-byte payload of the joystick frame (message 0x82 to address 0x30).
QByteArray aciJoystickPayload(const JoystickReading &reading, quint8 counter);
