#pragma once
// Placemark editor: groups of named points and polygons, edited in place in
// Data's placemark model. Saving is the caller's business.
#include <QDialog>
#include <QItemSelection>
#include <QModelIndex>

class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QStackedWidget;
class QStandardItem;
class QStandardItemModel;
class QTreeView;

class PMMain : public QDialog
{
    Q_OBJECT
public:
    explicit PMMain(QWidget *parent = nullptr);

    // Text that can be stored as a placemark name: "|" and line breaks would
    // break the placemarks file's line structure.
    static QString cleanName(const QString &text);

public slots:
    void itemTextChanged(QStandardItem *item);
    void modelselectionChanged(const QItemSelection &selected, const QItemSelection &deselected);
    void modelDataChanged(const QModelIndex &index);
    void deleteClicked();
    void newGroupClicked();
    void groupNameChanged(const QString &text);
    void nameChanged(const QString &text);
    void newPointClicked();
    void pointLonChanged(double lon);
    void pointLatChanged(double lat);
    void newPolygonClicked();
    void newPolyPointClicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    friend class TestPMMain;
    QStandardItem *appendChild(QStandardItem *parent, int kind);
    void selectItem(QStandardItem *item);
    void rename(const QString &text);
    static int kindOf(const QStandardItem *item);

    QStandardItemModel *m_model;
    QStandardItem *m_current = nullptr;
    QTreeView *m_tree;
    QStackedWidget *m_pages;
    QLineEdit *m_groupName;
    QLineEdit *m_pointName;
    QLineEdit *m_polygonName;
    QDoubleSpinBox *m_lat;
    QDoubleSpinBox *m_lon;
    QLabel *m_polygonType;
};
