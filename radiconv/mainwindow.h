#pragma once
// Radiconv's window: the list of recordings, the target folder and the
// convert button.
#include <QMainWindow>
#include <QString>
#include <QStringList>

class AraConverter;
class DropArea;
class DropList;
class FileModel;
class QAction;
class QLineEdit;
class QMimeData;
class QProgressDialog;
class QPushButton;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Before the settings are first read: tells the user of a damaged
    // settings file (kept beside it) and clears what a killed save left.
    static void checkSettingsFile();

    void addFilesOrDirectories(const QStringList &paths);
    void createToolBar();

    FileModel *model() const { return m_model; }
    DropList *fileList() const { return m_list; }
    DropArea *dropArea() const { return m_dropArea; }
    QLineEdit *targetEdit() const { return m_targetEdit; }
    QPushButton *convertButton() const { return m_convertButton; }
    QAction *removeAction() const { return m_removeAction; }
    QAction *clearAction() const { return m_clearAction; }
    bool isConverting() const { return m_converting; }
    // The progress dialog of the running conversion, if any.
    QProgressDialog *progressDialog() const { return m_progress; }

public slots:
    void addFilesDialog();
    void addFolderDialog();
    void setTargetLocationDialog();
    // Starts converting the list and returns; the window rests until the
    // run ends, then clears the list and reports.
    void startConversion();

signals:
    void conversionFinished();

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void handleDrop(const QMimeData *mimeData);
    void updateList();
    void updateRemove();
    void removeSelected();

private:
    void showProgress(int jobs, int threads);
    void conversionEnded();
    void reportRun(const AraConverter &converter, int total);

    FileModel *m_model = nullptr;
    DropList *m_list = nullptr;
    DropArea *m_dropArea = nullptr;
    QLineEdit *m_targetEdit = nullptr;
    QPushButton *m_convertButton = nullptr;
    QAction *m_addFilesAction = nullptr;
    QAction *m_addFolderAction = nullptr;
    QAction *m_removeAction = nullptr;
    QAction *m_clearAction = nullptr;
    QString m_lastFileFolder;
    QString m_lastDirFolder;
    bool m_converting = false;
    AraConverter *m_converter = nullptr;
    QProgressDialog *m_progress = nullptr;
    int m_total = 0;
};
