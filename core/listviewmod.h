#pragma once
// List view for picking one entry: reports the picked entry and every
// double click through signals of its own.
#include <QListView>
#include <QModelIndex>

class ListViewMod : public QListView
{
    Q_OBJECT
public:
    explicit ListViewMod(QWidget *parent = nullptr);
    ~ListViewMod() override;

signals:
    void selection(const QModelIndex &index);
    void doubleclicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void selectionChanged(const QItemSelection &selected,
                          const QItemSelection &deselected) override;
};
