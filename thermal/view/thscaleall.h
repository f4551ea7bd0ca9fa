#pragma once
// "Scale all images...": the user enters a scale minimum and maximum, as
// temperatures for radiometric images, as raw counts otherwise; the result
// is always in raw counts.
#include <QDialog>
#include <QPoint>

class QDoubleSpinBox;
class QSpinBox;
class QStackedWidget;
class THData;

class THScaleAll : public QDialog
{
    Q_OBJECT
public:
    // The current image's stored scale (raw counts) and measurement type;
    // hasImage false when the project shows no image.
    THScaleAll(int scaleMin, int scaleMax, int measurementType, bool hasImage,
               QWidget *parent = nullptr);
    // The same for the project's current image.
    explicit THScaleAll(const THData *project, QWidget *parent = nullptr);

    // (minimum, maximum) in raw counts, valid after the dialog was accepted.
    QPoint result() const { return m_result; }
    int page() const;

public slots:
    void okclicked();

private:
    int m_type;
    bool m_hasImage;
    QStackedWidget *m_pages;
    QDoubleSpinBox *m_minTemp;
    QDoubleSpinBox *m_maxTemp;
    QSpinBox *m_minRaw;
    QSpinBox *m_maxRaw;
    QPoint m_result;
};
