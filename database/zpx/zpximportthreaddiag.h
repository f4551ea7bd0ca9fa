#pragma once
// The small modal window that runs an import: a short pause, then the
// import step; it cannot be closed while the import runs.
#include <QDialog>
#include <QStringList>

#include "database/zpx/zpximportthread.h"

class QLabel;
class QProgressBar;

class ZPXImportThreadDiag : public QDialog
{
    Q_OBJECT
public:
    explicit ZPXImportThreadDiag(QWidget *parent = nullptr);
    ~ZPXImportThreadDiag() override;

    void setFilename(const QString &path) { m_thread.setFilename(path); }
    ZPXImportThread *thread() { return &m_thread; }
    void startDiag();
    QStringList importResult() const { return m_thread.importResult(); }
    QStringList failures() const { return m_thread.failures(); }

public slots:
    void threadFinished();
    void importing(const QString &t, int a, int e);

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    QLabel *m_label;
    QProgressBar *m_bar;
    ZPXImportThread m_thread;
    bool m_closingAllowed = false;
};

// Imports one archive with the progress window, then shows the result
// dialog. The map index is rebuilt when the archive was accepted.
namespace ZPXImport {
void run(const QString &path, QWidget *resultParent);
// Asks for a ZPX file (starting where the last import was) and imports it;
// false when none was chosen.
bool chooseAndRun(QWidget *parent);
}
