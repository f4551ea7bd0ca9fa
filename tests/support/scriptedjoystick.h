#pragma once
// Joystick source for tests: a fixed device count and a reading per index
// that the test changes at will. Safe to change while the link thread reads.
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include "link/joystick.h"

namespace KorvelTest {

class ScriptedJoystickSource : public JoystickSource {
public:
    struct Script {
        QMutex mutex;
        int devices = 0;
        QHash<int, JoystickReading> readings;  // index -> reading; absent: read fails
        int reads = 0;
    };
    explicit ScriptedJoystickSource(Script *script) : m_script(script) {}
    int deviceCount() override
    {
        QMutexLocker lock(&m_script->mutex);
        return m_script->devices;
    }
    bool read(int index, JoystickReading &out) override
    {
        QMutexLocker lock(&m_script->mutex);
        ++m_script->reads;
        if (!m_script->readings.contains(index))
            return false;
        out = m_script->readings.value(index);
        return true;
    }

private:
    Script *m_script;
};

}  // namespace KorvelTest
