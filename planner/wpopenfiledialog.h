#pragma once
// Lists the stored flight plans and lets the operator pick one.
#include <QDialog>
#include <QList>

#include "core/flightplaninfo.h"

class QPushButton;
class QTreeWidget;

class WPOpenFileDialog : public QDialog {
    Q_OBJECT
public:
    explicit WPOpenFileDialog(QWidget *parent = nullptr);

    QString name() const { return m_name; }
    QTreeWidget *tree() const { return m_tree; }
    QPushButton *openButton() const { return m_open; }
    QPushButton *cancelButton() const { return m_cancel; }

private slots:
    void okclicked();

private:
    QList<FlightPlanInfo> m_plans;
    QTreeWidget *m_tree;
    QPushButton *m_open;
    QPushButton *m_cancel;
    QString m_name;
};
