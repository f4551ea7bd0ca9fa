#pragma once
// Names a flight plan before it is saved.
#include <QDialog>

class QDialogButtonBox;
class QLineEdit;

class WPSaveFileDialog : public QDialog {
    Q_OBJECT
public:
    WPSaveFileDialog(QWidget *parent, const QString &name);

    QString getName() const { return m_name; }
    bool isCanceled() const { return m_canceled; }
    QLineEdit *nameEdit() const { return m_edit; }

private slots:
    void okayclicked();
    void cancelclicked();

private:
    QString m_name;
    bool m_canceled = true;
    QLineEdit *m_edit;
    QDialogButtonBox *m_buttons;
};
