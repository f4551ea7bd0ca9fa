#pragma once
// "Export images...": the options of a project export; Save runs the
// export on the worker while the progress dialog waits, then reports.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class THData;

class THExportProject : public QDialog
{
    Q_OBJECT
public:
    explicit THExportProject(THData *project, QWidget *parent = nullptr);

    QLineEdit *folderEdit() const { return m_folder; }
    QComboBox *formatBox() const { return m_format; }
    QCheckBox *onlyImageDataBox() const { return m_onlyImageData; }
    QCheckBox *reportBox() const { return m_report; }
    QCheckBox *pinTableBox() const { return m_pinTable; }
    QCheckBox *imageNameBox() const { return m_imageName; }
    QPushButton *saveButton() const { return m_save; }

public slots:
    void browseInFolderClicked();
    void saveClicked();
    void htmlReportClicked();
    void onlyImgDataClicked();

private:
    THData *m_project;
    QLineEdit *m_folder;
    QComboBox *m_format;
    QCheckBox *m_onlyImageData;
    QCheckBox *m_report;
    QCheckBox *m_pinTable;
    QCheckBox *m_imageName;
    QPushButton *m_save;
};
