// Stored maps, cameras, placemarks and map pages of Data.
#include "data.h"

#include <QStandardItemModel>

void Data::writeOsmPage(const QString &folder) { Q_UNUSED(folder) }

void Data::localizePageLinks(const QString &pageFile) { Q_UNUSED(pageFile) }

QStringList Data::mapServices()
{
    const QDir dir(m_mapApiDir.path());
    m_mapServices = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden
                                      | QDir::NoSymLinks,
                                  QDir::Name);
    return m_mapServices;
}

void Data::updateMapIndex() {}

void Data::loadCameras() {}

void Data::loadPlacemarks() {}
