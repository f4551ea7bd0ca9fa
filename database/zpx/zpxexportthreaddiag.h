#pragma once
// The small modal window that runs an export step by step: a short pause,
// the write, then the clean-up after a cancel or the delete of the items.
#include <QDialog>

#include "database/zpx/zpxexportthread.h"

class QLabel;
class QProgressBar;
class QPushButton;

class ZPXExportThreadDiag : public QDialog
{
    Q_OBJECT
public:
    explicit ZPXExportThreadDiag(QWidget *parent = nullptr);
    ~ZPXExportThreadDiag() override;

    void setData(const QStringList &maps, const QStringList &flightplans, const QStringList &logs,
                 const QStringList &projects);
    void setFilename(const QString &path);
    void setDeleteAfterExport(bool on) { m_deleteAfterExport = on; }
    ZPXExportThread *thread() { return &m_thread; }
    QPushButton *cancelButton() const { return m_cancel; }

    // Runs the steps and returns when all have ended.
    void startDiag();
    // 101 when cancelled, otherwise the result of the last step.
    int getResult() const;
    // Set after a delete step: what was not deleted and why.
    QStringList keptItems() const { return m_thread.keptItems(); }
    // A failed export: "<file>: <reason>".
    QString errorText() const { return m_thread.errorText(); }

public slots:
    void cancelClicked();
    void threadFinished();
    void copyMap(const QString &text, int i, int n);
    void copyWP(const QString &text, int i, int n);
    void copyLog(const QString &text, int i, int n);
    void copyPT(const QString &text, int i, int n);
    void clup();

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void progress(const QString &text, int i, int n);
    void finish();
    void afterDelete();

    QLabel *m_label;
    QProgressBar *m_bar;
    ZPXExportThread m_thread;
    QPushButton *m_cancel;
    bool m_closingAllowed = false;
    bool m_deleteAfterExport = false;
    int m_result = -1;
};
