#pragma once
// The database page of one link trace file: its name, date and version, and
// its deletion.
#include <QWidget>

class QLabel;
class QPushButton;

class DBTrace : public QWidget
{
    Q_OBJECT
public:
    explicit DBTrace(QWidget *parent = nullptr);
    ~DBTrace() override;

    // name is the trace item, path its stored file.
    void setTraceFile(const QString &name, const QString &path);
    void setTraceFile(const QString &name);

    QLabel *nameLabel() const { return m_name; }
    QLabel *dateLabel() const { return m_date; }
    QLabel *versionLabel() const { return m_version; }
    QPushButton *deleteButton() const { return m_delete; }

    // "0345" -> "3.45", "1203" -> "12.03"; the date text yyMMddhhmmss shown
    // as "dd. MMMM yyyy hh:mm:ss", "-" when it is not twelve digits.
    static QString versionText(const QString &version);
    static QString dateText(const QString &date);

signals:
    void traceDeleted(const QString &name);

public slots:
    void deleteClicked();

private:
    QLabel *m_name;
    QLabel *m_date;
    QLabel *m_version;
    QPushButton *m_delete;
    QString m_path;
};
