// Photo-tagger matching and the creation steps around it, timed by hand:
// a log of 1,000 triggers and 1,007 JPEGs (10 test shots before take-off,
// 3 of the flight's photos missing), so detection runs through every pass;
// then the plain search against ours on smaller logs of the same pattern.
#include "exif/exifhandler.h"
#include "harleklog/harleklogwriter.h"
#include "phototagger/creation/ptmatching.h"
#include "phototagger/creation/ptsteps.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

struct Pattern
{
    QVector<qint64> triggers, photos;
    QVector<int> accuracy;
};

// Gaps of 2 to 5 s; photos on a clock 2 h off, cut to whole seconds.
Pattern pattern(int n, quint32 seed)
{
    QRandomGenerator rng(seed);
    Pattern p;
    qint64 t = 1760000000000LL;
    for (int i = 0; i < n; ++i, t += rng.bounded(2000, 5001))
        p.triggers << t;
    const QList<int> missing = {n / 5, n / 2, n - n / 7};
    qint64 shot = p.triggers.first() + 7200000 - 600000;
    for (int i = 0; i < 10; ++i, shot += 3000)
        p.photos << shot - shot % 1000;
    for (int i = 0; i < n; ++i)
        if (!missing.contains(i)) {
            const qint64 c = p.triggers[i] + 7200000;
            p.photos << c - c % 1000;
        }
    p.accuracy = QVector<int>(p.photos.size(), 1);
    return p;
}

struct PlainSearch
{
    QVector<double> tD, iD;
    int N = 0;
    double best = 999999999.0;

    void calc(int a, int b)
    {
        const int n = tD.size(), w = b - a;
        if (w > n)
            return;
        if (w == n) {
            double e = 0;
            for (int j = 0; j < n; ++j)
                e += (tD[j] - iD[a + j]) * (tD[j] - iD[a + j]) / n;
            best = qMin(best, e);
            return;
        }
        if (n < 6 || n - w > 3)
            return;
        const int k = n - w;
        QVector<int> q(k);
        for (int i = 0; i < k; ++i)
            q[i] = i;
        QVector<double> model(n);
        while (true) {
            int m = 0, prev = -1, qi = 0;
            for (int r = 0; r < N; ++r) {
                if (qi < k && q[qi] == r) {
                    ++qi;
                    continue;
                }
                if (prev >= 0) {
                    double s = 0;
                    for (int j = prev; j < r; ++j)
                        s += tD[j];
                    model[m++] = s;
                }
                prev = r;
            }
            double e = 0;
            for (int t = 0; t < n - k; ++t)
                e += (model[t] - iD[a + t]) * (model[t] - iD[a + t]) / (n - 2);
            if (best > e)
                best = e;
            int i = k - 1;
            while (i >= 0 && q[i] == N - k + i)
                --i;
            if (i < 0)
                break;
            ++q[i];
            for (int j = i + 1; j < k; ++j)
                q[j] = q[j - 1] + 1;
        }
    }
};

double plainMs(const PTMatching &configured)
{
    QElapsedTimer timer;
    timer.start();
    PlainSearch p;
    p.N = configured.triggerCount();
    for (qint64 d : configured.triggerDiffs())
        p.tD << double(d);
    for (qint64 d : configured.imageDiffs())
        p.iD << double(d);
    const int n = p.tD.size(), M = configured.photoCount();
    const double threshold = configured.acceptanceThreshold();
    for (const auto &r : configured.checkRanges())
        p.calc(r.first, r.second);
    for (int s = 0; s <= M - 1 - n && !(threshold > p.best); ++s)
        p.calc(s, s + n);
    for (int k = 1; k <= 3 && !(threshold > p.best); ++k)
        for (int s = 0; s <= M - 1 - n + k; ++s)
            p.calc(s, s + n - k);
    return timer.nsecsElapsed() / 1e6;
}

