#include "radiconv/droplist.h"

#include <QDebug>
#include <QDragEnterEvent>
#include <QMimeData>

DropList::DropList(QWidget *parent)
    : QListView(parent)
{
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setAutoFillBackground(true);
    setRole(QPalette::Window);
}

void DropList::setRole(QPalette::ColorRole role)
{
    // The rows are painted on the viewport, so it shows the drag state too;
    // at rest it keeps the list's base colour.
    setBackgroundRole(role);
    viewport()->setBackgroundRole(role == QPalette::Window ? QPalette::Base : role);
}

void DropList::dragEnterEvent(QDragEnterEvent *event)
{
    setRole(QPalette::Highlight);
    event->acceptProposedAction();
    emit changed(event->mimeData());
}

void DropList::dragMoveEvent(QDragMoveEvent *event)
{
    // Not QListView's own handling: the list is no drop site for items.
    event->acceptProposedAction();
}

void DropList::dragLeaveEvent(QDragLeaveEvent *event)
{
    setRole(QPalette::Window);
    emit changed();
    event->accept();
}

void DropList::dropEvent(QDropEvent *event)
{
    const QMimeData *mimeData = event->mimeData();
    if (!mimeData || !mimeData->hasUrls()) {
        qWarning() << "DropList::dropEvent() mimeData has no URLs";
        event->ignore();
        clear();
        return;
    }
    setRole(QPalette::Dark);
    event->acceptProposedAction();
    emit dropped(mimeData);
}

void DropList::clear()
{
    setRole(QPalette::Window);
    emit changed();
}
