#include "core/listviewmod.h"

#include <QMouseEvent>

ListViewMod::ListViewMod(QWidget *parent) : QListView(parent)
{
    setStyleSheet(QStringLiteral("QGraphicsView { border-style: none; }"));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionRectVisible(false);
}

ListViewMod::~ListViewMod() = default;

void ListViewMod::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    emit doubleclicked();
}

void ListViewMod::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    // The base class still repaints the changed rows, so the pick shows.
    QListView::selectionChanged(selected, deselected);
    const QModelIndexList indexes = selected.indexes();
    if (!indexes.isEmpty())
        emit selection(indexes.first());
}