double oursMs(PTMatching &m, QString *outcome)
{
    QElapsedTimer timer;
    timer.start();
    m.configure();
    bool ok = m.fastDetection() || m.deepDetection();
    int k = 0;
    while (!ok && k < 3)
        ok = m.mergeMoreImages(++k);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (outcome) {
        QStringList missing;
        for (int q : m.missingTriggers())
            missing << QString::number(q);
        *outcome = QStringLiteral("%1 at offset %2, missing [%3], pass k=%4")
                       .arg(ok ? "matched" : "no match")
                       .arg(m.bestOffset())
                       .arg(missing.join(','))
                       .arg(k);
    }
    return ms;
}

}  // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
    QTemporaryDir dir;

    // The full job's data: a real log and real JPEGs.
    const Pattern big = pattern(1000, 42);
    HarlekLogContent log;
    for (qint64 t : big.triggers) {
        PhotoTag tag;
        tag.time = t - 315964800000LL;
        log.tags.push_back(tag);
    }
    if (!harleklog::writeLog((dir.path() + "/logs/big").toStdString(), log))
        return 1;
    const QString card = dir.path() + "/card";
    QDir().mkpath(card);
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray jpeg;
    {
        QBuffer b(&jpeg);
        b.open(QIODevice::WriteOnly);
        image.save(&b, "JPG");
    }
    for (int i = 0; i < big.photos.size(); ++i) {
        QByteArray bytes = jpeg;
        ExifHandler exif;
        const QDateTime utc = QDateTime::fromMSecsSinceEpoch(big.photos[i], Qt::UTC);
        exif.setDateTimeOriginal(QDateTime(utc.date(), utc.time()));
        exif.saveExif(bytes);
        QFile f(QStringLiteral("%1/DSC%2.JPG").arg(card).arg(i + 10000));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }

    QElapsedTimer timer;
    timer.start();
    PTTriggerTable triggers;
    const int nTriggers = PTSteps::readLogTriggers(dir.path() + "/logs/big", triggers);
    const double logMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    PTPhotoTable photos;
    const int nPhotos = PTSteps::readPhotos(card, PTSteps::Jpeg, photos);
    const double exifMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    PTSteps::sortPhotos(photos);
    const double sortMs = timer.nsecsElapsed() / 1e6;

    PTMatching m;
    m.setTriggerTimes(triggers.timesMs());
    m.setPhotoTimes(photos.timesMs(), photos.accuracy);
    QString outcome;
    const double matchMs = oursMs(m, &outcome);

    const QStringList names = PTSteps::matchedNames(m.assignment(), photos);
    timer.restart();
    const int copied = PTSteps::copyPhotos(card, dir.path() + "/project", names, false);
    const double copyMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    const int thumbs = PTSteps::makeThumbnails(dir.path() + "/project", names, PTSteps::Jpeg, {}, {}, 1);
    const double thumbMs = timer.nsecsElapsed() / 1e6;
    PTSteps::copyPhotos(card, dir.path() + "/parallel", names, false);
    timer.restart();
    const int thumbsParallel = PTSteps::makeThumbnails(dir.path() + "/parallel", names, PTSteps::Jpeg);
    const double parallelMs = timer.nsecsElapsed() / 1e6;
    int equal = 0, compared = 0;
    for (const QString &name : names) {
        if (name.isEmpty())
            continue;
        QFile a(dir.path() + "/project/thumb_" + name), b(dir.path() + "/parallel/thumb_" + name);
        a.open(QIODevice::ReadOnly);
        b.open(QIODevice::ReadOnly);
        ++compared;
        equal += a.readAll() == b.readAll() ? 1 : 0;
    }

    std::printf("log: %d triggers read in %.1f ms\n", nTriggers, logMs);
    std::printf("EXIF: %d photos read in %.1f ms\n", nPhotos, exifMs);
    std::printf("sort: %.1f ms\n", sortMs);
    std::printf("configuration and all passes: %.1f ms (%s)\n", matchMs, qPrintable(outcome));
    std::printf("copy: %.1f ms (result %d)\n", copyMs, copied);
    std::printf("thumbnails: %.1f ms on one thread (result %d), %.1f ms on %d threads (result %d); %d of %d files equal\n",
                thumbMs, thumbs, parallelMs, QThread::idealThreadCount(), thumbsParallel, equal, compared);

    std::printf("\n%6s %12s %12s %8s\n", "N", "plain ms", "ours ms", "ratio");
    for (int n : {20, 40, 80}) {
        const Pattern p = pattern(n, 7 + n);
        PTMatching ours;
        ours.setTriggerTimes(p.triggers);
        ours.setPhotoTimes(p.photos, p.accuracy);
        const double o = oursMs(ours, nullptr);
        PTMatching configured;
        configured.setTriggerTimes(p.triggers);
        configured.setPhotoTimes(p.photos, p.accuracy);
        configured.configure();
        const double plain = plainMs(configured);
        std::printf("%6d %12.2f %12.3f %8.0f\n", n, plain, o, plain / o);
    }
    return 0;
}
