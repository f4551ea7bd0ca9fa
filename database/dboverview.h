#pragma once
// The database window's first page: totals over the whole workspace and the
// archive import.
#include <QWidget>

class QLabel;
class QToolButton;

class DBOverview : public QWidget
{
    Q_OBJECT
public:
    explicit DBOverview(QWidget *parent = nullptr);

    void setAmount(int photoTagger, int traces, int logs, int maps, int flightPlans, int thermal);
    void setDiskUsage(double photoTagger, double traces, double logs, double maps,
                      double flightPlans, double thermal);

    QLabel *amountLabel() const { return m_amount; }
    QLabel *diskUsageLabel() const { return m_diskUsage; }
    QToolButton *importButton() const { return m_import; }

signals:
    void updateDB();

public slots:
    void importZPX();

private:
    QLabel *m_amount;
    QLabel *m_diskUsage;
    QToolButton *m_import;
};
