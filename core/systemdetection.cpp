#include "core/systemdetection.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>
#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {
QByteArray firstLine(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readLine().trimmed();
}

QByteArray cpuinfoBrand()
{
    QFile f(QStringLiteral("/proc/cpuinfo"));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    static const char *const keys[] = {"model name", "Hardware", "cpu model", "Processor", "cpu"};
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const char *key : keys) {
        for (const QByteArray &line : lines) {
            const int colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed() == key)
                return line.mid(colon + 1).trimmed();
        }
    }
    return QByteArray();
}
}  // namespace

QByteArray processorBrand()
{
#if defined(__x86_64__) || defined(__i386__)
    unsigned int regs[12];
    char brand[49];
    std::memset(brand, 0, sizeof(brand));
    unsigned int a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(0x80000000u, &a, &b, &c, &d) && a >= 0x80000004u) {
        for (unsigned int leaf = 0; leaf < 3; ++leaf)
            __get_cpuid(0x80000002u + leaf, &regs[leaf * 4], &regs[leaf * 4 + 1],
                        &regs[leaf * 4 + 2], &regs[leaf * 4 + 3]);
        std::memcpy(brand, regs, 48);
        return QByteArray(brand);
    }
#endif
    return cpuinfoBrand();
}

QList<DisplayAdapter> displayAdapters(const QString &drmRoot)
{
    static const QRegularExpression cardName(QStringLiteral("^card(\\d+)$"));
    QStringList cards;
    for (const QString &entry : QDir(drmRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot
                                                        | QDir::System)) {
        if (cardName.match(entry).hasMatch())
            cards << entry;
    }
    std::sort(cards.begin(), cards.end(), [](const QString &x, const QString &y) {
        return x.mid(4).toInt() < y.mid(4).toInt();
    });

    QList<DisplayAdapter> result;
    for (const QString &card : cards) {
        if (result.size() == 10)
            break;
        const QString device = drmRoot + "/" + card + "/device/";
        QString driver = QFileInfo(device + "driver").symLinkTarget().section('/', -1);
        if (driver.isEmpty()) {
            QFile uevent(device + "uevent");
            if (uevent.open(QIODevice::ReadOnly)) {
                for (const QByteArray &line : uevent.readAll().split('\n'))
                    if (line.startsWith("DRIVER="))
                        driver = QString::fromUtf8(line.mid(7));
            }
        }
        const QString vendor = QString::fromLatin1(firstLine(device + "vendor")).remove("0x");
        const QString id = QString::fromLatin1(firstLine(device + "device")).remove("0x");
        QString description = driver.isEmpty() ? QStringLiteral("unknown") : driver;
        if (!vendor.isEmpty() || !id.isEmpty())
            description += QStringLiteral(" [%1:%2]").arg(vendor, id);
        result << DisplayAdapter{card, description};
    }
    return result;
}

void systemDetection()
{
    qDebug() << "System Detection";
    qDebug() << "CPU:" << processorBrand().constData();
    const QList<DisplayAdapter> adapters = displayAdapters();
    for (int i = 0; i < adapters.size(); ++i) {
        qDebug() << QStringLiteral("[SYSTEM] Grafikcard Name %1: %2 ").arg(i).arg(adapters.at(i).name);
        qDebug() << QStringLiteral("[SYSTEM] Grafikcard String %1: %2")
                        .arg(i)
                        .arg(adapters.at(i).description);
    }
    qDebug() << QStringLiteral("%1, Kernel %2 %3")
                    .arg(QSysInfo::prettyProductName(), QSysInfo::kernelVersion(),
                         QSysInfo::currentCpuArchitecture());
}
