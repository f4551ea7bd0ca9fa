#include "core/toolwindow.h"

ToolWindow::ToolWindow(QWidget *parent) : QWidget(parent) {}

bool ToolWindow::save(QString *error)
{
    if (error)
        error->clear();
    setModified(false);
    return true;
}

void ToolWindow::setModified(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}
