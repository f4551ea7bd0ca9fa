#include "thermal/editor/thright.h"

#include <QComboBox>
#include <QDebug>
#include <QKeyEvent>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "thermal/araheader.h"
#include "thermal/editor/thrawdataview.h"
#include "thermal/thermalrenderer.h"
#include "thermal/view/thhistogramm.h"

namespace {
enum PointColumn { TypeColumn, IdColumn, ValueColumn, OrientationColumn };
const int kDefaultIdMax = 100;
}  // namespace

THRight::THRight(QWidget *parent) : QWidget(parent)
{
    qDebug() << "[THRight] Constructor";
    m_histogram = new THHistogramm(this);
    m_rawView = new THRawDataView(this);
    m_upperTabs = new QTabWidget;
    m_upperTabs->addTab(m_histogram, tr("Histogramm"));
    m_upperTabs->addTab(m_rawView, tr("Image Info"));
    m_upperTabs->setTabsClosable(false);
    m_upperTabs->setTabPosition(QTabWidget::East);

    m_points = new QTreeWidget;
    m_points->setRootIsDecorated(false);
    m_points->setHeaderLabels({tr("Type"), tr("ID"), tr("Value"), tr("Orientation")});
    m_areas = new QTreeWidget;
    m_areas->setRootIsDecorated(false);
    m_areas->setHeaderLabels({tr("Area"), tr("Minimal Value"), tr("Max Value"), tr("Average")});
    m_lowerTabs = new QTabWidget;
    m_lowerTabs->addTab(m_points, tr("Points"));
    m_lowerTabs->addTab(m_areas, tr("Area"));
    m_lowerTabs->setTabsClosable(false);
    m_lowerTabs->setTabPosition(QTabWidget::East);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_upperTabs);
    layout->addWidget(m_lowerTabs);
    connect(this, &THRight::updateMinMax, m_histogram,
            qOverload<QPoint>(&THHistogramm::setMinMaxValue));
}

QString THRight::valueText(double value) const
{
    // Raw counts keep their fraction here: an area's mean is no whole count.
    if (m_type == 1 || m_type == 2)
        return ThermalRenderer::valueText(value, m_type);
    return QString::number(value, 'g', 6);
}

void THRight::fillHistogram(const QByteArray &rawdata, QPoint minmax)
{
    qDebug() << "[THRight] fillHistogram";
    m_histogram->setData(rawdata, double(minmax.x()), double(minmax.y()));
}

int THRight::fillHeader(const QByteArray &header)
{
    qDebug().noquote() << QStringLiteral("[THRight] fillHeader %1").arg(header.size());
    // A short block reads as padded with zeros (AraHeader), so type 0.
    m_type = AraHeader(header).measurementType();
    m_histogram->setMeasurementType(m_type);
    m_rawView->setRawHeader(header);
    return m_type;
}

void THRight::setMeasurementType(uint type)
{
    m_type = int(type);
    m_histogram->setMeasurementType(m_type);
}

bool THRight::isPointRow(int row) const
{
    QTreeWidgetItem *item = m_points->topLevelItem(row);
    return item && item->text(TypeColumn) == QLatin1String("Point");
}

int THRight::rowOfId(int id) const
{
    for (int row = 0; row < m_idBoxes.size(); ++row)
        if (isPointRow(row) && m_idBoxes[row]->value() == id)
            return row;
    return -1;
}

void THRight::growIdRange(int id)
{
    // Ids past 100 would be clamped by the boxes and shown wrong.
    if (id <= kDefaultIdMax)
        return;
    for (QSpinBox *box : qAsConst(m_idBoxes))
        if (box->maximum() < id)
            box->setMaximum(id);
}

void THRight::newPointAdded(int id, QPointF, double value, int orient)
{
    auto *row = new QTreeWidgetItem;
    m_points->addTopLevelItem(row);
    row->setData(TypeColumn, Qt::UserRole, id);

    auto *orientBox = new QComboBox;
    connect(orientBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &THRight::orientationChanged);
    m_points->setItemWidget(row, OrientationColumn, orientBox);
    orientBox->addItems({tr("Top"), tr("Top-Right"), tr("Right"), tr("Bottom-Right"), tr("Bottom"),
                         tr("Bottom-Left"), tr("Left"), tr("Top-Left")});
    orientBox->setCurrentIndex(orient);

    auto *idBox = new QSpinBox;
    connect(idBox, &QSpinBox::editingFinished, this, &THRight::idChanged);
    m_points->setItemWidget(row, IdColumn, idBox);
    idBox->setRange(1, qMax(kDefaultIdMax, id));
    idBox->setValue(id);

    row->setText(TypeColumn, QStringLiteral("Point"));
    row->setText(ValueColumn, valueText(value));
    m_orientBoxes << orientBox;
    m_idBoxes << idBox;
    growIdRange(id);
}

