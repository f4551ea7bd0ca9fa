#pragma once
// The canvas's waypoint copy buffer: the values of the copied waypoints and
// their offsets from the first one, kept until the next copy.
#include <QList>
#include <QObject>
#include <QPointF>

#include "maps/waypoint.h"

struct WPCopyRecord {
    Waypoint values;
    QPointF offset;  // scene pixels from the first copied waypoint
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
