#include "database/dbphototaggermergediag.h"

#include <QDebug>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegExpValidator>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/geo.h"
#include "core/prompt/prompt.h"
#include "phototagger/ptprojectfile.h"
#include "phototagger/ptprojectmerge.h"

namespace {
constexpr double MergeRadius = 5000.0;

int taggedCount(const QVector<PTTag> &tags)
{
    int n = 0;
    for (const PTTag &t : tags)
        if (!t.imageName.isEmpty())
            ++n;
    return n;
}
}  // namespace

DBPhotoTaggerMergeDiag::DBPhotoTaggerMergeDiag(const QString &name, QWidget *parent)
    : QDialog(parent), m_projectName(name)
{
    setFixedSize(640, 430);
    setWindowIcon(QIcon(QStringLiteral(":/ptfuse.png")));
    setWindowTitle(tr("Merge photo tagger projects"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Select project for merging with %1:").arg(name), this));
    m_tree = new QTreeWidget(this);
    m_tree->setHeaderLabels({tr("Name"), tr("Date"), tr("Distance"), tr("Total tags"), tr("Tagged Images")});
    m_tree->setSortingEnabled(true);
    m_tree->sortByColumn(0, Qt::AscendingOrder);
    m_tree->setAnimated(true);
    m_tree->setRootIsDecorated(false);
    m_tree->setColumnWidth(0, 200);
    // Wide enough for the whole "yyyy-MM-dd hh:mm".
    m_tree->setColumnWidth(1, 110);
    layout->addWidget(m_tree);
    auto *info = new QLabel(tr("Projects within 5km of the first image tag are displayed. Disabled listed "
                               "projects are opened and cannot be merged until they get closed."), this);
    info->setWordWrap(true);
    layout->addWidget(info);
    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(tr("Name: "), this));
    m_name = new QLineEdit(name, this);
    m_name->setValidator(new QRegExpValidator(QRegExp(QStringLiteral("[\\w][\\w\\s-()]{1,99}")), m_name));
    nameRow->addWidget(m_name);
    layout->addLayout(nameRow);
    auto *grid = new QGridLayout;
    auto rightLabel = [this](const QString &text) {
        auto *l = new QLabel(text, this);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    grid->addWidget(rightLabel(tr("Current project")), 0, 1);
    grid->addWidget(rightLabel(tr("Merged project")), 0, 2);
    grid->addWidget(new QLabel(tr("Total tags:"), this), 1, 0);
    grid->addWidget(new QLabel(tr("Total tagged images:"), this), 2, 0);
    m_currentTotal = rightLabel(QStringLiteral("0"));
    m_mergedTotal = rightLabel(QStringLiteral("0"));
    m_currentImages = rightLabel(QStringLiteral("0"));
    m_mergedImages = rightLabel(QStringLiteral("0"));
    grid->addWidget(m_currentTotal, 1, 1);
    grid->addWidget(m_mergedTotal, 1, 2);
    grid->addWidget(m_currentImages, 2, 1);
    grid->addWidget(m_mergedImages, 2, 2);
    layout->addLayout(grid);
    layout->addStretch();
    auto *buttons = new QHBoxLayout;
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_merge = new QPushButton(tr("Merge"), this);
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    buttons->addWidget(m_merge);
    layout->addLayout(buttons);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_merge, &QPushButton::clicked, this, &DBPhotoTaggerMergeDiag::mergedClicked);

    openRelatedProjects();
    connect(m_tree->model(), &QAbstractItemModel::dataChanged, this, &DBPhotoTaggerMergeDiag::itemStateChanged);
}

void DBPhotoTaggerMergeDiag::openRelatedProjects()
{
    qDebug() << "[DBPhotoTaggerMergeDiag] openRelatedProjects";
    PTProjectMerge::finishInterrupted();
    PTProjectContent current;
    const QString path = PTProjectFile::projectFilePath(m_projectName);
    if (PTProjectFile::load(path, current) != PTProjectFile::Status::Ok) {
        qDebug() << "[DBPhotoTaggerMergeDiag] openRelatedProjects: Cannot open project file: " << path;
        return;
    }
    m_totalTags = current.tags.size();
    m_taggedImages = taggedCount(current.tags);
    for (QLabel *l : {m_currentTotal, m_mergedTotal})
        l->setText(QString::number(m_totalTags, 10));
    for (QLabel *l : {m_currentImages, m_mergedImages})
        l->setText(QString::number(m_taggedImages, 10));
    qDebug() << "[DBPhotoTaggerMergeDiag] openRelatedProjects: Check other projects";
    const QFileInfoList entries = QDir(PTProjectFile::projectsFolder())
                                      .entryInfoList(QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries)
        m_allProjects << entry.fileName();
    // Without a first tag there is nothing to measure from.
    if (current.tags.isEmpty())
        return;
    m_hasFirstTag = true;
    m_firstLat = current.tags.first().latitude;
    m_firstLon = current.tags.first().longitude;
    m_firstTime = current.tags.first().time;
    for (const QFileInfo &entry : entries) {
        const QString base = entry.fileName();
        if (base == m_projectName)
            continue;
        PTProjectContent other;
        const QString otherPath = PTProjectFile::projectFilePath(base);
        if (PTProjectFile::load(otherPath, other) != PTProjectFile::Status::Ok) {
            qDebug() << "[DBPhotoTaggerMergeDiag] openRelatedProjects: Cannot open other file: " << otherPath;
            continue;
        }
        if (other.tags.isEmpty())
            continue;
        const PTTag &first = other.tags.first();
        const double d = GeoMath::flatMetres(GeoPoint::latLon(m_firstLat, m_firstLon),
                                             GeoPoint::latLon(first.latitude, first.longitude));
        if (!(d < MergeRadius))
            continue;
        auto *item = new QTreeWidgetItem;
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setText(0, base);
        item->setCheckState(0, Qt::Unchecked);
        item->setText(1, first.time.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
        item->setData(1, Qt::UserRole, first.time);
        item->setText(2, QString::number(d, 'g', 6));
        item->setText(3, QString::number(other.tags.size()));
        item->setText(4, QString::number(taggedCount(other.tags)));
        if (Data::instance()->isOpen(OpenKind::PhotoTagger, base))
            item->setDisabled(true);
        m_tree->addTopLevelItem(item);
    }
    qDebug() << "[DBPhotoTaggerMergeDiag] openRelatedProjects finished";
}

int DBPhotoTaggerMergeDiag::candidateCount() const { return m_tree->topLevelItemCount(); }
QString DBPhotoTaggerMergeDiag::currentTotalTags() const { return m_currentTotal->text(); }
QString DBPhotoTaggerMergeDiag::mergedTotalTags() const { return m_mergedTotal->text(); }
QString DBPhotoTaggerMergeDiag::currentTaggedImages() const { return m_currentImages->text(); }
QString DBPhotoTaggerMergeDiag::mergedTaggedImages() const { return m_mergedImages->text(); }

void DBPhotoTaggerMergeDiag::itemStateChanged()
{
    int total = m_totalTags, images = m_taggedImages;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_tree->topLevelItem(i);
        if (item->checkState(0) != Qt::Checked)
            continue;
        total += item->text(3).toInt();
        images += item->text(4).toInt();
    }
    m_mergedTotal->setText(QString::number(total, 10));
    m_mergedImages->setText(QString::number(images, 10));
}

void DBPhotoTaggerMergeDiag::mergedClicked()
{
    QStringList selection{m_projectName};
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_tree->topLevelItem(i);
        if (item->checkState(0) == Qt::Checked && !item->isDisabled())
            selection << item->text(0);
    }
    if (selection.size() == 1) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/warning"), tr("No project selected!"),
                        tr("You have selected no projects for merging."), QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    const QString target = m_name->text();
    if (!PTProjectMerge::validName(target)) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/error"), tr("Invalid project name!"),
                        tr("The project name must have 2 to 100 characters: letters, digits, blanks, "
                           "\"_\", \"-\", \"(\" and \")\", starting with a letter, digit or \"_\"."),
                        QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    bool taken = false, selected = false;
    for (const QString &p : m_allProjects)
        taken = taken || p.compare(target, Qt::CaseInsensitive) == 0;
    for (const QString &p : selection)
        selected = selected || p.compare(target, Qt::CaseInsensitive) == 0;
    if (taken && !selected) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/error"), tr("Project already exists!"),
                        tr("Your new project name already exists and is not part of the merging project. "
                           "Please choose another name, include the project or remane it."),
                        QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    if (Prompt::message(nullptr, QStringLiteral(":/icons/80/question"), tr("Confirm merging"),
                        tr("Are you sure you want to merge these projects?"),
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return;
    const PTProjectMerge::Result result = PTProjectMerge::merge(selection, target, m_allProjects);
    if (!result.ok) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/error"), result.title, result.error,
                        QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    if (!result.remaining.isEmpty()) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/warning"), tr("Files left behind"),
                        tr("The projects were merged, but these files could not be deleted:\n%1")
                            .arg(result.remaining.join(QLatin1Char('\n'))),
                        QMessageBox::Ok, QMessageBox::Ok);
    }
    accept();
}
