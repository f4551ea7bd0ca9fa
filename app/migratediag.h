#pragma once
// Brings the workspace of an older version up to the current layout: deletes
// link traces of the old format and moves the stored maps into the map store.
#include <QDialog>
#include <QStringList>

class QCloseEvent;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;

class MigrateDiag : public QDialog
{
    Q_OBJECT
public:
    explicit MigrateDiag(QWidget *parent = nullptr);

    // Map images that stayed in the map folder (name taken in the store, or
    // the move failed); shown on the last page.
    QStringList unmovedMaps() const { return m_unmovedMaps; }
    QStringList undeletedTraces() const { return m_undeletedTraces; }

public slots:
    void nextClicked();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void runTraceCleanup();
    void runMapMove();
    void updateFinishedPage();

    QStackedWidget *m_pages;
    QPushButton *m_cancelButton;
    QPushButton *m_nextButton;
    QLabel *m_traceStatus;
    QProgressBar *m_traceProgress;
    QLabel *m_mapStatus;
    QProgressBar *m_mapProgress;
    QLabel *m_problems;
    bool traceDone = false;
    bool mapsDone = false;
    QStringList m_unmovedMaps;
    QStringList m_undeletedTraces;
};
