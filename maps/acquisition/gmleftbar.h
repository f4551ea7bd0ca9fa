#pragma once
// Side bar of the geo-referencing window: introduction, name and source of
// the map, the coordinates of the three pins, the computed result and the
// button that stores the map.
#include <QPointF>
#include <QWidget>

class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;

class GMLeftbar : public QWidget
{
    Q_OBJECT
public:
    explicit GMLeftbar(QWidget *parent = nullptr);

    QString getName() const;
    QString getSource() const;
    void setName(const QString &name);
    // (longitude, latitude) of each pin's fields.
    QPointF pinGeo1() const;
    QPointF pinGeo2() const;
    QPointF pinGeo3() const;
    void setPinValues(double lon1, double lat1, double lon2, double lat2, double lon3,
                      double lat3);
    void setAreaWidth(double metres);
    void setAreaHeight(double metres);
    void setMiddleLongitude(double degrees);
    void setMiddleLatitude(double degrees);

    QLineEdit *nameEdit() const { return m_name; }
    QLineEdit *sourceEdit() const { return m_source; }
    QDoubleSpinBox *field(int pin, bool latitude) const;
    QPushButton *saveButton() const { return m_save; }
    QLabel *areaWidthLabel() const { return m_width; }
    QLabel *areaHeightLabel() const { return m_height; }
    QLabel *middleLongitudeLabel() const { return m_middleLon; }
    QLabel *middleLatitudeLabel() const { return m_middleLat; }

signals:
    void recalculate();
    void saveMapClicked();

public slots:
    void calcComplete(bool ok);

private:
    QLineEdit *m_name = nullptr;
    QLineEdit *m_source = nullptr;
    QDoubleSpinBox *m_lon[3] = {};
    QDoubleSpinBox *m_lat[3] = {};
    QLabel *m_width = nullptr;
    QLabel *m_height = nullptr;
    QLabel *m_middleLon = nullptr;
    QLabel *m_middleLat = nullptr;
    QPushButton *m_save = nullptr;
};
