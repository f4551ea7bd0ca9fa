#include "thermal/editor/thbottom.h"

#include <QAction>
#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/pngicon.h"
#include "core/prompt/prompt.h"
#include "thermal/editor/thexportproject.h"
#include "thermal/project/thdata.h"

namespace {
enum Column { NumberColumn, FlirColumn, ImageColumn, HeaderColumn, DateColumn, ColumnCount };
}

THBottom::THBottom(THData *project, QWidget *parent) : QStackedWidget(parent), m_project(project)
{
    qDebug() << "[THBottom] Constructor START";
    setContentsMargins(0, 0, 0, 0);

    qDebug() << "[THBottom] createListView";
    auto *listPage = new QWidget;
    auto *tools = new QToolBar;
    tools->setMovable(false);
    tools->setStyleSheet(QStringLiteral("QToolBar {border-bottom: 0px solid black; border-top: 0px solid black;}"));
    // The label shows only where the icon is missing from the resources.
    auto addTool = [&](const char *icon, const QString &label, const QString &tip, void (THBottom::*slot)()) {
        QAction *a = tools->addAction(PngIcon::fromFile(QString::fromLatin1(icon)), label);
        a->setToolTip(tip);
        a->setStatusTip(tip);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    m_edit = addTool(":/th_editreport.png", tr("Edit report"), tr("Edit report title and text of the selected item"),
                     &THBottom::editReportClicked);
    m_enable = addTool(":/th_disable.png", tr("On/Off"), tr("Activate/deactivate selected thermal image for exporting"),
                       &THBottom::endisableItem);
    m_delete = addTool(":/th_delete.png", tr("Remove"), tr("Remove selected thermal image from the project"),
                       &THBottom::deleteSelectedImage);
    tools->addSeparator();
    m_export = addTool(":/th_createreport.png", tr("Export project"), tr("Export the whole project..."), &THBottom::exportProject);
    m_list = new QTreeWidget;
    m_list->setHeaderLabels({tr("#"), tr("FLIR Filename"), tr("Image Filename"), tr("Report Header"), tr("Date")});
    m_list->setColumnHidden(ImageColumn, true);
    m_list->setSortingEnabled(false);
    m_list->setRootIsDecorated(false);
    m_list->setAnimated(true);
    auto *listLayout = new QVBoxLayout(listPage);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(tools);
    listLayout->addWidget(m_list);

    qDebug() << "[THBottom] createReportView";
    auto *reportPage = new QWidget;
    m_title = new QLineEdit;
    m_text = new QPlainTextEdit;
    m_back = new QPushButton(tr("Back"));
    auto *titleRow = new QHBoxLayout;
    titleRow->addWidget(new QLabel(tr("Title: ")));
    titleRow->addWidget(m_title, 1);
    auto *reportLayout = new QVBoxLayout(reportPage);
    reportLayout->addLayout(titleRow);
    reportLayout->addWidget(new QLabel(tr("Report Text:")));
    reportLayout->addWidget(m_text, 1);
    reportLayout->addWidget(m_back, 0, Qt::AlignRight);
    connect(m_back, &QPushButton::clicked, this, &THBottom::reportBackClicked);

    addWidget(listPage);
    addWidget(reportPage);
    useData();
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { selectionChanged(current); });
    connect(m_list, &QTreeWidget::doubleClicked, this, &THBottom::openReport);
    qDebug() << "[THBottom] Constructor END";
}

void THBottom::colourRow(QTreeWidgetItem *row, bool enabled)
{
    const QColor colour = enabled ? QApplication::palette().color(QPalette::Text) : QColor(Qt::gray);
    for (int c = 0; c < ColumnCount; ++c)
        row->setForeground(c, colour);
}

void THBottom::showEnableIcon(bool enabled)
{
    m_offersDisable = enabled;
    m_enable->setIcon(PngIcon::fromFile(QString::fromLatin1(enabled ? ":/th_disable.png" : ":/th_enable.png")));
}

void THBottom::useData()
{
    qDebug() << "[THBottom] useData";
    if (!m_project)
        return;
    for (int i = 0; i < m_project->imageCount(); ++i) {
        auto *row = new QTreeWidgetItem;
        row->setText(NumberColumn, QString::number(i + 1));
        row->setText(FlirColumn, m_project->imageFileNames[i]);
        row->setData(FlirColumn, Qt::UserRole, m_project->imagePath(i));
        row->setText(ImageColumn, m_project->secondFileNames.value(i));
        row->setData(ImageColumn, Qt::UserRole,
                     m_project->secondFolder + QDir::separator() + m_project->secondFileNames.value(i));
        row->setText(HeaderColumn, m_project->reportTitles.value(i));
        row->setText(DateColumn, m_project->getDateTimeString(i));
        colourRow(row, m_project->enabled.value(i, true));
        m_list->addTopLevelItem(row);
    }
}

