#pragma once
// Rows of the file list with room around the path.
#include <QMargins>
#include <QStyledItemDelegate>

class FileListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit FileListDelegate(QObject *parent = nullptr);
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    QMargins m_margins{10, 10, 10, 10};
    int m_extra = 1;
};
