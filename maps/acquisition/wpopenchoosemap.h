#pragma once
// Picks one stored map out of the names the caller gives (the maps that
// hold a flight plan's waypoints), with preview and description.
#include <QDialog>
#include <QModelIndex>
#include <QStringList>

class ListViewMod;
class MapInfoPanel;
class QPushButton;
class QStandardItemModel;

class WPOpenChooseMap : public QDialog
{
    Q_OBJECT
public:
    WPOpenChooseMap(const QStringList &mapNames, QWidget *parent = nullptr);
    ~WPOpenChooseMap() override;

    // The name picked with "Select"; read it after QDialog::Accepted.
    QString getMapName() const { return m_chosenName; }

    ListViewMod *mapList() const { return m_mapList; }
    MapInfoPanel *details() const { return m_details; }

public slots:
    void openClicked();
    void changeLoadMapSelection(const QModelIndex &index);

private:
    ListViewMod *m_mapList = nullptr;
    QStandardItemModel *m_mapModel = nullptr;
    MapInfoPanel *m_details = nullptr;
    QPushButton *m_select = nullptr;
    QPushButton *m_cancel = nullptr;
    QString m_chosenName;
};