void THRight::pointValuesChanged(int id, QPointF, double newValue, int orient)
{
    const int row = rowOfId(id);
    if (row < 0)
        return;
    m_points->topLevelItem(row)->setText(ValueColumn, valueText(newValue));
    if (m_orientBoxes[row]->currentIndex() != orient)
        m_orientBoxes[row]->setCurrentIndex(orient);
}

void THRight::pointDeleted(int id)
{
    const int row = rowOfId(id);
    if (row < 0)
        return;
    QSpinBox *idBox = m_idBoxes.takeAt(row);
    QComboBox *orientBox = m_orientBoxes.takeAt(row);
    delete m_points->takeTopLevelItem(row);
    idBox->deleteLater();
    orientBox->deleteLater();
}

void THRight::newRectAngleAdded(int id, double minValue, double maxValue, double average)
{
    m_areas->addTopLevelItem(new QTreeWidgetItem(
        {QString::number(id), valueText(minValue), valueText(maxValue), valueText(average)}));
}

void THRight::deleteRect(int id)
{
    if (id < 1 || id > m_areas->topLevelItemCount())
        return;
    for (int row = id; row < m_areas->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = m_areas->topLevelItem(row);
        item->setText(0, QString::number(item->text(0).toInt() - 1));
    }
    delete m_areas->takeTopLevelItem(id - 1);
}

void THRight::clearRects()
{
    m_areas->clear();
}

void THRight::clearPoints()
{
    m_points->clear();  // deletes the item widgets with their rows
    m_idBoxes.clear();
    m_orientBoxes.clear();
}

void THRight::loadPoints(const THDataPointList &points)
{
    clearPoints();
    const int n = qMin(qMin(points.ids.size(), points.positions.size()),
                       qMin(points.values.size(), points.orientations.size()));
    for (int i = 0; i < n; ++i)
        newPointAdded(points.ids[i], points.positions[i], double(qint64(points.values[i])),
                      points.orientations[i]);
}

void THRight::orientationChanged(int index)
{
    for (int row = 0; row < m_orientBoxes.size(); ++row) {
        if (m_orientBoxes[row] == sender() && isPointRow(row)) {
            emit orientChanged(m_idBoxes[row]->value(), index);
            return;
        }
    }
}

void THRight::idChanged()
{
    qDebug() << "[THRight] idChanged";
    int row = -1;
    for (int r = 0; r < m_idBoxes.size(); ++r)
        if (m_idBoxes[r] == sender() && isPointRow(r))
            row = r;
    if (row < 0)
        return;
    QTreeWidgetItem *item = m_points->topLevelItem(row);
    QSpinBox *box = m_idBoxes[row];
    const int oldId = item->data(TypeColumn, Qt::UserRole).toInt();
    const int newId = box->value();
    if (oldId == newId)
        return;
    const QSignalBlocker block(box);
    box->setValue(oldId);
    checkForIDConficts(newId);
    box->setValue(newId);
    item->setData(TypeColumn, Qt::UserRole, newId);
    emit idnumberChanged(oldId, newId);
}

void THRight::checkForIDConficts(int id)
{
    qDebug() << "[THRight] checkForIDConficts";
    qDebug() << "***";
    bool conflict = false;
    for (QSpinBox *box : qAsConst(m_idBoxes)) {
        qDebug() << "VALUES: " << box->value();
        if (box->value() == id) {
            conflict = true;
            break;
        }
    }
    if (!conflict)
        return;
    int freeId = 1;
    for (;; ++freeId) {
        if (freeId == id)
            continue;
        bool taken = false;
        for (QSpinBox *box : qAsConst(m_idBoxes))
            taken = taken || box->value() == freeId;
        if (!taken)
            break;
    }
    growIdRange(freeId);
    for (int row = 0; row < m_idBoxes.size(); ++row) {
        if (!isPointRow(row) || m_idBoxes[row]->value() != id)
            continue;
        QTreeWidgetItem *item = m_points->topLevelItem(row);
        const int stored = item->data(TypeColumn, Qt::UserRole).toInt();
        const QSignalBlocker block(m_idBoxes[row]);
        m_idBoxes[row]->setValue(freeId);
        item->setData(TypeColumn, Qt::UserRole, freeId);
        emit idnumberChanged(stored, freeId);
    }
}

void THRight::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Delete)
        return;
    if (m_lowerTabs->currentWidget() != m_areas)
        return;
    const QList<QTreeWidgetItem *> selected = m_areas->selectedItems();
    if (selected.isEmpty())
        return;
    emit deleteRectENTF(selected.first()->text(0).toInt());
}
