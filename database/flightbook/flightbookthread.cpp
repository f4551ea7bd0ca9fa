#include "database/flightbook/flightbookthread.h"

#include "core/data.h"
#include "harleklog/harleklog.h"

#include <QDateTime>
#include <QDebug>
#include <QTreeWidgetItem>

FlightBookThread::FlightBookThread(QObject* parent) : QThread(parent)
{
    // Data exists before any scan runs; placeNameAt is safe on this thread.
    m_placeName = [](double lon, double lat) { return Data::instance()->placeNameAt(lon, lat); };
}

QStringList FlightBookThread::columnTitles()
{
    return {tr("GPS Log ID"), tr("Date"), tr("Latitude"), tr("Longitude"), tr("Location"), tr("Number of Tags"),
            tr("Flighttime"), tr("Note")};
}

QString FlightBookThread::flightTime(double airTime)
{
    // Beyond qint64 the cast would be undefined; the reader never gives such.
    if (!(airTime >= 0 && airTime <= kMaxAirTime))
        return QStringLiteral("-");
    const qint64 t = qint64(airTime);
    auto two = [](qint64 v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return QStringLiteral("%1:%2:%3").arg(two(t / 3600), two((t % 3600) / 60), two(t % 60));
}

QTreeWidgetItem* FlightBookThread::logItem(const QString& folderPath, const HarlekLog& log, const QString& placeName)
{
    const Position pos = log.position();
    auto* item = new QTreeWidgetItem(0);
    item->setText(0, QDir(folderPath).dirName());
    item->setText(1, QDateTime::fromMSecsSinceEpoch(log.timeUTC(), Qt::UTC).toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    item->setText(2, QString::number(pos.latitude, 'f', 7));
    item->setText(3, QString::number(pos.longitude, 'f', 7));
    item->setText(4, placeName.isEmpty() ? tr("Unknown") : placeName);
    item->setText(5, QString::number(log.photoTagCount()));
    item->setText(6, flightTime(log.airTime()));
    item->setText(NoteColumn, QString());
    item->setData(0, PathRole, QDir(folderPath).absolutePath());
    item->setData(0, TagCountRole, log.photoTagCount());
    item->setData(0, LatitudeRole, pos.latitude);
    item->setData(0, LongitudeRole, pos.longitude);
    item->setData(0, StateRole, Whole);
    if (log.isCutShort()) {
        const QString where = QString::fromStdString(log.cutShortReason());
        item->setData(0, StateRole, CutShort);
        item->setText(NoteColumn, tr("Cut short: %1").arg(where));
        const QString tip = tr("The log was cut short (%1), as when the aircraft loses power or the card is "
                               "pulled during the flight. It is read up to there.").arg(where);
        for (int c = 0; c <= NoteColumn; ++c)
            item->setToolTip(c, tip);
    }
    return item;
}

QTreeWidgetItem* FlightBookThread::skippedItem(const QString& folderPath, const QString& reason)
{
    const QDir folder(folderPath);
    const QString path = folder.absolutePath();
    // The row is the folder: its path is left out of the note.
    QString note = reason;
    note.replace(path + QLatin1Char('/'), QString());
    note.replace(path, folder.dirName());
    auto* item = new QTreeWidgetItem(0);
    item->setText(0, folder.dirName());
    item->setText(NoteColumn, tr("Not read: %1").arg(note));
    item->setData(0, PathRole, path);
    item->setData(0, StateRole, Skipped);
    const QString tip = tr("The log %1 cannot be read, so it cannot be shown, copied or exported:\n%2")
                            .arg(QDir::toNativeSeparators(path), reason);
    for (int c = 0; c <= NoteColumn; ++c)
        item->setToolTip(c, tip);
    // Greyed and never selected: no export, copy or map takes it.
    item->setFlags(Qt::ItemNeverHasChildren);
    return item;
}

FlightBookThread::LogState FlightBookThread::state(const QTreeWidgetItem* item)
{
    return item ? LogState(item->data(0, StateRole).toInt()) : Skipped;
}

void FlightBookThread::createLogItem(QDir logFolder)
{
    const QString path = logFolder.absolutePath();
    HarlekLog log(path.toStdString());
    const Position pos = log.position();
    const QString place = m_placeName ? m_placeName(pos.longitude, pos.latitude) : QString();
    QTreeWidgetItem* item = logItem(path, log, place);
    if (isInterruptionRequested()) {
        delete item;  // superseded scan: nobody wants the row
        return;
    }
    emit newItem(item);
}

int FlightBookThread::scanFolder(QDir folder, int depth)
{
    if (depth <= 0 || isInterruptionRequested())
        return 0;
    int count = 0;
    const QFileInfoList entries =
        folder.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QFileInfo& entry : entries) {
        if (isInterruptionRequested())
            break;
        if (entry.isDir()) {
            count += scanFolder(QDir(entry.absoluteFilePath()), depth - 1);
            continue;
        }
        const QString name = entry.fileName();
        if (name.compare(QLatin1String("GPS.LOG"), Qt::CaseInsensitive) == 0
            || name.compare(QLatin1String("KORVEL.IFO"), Qt::CaseInsensitive) == 0) {
            bool failed = true;
            QString reason = tr("unknown error");
            try {
                createLogItem(folder);
                ++count;
                failed = false;
            } catch (const std::exception& e) {
                reason = QString::fromStdString(e.what());
            } catch (...) {
            }
            if (failed && !isInterruptionRequested()) {
                // Listed with its reason rather than left out without a word.
                qDebug() << "[FlightBookThread] skipped" << folder.absolutePath() << ":" << reason;
                emit newItem(skippedItem(folder.absolutePath(), reason));
            }
            break;  // a log folder is not searched further
        }
    }
    return count;
}

void FlightBookThread::run()
{
    qDebug() << "[FlightBookThread] run";
    if (m_entries.isEmpty()) {
        emit loadingDone();
        return;
    }
    // The listed folder itself: an entry "." or ".." must not lead elsewhere.
    const QDir folder(QFileInfo(m_entries.first().path()).absoluteFilePath());
    qDebug() << "[FlightBookThread] scanning" << folder.absolutePath();
    const int n = scanFolder(folder, 2);
    qDebug() << n << "logs found!";
    if (!isInterruptionRequested())
        emit loadingDone();
}

// ------------------------------------------------------------ FlightBookScan

FlightBookScan::FlightBookScan(QObject* parent) : QObject(parent)
{
}

FlightBookScan::~FlightBookScan()
{
    for (const QPointer<FlightBookThread>& t : qAsConst(m_threads)) {
        if (t) {
            t->disconnect(this);
            t->requestInterruption();
        }
    }
    for (const QPointer<FlightBookThread>& t : qAsConst(m_threads))
        if (t)
            t->wait();
}

bool FlightBookScan::isRunning() const
{
    return m_current && m_current->isRunning();
}

void FlightBookScan::start(const QFileInfoList& entries, FlightBookThread::PlaceNameLookup lookup)
{
    if (m_current)
        m_current->requestInterruption();
    m_threads.removeAll(nullptr);

    auto* thread = new FlightBookThread(this);  // deleted when done, or with this object
    thread->setEntries(entries);
    if (lookup)
        thread->setPlaceNameLookup(std::move(lookup));
    m_current = thread;
    m_threads << thread;
    connect(thread, &FlightBookThread::newItem, this, [this, thread](QTreeWidgetItem* item) {
        if (thread != m_current) {
            delete item;
            return;
        }
        emit newItem(item);
    });
    connect(thread, &FlightBookThread::loadingDone, this, [this, thread]() {
        if (thread == m_current)
            emit loadingDone();
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start(QThread::InheritPriority);
}
