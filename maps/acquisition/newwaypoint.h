#pragma once
// The dialog every new flight plan starts with: a stored map, a fresh
// capture of the online map (stored here), or an own image to geo-reference.
#include <QDialog>
#include <QImage>
#include <QModelIndex>

#include "core/mapdescription.h"

class ListViewMod;
class MapInfoPanel;
class NewMapForm;
class QLabel;
class QPushButton;
class QStackedWidget;
class QStandardItemModel;

class NewWaypoint : public QDialog
{
    Q_OBJECT
public:
    // Result kinds of getChoice().
    enum Choice { Nothing = 0, StoredMap = 1, ImageFile = 2 };

    explicit NewWaypoint(QWidget *parent = nullptr);
    ~NewWaypoint() override;

    // 0 nothing chosen, 1 a stored map (getMapName: its image path), 2 an
    // image file to geo-reference (getMapName: the file's path).
    int getChoice() const { return m_choice; }
    QString getMapName() const { return m_resultPath; }

    // The parts tests and callers look at.
    QPushButton *nextButton() const { return m_nextButton; }
    QPushButton *backButton() const { return m_backButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QStackedWidget *pages() const { return m_pages; }
    ListViewMod *startList() const { return m_startList; }
    QLabel *startHelp() const { return m_startHelp; }
    NewMapForm *newMapForm() const { return m_newMap; }
    ListViewMod *mapList() const { return m_mapList; }
    MapInfoPanel *mapDetails() const { return m_mapDetails; }

public slots:
    void chooseNaviChanged(const QModelIndex &index);
    void changeLoadMapSelection(const QModelIndex &index);
    void butnextclicked();
    void butcancelclicked();
    void butbackclicked();

private:
    QWidget *createStartWidget();
    QWidget *createNewMapWidget();
    QWidget *createLoadMapWidget();
    void nextOnStartPage();
    void createNewMap();
    void openMapFile();
    void showPage(int page);

    QPushButton *m_nextButton = nullptr;
    QPushButton *m_backButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QStackedWidget *m_pages = nullptr;
    ListViewMod *m_startList = nullptr;
    QStandardItemModel *m_startModel = nullptr;
    QLabel *m_startHelp = nullptr;
    NewMapForm *m_newMap = nullptr;
    ListViewMod *m_mapList = nullptr;
    QStandardItemModel *m_mapModel = nullptr;
    MapInfoPanel *m_mapDetails = nullptr;
    MapDescription m_snapshotData;
    QImage m_snapshotImage;
    int m_choice = Nothing;
    QString m_resultPath;
    int m_selectedMapRow = 0;
};
