#include "thermal/editor/thrawdataview.h"

#include <QDateTime>
#include <QDebug>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "thermal/araheader.h"
#include "thermal/project/thermalpaths.h"

namespace {
const char *const kNames[] = {
    "File Version", "File Mode", "File Compression", "Advanced Radiometry Camera",
    "Advanced Radiometry Enabled", "Advanced Radiometry Resolution", "Image Size", "Longitude",
    "Latitude", "Height", "GPS Time", "Time (MS)", "Angle Pitch", "Angle Roll", "Angle Yaw",
    "Camera Angle Pitch", "Camera Angle Roll", "Camera Angle Yaw", "Camera Serial Number",
    "Camera Serial Sensor Number", "Camera Version", "Camera Firmware Version",
    "Camera Sensor Temperature", "Camera Part Number", "Horizontal Accuracy", "Vertical Accuracy",
    "Speed Accuracy", "Speed X", "Speed Y", "Datalogger Version",
};

QString general(double v, int digits)
{
    return QString::number(v, 'g', digits);
}

QString degrees(double v, int digits)
{
    return general(v, digits) + QChar(0xB0);
}
}  // namespace

THRawDataView::THRawDataView(QWidget *parent) : QWidget(parent)
{
    qDebug() << "[THRawDataView] Contructor";
    m_tree = new QTreeWidget;
    m_tree->setSortingEnabled(false);
    m_tree->setRootIsDecorated(false);
    m_tree->setAnimated(true);
    m_tree->setColumnCount(2);
    m_tree->setHeaderLabels({tr("Name"), tr("Value")});
    m_tree->setColumnWidth(0, 250);
    for (const char *name : kNames) {
        auto *row = new QTreeWidgetItem({tr(name), QStringLiteral("-")});
        m_rows << row;
    }
    m_tree->addTopLevelItems(m_rows);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);
}

QString THRawDataView::value(const QString &name) const
{
    for (QTreeWidgetItem *row : m_rows)
        if (row->text(0) == name)
            return row->text(1);
    return QString();
}

void THRawDataView::setRawHeader(const QByteArray &block)
{
    qDebug().noquote() << QStringLiteral("[THRawDataView] setRawHeader %1").arg(block.size());
    const AraHeader h(block);
    const bool arCamera = h.isAdvancedRadiometryCamera();
    const int ms = int(h.gpsTimeOfWeek());
    QString resolution = QStringLiteral("-");
    if (arCamera && h.advancedRadiometryEnabled() == 1) {
        if (h.radiometryResolution() == 1)
            resolution = QStringLiteral("High");
        else if (h.radiometryResolution() == 0)
            resolution = QStringLiteral("Low");
    }
    const QStringList values = {
        QString::number(h.fileVersion()),
        QString::number(h.fileMode()),
        h.compression() == 0 ? QStringLiteral("No") : QStringLiteral("Yes"),
        arCamera ? QStringLiteral("Yes") : QStringLiteral("No"),
        !arCamera ? QStringLiteral("-")
                  : (h.advancedRadiometryEnabled() == 1 ? QStringLiteral("Yes") : QStringLiteral("No")),
        resolution,
        QStringLiteral("%1 x %2 Pixel").arg(h.width()).arg(h.height()),
        degrees(h.longitude() / 10000000.0, 10),
        degrees(h.latitude() / 10000000.0, 10),
        general(h.altitude() / 1000.0, 6) + QStringLiteral("m"),
        QDateTime(gpsWeekToDate(h.gpsWeek(), ms), gpsMsToTime(ms)).toString(QStringLiteral("yyyy-MM-dd hh:mm")),
        QString::number(h.timeMs()),
        degrees(h.pitch() / 100.0, 6),
        degrees(h.roll() / 100.0, 6),
        degrees(h.yaw() / 100.0, 6),
        degrees(h.cameraPitch() / 100.0, 6),
        degrees(h.cameraRoll() / 100.0, 6),
        degrees(h.cameraYaw() / 100.0, 6),
        QString::number(h.cameraSerialNumber()),
        QString::number(h.cameraSerialSensorNumber()),
        QString::number(h.cameraVersion()),
        QString::number(h.cameraFirmwareVersion()),
        general(h.cameraSensorTemperature() / 10.0, 6),
        h.cameraPartNumber(),
        QString::number(h.horizontalAccuracy()),
        QString::number(h.verticalAccuracy()),
        QString::number(h.speedAccuracy()),
        QString::number(h.speedX()),
        QString::number(h.speedY()),
        h.dataloggerVersion(),
    };
    for (int i = 0; i < m_rows.size(); ++i)
        m_rows[i]->setText(1, values.value(i));
}
