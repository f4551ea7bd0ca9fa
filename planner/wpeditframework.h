#pragma once
// The canvas's waypoint copy buffer: the values of the copied waypoints and
// their offsets from the first one, kept until the next copy.
#include <QList>
#include <QObject>
#include <QPointF>

struct WPCopyRecord {
    bool showCamera = false;
    bool triggerCamera = false;
    double pitch = 0;
    double heading = 0;
    qint8 noPictures = 0;
    double height = 0;
    double posAcc = 0;
    double time = 0;
    quint8 maxSpeed = 100;
    int type = 0;
    float v3Speed = 0;
    float desiredAcc = 0;
    int camAngleRoll = 0;
    QPointF offset;  // scene pixels from the first copied waypoint
    quint8 properties = 0;
};

class WPEditFramework : public QObject {
    Q_OBJECT
public:
    explicit WPEditFramework(QObject *parent = nullptr) : QObject(parent) {}

    void setCopy(const QList<WPCopyRecord> &records, const QList<int> &numbers)
    {
        m_records = records;
        m_numbers = numbers;
    }
    QList<WPCopyRecord> records() const { return m_records; }
    QList<int> numbers() const { return m_numbers; }
    bool isEmpty() const { return m_records.isEmpty(); }

    // The last drag of a selection: which waypoints and by how much.
    void setMove(const QList<int> &numbers, const QPointF &vector)
    {
        m_movedNumbers = numbers;
        m_moveVector = vector;
    }
    QList<int> movedNumbers() const { return m_movedNumbers; }
    QPointF moveVector() const { return m_moveVector; }

private:
    QList<WPCopyRecord> m_records;
    QList<int> m_numbers;
    QList<int> m_movedNumbers;
    QPointF m_moveVector;
};
