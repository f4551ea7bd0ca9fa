#include "maps/acquisition/wpsavemap.h"

#include <QDebug>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "core/data.h"
#include "maps/acquisition/newmapform.h"

WPSaveMap::WPSaveMap(QWidget *parent) : QDialog(parent)
{
    qDebug() << "[WPSaveMap] createNewMapWidget";
    setFixedSize(800, 400);
    m_form = new NewMapForm(
        tr("You can later identify it easier and it will be displayed in with some other "
           "functions."));
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_form);
    layout->addStretch();
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &WPSaveMap::okayclicked);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Return in the name field reaches Ok as the dialog's default button.
}

WPSaveMap::~WPSaveMap() = default;

void WPSaveMap::setMap(const QImage &image, const MapDescription &mapData)
{
    m_form->setMap(image, mapData);
}

void WPSaveMap::okayclicked()
{
    const QString path = m_form->store(
        tr("The location name, you entered, already exists. Please choose another one.<br><br>"
           "Hint: You can delete maps or change its name in the database (on "
           "<i>Window</i>-><i>Database</i>)"));
    if (path.isEmpty())
        return;
    m_mapPath = path;
    accept();
    Data::instance()->updateMapIndex();
}
