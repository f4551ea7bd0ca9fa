#pragma once
// Export dialog of a loaded photo-tagger project: user CSV, PhotoScan,
// Pix4D or ContextCapture, one page each.
#include <QDialog>

class PTData;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QRadioButton;
class QStackedWidget;

namespace ContextCaptureExport {
class ExportWidget;
}

class PTExport : public QDialog {
    Q_OBJECT
public:
    PTExport(PTData *data, QWidget *parent = nullptr);

public slots:
    void browsePSZFile();
    void browseCSVFile();
    void browsePix4DFile();
    void switchSavingType(int index);
    void exportFile();

private:
    void noFileLocation();

    PTData *m_data;
    QComboBox *m_type;
    QStackedWidget *m_pages;
    QLineEdit *m_csvFile;
    QCheckBox *m_csvCopy;
    QComboBox *m_separator;
    QRadioButton *m_relative;
    QRadioButton *m_absolute;
    QRadioButton *m_offset;
    QDoubleSpinBox *m_offsetValue;
    QLineEdit *m_pszFile;
    QCheckBox *m_pszCopy;
    QComboBox *m_projectType;
    QLineEdit *m_pix4dFile;
    QCheckBox *m_pix4dCopy;
    ContextCaptureExport::ExportWidget *m_contextCapture;
};
