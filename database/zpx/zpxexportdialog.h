#pragma once
// Lets the operator tick workspace items and a target file, then writes them
// into one exchange archive through the export progress window.
#include <QDialog>
#include <QList>
#include <QStringList>

#include "database/zpx/zpxformat.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class ZPXExportDialog : public QDialog
{
    Q_OBJECT
public:
    // Kinds as selectItem numbers them.
    enum ItemKind { FlightPlanItem = 0, MapItem = 1, LogItem = 2, ProjectItem = 3 };

    explicit ZPXExportDialog(QWidget *parent = nullptr);
    ~ZPXExportDialog() override;

    void selectItem(int kind, const QString &name);
    void fillData();
    // Megabytes (1,000,000 bytes) of the selection.
    double getSizeOfSelected(const QStringList &maps, const QStringList &flightplans,
                             const QStringList &logs, const QStringList &projects) const;

    QTreeWidget *tree() const { return m_tree; }
    QLineEdit *pathField() const { return m_path; }
    QPushButton *saveButton() const { return m_save; }
    QCheckBox *deleteBox() const { return m_delete; }
    void setPlaces(const ZPX::Places &places) { m_places = places; }

public slots:
    void saveClicked();
    void browseClicked();

private:
    void fillKind(int kind);
    QStringList checked(int kind) const;

    ZPX::Places m_places;
    QTreeWidget *m_tree;
    QTreeWidgetItem *m_top[4] = {};
    QList<QTreeWidgetItem *> m_children[4];
    QLineEdit *m_path;
    QPushButton *m_save;
    QCheckBox *m_delete;
};
