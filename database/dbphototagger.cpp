#include "database/dbphototagger.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "core/headerwidget.h"
#include "core/prompt/prompt.h"
#include "database/dbpageparts.h"
#include "database/dbphototaggermergediag.h"
#include "database/dbrenamediag.h"
#include "database/zpx/zpxexportdialog.h"
#include "phototagger/ptdata.h"
#include "phototagger/ptprojectfile.h"
#include "phototagger/ui/dbphototaggersplitdiag.h"
#include "phototagger/ui/ptexport.h"

namespace {
const QString NotValid = QStringLiteral("<b><font color=\"red\">NOT VALID!</color></b>");
using DBPage::errorBox;
}  // namespace

DBPhotoTagger::DBPhotoTagger(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new HeaderWidget(tr("Photo Tagger Project"), this, true));
    QPushButton *rename = DBPage::pushButton(this, tr("Rename"), tr("Rename photo tagger project..."));
    QPushButton *remove = DBPage::pushButton(this, tr("Delete..."), tr("Delete photo tagger project..."));
    m_values[Name] = DBPage::addNameRow(layout, this, tr("<b>Name: </b>"), QStringLiteral("-"), {rename, remove});
    m_values[Version] = DBPage::addValueRow(layout, this, tr("File version: "));
    m_values[Date] = DBPage::addValueRow(layout, this, tr("Date: "));
    m_values[Format] = DBPage::addValueRow(layout, this, tr("Format: "));
    m_values[Format]->setText(QStringLiteral("-"));
    layout->addWidget(new HeaderWidget(tr("Informaton"), this, true));
    m_values[Location] = DBPage::addValueRow(layout, this, tr("<b>Location:</b> "));
    layout->addSpacing(10);
    for (Value v : {TotalTags, ImageTags, Disabled, Latitude, Longitude, Height})
        m_values[v] = new QLabel(QStringLiteral("0"), this);
    auto *gridRow = new QHBoxLayout;
    gridRow->addSpacing(20);
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Longitude of first tag: "), this), 1, 0);
    grid->addWidget(m_values[Longitude], 1, 1);
    grid->addWidget(new QLabel(tr("Latitude of first tag: "), this), 2, 0);
    grid->addWidget(m_values[Latitude], 2, 1);
    grid->addWidget(new QLabel(tr("Height of first tag: "), this), 3, 0);
    grid->addWidget(m_values[Height], 3, 1);
    grid->addWidget(new QLabel(tr("Total tags: "), this), 1, 3);
    grid->addWidget(m_values[TotalTags], 1, 4);
    grid->addWidget(new QLabel(tr("Image tags: "), this), 2, 3);
    grid->addWidget(m_values[ImageTags], 2, 4);
    grid->addWidget(new QLabel(tr("Tags disabled: "), this), 3, 3);
    grid->addWidget(m_values[Disabled], 3, 4);
    grid->setColumnMinimumWidth(2, 40);
    grid->setColumnStretch(2, 1);
    grid->setColumnStretch(5, 1);
    gridRow->addLayout(grid);
    gridRow->addStretch();
    layout->addLayout(gridRow);
    layout->addStretch();
    layout->addWidget(new HeaderWidget(tr("Options"), this, true));
    QToolBar *toolBar = DBPage::optionsBar(this);
    auto tool = [&](const QString &text, const char *icon, const QString &tip, void (DBPhotoTagger::*slot)()) {
        connect(DBPage::addTool(toolBar, text, QLatin1String(icon), tip), &QToolButton::clicked, this, slot);
    };
    tool(tr("Open project"), ":/pt_loadproject.png", tr("Open photo tagger project"), &DBPhotoTagger::openProjectClicked);
    tool(tr("Export"), ":/ptexport.png", tr("Export project to CSV or AgiSoft Photoscan"),
         &DBPhotoTagger::exportProjectClicked);
    tool(tr("Merge project"), ":/ptfuse.png", tr("Merge project with other photo tagger project"),
         &DBPhotoTagger::mergeClicked);
    tool(tr("Split project"), ":/ptsplit.png", tr("Split photo tagger project in two projects"),
         &DBPhotoTagger::splitClicked);
    tool(tr("Export ZPX"), ":/zpx_export.png", tr("Export the photo tagger project to an ZPX file"),
         &DBPhotoTagger::export2ZPX);
    layout->addWidget(toolBar);
    connect(rename, &QPushButton::clicked, this, &DBPhotoTagger::renameClicked);
    connect(remove, &QPushButton::clicked, this, &DBPhotoTagger::deleteClicked);
}

