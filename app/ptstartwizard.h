#pragma once
// Start of the photo tagger: a new project from one aircraft log of the
// workspace (optionally with a photo folder), or an existing project. The
// dialog only collects the choice; the caller acts on it.
#include <QDialog>
#include <QModelIndex>
#include <QString>
#include <QStringList>

class FlightBookThread;
class ListViewMod;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QStandardItemModel;
class QTreeWidget;
class QTreeWidgetItem;

class PTStartWizard : public QDialog
{
    Q_OBJECT
public:
    enum Result { Nothing = 0, NewProject = 1, OpenProject = 2 };
    enum Page { StartPage = 0, LogPage = 1, ProjectPage = 2 };

    explicit PTStartWizard(QWidget *parent = nullptr);
    ~PTStartWizard() override;

    // Shows the log page with the log of that folder name current.
    void setProject(const QString &name);

    int getResult() const { return m_result; }
    QString getProjectName() const { return m_name; }
    QString getPath() const { return m_path; }
    int getImageType() const { return m_imageType; }
    QString getLogPath() const;
    int projectCount() const;

public slots:
    void nextClicked();
    void cancelClicked();
    void backClicked();
    void newItem(QTreeWidgetItem *item);
    void chooseNaviChanged(const QModelIndex &index);
    void chooseLogChanged(const QModelIndex &index);
    void chooseBrowseClicked();
    void checkStateChanged(int state);

private:
    QWidget *createStartWidget();
    QWidget *createChooseLogWidget();
    QWidget *createLoadProject();
    void listLogs();
    void listProjects();
    QString projectsPath() const;
    QString projectFilePath(const QString &name) const;
    bool projectExists(const QString &name) const;
    void showPage(int page);

    int m_result = Nothing;
    QString m_name;
    QString m_path;
    int m_imageType = 0;
    QStringList m_projectEntries;  // the projects folder's entries

    QStackedWidget *m_pages = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_back = nullptr;
    QPushButton *m_cancel = nullptr;
    ListViewMod *m_navi = nullptr;
    QStandardItemModel *m_naviModel = nullptr;
    QLabel *m_info = nullptr;
    QTreeWidget *m_logs = nullptr;
    QCheckBox *m_addImages = nullptr;
    QLabel *m_pathLabel = nullptr;
    QLineEdit *m_pathEdit = nullptr;
    QPushButton *m_browse = nullptr;
    QLabel *m_formatLabel = nullptr;
    QComboBox *m_format = nullptr;
    QTreeWidget *m_projects = nullptr;
    FlightBookThread *m_maker = nullptr;
};
