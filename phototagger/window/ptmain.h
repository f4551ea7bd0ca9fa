#pragma once
// The photo-tagger tab: the tag list of one project, its map and the preview
// of the selected tag's photo. Every edit is written to the project file at
// once, so the tab never holds unsaved changes.
#include <QModelIndex>
#include <QString>

#include "core/toolwindow.h"

class PTData;
class PTMap;
class PTPreview;
class QAction;
class QTreeWidget;
class QTreeWidgetItem;

class PTMain : public ToolWindow {
    Q_OBJECT
public:
    // Takes ownership of the project.
    PTMain(PTData *project, QWidget *parent = nullptr);
    ~PTMain() override;

    OpenKind kind() const override { return OpenKind::PhotoTagger; }
    QString projectName() const override { return m_projectName; }
    QString getProjectName() const { return m_projectName; }

    PTData *project() const { return m_project; }
    PTMap *map() const { return m_map; }
    PTPreview *preview() const { return m_preview; }
    QTreeWidget *list() const { return m_list; }
    QAction *addAction() const { return m_addAct; }
    QAction *removeAction() const { return m_removeAct; }
    QAction *enableAction() const { return m_enableAct; }
    QAction *importAction() const { return m_importAct; }
    QAction *upAction() const { return m_upAct; }
    QAction *downAction() const { return m_downAct; }
    QAction *exportAction() const { return m_exportAct; }

private slots:
    void selectionChanged(const QModelIndex &current);
    void addImages();
    void removeImage();
    void exportProject();
    void mapItemSelected(int number);
    void endisableItem();
    void imageUp();
    void imageDown();
    void importImages();

private:
    void fillRow(QTreeWidgetItem *item, int i);
    void setRowColour(QTreeWidgetItem *item, bool enabled);
    void refreshFileNames();
    // Writes the project file; tells the user when that failed.
    bool saveProject();
    int tagOf(const QTreeWidgetItem *item) const;
    QList<int> selectedRows() const;
    void noSelection();
    void moveImages(bool up);

    PTData *m_project;
    QString m_projectName;
    PTMap *m_map;
    PTPreview *m_preview;
    QTreeWidget *m_list;
    QAction *m_addAct;
    QAction *m_removeAct;
    QAction *m_enableAct;
    QAction *m_importAct;
    QAction *m_upAct;
    QAction *m_downAct;
    QAction *m_exportAct;
};
