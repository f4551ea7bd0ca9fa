#pragma once
// Asks for a new name of a workspace item; the caller checks and renames.
#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

class DBRenameDiag : public QDialog
{
    Q_OBJECT
public:
    explicit DBRenameDiag(const QString &name, QWidget *parent = nullptr);

    // Empty when the operator cancelled.
    QString newName;

    QLineEdit *nameEdit() const { return m_edit; }
    QPushButton *renameButton() const { return m_rename; }
    QPushButton *cancelButton() const { return m_cancel; }

private slots:
    void renameClicked();

private:
    QLineEdit *m_edit;
    QPushButton *m_rename;
    QPushButton *m_cancel;
};
