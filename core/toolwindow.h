#pragma once
// The contract between the main window and the windows it shows as tabs. A
// window overrides only what applies to it; the defaults describe a window
// that shows no project and has nothing to save.
#include <QFlags>
#include <QString>
#include <QWidget>

#include "core/openkind.h"

class ToolWindow : public QWidget {
    Q_OBJECT
public:
    // File-menu commands the window takes while it is the current tab.
    enum Command {
        SaveCommand = 0x1,
        SaveAsCommand = 0x2,
        ImportWaypointsCommand = 0x4,
        ExportVardeckCommand = 0x8,
    };
    Q_DECLARE_FLAGS(Commands, Command)

    explicit ToolWindow(QWidget *parent = nullptr);

    virtual OpenKind kind() const { return OpenKind::None; }
    virtual QString projectName() const { return QString(); }
    virtual Commands commands() const { return {}; }

    bool isModified() const { return m_modified; }
    // Whether closing the window should offer to save; a window may know that
    // its changes are not worth keeping.
    virtual bool asksToSave() const { return m_modified; }

    // On failure error holds a text for the user and the window stays modified.
    virtual bool save(QString *error);
    virtual bool saveAs(QString *error) { return save(error); }

    // The window became the current tab again.
    virtual void activated() {}

public slots:
    void setModified(bool modified = true);

signals:
    void modifiedChanged(bool modified);

private:
    bool m_modified = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(ToolWindow::Commands)
