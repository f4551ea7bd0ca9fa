#include "maps/acquisition/newmapform.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "core/data.h"
#include "maps/acquisition/mapinfopanel.h"
#include "core/namerule.h"
#include "core/prompt/prompt.h"

NewMapForm::NewMapForm(const QString &hint, QWidget *parent) : QWidget(parent)
{
    auto *heading = new QLabel(tr("Save Map:"));
    QFont big = heading->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    heading->setFont(big);

    nameEdit = new QLineEdit;
    nameEdit->setValidator(new QRegularExpressionValidator(NameRule::pattern(), nameEdit));
    connect(nameEdit, &QLineEdit::returnPressed, this, &NewMapForm::returnPressed);
    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(tr("Name:")));
    nameRow->addSpacing(5);
    nameRow->addWidget(nameEdit);
    auto *hintLabel = new QLabel(hint);
    hintLabel->setWordWrap(true);

    lonLabel = new QLabel(QStringLiteral("0.0"));
    latLabel = new QLabel(QStringLiteral("0.0"));
    widthLabel = new QLabel(QStringLiteral("0.0m"));
    heightLabel = new QLabel(QStringLiteral("0.0m"));
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Longitude:")), 0, 0);
    grid->addWidget(lonLabel, 0, 1);
    grid->addWidget(new QLabel(tr("Latitude:")), 1, 0, Qt::AlignTop);
    grid->addWidget(latLabel, 1, 1, Qt::AlignTop);
    grid->setRowMinimumHeight(1, 40);
    grid->addWidget(new QLabel(tr("Width:")), 2, 0);
    grid->addWidget(widthLabel, 2, 1);
    grid->addWidget(new QLabel(tr("Height:")), 3, 0);
    grid->addWidget(heightLabel, 3, 1);

    auto *column = new QVBoxLayout;
    column->addWidget(heading);
    column->addWidget(new QLabel(tr("Give the map a name.")));
    column->addLayout(nameRow);
    column->addWidget(hintLabel);
    column->addSpacing(40);
    column->addLayout(grid);
    column->addStretch();

    preview = new QLabel;
    preview->setMinimumWidth(300);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(preview, 0, Qt::AlignTop);
    layout->addSpacing(15);
    layout->addLayout(column, 1);
}

void NewMapForm::setMap(const QImage &image, const MapDescription &mapData)
{
    m_image = image;
    m_mapData = mapData;
    preview->setPixmap(MapInfoPanel::previewOf(image));
    lonLabel->setText(QString::number(mapData.centre().lon(), 'g', 6));
    latLabel->setText(QString::number(mapData.centre().lat(), 'g', 6));
    widthLabel->setText(MapInfoPanel::sizeText(mapData.width()));
    heightLabel->setText(MapInfoPanel::sizeText(mapData.height()));
}

QString NewMapForm::store(const QString &existsText)
{
    const QString warning = QStringLiteral(":/icons/80/warning");
    const QString name = nameEdit->displayText();
    if (name.isEmpty()) {
        Prompt::message(this, warning, tr("No location name"),
                        tr("No location name given. Please type in a location name"));
        return QString();
    }
    Data *data = Data::instance();
    const QString path = data->orthoMapPath() + QDir::separator() + name + ".jpg";
    if (QFile::exists(path)) {
        Prompt::message(this, warning, tr("Location name already exists"), existsText);
        return QString();
    }
    MapDescription record = m_mapData;
    record.setName(name);
    record.setSource(QString());  // the current map service's
    QString error;
    if (!data->saveMapImage(m_image, record, &error)) {
        Prompt::message(this, QStringLiteral(":/icons/80/error"), tr("Map not saved"),
                        tr("The map could not be written to the map folder. Please check that "
                           "the folder is writable and the disk is not full.")
                            + QStringLiteral("\n\n") + error);
        return QString();
    }
    return path;
}
