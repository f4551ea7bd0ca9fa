#include "maps/wpimport.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <cfloat>

#include <quazip/quazipfile.h>

#include "core/data.h"
#include "core/headerwidget.h"
#include "core/prompt/prompt.h"
#include "maps/wpdata.h"

namespace {
QString documents() { return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation); }

double number(const QString &s, bool *ok = nullptr)
{
    bool good = false;
    const double v = s.trimmed().toDouble(&good);
    if (ok)
        *ok = good;
    return good ? v : 0.0;
}

int integer(const QString &s)
{
    bool ok = false;
    const int v = s.trimmed().toInt(&ok);
    return ok ? v : int(number(s));
}

double jsonNumber(const QJsonValue &v, double fallback)
{
    return v.isDouble() ? v.toDouble() : fallback;
}
}  // namespace

WPImport::WPImport(WPData *plan, QWidget *parent) : QDialog(parent), m_plan(plan)
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
    if (parent && parent->metaObject()->indexOfSlot("wpdatachanged()") >= 0)
        connect(this, SIGNAL(accepted()), parent, SLOT(wpdatachanged()));
}

void WPImport::resetRows()
{
    totalCount = invalidCount = inMapCount = 0;
    rows.clear();
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
    QSettings *s = Data::instance()->settings();
    const QString folder =
        s->value(QStringLiteral("Last Waypoint Import Path"), documents()).toString();
    const QString path = Prompt::openFile(
        this, tr("Open Waypoint file..."), folder,
        tr("All supported files (*.zkp *.znp *.csv);;CSV files (*.csv);;Vardeck Project files "
           "(*.zkp *.znp)"));
    if (path.isEmpty()) {
        resetRows();
        m_fileName->setText(QStringLiteral("-"));
        m_valid->setText(QStringLiteral("-"));
        showCounts(false);
        return;
    }
    const QString dir = QFileInfo(path).absolutePath();
    s->setValue(QStringLiteral("Last Waypoint Import Path"), dir);
    Data::instance()->setLastOpenedFolder(dir);
    readFile(path);
}

QString WPImport::readFile(const QString &path)
{
    resetRows();
    m_fileName->setText(QFileInfo(path).fileName());
    auto refuse = [this](const QString &text, bool clearCounts) {
        m_valid->setText(text);
        if (clearCounts)
            showCounts(false);
        m_import->setEnabled(false);
        return text;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(tr("<b>Cannot read file!</b>"), true);
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("znp") || suffix == QLatin1String("zkp")) {
        file.close();
        if (!importVardeckProject(path))
            return refuse(tr("<b>Invalid project file. Please check your file, or use a a "
                             "template from below</b>"),
                          false);
        m_valid->setText(tr("Yes (Vardeck Project)"));
        showCounts(true);
        return m_valid->text();
    }
    if (suffix != QLatin1String("csv"))
        return refuse(tr("<b>Unsupported file type. Please check your file, or use a a template "
                         "from below</b>"),
                      false);
    const QString header = QString::fromUtf8(file.readLine());
    if (header.split(QLatin1Char(';')).size() < 7)
        return refuse(tr("<b>Header has insufficient columns, or the columns are not separated "
                         "by ';'</b>"),
                      true);
    QString kind;
    if (header.startsWith(QLatin1String("WP#;Latitude;Longitude;Height;Heading"))) {
        importSteerwiseV1(&file);
        kind = tr("Yes (Korvel Steerwise CSV File Version 1)");
    } else if (header.startsWith(QLatin1String("Longitude;Latitude;Height;Heading"))) {
        importSteerwiseV2(&file);
        kind = tr("Yes (Korvel Steerwise CSV File Version 2)");
    } else if (header.startsWith(
                   QLatin1String("Type;Longitude;Latitude;Height;Heading;Camera pitch;Velocity"))) {
        importZephrin(&file);
        kind = tr("Yes (Korvel Zephrin CSV File)");
    } else {
        return refuse(tr("<b>Invalid CSV header. Please check your file, or use a a template "
                         "from below</b>"),
                      false);
    }
    m_valid->setText(kind);
    showCounts(true);
    return kind;
}

