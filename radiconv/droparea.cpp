#include "radiconv/droparea.h"

#include <QDebug>
#include <QDragEnterEvent>
#include <QMimeData>

DropArea::DropArea(QWidget *parent)
    : QLabel(parent)
{
    setMinimumSize(200, 120);
    setFrameStyle(QFrame::Sunken | QFrame::StyledPanel);
    setAlignment(Qt::AlignCenter);
    setAcceptDrops(true);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // Show the highlight also while the window has no focus (during a drag).
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    setPalette(pal);
    clear();
}

void DropArea::dragEnterEvent(QDragEnterEvent *event)
{
    setBackgroundRole(QPalette::Highlight);
    event->acceptProposedAction();
    emit changed(event->mimeData());
}

void DropArea::dragMoveEvent(QDragMoveEvent *event)
{
    event->acceptProposedAction();
}

void DropArea::dragLeaveEvent(QDragLeaveEvent *event)
{
    setBackgroundRole(QPalette::Window);
    emit changed();
    event->accept();
}

void DropArea::dropEvent(QDropEvent *event)
{
    const QMimeData *mimeData = event->mimeData();
    if (!mimeData || !mimeData->hasUrls()) {
        qWarning() << "DropArea::dropEvent() mimeData has no URLs";
        event->ignore();
        clear();
        return;
    }
    setBackgroundRole(QPalette::Dark);
    event->acceptProposedAction();
    emit dropped(mimeData);
}

void DropArea::clear()
{
    setBackgroundRole(QPalette::Window);
    emit changed();
}
