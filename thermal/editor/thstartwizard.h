#pragma once
// The thermal editor's start: a new project from a folder of recordings,
// built by the worker while the progress dialog waits, or an existing one.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QStandardItemModel;
class QTreeWidget;
class ListViewMod;
class THData;
class THView;

class THStartWizard : public QDialog
{
    Q_OBJECT
public:
    explicit THStartWizard(THData *project, QWidget *parent = nullptr);

    // The project created or chosen; empty when cancelled or nothing made.
    QString getProjectName() const { return projectName; }

    bool fillDataFromDirectory(const QString &folder);
    void listProjects();

    int page() const;
    QTreeWidget *fileList() const { return m_files; }
    QTreeWidget *projectList() const { return m_projects; }
    QLineEdit *nameEdit() const { return m_name; }
    ListViewMod *choiceList() const { return m_choices; }
    QPushButton *nextButton() const { return m_next; }
    QPushButton *backButton() const { return m_back; }
    QLabel *descriptionLabel() const { return m_description; }
    THView *preview() const { return m_preview; }

public slots:
    void nextClicked();
    void backClicked();
    void cancelClicked();
    void chooseNaviChanged();
    void selectAll();
    void selectOnlyPhotos();
    void deselectAll();

private:
    void createProject();

    THData *m_project;
    QStackedWidget *m_pages;
    QPushButton *m_next;
    QPushButton *m_back;
    QPushButton *m_cancel;
    ListViewMod *m_choices;
    QStandardItemModel *m_choiceModel;
    QLabel *m_description;
    QTreeWidget *m_files;
    THView *m_preview;
    QLineEdit *m_name;
    QTreeWidget *m_projects;
    QString projectName;
};
