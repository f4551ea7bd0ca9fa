#pragma once
// ContextCapture page of the export dialog: picks the BlocksExchange file,
// optionally copies the geotagged photos beside it, and writes the file on
// the GUI thread.
#include <QStringList>
#include <QWidget>

class PTData;
class QCheckBox;
class QLineEdit;

namespace ContextCaptureExport {

class ExportWidget : public QWidget {
    Q_OBJECT
public:
    ExportWidget(PTData *data, QWidget *parent = nullptr);
    // True when the XML file was written.
    bool exportFile();
    QString fileLocation() const;

public slots:
    void browseFile();

private:
    PTData *m_data;
    QLineEdit *m_file;
    QCheckBox *m_copy;
};

}  // namespace ContextCaptureExport

namespace PTCopyProgress {
// PTData::copyFiles behind a window-modal progress dialog with "Abort".
// False when aborted; failed lists photos that could not be copied or
// tagged, reasons why ("<file>: <reason>").
bool copyFiles(PTData *data, const QString &targetFolder, QStringList *failed,
               QStringList *reasons = nullptr);
// Error box listing the photos of a copy that failed, then the reasons.
void reportFailures(QWidget *parent, const QStringList &failed,
                    const QStringList &reasons = QStringList());
}  // namespace PTCopyProgress
