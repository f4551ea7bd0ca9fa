#pragma once
// The file list; files and folders may be dropped onto it as well.
#include <QListView>

class QMimeData;

class DropList : public QListView {
    Q_OBJECT
public:
    explicit DropList(QWidget *parent = nullptr);

public slots:
    void clear();

signals:
    void changed(const QMimeData *mimeData = nullptr);
    void dropped(const QMimeData *mimeData = nullptr);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void setRole(QPalette::ColorRole role);
};
