#include "database/zpx/zpxexportdialog.h"

#include <QCheckBox>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/data.h"
#include "core/prompt/prompt.h"
#include "database/zpx/zpxexportthreaddiag.h"

static constexpr const char *kLastPathKey = "Last ZPX Export Path";

ZPXExportDialog::ZPXExportDialog(QWidget *parent)
    : QDialog(parent), m_places(ZPX::Places::fromData())
{
    setWindowTitle(tr("Export data to ZPX..."));
    setWindowIcon(QIcon(QStringLiteral(":/zpx_export.png")));
    setFixedSize(500, 400);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Select items for exporting:"), this));
    m_tree = new QTreeWidget(this);
    m_tree->setHeaderHidden(true);
    layout->addWidget(m_tree);
    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel(tr("Export Path:"), this));
    m_path = new QLineEdit(this);
    m_path->setReadOnly(true);
    pathRow->addWidget(m_path, 1);
    auto *browse = new QPushButton(tr("Browse"), this);
    pathRow->addWidget(browse);
    layout->addLayout(pathRow);
    auto *buttonRow = new QHBoxLayout;
    m_delete = new QCheckBox(tr("Delete items after exporting"), this);
    buttonRow->addWidget(m_delete);
    buttonRow->addStretch();
    auto *cancel = new QPushButton(tr("Cancel"), this);
    m_save = new QPushButton(tr("Save"), this);
    m_save->setEnabled(false);
    buttonRow->addWidget(cancel);
    buttonRow->addWidget(m_save);
    layout->addLayout(buttonRow);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_save, &QPushButton::clicked, this, &ZPXExportDialog::saveClicked);
    connect(browse, &QPushButton::clicked, this, &ZPXExportDialog::browseClicked);
    fillData();
}

ZPXExportDialog::~ZPXExportDialog() = default;

void ZPXExportDialog::fillData()
{
    if (!m_top[0]) {
        const QString texts[4] = {tr("Flightplans"), tr("Maps"), tr("Harlek Logs"),
                                  tr("Photo Tagger")};
        for (int k = 0; k < 4; ++k) {
            m_top[k] = new QTreeWidgetItem(m_tree, QStringList(texts[k]));
        }
    }
    for (int k = 0; k < 4; ++k)
        fillKind(k);
}

static ZPX::Kind zpxKind(int kind)
{
    static const ZPX::Kind kinds[4] = {ZPX::Kind::FlightPlan, ZPX::Kind::Map, ZPX::Kind::Log,
                                       ZPX::Kind::Project};
    return kinds[kind];
}

void ZPXExportDialog::fillKind(int kind)
{
    qDeleteAll(m_children[kind]);
    m_children[kind].clear();
    const ZPX::Kind k = zpxKind(kind);
    const QDir dir(m_places.folder(k));
    QStringList names;
    if (k == ZPX::Kind::Map || k == ZPX::Kind::FlightPlan) {
        // Listed without the kind's suffix; the rest of the name stays ("a.b.jpg" is "a.b").
        const QString suffix = ZPX::suffixOf(k);
        const QStringList files =
            dir.entryList({QLatin1String("*") + suffix.toUpper(), QLatin1String("*") + suffix},
                          QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Unsorted);
        for (const QString &file : files) {
            if (file.endsWith(suffix) || file.endsWith(suffix.toUpper()))
                names << file.left(file.size() - suffix.size());
        }
    } else {
        // Folders by their full name ("2017.05.01" is itself, not "2017").
        names = dir.entryList(QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot, QDir::Unsorted);
    }
    for (const QString &name : qAsConst(names)) {
        auto *child = new QTreeWidgetItem(m_top[kind], QStringList(name));
        child->setCheckState(0, Qt::Unchecked);
        m_children[kind].append(child);
    }
}

void ZPXExportDialog::selectItem(int kind, const QString &name)
{
    if (kind < 0 || kind > 3)
        return;
    m_top[kind]->setExpanded(true);
    for (QTreeWidgetItem *child : qAsConst(m_children[kind])) {
        if (child->text(0) == name) {
            child->setCheckState(0, Qt::Checked);
            return;
        }
    }
}

QStringList ZPXExportDialog::checked(int kind) const
{
    QStringList names;
    for (QTreeWidgetItem *child : m_children[kind]) {
        if (child->checkState(0) == Qt::Checked)
            names << child->text(0);
    }
    return names;
}

