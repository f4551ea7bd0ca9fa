#include "thermal/editor/thexportproject.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/headerwidget.h"
#include "core/prompt/prompt.h"
#include "thermal/editor/ththread.h"
#include "thermal/editor/ththreaddiag.h"

THExportProject::THExportProject(THData *project, QWidget *parent)
    : QDialog(parent), m_project(project)
{
    qDebug() << "[THExportProject] Contructor";
    setWindowTitle(tr("Export images..."));
    setWindowIcon(QIcon(QStringLiteral(":/icon.png")));
    setFixedSize(500, 400);

    m_folder = new QLineEdit;
    m_folder->setReadOnly(true);
    auto *browse = new QPushButton(tr("Browse..."));
    auto *folderRow = new QHBoxLayout;
    folderRow->addWidget(m_folder);
    folderRow->addWidget(browse);

    m_format = new QComboBox;
    m_format->addItems({tr("JPEG File Interchange Format"), tr("TIFF - Tagged Image File Format")});
    auto *formatRow = new QHBoxLayout;
    formatRow->addWidget(new QLabel(tr("Image format:")));
    formatRow->addWidget(m_format, 1);
    m_onlyImageData = new QCheckBox(tr("Save only image data (no pins, rectangles or lines)"));
    m_report = new QCheckBox(tr("Create HTML Report"));
    m_report->setChecked(true);
    m_pinTable = new QCheckBox(tr("Create table with pin values"));
    m_pinTable->setChecked(true);
    m_imageName = new QCheckBox(tr("Use image name instead of report title"));

    auto *cancel = new QPushButton(tr("Cancel"));
    m_save = new QPushButton(tr("Save"));
    m_save->setEnabled(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(m_save);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Export in Folder:")));
    layout->addLayout(folderRow);
    layout->addWidget(new HeaderWidget(tr("Image Options"), this, true));
    layout->addLayout(formatRow);
    layout->addWidget(m_onlyImageData);
    layout->addWidget(new HeaderWidget(tr("Report Options"), this, true));
    layout->addWidget(m_report);
    layout->addWidget(m_pinTable);
    layout->addWidget(m_imageName);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(browse, &QPushButton::clicked, this, &THExportProject::browseInFolderClicked);
    connect(m_save, &QPushButton::clicked, this, &THExportProject::saveClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_report, &QCheckBox::stateChanged, this, &THExportProject::htmlReportClicked);
    connect(m_onlyImageData, &QCheckBox::stateChanged, this, &THExportProject::onlyImgDataClicked);
}

void THExportProject::htmlReportClicked()
{
    if (!m_report->isChecked()) {
        m_pinTable->setEnabled(false);
        m_imageName->setEnabled(false);
    } else if (m_onlyImageData->isChecked()) {
        m_pinTable->setEnabled(false);
        m_imageName->setEnabled(true);
    } else {
        m_pinTable->setEnabled(true);
        m_imageName->setEnabled(true);
    }
}

void THExportProject::onlyImgDataClicked()
{
    if (m_onlyImageData->isChecked())
        m_pinTable->setEnabled(false);
    else if (m_report->isChecked())
        m_pinTable->setEnabled(true);
}

void THExportProject::browseInFolderClicked()
{
    qDebug() << "[THExportProject] browseInFolderClicked";
    Data *data = Data::instance();
    const QString start = data->rememberedFolder(QStringLiteral("Last Thermal Editor Export Path"));
    const QString folder = Prompt::directory(this, tr("Set export directory..."), start,
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (folder.isEmpty()) {
        m_folder->clear();
        m_save->setEnabled(false);
        return;
    }
    data->rememberFolder(QStringLiteral("Last Thermal Editor Export Path"), QFileInfo(folder).absolutePath());
    m_folder->setText(folder);
    m_save->setEnabled(true);
}

void THExportProject::saveClicked()
{
    qDebug() << "[THExportProject] saveClicked";
    THThread job(m_project);
    THThreadDiag progress(this);
    connect(&job, &THThread::createReportSignal, &progress, &THThreadDiag::creatHTMLProject);
    connect(&job, &THThread::createFile, &progress, &THThreadDiag::createFile);
    connect(&job, &QThread::finished, &progress, &THThreadDiag::threadfinished);
    if (m_report->isChecked())
        job.createReportWithHTML(m_folder->text(), m_format->currentIndex(), m_onlyImageData->isChecked(),
                                 m_pinTable->isChecked(), m_imageName->isChecked());
    else
        job.exportOnlyImages(m_folder->text(), m_format->currentIndex(), m_onlyImageData->isChecked());
    if (!job.isFinished())
        progress.exec();
    job.wait();

    if (!job.success) {
        Prompt::error(this, tr("Export failed"),
                      tr("The project could not be exported.<br><br>%1").arg(job.errorString.toHtmlEscaped()));
    } else if (!job.skippedImages.isEmpty() || !job.failedFiles.isEmpty()) {
        QString text = tr("You project has been exported.");
        if (!job.skippedImages.isEmpty())
            text += tr("<br><br>These images could not be read and were left out: %1")
                        .arg(job.skippedImages.join(QStringLiteral(", ")).toHtmlEscaped());
        if (!job.failedFiles.isEmpty())
            text += tr("<br><br>These files or their tags could not be written:") + QStringLiteral("<br>")
                    + job.failedFiles.join(QLatin1Char('\n')).toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
        Prompt::warning(this, tr("Project exported"), text);
    } else {
        Prompt::message(this, QStringLiteral(":/icons/80/info"), tr("Project exported"),
                        tr("You project has been exported."), QMessageBox::Ok, QMessageBox::Ok);
    }
    accept();
}