void THBottom::selectionChanged(const QModelIndex &index)
{
    // Taking a row out moves the current row; that is no pick of the user.
    if (m_removing || !index.isValid() || !m_project)
        return;
    showEnableIcon(m_project->enabled.value(index.row(), true));
    emit itemSelected(index.row());
}

void THBottom::editReportClicked()
{
    qDebug() << "[THBottom] editReportClicked";
    const QModelIndexList selected = m_list->selectionModel()->selectedIndexes();
    if (!selected.isEmpty())
        openReport(selected.first());
}

void THBottom::openReport(const QModelIndex &index)
{
    qDebug() << "[THBottom] openReport";
    if (!m_project || !index.isValid())
        return;
    m_reportRow = index.row();
    m_title->setText(m_project->currentReportTitle());
    m_text->clear();
    m_text->setPlainText(m_project->currentReportText());
    setCurrentIndex(1);
    disconnect(m_titleEdited);
    disconnect(m_textChanged);
    m_titleEdited = connect(m_title, &QLineEdit::textEdited, this, &THBottom::dataChanged);
    m_textChanged = connect(m_text, &QPlainTextEdit::textChanged, this, &THBottom::dataChanged);
}

void THBottom::reportBackClicked()
{
    qDebug() << "[THBottom] reportBackClicked";
    disconnect(m_titleEdited);
    disconnect(m_textChanged);
    if (m_project) {
        m_project->setCurrentReportTitle(m_title->text());
        m_project->setCurrentReportText(m_text->toPlainText());
        if (QTreeWidgetItem *row = m_list->topLevelItem(m_reportRow))
            row->setText(HeaderColumn, m_project->currentReportTitle());
    }
    setCurrentIndex(0);
}

void THBottom::endisableItem()
{
    qDebug() << "[THBottom] endisableItem";
    QTreeWidgetItem *row = m_list->currentItem();
    if (!row || m_list->selectedItems().isEmpty()) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/warning"), tr("No Image selected."),
                        tr("You have selected no image. Please select an image first!"), QMessageBox::Ok,
                        QMessageBox::Ok);
        return;
    }
    const int r = m_list->indexOfTopLevelItem(row);
    const bool enabled = m_project->enabled.value(r, true);
    colourRow(row, !enabled);
    m_project->enabled[r] = !enabled;
    showEnableIcon(!enabled);
    emit dataChanged();
}

void THBottom::exportProject()
{
    qDebug() << "[THBottom] exportProject";
    THExportProject dialog(m_project, this);
    dialog.exec();
}

void THBottom::deleteSelectedImage()
{
    qDebug() << "[THBottom] deleteSelectedImage";
    const QModelIndexList selected = m_list->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        Prompt::message(this, QStringLiteral(":/icons/80/warning"), tr("No image selected"),
                        tr("You have selected no images."));
        return;
    }
    if (m_list->topLevelItemCount() == 1) {
        Prompt::message(this, QStringLiteral(":/icons/80/error"), tr("Last image"),
                        tr("You can't delete the last image in this project.<br><br><b>Hint:</b> You can "
                           "delete the project over the database."));
        return;
    }
    const int answer = Prompt::message(
        this, QStringLiteral(":/icons/80/question"), tr("Confirm deletion"),
        tr("Are you sure you want to remove this image from the project?<br><br><b>Warning:</b> This "
           "operation can't be undone. After deletion, the project will be saved!"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;
    const int r = selected.first().row();
    m_removing = true;
    QTreeWidgetItem *row = m_list->takeTopLevelItem(r);
    emit removeSelectedItem();
    delete row;
    m_removing = false;
    m_project->setCurrentIndex(r);
    m_project->removeCurrentIndex();
    // The numbers after the removed row move up by one.
    for (int i = r; i < m_list->topLevelItemCount(); ++i)
        m_list->topLevelItem(i)->setText(NumberColumn, QString::number(i + 1));
    const int shown = qMax(r - 1, 0);
    {
        const QSignalBlocker block(m_list->selectionModel());
        m_list->setCurrentItem(m_list->topLevelItem(shown));
    }
    emit itemSelected(shown);
    showEnableIcon(m_project->enabled.value(shown, true));
    emit saveProj();
}
