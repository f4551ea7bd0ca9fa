#pragma once
// The paths to convert, in the order added; duplicates are kept.
#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

class FileModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FileModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

    void addFiles(const QStringList &files);
    void clear();
    QStringList files() const;

private:
    void announceChange();

    QVector<QString> m_files;
};
