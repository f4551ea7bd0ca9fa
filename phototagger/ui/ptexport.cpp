#include "phototagger/ui/ptexport.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaEnum>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/prompt/prompt.h"
#include "phototagger/ptdata.h"
#include "phototagger/ui/contextcaptureexport.h"
#include "phototagger/ui/exportpath.h"
#include "phototagger/ui/ptexportthreaddiag.h"

namespace {

const char *const ExportTypeKey = "Photo Tagger Export Type";

QHBoxLayout *fileRow(QWidget *page, QLineEdit *&field, const QString &name, QPushButton *&browse)
{
    field = new QLineEdit(page);
    field->setObjectName(name + QLatin1String("File"));
    field->setReadOnly(true);
    browse = new QPushButton(QObject::tr("Browse..."), page);
    browse->setObjectName(name + QLatin1String("Browse"));
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QObject::tr("File location:"), page));
    row->addWidget(field);
    row->addWidget(browse);
    return row;
}

}  // namespace

PTExport::PTExport(PTData *data, QWidget *parent) : QDialog(parent), m_data(data)
{
    qDebug() << "[PTExport] Constructor";
    setWindowTitle(tr("Photo Tagger Export"));
    setWindowIcon(QIcon(QStringLiteral(":/ptexport.png")));
    setFixedWidth(500);

    m_type = new QComboBox(this);
    m_type->setObjectName(QStringLiteral("exportType"));
    m_type->addItems({tr("User-defined CSV file (*.csv)"), tr("Agisoft PhotoScan Project (*.psz)"),
                      tr("Pix4Dmapper CSV file (*.csv)"), tr("ContextCapture file (*.xml)")});
    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("pages"));

    // CSV page
    auto *csv = new QWidget(m_pages);
    QPushButton *browse = nullptr;
    auto *csvLayout = new QVBoxLayout(csv);
    csvLayout->addLayout(fileRow(csv, m_csvFile, QStringLiteral("csv"), browse));
    connect(browse, &QPushButton::clicked, this, &PTExport::browseCSVFile);
    m_csvCopy = new QCheckBox(tr("Copy images to the CSV file location"), csv);
    m_csvCopy->setObjectName(QStringLiteral("csvCopy"));
    m_csvCopy->setChecked(true);
    m_separator = new QComboBox(csv);
    m_separator->setObjectName(QStringLiteral("separator"));
    m_separator->addItems({QStringLiteral(";"), QStringLiteral(":"), tr("Tab"), QStringLiteral("/"),
                           QStringLiteral("\\")});
    auto *sepRow = new QHBoxLayout;
    sepRow->addWidget(m_csvCopy);
    sepRow->addStretch();
    sepRow->addWidget(new QLabel(tr("Separator:"), csv));
    sepRow->addWidget(m_separator);
    csvLayout->addLayout(sepRow);
    csvLayout->addWidget(new QLabel(tr("Height value:"), csv));
    m_relative = new QRadioButton(tr("Relative to start position"), csv);
    m_relative->setObjectName(QStringLiteral("relative"));
    m_absolute = new QRadioButton(tr("Absolute (WGS84 Ellipsoid)"), csv);
    m_absolute->setObjectName(QStringLiteral("absolute"));
    m_offset = new QRadioButton(tr("Add value to relative height:"), csv);
    m_offset->setObjectName(QStringLiteral("offset"));
    auto *group = new QButtonGroup(csv);
    group->setExclusive(true);
    group->addButton(m_relative);
    group->addButton(m_absolute);
    group->addButton(m_offset);
    m_relative->setChecked(true);
    m_offsetValue = new QDoubleSpinBox(csv);
    m_offsetValue->setObjectName(QStringLiteral("offsetValue"));
    m_offsetValue->setDecimals(5);
    m_offsetValue->setRange(-10000, 10000);
    m_offsetValue->setEnabled(false);
    connect(m_offset, &QRadioButton::toggled, m_offsetValue, &QWidget::setEnabled);
    csvLayout->addWidget(m_relative);
    csvLayout->addWidget(m_absolute);
    auto *offsetRow = new QHBoxLayout;
    offsetRow->addWidget(m_offset);
    offsetRow->addStretch();
    offsetRow->addWidget(m_offsetValue);
    csvLayout->addLayout(offsetRow);
    m_pages->addWidget(csv);

    // PhotoScan page
    auto *psz = new QWidget(m_pages);
    auto *pszLayout = new QVBoxLayout(psz);
    pszLayout->addLayout(fileRow(psz, m_pszFile, QStringLiteral("psz"), browse));
    connect(browse, &QPushButton::clicked, this, &PTExport::browsePSZFile);
    m_pszCopy = new QCheckBox(tr("Copy images to Agisoft Photoscan project location"), psz);
    m_pszCopy->setObjectName(QStringLiteral("pszCopy"));
    m_pszCopy->setChecked(true);
    auto *typeLabel = new QLabel(tr("Project Type:"), psz);
    m_projectType = new QComboBox(psz);
    m_projectType->setObjectName(QStringLiteral("projectType"));
    const QMetaEnum types = QMetaEnum::fromType<PTData::ProjectType>();
    for (int i = 0; i < types.keyCount(); ++i)
        m_projectType->addItem(QString::fromLatin1(types.key(i)), types.value(i));
    typeLabel->setToolTip(tr("Test tooltip"));
    m_projectType->setToolTip(tr("Test tooltip"));
    bool known = false;
    const int stored = types.keyToValue(
        Data::instance()->settings()->value(QLatin1String(ExportTypeKey)).toString().toLatin1(),
        &known);
    m_projectType->setCurrentIndex(qMax(0, m_projectType->findData(known ? stored : 0)));
    // The check box text needs the whole width of the fixed-width dialog.
    pszLayout->addWidget(m_pszCopy);
    auto *typeRow = new QHBoxLayout;
    typeRow->addStretch();
    typeRow->addWidget(typeLabel);
    typeRow->addWidget(m_projectType);
    pszLayout->addLayout(typeRow);
    pszLayout->addStretch();
    m_pages->addWidget(psz);

    // Pix4D page
    auto *pix = new QWidget(m_pages);
    auto *pixLayout = new QVBoxLayout(pix);
    pixLayout->addLayout(fileRow(pix, m_pix4dFile, QStringLiteral("pix4d"), browse));
    connect(browse, &QPushButton::clicked, this, &PTExport::browsePix4DFile);
    m_pix4dCopy = new QCheckBox(tr("Copy images to Pix4d CSV file location"), pix);
    m_pix4dCopy->setObjectName(QStringLiteral("pix4dCopy"));
    m_pix4dCopy->setChecked(true);
    pixLayout->addWidget(m_pix4dCopy);
    pixLayout->addStretch();
    m_pages->addWidget(pix);

    // ContextCapture page
    m_contextCapture = new ContextCaptureExport::ExportWidget(m_data, this);
    m_pages->addWidget(m_contextCapture);

    auto *typeBar = new QHBoxLayout;
    typeBar->addWidget(new QLabel(tr("Export to:"), this));
    typeBar->addWidget(m_type);
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    auto *exportButton = new QPushButton(tr("Export"), this);
    exportButton->setObjectName(QStringLiteral("export"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(exportButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(typeBar);
    layout->addWidget(m_pages);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(m_type, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &PTExport::switchSavingType);
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
    connect(exportButton, &QPushButton::clicked, this, &PTExport::exportFile);
}

void PTExport::browsePSZFile()
{
    const QString f = PTExportPath::ask(this, tr("Set Agisoft Photoscan file..."),
                                        tr("Agisoft Photoscan (*.psz)"), QStringLiteral(".psz"));
    if (!f.isEmpty())
        m_pszFile->setText(f);
}

void PTExport::browseCSVFile()
{
    const QString f = PTExportPath::ask(this, tr("Set CSV file..."),
                                        tr("Comma-separated values (*.csv)"), QStringLiteral(".csv"));
    if (!f.isEmpty())
        m_csvFile->setText(f);
}

void PTExport::browsePix4DFile()
{
    const QString f = PTExportPath::ask(this, tr("Set Pix4D CSV file..."),
                                        tr("Pix4D CSV File (*.csv)"), QStringLiteral(".csv"));
    if (!f.isEmpty())
        m_pix4dFile->setText(f);
}

void PTExport::switchSavingType(int index)
{
    m_pages->setCurrentIndex(index);
    if (index == 1 || index == 2)
        m_absolute->setChecked(true);
}

void PTExport::noFileLocation()
{
    Prompt::message(parentWidget(), QStringLiteral(":/icons/80/warning"), tr("No file location!"),
                    tr("Please choose a file location for exporting!"), QMessageBox::Ok,
                    QMessageBox::Ok);
}

void PTExport::exportFile()
{
    m_data->setAbsoluteHeight(true);
    const int index = m_type->currentIndex();
    if (index == 0) {
        qDebug() << "[PTExport] exportFile current Index 0";
        if (!m_absolute->isChecked())
            m_data->setAbsoluteHeight(false);
        m_data->setHeightOffset(m_offset->isChecked() ? m_offsetValue->value() : 0.0);
        if (m_csvFile->text().isEmpty())
            return noFileLocation();
        const QString separator = m_separator->currentIndex() == 2 ? QStringLiteral("\t")
                                                                   : m_separator->currentText();
        PTExportThreadDiag progress(m_data, nullptr);
        progress.startCSVExport(m_csvFile->text(), separator, m_csvCopy->isChecked());
        progress.exec();
    } else if (index == 1) {
        qDebug() << "[PTExport] exportFile current Index 1";
        if (m_pszFile->text().isEmpty())
            return noFileLocation();
        Data::instance()->settings()->setValue(QLatin1String(ExportTypeKey),
                                               m_projectType->currentText());
        PTExportThreadDiag progress(m_data, nullptr);
        progress.startPhotoScanExport(m_pszFile->text(), m_pszCopy->isChecked(),
                                      m_projectType->currentData().toInt());
        progress.exec();
    } else if (index == 2) {
        qDebug() << "[PTExport] exportFile current Index 2";
        if (m_pix4dFile->text().isEmpty())
            return noFileLocation();
        PTExportThreadDiag progress(m_data, nullptr);
        progress.startPix4DExport(m_pix4dFile->text(), m_pix4dCopy->isChecked());
        progress.exec();
    } else {
        if (!m_contextCapture->exportFile())
            return;
        Prompt::message(parentWidget(), QStringLiteral(":/icons/80/info"),
                        tr("ContextCapture export successful!"),
                        tr("Flight exported to: %1").arg(m_contextCapture->fileLocation()));
    }
    close();
}
