#pragma once
// The measurement side panel: histogram and header fields above, the
// image's points and rectangles below. Values arrive as raw counts and are
// shown in the image's unit.
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QWidget>

#include "thermal/thdatapointlist.h"

class QComboBox;
class QSpinBox;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class THHistogramm;
class THRawDataView;

class THRight : public QWidget
{
    Q_OBJECT
public:
    explicit THRight(QWidget *parent = nullptr);

    void loadPoints(const THDataPointList &points);
    void clearPoints();
    void checkForIDConficts(int id);
    QString valueText(double value) const;

    int measurementType() const { return m_type; }
    THHistogramm *histogram() const { return m_histogram; }
    THRawDataView *rawDataView() const { return m_rawView; }
    QTabWidget *upperTabs() const { return m_upperTabs; }
    QTabWidget *lowerTabs() const { return m_lowerTabs; }
    QTreeWidget *pointsTable() const { return m_points; }
    QTreeWidget *areasTable() const { return m_areas; }
    const QList<QSpinBox *> &idBoxes() const { return m_idBoxes; }
    const QList<QComboBox *> &orientationBoxes() const { return m_orientBoxes; }

signals:
    void updateMinMax(QPoint minmax);
    void orientChanged(int id, int newOrient);
    void idnumberChanged(int oldId, int newId);
    void deleteRectENTF(int id);

public slots:
    void fillHistogram(const QByteArray &rawdata, QPoint minmax);
    int fillHeader(const QByteArray &header);
    void setMeasurementType(uint type);
    void pointValuesChanged(int id, QPointF newKoord, double newValue, int orient);
    void newPointAdded(int id, QPointF koord, double value, int orient);
    void newRectAngleAdded(int id, double minValue, double maxValue, double average);
    void pointDeleted(int id);
    void orientationChanged(int index);
    void idChanged();
    void clearRects();
    void deleteRect(int id);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    int rowOfId(int id) const;
    bool isPointRow(int row) const;
    void growIdRange(int id);

    THHistogramm *m_histogram;
    THRawDataView *m_rawView;
    QTabWidget *m_upperTabs;
    QTabWidget *m_lowerTabs;
    QTreeWidget *m_points;
    QTreeWidget *m_areas;
    QList<QComboBox *> m_orientBoxes;
    QList<QSpinBox *> m_idBoxes;
    int m_type = 0;
};
