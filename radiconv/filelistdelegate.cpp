#include "radiconv/filelistdelegate.h"

FileListDelegate::FileListDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QSize FileListDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QSize base = QStyledItemDelegate::sizeHint(option, index);
    return base.grownBy(m_margins) + QSize(m_extra, m_extra);
}
