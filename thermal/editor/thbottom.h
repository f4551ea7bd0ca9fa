#pragma once
// The image list of the thermal editor with its report editor: picks the
// image on display, switches images on or off for export, removes an image
// and opens the project export.
#include <QMetaObject>
#include <QModelIndex>
#include <QStackedWidget>

class QAction;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class THData;

class THBottom : public QStackedWidget
{
    Q_OBJECT
public:
    explicit THBottom(THData *project, QWidget *parent = nullptr);

    void useData();

    QTreeWidget *list() const { return m_list; }
    QAction *editAction() const { return m_edit; }
    QAction *enableAction() const { return m_enable; }
    QAction *deleteAction() const { return m_delete; }
    QAction *exportAction() const { return m_export; }
    QLineEdit *titleEdit() const { return m_title; }
    QPlainTextEdit *textEdit() const { return m_text; }
    QPushButton *backButton() const { return m_back; }
    // Whether the enable action offers to disable (the image is enabled).
    bool offersDisable() const { return m_offersDisable; }

signals:
    void itemSelected(int index);
    void removeSelectedItem();
    void dataChanged();
    void saveProj();

public slots:
    void selectionChanged(const QModelIndex &index);
    void openReport(const QModelIndex &index);
    void reportBackClicked();
    void endisableItem();
    void editReportClicked();
    void exportProject();
    void deleteSelectedImage();

private:
    void colourRow(QTreeWidgetItem *row, bool enabled);
    void showEnableIcon(bool enabled);

    THData *m_project;
    QTreeWidget *m_list;
    QAction *m_edit;
    QAction *m_enable;
    QAction *m_delete;
    QAction *m_export;
    QLineEdit *m_title;
    QPlainTextEdit *m_text;
    QPushButton *m_back;
    int m_reportRow = -1;
    bool m_offersDisable = true;
    bool m_removing = false;
    QMetaObject::Connection m_titleEdited;
    QMetaObject::Connection m_textChanged;
};
