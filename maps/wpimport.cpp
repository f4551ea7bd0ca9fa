#include "maps/wpimport.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include "atomicfile/atomicfile.h"
#include "core/data.h"
#include "core/headerwidget.h"
#include "core/prompt/prompt.h"
#include "maps/wpdata.h"

namespace {

// What a file kind leaves out comes from the defaults for new waypoints.
Waypoint importDefaults()
{
    QSettings *s = Data::instance()->settings();
    Waypoint wp;
    wp.setMaxSpeedPercent(s->value(QStringLiteral("Waypoint max_speed"), 100).toInt());
    wp.setVelocity(s->value(QStringLiteral("V3 Speed"), 6.0).toDouble());
    return wp;
}
}  // namespace

WPImport::WPImport(WPData *plan, QWidget *parent)
    : QDialog(parent), WaypointImport(plan, Waypoint())
{
    setWindowTitle(tr("Import waypoints..."));
    setWindowIcon(QIcon(QStringLiteral(":/wp_import.png")));
    setFixedSize(800, 400);

    auto *info = new QWidget;
    auto *il = new QVBoxLayout(info);
    il->addWidget(new HeaderWidget(tr("Information"), info, true));
    auto *selectRow = new QHBoxLayout;
    selectRow->addWidget(new QLabel(tr("Select file for importing")));
    auto *select = new QPushButton(tr("Select file..."));
    selectRow->addWidget(select);
    il->addLayout(selectRow);
    auto *grid = new QGridLayout;
    const QStringList captions = {tr("Filename:"), tr("File valid:"), tr("Number of waypoints:"),
                                  tr("Waypoints valid:"), tr("Waypoints in map:")};
    QLabel **values[] = {&m_fileName, &m_valid, &m_count, &m_countValid, &m_countInMap};
    for (int i = 0; i < captions.size(); ++i) {
        grid->addWidget(new QLabel(captions.at(i)), i, 0);
        *values[i] = new QLabel(QStringLiteral("-"));
        (*values[i])->setWordWrap(true);
        grid->addWidget(*values[i], i, 1);
    }
    il->addLayout(grid);
    il->addStretch();

    auto *tmpl = new QWidget;
    auto *tl = new QVBoxLayout(tmpl);
    tl->addWidget(new HeaderWidget(tr("Template"), tmpl, true));
    auto *text = new QLabel(
        tr("We have prepared template files containing a few example Waypoints for your "
           "convenience. They can be used to identify the correct file structure, and you will "
           "also find an explanation for the possible options.\nPlease select your desired "
           "template format on the right and store the provided file somewhere save."));
    text->setWordWrap(true);
    auto *tr2 = new QHBoxLayout;
    tr2->addWidget(text, 1);
    auto *buttons = new QVBoxLayout;
    auto *steerwise = new QPushButton(tr("Steerwise template"));
    auto *zephrin = new QPushButton(tr("Zephrin template"));
    buttons->addWidget(steerwise);
    buttons->addWidget(zephrin);
    buttons->addStretch();
    tr2->addLayout(buttons);
    tl->addLayout(tr2);
    tl->addStretch();

    auto *groups = new QHBoxLayout;
    groups->addWidget(info, 1);
    groups->addWidget(tmpl, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    auto *cancel = new QPushButton(tr("Cancel"));
    m_import = new QPushButton(tr("Import"));
    m_import->setEnabled(false);
    bottom->addWidget(cancel);
    bottom->addWidget(m_import);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addStretch();
    layout->addLayout(bottom);

    connect(select, &QPushButton::clicked, this, &WPImport::openFile);
    connect(steerwise, &QPushButton::clicked, this, [this] { saveTemplate(2); });
    connect(zephrin, &QPushButton::clicked, this, [this] { saveTemplate(3); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_import, &QPushButton::clicked, this, &WPImport::butimportclicked);
}

void WPImport::showCounts(bool valid)
{
    if (!valid) {
        m_count->setText(QStringLiteral("-"));
        m_countValid->setText(QStringLiteral("-"));
        m_countInMap->setText(QStringLiteral("-"));
        m_import->setEnabled(false);
        return;
    }
    m_count->setText(QString::number(totalCount));
    m_countValid->setText(QString::number(totalCount - invalidCount));
    m_countInMap->setText(QString::number(inMapCount));
    m_import->setEnabled(inMapCount != 0);
}

void WPImport::openFile()
{
    Data *data = Data::instance();
    const QString folder = data->rememberedFolder(QStringLiteral("Last Waypoint Import Path"));
    const QString path = Prompt::openFile(
        this, tr("Open Waypoint file..."), folder,
        tr("All supported files (*.zkp *.znp *.csv);;CSV files (*.csv);;Vardeck Project files "
           "(*.zkp *.znp)"));
    if (path.isEmpty()) {
        clear();
        m_fileName->setText(QStringLiteral("-"));
        m_valid->setText(QStringLiteral("-"));
        showCounts(false);
        return;
    }
    const QString dir = QFileInfo(path).absolutePath();
    data->rememberFolder(QStringLiteral("Last Waypoint Import Path"), dir);
    data->setLastOpenedFolder(dir);
    readFile(path);
}

QString WPImport::readFile(const QString &path)
{
    m_fileName->setText(QFileInfo(path).fileName());
    setDefaults(importDefaults());
    const Kind kind = WaypointImport::readFile(path);
    auto refuse = [this](const QString &text, bool clearCounts) {
        m_valid->setText(text);
        if (clearCounts)
            showCounts(false);
        m_import->setEnabled(false);
        return text;
    };
    QString text;
    switch (kind) {
    case NoFile:
    case CannotRead:
        return refuse(tr("<b>Cannot read file!</b>"), true);
    case InvalidProject:
        return refuse(tr("<b>Invalid project file. Please check your file, or use a a "
                         "template from below</b>"),
                      false);
    case UnsupportedType:
        return refuse(tr("<b>Unsupported file type. Please check your file, or use a a template "
                         "from below</b>"),
                      false);
    case ShortHeader:
        return refuse(tr("<b>Header has insufficient columns, or the columns are not separated "
                         "by ';'</b>"),
                      true);
    case UnknownHeader:
        return refuse(tr("<b>Invalid CSV header. Please check your file, or use a a template "
                         "from below</b>"),
                      false);
    case VardeckProject:
        text = tr("Yes (Vardeck Project)");
        break;
    case SteerwiseV1:
        text = tr("Yes (Korvel Steerwise CSV File Version 1)");
        break;
    case SteerwiseV2:
        text = tr("Yes (Korvel Steerwise CSV File Version 2)");
        if (absoluteHeight)
            Prompt::message(this, QStringLiteral(":/icons/80/warning"), tr("Height relative?"),
                            tr("You have to use only height values relative to your start "
                               "position. One or more height values seems to be absoulute."),
                            QMessageBox::Ok, QMessageBox::Ok);
        break;
    case Zephrin:
        text = tr("Yes (Korvel Zephrin CSV File)");
        break;
    }
    m_valid->setText(text);
    showCounts(true);
    return text;
}

void WPImport::butimportclicked() { accept(); }

void WPImport::saveTemplate(int format)
{
    QString resource;
    if (format == 2)
        resource = QStringLiteral(":/WP_template_Steerwise.csv");
    else if (format == 3)
        resource = QStringLiteral(":/WP_template_Zephrin.csv");
    else {
        qDebug() << "WPImport::saveTemplate ERROR unknown type, aborting";
        return;
    }
    QFile in(resource);
    if (!in.open(QIODevice::ReadOnly))
        return;
    Data *data = Data::instance();
    const QString folder = data->rememberedFolder(QStringLiteral("Last Waypoint CSV Export Path"));
    QString name = Prompt::saveFile(this, tr("Save template..."),
                                    folder + QStringLiteral("/") + QFileInfo(resource).fileName(),
                                    tr("CSV file (*.csv)"));
    if (name.isEmpty())
        return;
    if (!name.toLower().endsWith(QLatin1String(".csv")))
        name += QStringLiteral(".csv");
    data->rememberFolder(QStringLiteral("Last Waypoint CSV Export Path"), QFileInfo(name).absolutePath());
    // An old file stays whole until the new one is complete.
    QString reason;
    if (!AtomicFile::write(name, in.readAll(), &reason)) {
        Prompt::message(this, QStringLiteral(":/icons/80/error"), tr("I/O Error!"),
                        tr("I/O Error: Can't write in file %1").arg(name) + QStringLiteral("\n\n")
                            + AtomicFile::describe(name, reason),
                        QMessageBox::Ok);
        return;
    }
}