QStringList WPImport::nextFields(QIODevice *file)
{
    QString line = QString::fromUtf8(file->readLine());
    line.replace(QLatin1Char(','), QLatin1Char('.'));
    line.remove(QLatin1Char('\n'));
    ++totalCount;
    return line.split(QLatin1Char(';'));
}

void WPImport::addRow(int type, double lon, double lat, double height, double heading,
                      bool trigger, double pitch, int pictures, double posAcc, double time,
                      int speed, bool speedIsVelocity, bool follows, bool hasFollows)
{
    rows.type << type;
    rows.longitude << lon;
    rows.latitude << lat;
    rows.height << height;
    rows.heading << heading;
    rows.triggerCamera << trigger;
    rows.cameraPitch << pitch;
    rows.pictures << pictures;
    rows.positionAccuracy << posAcc;
    rows.timeAtWaypoint << time;
    rows.speed << speed;
    rows.speedIsVelocity << speedIsVelocity;
    if (hasFollows)
        rows.headingFollows << follows;
}

void WPImport::importSteerwiseV1(QIODevice *file)
{
    while (!file->atEnd()) {
        QStringList f = nextFields(file);
        while (f.size() < 9)
            f << QString();
        const double lat = number(f.at(1));
        const double lon = number(f.at(2));
        if (!m_plan || !m_plan->containsGeo(lon, lat))
            continue;
        ++inMapCount;
        addRow(3, lon, lat, number(f.at(3)), number(f.at(4)), true, number(f.at(8)), 1,
               number(f.at(6)), number(f.at(5)), 100, false, false, false);
    }
}

void WPImport::importSteerwiseV2(QIODevice *file)
{
    bool absoluteHeight = false;
    while (!file->atEnd()) {
        QStringList f = nextFields(file);
        if (f.size() < 4) {
            ++invalidCount;
            continue;
        }
        bool okLon = false, okLat = false, okHeading = false, okHeight = false;
        const double lon = number(f.at(0), &okLon);
        const double lat = number(f.at(1), &okLat);
        const double heading = number(f.at(3), &okHeading);
        const double height = number(f.at(2), &okHeight);
        if (!okLon || !okLat || !okHeading || !okHeight) {
            ++invalidCount;
            continue;
        }
        if (height < 0 || height > 200)
            absoluteHeight = true;
        if (!m_plan || !m_plan->containsGeo(lon, lat))
            continue;
        ++inMapCount;
        while (f.size() < 10)
            f << QString();
        auto empty = [&f](int i) { return f.at(i).trimmed().isEmpty(); };
        const bool trigger = empty(4) ? true : integer(f.at(4)) != 0;
        const double pitch = empty(5) ? 90.0 : number(f.at(5));
        const int pictures = empty(6) ? 1 : qMax(0, integer(f.at(6)));
        const double posAcc = empty(7) ? 2.5 : qMax(0.0, number(f.at(7)));
        const double time = empty(8) ? 2.0 : qMax(0.0, number(f.at(8)));
        const int speed = empty(9) ? 100 : qMax(1, integer(f.at(9)));
        addRow(3, lon, lat, height, heading, trigger, pitch, pictures, posAcc, time, speed,
               false, false, false);
    }
    if (absoluteHeight)
        Prompt::message(this, QStringLiteral(":/icons/80/warning"), tr("Height relative?"),
                        tr("You have to use only height values relative to your start position. "
                           "One or more height values seems to be absoulute."),
                        QMessageBox::Ok, QMessageBox::Ok);
}

