#pragma once
// Progress of one export: first the file writer, then (on request) the copy
// of the geotagged photos. The dialog cannot be closed, not even by Escape,
// while its worker runs.
#include <QDialog>

#include "phototagger/ptexportthread.h"

class PTData;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;

class PTExportThreadDiag : public QDialog {
    Q_OBJECT
public:
    explicit PTExportThreadDiag(PTData *data, QWidget *parent = nullptr);
    ~PTExportThreadDiag() override;

    void startCSVExport(const QString &fileName, const QString &separator, bool copyImages);
    void startPhotoScanExport(const QString &fileName, bool copyImages, int projectType);
    void startPix4DExport(const QString &fileName, bool copyImages);

public slots:
    void threadFinished();
    void copyFile(int nr, int all);
    void progress(int current, int all);
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void start(const QString &caption, int kind, bool copyImages);
    void finish();

    PTExportThread m_thread;
    int m_kind = 0;
    bool m_copyImages = false;
    QLabel *m_caption;
    QStackedWidget *m_rows[2];
    QLabel *m_labels[2];
    QProgressBar *m_bars[2];
    QPushButton *m_close;
};