QString DBPhotoTagger::value(Value v) const { return m_values[v]->text(); }
QString DBPhotoTagger::name() const { return m_values[Name]->text(); }

QToolButton *DBPhotoTagger::button(const QString &text) const
{
    for (QToolButton *b : findChildren<QToolButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

void DBPhotoTagger::setData(const QString &name)
{
    qDebug() << "[DBPhotoTagger] setData " << name;
    m_values[Name]->setText(name);
    PTProjectContent content;
    const PTProjectFile::Status status = PTProjectFile::load(PTProjectFile::projectFilePath(name), content);
    if (status != PTProjectFile::Status::Ok) {
        // Shown, not reported: the other rows keep what they showed.
        m_values[Version]->setText(NotValid);
        m_values[Date]->setText(QStringLiteral("-"));
        m_values[TotalTags]->setText(QStringLiteral("-"));
        if (status == PTProjectFile::Status::CannotOpen)
            m_values[Format]->setText(QStringLiteral("-"));
        return;
    }
    const int type = content.version >= 120 ? content.imageType
                                            : PTProjectFile::imageTypeFromNames(content.tags, PTImageJpeg);
    static const char *const formats[] = {"JPEG", "TIFF", "ARW"};
    m_values[Format]->setText(type >= 0 && type <= 2 ? QLatin1String(formats[type]) : QStringLiteral("Invalid"));
    m_values[Version]->setText(QString::number(content.version / 100.0, 'g', 6));
    m_values[TotalTags]->setText(QString::number(content.tags.size()));
    int images = 0, disabled = 0;
    for (const PTTag &t : content.tags) {
        images += t.imageName.isEmpty() ? 0 : 1;
        disabled += t.enabled ? 0 : 1;
    }
    m_values[ImageTags]->setText(QString::number(images));
    m_values[Disabled]->setText(QString::number(disabled));
    if (content.tags.isEmpty()) {
        for (Value v : {Date, Latitude, Longitude, Height, Location})
            m_values[v]->setText(QStringLiteral("-"));
        return;
    }
    const PTTag &first = content.tags.first();
    m_values[Date]->setText(first.time.toString(QStringLiteral("d. MMMM yyyy - hh:mm")));
    m_values[Latitude]->setText(QString::number(first.latitude, 'g', 10) + QChar(0x00B0));
    m_values[Longitude]->setText(QString::number(first.longitude, 'g', 10) + QChar(0x00B0));
    m_values[Height]->setText(QString::number(first.relativeHeight, 'g', 6) + QStringLiteral("m"));
    const QString place = Data::instance()->placeNameAt(first.longitude, first.latitude);
    m_values[Location]->setText(place.isEmpty() ? tr("Unknown") : place);
}

void DBPhotoTagger::deleteClicked()
{
    qDebug() << "[DBPhotoTagger] deleteClicked";
    const QString n = name();
    const DBPage::DeleteTexts texts{
        tr("Can't delete photo tagger project"),
        tr("The photo tagger project cannot be deleted because it is still in use. Please close the "
           "project before deleting it!"),
        tr("Are you sure you want to delete this photo tagger project from your database?"),
        tr("This photo tagger project couldn't be deleted! Make sure, that it is not opened.")};
    if (!DBPage::deleteItem(this, Data::instance()->isOpen(OpenKind::PhotoTagger, n),
                            [&n] { return Data::removeDirRecursively(PTProjectFile::projectFolder(n)); },
                            texts))
        return;
    Data::instance()->removeRecent(OpenKind::PhotoTagger, n);
    emit ptRemoved(n);
}

void DBPhotoTagger::renameClicked()
{
    qDebug() << "[DBPhotoTagger] renameClicked";
    const QString old = name();
    if (Data::instance()->isOpen(OpenKind::PhotoTagger, old)) {
        errorBox(tr("Can't rename photo tagger project"),
                 tr("The photo tagger project cannot be renamed because it is still in use. Please close the "
                    "project before renaming it!"));
        return;
    }
    DBRenameDiag diag(old);
    diag.exec();
    const QString fresh = diag.newName;
    if (fresh.isEmpty())
        return;
    const QString failText = tr("The photo tagger project can't' be renamed. Please check, if the name already "
                                "exists or if you have the access rights to rename it.");
    const QString oldFolder = PTProjectFile::projectFolder(old);
    const QString newFolder = PTProjectFile::projectFolder(fresh);
    // Another project of that name in any case would collide on disk or in
    // the lists.
    for (const QString &p : QDir(PTProjectFile::projectsFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (p != old && p.compare(fresh, Qt::CaseInsensitive) == 0) {
            errorBox(tr("Can't rename photo tagger project"), failText);
            return;
        }
    }
    const QString oldFile = oldFolder + QLatin1Char('/') + old + QStringLiteral(".zpt");
    const QString midFile = oldFolder + QLatin1Char('/') + fresh + QStringLiteral(".zpt");
    if (!AtomicFile::renameNoReplace(oldFile, midFile)) {
        errorBox(tr("Can't rename photo tagger project"), failText);
        return;
    }
    if (!AtomicFile::renameNoReplace(oldFolder, newFolder)) {
        if (!AtomicFile::renameNoReplace(midFile, oldFile))
            qWarning() << "[DBPhotoTagger] project file left as" << midFile;
        errorBox(tr("Can't rename photo tagger project"), failText);
        return;
    }
    emit ptRenamed(old, fresh);
    Data::instance()->renameRecent(OpenKind::PhotoTagger, old, fresh);
    m_values[Name]->setText(fresh);
}

void DBPhotoTagger::openProjectClicked()
{
    qDebug() << "[DBPhotoTagger] openProjectClicked ";
    emit openProject(name());
}

void DBPhotoTagger::exportProjectClicked()
{
    qDebug() << "[DBPhotoTagger] exportProjectClicked";
    PTData data(this);
    const int version = data.loadProject(name());
    if (data.loadStatus() != PTData::Loaded) {
        errorBox(tr("Can't open photo tagger project"),
                 tr("The photo tagger project could not be read: %1").arg(data.errorString()));
        return;
    }
    if (version == 100) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/warning"), tr("Old file version"),
                        tr("The photo tagger project was created with an older Korvel Tarvendel version and "
                           "didn't support exporting height in WGS84 Mode."),
                        QMessageBox::Ok, QMessageBox::Ok);
    }
    PTExport dialog(&data, this);
    dialog.exec();
}

void DBPhotoTagger::mergeClicked()
{
    qDebug() << "[DBPhotoTagger] mergeClicked";
    if (Data::instance()->isOpen(OpenKind::PhotoTagger, name())) {
        errorBox(tr("Can't merge photo tagger project"),
                 tr("The photo tagger project cannot be merged with anothers because it is still in use. Please "
                    "close the project before merging!"));
        return;
    }
    DBPhotoTaggerMergeDiag diag(name(), this);
    if (diag.candidateCount() == 0) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/warning"), tr("No projects"),
                        tr("There are no projects available for merging with this project!"), QMessageBox::Ok,
                        QMessageBox::Ok);
        return;
    }
    if (diag.exec() == QDialog::Accepted) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/info"), tr("Merging complete!"),
                        tr("The photo tagger projects have been merged successfully."), QMessageBox::Ok,
                        QMessageBox::Ok);
        emit ptMerged();
    }
}

void DBPhotoTagger::splitClicked()
{
    if (Data::instance()->isOpen(OpenKind::PhotoTagger, name())) {
        errorBox(tr("Can't split photo tagger project"),
                 tr("The photo tagger project cannot be split because it is still in use. Please close the "
                    "project before splitting!"));
        return;
    }
    DBPhotoTaggerSplitDiag diag(name(), this);
    if (diag.exec() == QDialog::Accepted) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/info"), tr("Splitting complete!"),
                        tr("The photo tagger project has been split successfully."), QMessageBox::Ok,
                        QMessageBox::Ok);
        emit ptMerged();
    }
}

void DBPhotoTagger::export2ZPX()
{
    qDebug() << "[DBPhotoTagger] export2ZPX";
    ZPXExportDialog dialog;
    dialog.selectItem(ZPXExportDialog::ProjectItem, name());
    dialog.exec();
    emit updateDB();
}
