#ifndef FBCONVERTER_H
#define FBCONVERTER_H

#include "database/flightbook/fbconverterthread.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// Small modal progress dialog of the CSV log book; owns its worker.
class FBConverter : public QDialog
{
    Q_OBJECT
public:
    FBConverter(QString csvFile, QStringList logFolders, QWidget* parent = nullptr);
    ~FBConverter() override;

    int startDiag();

public slots:
    void process(int i, int n);
    void creatingCSV();
    void onError(QString msg);
    // Escape and the close button cancel a running export instead of
    // leaving it behind; the dialog closes when the worker has ended.
    void reject() override;

private:
    FBConverterThread m_worker;
    QLabel* m_status;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
};

#endif
