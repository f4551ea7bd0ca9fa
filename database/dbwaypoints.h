#pragma once
// The database page of one stored flight plan: its facts, rename, delete,
// open and archive export.
#include <QWidget>

class QLabel;
class QPushButton;
class QToolButton;

class DBWaypoints : public QWidget
{
    Q_OBJECT
public:
    explicit DBWaypoints(QWidget *parent = nullptr);

    void setData(const QString &name, const QString &location, const QString &date,
                 const QString &count);
    QString name() const;

    QLabel *nameLabel() const { return m_name; }
    QLabel *locationLabel() const { return m_location; }
    QLabel *dateLabel() const { return m_date; }
    QLabel *countLabel() const { return m_count; }
    QPushButton *renameButton() const { return m_rename; }
    QPushButton *deleteButton() const { return m_delete; }
    QToolButton *openButton() const { return m_open; }
    QToolButton *exportButton() const { return m_export; }

signals:
    void wpRemoved(const QString &name);
    void wpRenamed(const QString &oldname, const QString &newname);
    void openFlightPlan(const QString &name);
    void updateDB();

private slots:
    void deleteClicked();
    void renameClicked();
    void openFlightPlanClicked();
    void exportToZPX();

private:
    QString planFile(const QString &name) const;

    QLabel *m_name;
    QLabel *m_location;
    QLabel *m_date;
    QLabel *m_count;
    QPushButton *m_rename;
    QPushButton *m_delete;
    QToolButton *m_open;
    QToolButton *m_export;
};
