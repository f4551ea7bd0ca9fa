#pragma once
// Writes the system description (processor, display adapters, operating
// system) into the run log at start-up.
#include <QByteArray>
#include <QList>
#include <QString>

struct DisplayAdapter {
    QString name;         // e.g. "card0"
    QString description;  // driver and PCI ids
};

// Processor brand string (cpuid on x86, /proc/cpuinfo elsewhere).
QByteArray processorBrand();
// Display adapters listed under a DRM class folder, at most 10, in card order.
QList<DisplayAdapter> displayAdapters(const QString &drmRoot = QStringLiteral("/sys/class/drm"));

void systemDetection();