void WPImport::importZephrin(QIODevice *file)
{
    double height = 0, pitch = 0, velocity = 0, heading = 0;
    bool follow = false;
    while (!file->atEnd()) {
        QStringList f = nextFields(file);
        if (f.size() < 5) {
            ++invalidCount;
            continue;
        }
        while (f.size() < 8)
            f << QString();
        int type = 0;
        bool matrixLine = false;
        const QString kind = f.at(0);
        if (kind == QLatin1String("S")) {
            type = 0;
            follow = false;
        } else if (kind == QLatin1String("M")) {
            type = 1;
            matrixLine = true;
        } else if (kind == QLatin1String("T")) {
            type = 2;
        } else if (kind == QLatin1String("C")) {
            type = 5;
        } else {
            ++invalidCount;
            continue;
        }
        bool ok = false;
        const double lon = number(f.at(1), &ok);
        if (!ok) {
            ++invalidCount;
            qDebug() << QStringLiteral("WPImport::importZephrinm ERROR: WP %1 has incorrect longitude %2")
                            .arg(totalCount)
                            .arg(f.at(1));
            continue;
        }
        const double lat = number(f.at(2), &ok);
        if (!ok) {
            ++invalidCount;
            qDebug() << QStringLiteral("WPImport::importZephrinm ERROR: WP %1 has incorrect latitude %2")
                            .arg(totalCount)
                            .arg(f.at(2));
            continue;
        }
        if (!m_plan || !m_plan->containsGeo(lon, lat))
            continue;
        const double h = number(f.at(3), &ok);
        if (ok)
            height = h;
        const QString headingText = f.at(4).trimmed();
        double thisHeading = 0;
        const double hv = number(headingText, &ok);
        if (ok) {
            thisHeading = hv;
            follow = false;
        } else if (headingText.compare(QLatin1String("follow"), Qt::CaseInsensitive) == 0) {
            thisHeading = 0;
            follow = true;
        } else if (headingText.isEmpty() && matrixLine && follow) {
            thisHeading = 0;
        } else if (headingText.isEmpty()) {
            thisHeading = heading;
            follow = false;
        } else {
            qDebug() << QStringLiteral("WPImport::importZephrinm ERROR: WP %1 has invalid 'heading' value '%2'")
                            .arg(totalCount)
                            .arg(f.at(4));
            ++invalidCount;
            heading = 0;
            continue;
        }
        heading = thisHeading;
        ++inMapCount;
        const double p = number(f.at(5), &ok);
        if (ok)
            pitch = p;
        const double v = number(f.at(6), &ok);
        if (ok)
            velocity = v;
        qDebug() << "WPImport::importZephrin finished reading, adding data";
        addRow(type, lon, lat, height, thisHeading, true, pitch, 1, 0, 0,
               int(qMin(velocity, 10.0)), true, follow, true);
    }
    qDebug() << "WPImport::importZephrin finished";
}

