#pragma once
// "Program Settings": maps, folders, camera, thermal colours, graphics and
// proxy. Every choice is written through Data the moment it changes; the
// proxy is applied when the dialog closes.
#include <QDialog>
#include <QModelIndex>

class QCheckBox;
class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QStandardItemModel;
class ListViewMod;
class SPCamera;

class SettingsProgram : public QDialog
{
    Q_OBJECT
public:
    explicit SettingsProgram(QWidget *parent = nullptr);

public slots:
    void switchStackWidget(const QModelIndex &ind);
    void mapAPIchanged(const QString &name);
    void updateIndexClicked();
    void addMapBoxService();
    void removeMapBoxService();
    void changeStateRemoveMapBox(const QString &name);
    void browseHarlekSD();
    void browseMap();
    void browseWaypoint();
    void paletteChanged(int index);
    void pinColorChanged(int index);
    void pinBoderChanged(int index);
    void graphFlightplanClicked(int state);
    void effectFlightplanClicked(int state);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    friend class TestSettingsProgram;
    QWidget *createMapWidget();
    QWidget *createFolderWidget();
    QWidget *createThermalWidget();
    QWidget *createGraphicsWidget();
    QWidget *createProxyWidget();
    void updateProxyFields();
    void setProxy();
    QString browse(QLineEdit *edit);

    ListViewMod *m_pageList;
    QStandardItemModel *m_pageModel;
    QStackedWidget *m_stack;
    QPushButton *m_closeButton;
    // Maps
    QComboBox *m_serviceBox;
    QPushButton *m_addMapBoxButton;
    QPushButton *m_removeMapBoxButton;
    QLabel *m_mapCount;
    QPushButton *m_updateIndexButton;
    // Folder
    QLineEdit *m_mapPathEdit;
    QLineEdit *m_waypointPathEdit;
    QLineEdit *m_harlekSDPathEdit;
    // Camera
    SPCamera *m_cameraPage;
    // Thermal
    QComboBox *m_paletteBox;
    QComboBox *m_pinColorBox;
    QComboBox *m_borderColorBox;
    // Graphics
    QCheckBox *m_highresBox;
    QCheckBox *m_effectsBox;
    // Proxy
    QRadioButton *m_noProxy;
    QRadioButton *m_autoProxy;
    QRadioButton *m_systemProxy;
    QRadioButton *m_customProxy;
    QLabel *m_serverLabel;
    QLabel *m_portLabel;
    QLineEdit *m_serverEdit;
    QLineEdit *m_portEdit;
};
