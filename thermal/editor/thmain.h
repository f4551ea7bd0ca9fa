#pragma once
// The thermal editor: one tab holding one open thermal project with its
// image view, colour scale, side panel and image list.
#include <QList>
#include <QPointF>

#include "core/toolwindow.h"

class QAction;
class QToolButton;
class THBottom;
class THData;
class THRight;
class THScale;
class THView;

class THMain : public ToolWindow
{
    Q_OBJECT
public:
    explicit THMain(THData *project, QWidget *parent = nullptr);

    OpenKind kind() const override { return OpenKind::Thermal; }
    QString projectName() const override;
    Commands commands() const override { return SaveCommand; }
    bool save(QString *error) override;

    bool saveProject(QString *error = nullptr);
    void minMax(bool deep);
    // The extension a save-dialog filter asks for, e.g. ".tga".
    static QString extensionForFilter(const QString &filter);
    static QString exportFilter();

    THView *view() const { return m_view; }
    THScale *scaleBar() const { return m_scale; }
    THRight *sidePanel() const { return m_right; }
    THBottom *bottomPanel() const { return m_bottom; }
    QToolButton *scaleButton() const { return m_scaleButton; }
    const QList<QAction *> &toolActions() const { return m_actions; }
    QList<QAction *> scaleActions() const;

signals:
    void saveProjectSignal();
    void dataChanged();

public slots:
    void exportFile();
    void openFileIndex(int i);
    void newRectAngle(QPointF startP, QPointF stopP);
    void newRectAngleLoaded(QPointF startP, QPointF stopP, int id);
    void deleteRect(int id);
    void selectMode();
    void pointMode();
    void rectangleMode();
    void circleMode();
    void lineMode();
    void autoScale();
    void deepScale();
    void fullScale();
    void enterScale();
    void allScale();

private:
    void setMode(int mode);
    void setToolsEnabled(bool enabled);

    THData *m_project;
    THView *m_view;
    THScale *m_scale;
    THRight *m_right;
    THBottom *m_bottom;
    QToolButton *m_scaleButton;
    QList<QAction *> m_actions;   // the nine tool-bar actions
    QList<QAction *> m_modeActions;
    QAction *m_full = nullptr;
    QAction *m_deep = nullptr;
    QAction *m_auto = nullptr;
    QAction *m_enter = nullptr;
    QAction *m_all = nullptr;
};