bool WPImport::importVardeckProject(const QString &path)
{
    qDebug() << "Starting import of Vardeck project from " << path;
    QuaZipFile member(path, QStringLiteral("project.json"));
    if (!member.open(QIODevice::ReadOnly)) {
        qCritical() << "Couldn't read project file.";
        return false;
    }
    const QJsonObject doc = QJsonDocument::fromJson(member.readAll()).object();
    member.close();
    const QJsonValue reference = doc.value(QStringLiteral("heightReference"));
    const QJsonValue model = doc.value(QStringLiteral("model"));
    const QJsonArray tasks = model.toObject().value(QStringLiteral("tasks")).toArray();
    if (doc.isEmpty() || !model.isObject()
        || !(reference.isUndefined() || reference == QJsonValue(QStringLiteral("Relative")))
        || tasks.isEmpty()) {
        qWarning() << "File is invalid, import cancelled.";
        return false;
    }
    totalCount = tasks.size();
    for (const QJsonValue &tv : tasks) {
        const QJsonObject task = tv.toObject();
        const QString type = task.value(QStringLiteral("type")).toString();
        const QJsonValue position = task.value(QStringLiteral("position"));
        const QJsonValue orientation = task.value(QStringLiteral("orientation"));
        if (!task.value(QStringLiteral("class")).isString()
            || (type != QLatin1String("Matrix") && type != QLatin1String("Single"))
            || !position.isObject() || !orientation.isObject()) {
            qDebug() << "Skipping invalid Waypoint";
            ++invalidCount;
            continue;
        }
        const QString cls = task.value(QStringLiteral("class")).toString();
        if (cls != QLatin1String("SingleWaypoint")) {
            qWarning() << QStringLiteral("Waypoint class %1 is not supported; task ignored").arg(cls);
            continue;
        }
        QStringList flags;
        for (const QJsonValue &f : task.value(QStringLiteral("flags")).toArray())
            flags << f.toString();
        const int code = type == QLatin1String("Single")
                             ? 0
                             : (flags.contains(QStringLiteral("EndOfMatrix")) ? 11 : 1);
        const QJsonObject pos = position.toObject();
        const QJsonObject ori = orientation.toObject();
        const double lon = jsonNumber(pos.value(QStringLiteral("longitude")), DBL_MAX);
        const double lat = jsonNumber(pos.value(QStringLiteral("latitude")), DBL_MAX);
        if (!m_plan || !m_plan->containsGeo(lon, lat)) {
            qWarning() << QStringLiteral("Waypoint (%1, %2) not in map; task ignored")
                              .arg(lat, 0, 'f', 7)
                              .arg(lon, 0, 'f', 7);
            continue;
        }
        ++inMapCount;
        const bool trigger = task.value(QStringLiteral("action")).toString() == QLatin1String("Trigger");
        const double height = jsonNumber(pos.value(QStringLiteral("height")), 0);
        const double yaw = jsonNumber(ori.value(QStringLiteral("yaw")), 0);
        const double pitch = jsonNumber(ori.value(QStringLiteral("pitch")), 0);
        const double delay = jsonNumber(task.value(QStringLiteral("actionDelay")), 0);
        const double maxSpeed = jsonNumber(task.value(QStringLiteral("maxSpeed")), 0);
        const bool follows = !flags.contains(QStringLiteral("HeadingFixed"));
        qDebug() << QStringLiteral("Read %1 Waypoint at (%2, %3, %4) with RPY 0/%5/%6 (%7), velocity %8, and timeAtWP %9")
                        .arg(type)
                        .arg(lat, 0, 'f', 7)
                        .arg(lon, 0, 'f', 7)
                        .arg(height)
                        .arg(pitch)
                        .arg(yaw)
                        .arg(follows ? QStringLiteral("following") : QStringLiteral("fixed"))
                        .arg(int(maxSpeed))
                        .arg(delay);
        addRow(code, lon, lat, height, yaw, trigger, pitch, trigger ? 1 : 0, 0, delay,
               qMin(int(maxSpeed), 10), true, follows, true);
    }
    qDebug() << QStringLiteral("Importing %1 Waypoint(s)").arg(inMapCount);
    return true;
}

int WPImport::maxSpeedOf(int i) const
{
    if (rows.speedIsVelocity.value(i))
        return qBound(10, Data::instance()
                              ->settings()
                              ->value(QStringLiteral("Waypoint max_speed"), 100)
                              .toInt(),
                      100);
    return qBound(10, rows.speed.value(i), 100);
}


float WPImport::velocityOf(int i) const
{
    double v = rows.speedIsVelocity.value(i)
                   ? rows.speed.value(i)
                   : Data::instance()->settings()->value(QStringLiteral("V3 Speed"), 6.0).toDouble();
    return float(qBound(0.5, v, 10.0));
}

bool WPImport::headingFollowsOf(int i) const
{
    return rows.speedIsVelocity.value(i) && rows.headingFollows.value(i);
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
    QSettings *s = Data::instance()->settings();
    const QString folder =
        s->value(QStringLiteral("Last Waypoint CSV Export Path"), documents()).toString();
    QString name = Prompt::saveFile(this, tr("Save template..."),
                                    folder + QStringLiteral("/") + QFileInfo(resource).fileName(),
                                    tr("CSV file (*.csv)"));
    if (name.isEmpty())
        return;
    if (!name.toLower().endsWith(QLatin1String(".csv")))
        name += QStringLiteral(".csv");
    s->setValue(QStringLiteral("Last Waypoint CSV Export Path"), QFileInfo(name).absolutePath());
    QFile out(name);
    if (!out.open(QIODevice::WriteOnly) || out.write(in.readAll()) < 0 || !out.flush()) {
        Prompt::message(this, QStringLiteral(":/icons/80/error"), tr("I/O Error!"),
                        tr("I/O Error: Can't write in file %1").arg(name), QMessageBox::Ok);
        return;
    }
}
