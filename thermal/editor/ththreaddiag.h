#pragma once
// Progress of a thermal job: a label, a bar and Cancel. It refuses to close
// until the job's thread has finished.
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

class THThreadDiag : public QDialog
{
    Q_OBJECT
public:
    explicit THThreadDiag(QWidget *parent = nullptr);

    QString text() const;
    QProgressBar *progressBar() const { return m_bar; }
    bool isFinished() const { return m_finished; }

signals:
    void cancelClicked();

public slots:
    void creatFlirProject();
    void creatHTMLProject();
    void createFile(int nr, int all);
    void copyFile(int nr, int all);
    void threadfinished();
    void cleanUp();
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *m_label;
    QProgressBar *m_bar;
    QPushButton *m_cancel;
    bool m_finished = false;
};
