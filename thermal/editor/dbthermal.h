#pragma once
// The thermal-project page of the database window: a project's summary,
// read straight from its file, and open, export, rename and delete.
#include <functional>
#include <QWidget>

class QLabel;
class QPushButton;
class QToolButton;

class DBThermal : public QWidget
{
    Q_OBJECT
public:
    explicit DBThermal(QWidget *parent = nullptr);

    void showProjectInfo(const QString &name);
    static QString thermalFolderPath();

    // Asks for the new name of a project; empty means cancelled. The
    // database window gives its rename dialog; without one nothing is renamed.
    std::function<QString(const QString &)> renameAsker;

    QString value(int row) const;  // 0 name .. 5 measurement type
    QPushButton *renameButton() const { return m_rename; }
    QPushButton *deleteButton() const { return m_delete; }

signals:
    void thRemoved(const QString &name);
    void thRenamed(const QString &oldname, const QString &newname);
    void openProject(const QString &name);

public slots:
    void deleteClicked();
    void renameClicked();
    void openProjectClicked();
    void exportProjectClicked();

private:
    QLabel *m_values[6];
    QPushButton *m_rename;
    QPushButton *m_delete;
};
