#include "maps/acquisition/gmleftbar.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "core/headerwidget.h"
#include "core/namerule.h"

GMLeftbar::GMLeftbar(QWidget *parent) : QWidget(parent)
{
    setFixedWidth(300);
    auto *layout = new QVBoxLayout(this);

    layout->addWidget(new HeaderWidget(tr("Introduction"), this, true));
    auto *intro = new QLabel(
        tr("You need three known GPS points on your map to create a geo-referenced map. Enter "
           "name and map source and move the three pins to the GPS position. You can zoom in/out "
           "by using the mouse wheel. Enter the GPS position for each pin and click on the save "
           "button if the values for size and the middle seem to be valid."));
    intro->setWordWrap(true);
    layout->addWidget(intro);

    layout->addWidget(new HeaderWidget(tr("Information"), this, true));
    m_name = new QLineEdit;
    m_name->setValidator(new QRegularExpressionValidator(NameRule::pattern(), m_name));
    m_source = new QLineEdit(tr("Custom"));
    m_source->setValidator(new QRegularExpressionValidator(NameRule::pattern(), m_source));
    auto *info = new QFormLayout;
    info->addRow(tr("Name:"), m_name);
    info->addRow(tr("Map source:"), m_source);
    layout->addLayout(info);

    layout->addWidget(new HeaderWidget(tr("Pins"), this, true));
    auto *pins = new QGridLayout;
    for (int i = 0; i < 3; ++i) {
        auto *icon = new QLabel;
        icon->setPixmap(QPixmap(QStringLiteral(":/pin%1.png").arg(i + 1)));
        m_lon[i] = new QDoubleSpinBox;
        m_lon[i]->setRange(-180, 180);
        m_lat[i] = new QDoubleSpinBox;
        m_lat[i]->setRange(-90, 90);
        for (QDoubleSpinBox *box : {m_lon[i], m_lat[i]}) {
            box->setDecimals(12);
            box->setValue(0);
            box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
            connect(box, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
                    &GMLeftbar::recalculate);
        }
        const int row = i * 2;
        pins->addWidget(icon, row, 0, 2, 1, Qt::AlignCenter);
        pins->addWidget(new QLabel(tr("Longitude:")), row, 1);
        pins->addWidget(m_lon[i], row, 2);
        pins->addWidget(new QLabel(tr("Latitude:")), row + 1, 1);
        pins->addWidget(m_lat[i], row + 1, 2);
    }
    layout->addLayout(pins);

    layout->addWidget(new HeaderWidget(tr("Result"), this, true));
    m_width = new QLabel(QStringLiteral("-"));
    m_height = new QLabel(QStringLiteral("-"));
    m_middleLon = new QLabel(QStringLiteral("-"));
    m_middleLat = new QLabel(QStringLiteral("-"));
    auto *result = new QFormLayout;
    result->addRow(tr("Area width:"), m_width);
    result->addRow(tr("Area height:"), m_height);
    result->addRow(tr("Middle longitude:"), m_middleLon);
    result->addRow(tr("Middle latitude:"), m_middleLat);
    layout->addLayout(result);

    m_save = new QPushButton(tr("Save and use map"));
    m_save->setEnabled(false);
    connect(m_save, &QPushButton::clicked, this, &GMLeftbar::saveMapClicked);
    layout->addWidget(m_save);
    layout->addStretch();
}

QString GMLeftbar::getName() const
{
    return m_name->text();
}

QString GMLeftbar::getSource() const
{
    return m_source->text();
}

void GMLeftbar::setName(const QString &name)
{
    m_name->setText(name);
}

QDoubleSpinBox *GMLeftbar::field(int pin, bool latitude) const
{
    if (pin < 1 || pin > 3)
        return nullptr;
    return latitude ? m_lat[pin - 1] : m_lon[pin - 1];
}

QPointF GMLeftbar::pinGeo1() const
{
    return QPointF(m_lon[0]->value(), m_lat[0]->value());
}

QPointF GMLeftbar::pinGeo2() const
{
    return QPointF(m_lon[1]->value(), m_lat[1]->value());
}

QPointF GMLeftbar::pinGeo3() const
{
    return QPointF(m_lon[2]->value(), m_lat[2]->value());
}

void GMLeftbar::setPinValues(double lon1, double lat1, double lon2, double lat2, double lon3,
                             double lat3)
{
    // One recalculation for the six values, not one per half-set pin.
    const double values[6] = {lon1, lat1, lon2, lat2, lon3, lat3};
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 2; ++k) {
            QDoubleSpinBox *box = k == 0 ? m_lon[i] : m_lat[i];
            const bool blocked = box->blockSignals(true);
            box->setValue(values[i * 2 + k]);
            box->blockSignals(blocked);
        }
    }
    emit recalculate();
}

void GMLeftbar::setAreaWidth(double metres)
{
    m_width->setText(QString::number(metres, 'g', 6) + 'm');
}

void GMLeftbar::setAreaHeight(double metres)
{
    m_height->setText(QString::number(metres, 'g', 6) + 'm');
}

void GMLeftbar::setMiddleLongitude(double degrees)
{
    m_middleLon->setText(QString::number(degrees, 'g', 10));
}

void GMLeftbar::setMiddleLatitude(double degrees)
{
    m_middleLat->setText(QString::number(degrees, 'g', 10));
}

void GMLeftbar::calcComplete(bool ok)
{
    m_save->setEnabled(ok);
    if (!ok) {
        for (QLabel *label : {m_width, m_height, m_middleLon, m_middleLat})
            label->setText(QStringLiteral("-"));
    }
}