double ZPXExportDialog::getSizeOfSelected(const QStringList &maps, const QStringList &flightplans,
                                          const QStringList &logs,
                                          const QStringList &projects) const
{
    double mb = 0.0;
    auto add = [&mb](qint64 bytes) { mb += double(bytes) / 1000.0 / 1000.0; };
    for (const QString &name : maps) {
        const QString stored = ZPX::storedFileName(m_places.maps, name, QStringLiteral(".jpg"));
        add(stored.isEmpty() ? 0 : QFileInfo(m_places.maps + QLatin1Char('/') + stored).size());
    }
    for (const QString &name : flightplans) {
        const QString stored = ZPX::storedFileName(m_places.plans, name, QStringLiteral(".zfp"));
        add(stored.isEmpty() ? 0 : QFileInfo(m_places.plans + QLatin1Char('/') + stored).size());
    }
    for (const QString &name : logs)
        add(Data::pathSize(QFileInfo(m_places.logs + QLatin1Char('/') + name)));
    for (const QString &name : projects)
        add(Data::pathSize(QFileInfo(m_places.projects + QLatin1Char('/') + name)));
    return mb;
}

void ZPXExportDialog::browseClicked()
{
    Data *data = Data::instance();
    const QString folder = data->rememberedFolder(QLatin1String(kLastPathKey));
    QString file = Prompt::saveFile(nullptr, tr("Set ZPX file location"), folder,
                                    tr("ZPX file (*.zpx)"));
    if (file.isEmpty())
        return;
    if (!file.toLower().endsWith(QLatin1String(".zpx")))
        file += QLatin1String(".zpx");
    data->rememberFolder(QLatin1String(kLastPathKey), QFileInfo(file).absolutePath());
    m_path->setText(file);
    m_save->setEnabled(true);
}

void ZPXExportDialog::saveClicked()
{
    const QString path = m_path->text();
    const QStringList maps = checked(MapItem);
    const QStringList plans = checked(FlightPlanItem);
    const QStringList logs = checked(LogItem);
    const QStringList projects = checked(ProjectItem);
    if (getSizeOfSelected(maps, plans, logs, projects) > ZPX::kLimitMB) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/error"), tr("Too much data"),
                        tr("The projects can't be exported because the filesize in total is "
                           "nearly 4GB or above.<br>Please export the project in more than one "
                           "ZPX file.<br><br>If your photo tagger project is already greater than "
                           "4GB, than split the project in two or more projects. If you import "
                           "the project again, you can merge both projects together."),
                        QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    if (maps.isEmpty() && plans.isEmpty() && logs.isEmpty() && projects.isEmpty()) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/warning"), tr("Nothing selected"),
                        tr("You have selected no data for exporting!"), QMessageBox::Ok,
                        QMessageBox::Ok);
        return;
    }
    int result;
    QStringList kept;
    QString error;
    {
        ZPXExportThreadDiag progress;
        progress.thread()->setPlaces(m_places);
        progress.setData(maps, plans, logs, projects);
        progress.setFilename(path);
        progress.setDeleteAfterExport(m_delete->isChecked());
        progress.startDiag();
        result = progress.getResult();
        kept = progress.keptItems();
        error = progress.errorText();
    }
    qDebug() << "[ZPXExportDialog] export result" << result;
    if (result == ZPXExportThread::Cancelled)
        return;
    if (result < 0) {
        Prompt::message(nullptr, QStringLiteral(":/icons/80/error"), tr("I/O Error"),
                        tr("An I/O error occured. Projects can't be exported.")
                            + (error.isEmpty() ? QString() : QStringLiteral("<br><br>") + error.toHtmlEscaped()),
                        QMessageBox::Ok, QMessageBox::Ok);
        if (result != ZPXExportThread::ArchiveFailed)
            close();
        return;
    }
    Prompt::message(nullptr, QStringLiteral(":/icons/80/info"), tr("Data exported!"),
                    tr("Data successfully exported to ZPX file!"), QMessageBox::Ok,
                    QMessageBox::Ok);
    if (!kept.isEmpty()) {
        QStringList lines;
        for (const QString &item : qAsConst(kept))
            lines << item.toHtmlEscaped();
        Prompt::message(nullptr, QStringLiteral(":/icons/80/warning"), tr("Items not deleted"),
                        tr("These exported items were not deleted:<br><br>%1")
                            .arg(lines.join(QLatin1String("<br>"))),
                        QMessageBox::Ok, QMessageBox::Ok);
    }
    accept();
}
