#pragma once
// "Image Info": the fields of the current image's ARA header by name and
// value.
#include <QList>
#include <QWidget>

class QTreeWidget;
class QTreeWidgetItem;

class THRawDataView : public QWidget
{
    Q_OBJECT
public:
    explicit THRawDataView(QWidget *parent = nullptr);

    // A block shorter than 244 bytes reads as if padded with zeros.
    void setRawHeader(const QByteArray &header);

    QTreeWidget *tree() const { return m_tree; }
    QString value(const QString &name) const;

private:
    QTreeWidget *m_tree;
    QList<QTreeWidgetItem *> m_rows;
};
