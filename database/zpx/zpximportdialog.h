#pragma once
// Shows what an archive import brought in, what it left out and why, or the
// error that stopped it. It only displays.
#include <QDialog>
#include <QStringList>

class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

class ZPXimportDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ZPXimportDialog(const QStringList &lines, QWidget *parent = nullptr);
    ~ZPXimportDialog() override;

    void fillData(QStringList lines);
    // Under "Error:", one line "<file>: <reason>" per file not imported.
    void showFailures(const QStringList &failures);

    QTreeWidget *importedTree() const { return m_imported; }
    QTreeWidget *notImportedTree() const { return m_notImported; }
    QLabel *errorCaption() const { return m_errorCaption; }
    QLabel *errorText() const { return m_errorText; }

private:
    QTreeWidget *m_imported;
    QTreeWidget *m_notImported;
    // Maps, flight plans, logs, projects; per tree, inserted when they get children.
    QTreeWidgetItem *m_categories[2][4];
    QLabel *m_errorCaption;
    QLabel *m_errorText;
};
