#include "radiconv/filemodel.h"

FileModel::FileModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int FileModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_files.size();
}

int FileModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant FileModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= m_files.size() || index.column() != 0)
        return QVariant();
    return m_files.at(index.row());
}

QVariant FileModel::headerData(int, Qt::Orientation, int role) const
{
    if (role == Qt::DisplayRole)
        return QStringLiteral("Filename");
    return QVariant();
}

QModelIndex FileModel::parent(const QModelIndex &) const
{
    return QModelIndex();
}

bool FileModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count < 1 || row + count > m_files.size())
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    m_files.remove(row, count);
    endRemoveRows();
    announceChange();
    return true;
}

void FileModel::addFiles(const QStringList &files)
{
    if (files.isEmpty())
        return;
    beginInsertRows(QModelIndex(), m_files.size(), m_files.size() + files.size() - 1);
    for (const QString &f : files)
        m_files.append(f);
    endInsertRows();
    announceChange();
}

void FileModel::clear()
{
    beginResetModel();
    m_files.clear();
    endResetModel();
    announceChange();
}

QStringList FileModel::files() const
{
    return QStringList(m_files.cbegin(), m_files.cend());
}

void FileModel::announceChange()
{
    // An empty model has no index to name; its views learn of it from the
    // removal or reset that emptied it.
    if (!m_files.isEmpty())
        emit dataChanged(index(0, 0), index(m_files.size() - 1, 0));
}
