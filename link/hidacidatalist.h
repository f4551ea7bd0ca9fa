#pragma once
// Diagnostic window listing what the aircraft publishes over ACI: its
// variables, commands and parameters, one row each, as the link relays them.
#include <QList>
#include <QStringList>
#include <QWidget>

#include "core/toolwindow.h"

class KorvelPacketHandler;
class QTabWidget;
class QTreeWidget;

class HidACIDataList : public ToolWindow {
    Q_OBJECT
public:
    HidACIDataList(KorvelPacketHandler *handler, QWidget *parent = nullptr);
    ~HidACIDataList() override;

    OpenKind kind() const override { return OpenKind::AciList; }

    QTabWidget *tabs() const { return m_tabs; }
    QTreeWidget *variablesTree() const { return m_variables; }
    QTreeWidget *commandsTree() const { return m_commands; }
    QTreeWidget *parametersTree() const { return m_parameters; }

public slots:
    void fillvariables(QList<QStringList> list);
    void fillcommands(QList<QStringList> list);
    void fillparameters(QList<QStringList> list);

private:
    QTreeWidget *makeTree(const QString &title);
    static void fill(QTreeWidget *tree, const QList<QStringList> &list);

    KorvelPacketHandler *m_handler;
    QTabWidget *m_tabs;
    QTreeWidget *m_variables;
    QTreeWidget *m_commands;
    QTreeWidget *m_parameters;
};
