#include "core/placemarks.h"

#include <QDebug>
#include <QFile>
#include <QStandardItem>
#include <QStandardItemModel>

#include "atomicfile/atomicfile.h"

static_assert(int(Placemarks::KindRole) == int(Qt::UserRole), "roles start at the first user role");

namespace Placemarks {

bool load(QStandardItemModel *model, const QString &path)
{
    model->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;

    // Items read before the first group land on this placeholder and are
    // dropped with it.
    QStandardItem placeholder;
    placeholder.setData(QStringLiteral("0"), KindRole);
    QStandardItem *parent = &placeholder;
    auto kindOf = [](const QStandardItem *item) { return item->data(KindRole).toString().toInt(); };

    int lineNo = 0;
    while (!file.atEnd()) {
        ++lineNo;
        QString line = QString::fromUtf8(file.readLine());
        line.remove('\n');
        if (line.endsWith('\r'))
            line.chop(1);
        const QStringList f = line.split('|');
        if (f.size() < 5) {
            // Skip only this line: stopping here would make the next save
            // drop everything after it.
            if (!line.isEmpty())
                qWarning() << "[Placemarks] skipping malformed line" << lineNo << "of" << path;
            continue;
        }
        auto *item = new QStandardItem(f[0]);
        item->setData(f[1], KindRole);
        item->setData(f[2], LonRole);
        item->setData(f[3], LatRole);
        item->setData(f[4], PathRole);
        // A point or polygon never sits below another point or polygon.
        auto stepUp = [&] {
            if (kindOf(parent) != Group && parent->parent())
                parent = parent->parent();
            else if (kindOf(parent) != Group)
                parent = &placeholder;
        };
        switch (f[1].toInt()) {
        case Group:
            model->appendRow(item);
            parent = item;
            break;
        case Point:
            stepUp();
            parent->appendRow(item);
            break;
        case Polygon:
            stepUp();
            parent->appendRow(item);
            parent = item;
            break;
        case PolygonPoint:
            parent->appendRow(item);
            break;
        default:
            delete item;
            break;
        }
    }
    return true;
}

static QString clean(const QVariant &v)
{
    QString s = v.toString();
    s.replace('|', QChar(0x00A6));
    s.replace("\r\n", " ");
    s.replace('\n', ' ');
    s.replace('\r', ' ');
    return s;
}

static QByteArray lineOf(QStandardItem *item, const QString &path)
{
    item->setData(path, PathRole);
    return (clean(item->text()) + '|' + clean(item->data(KindRole)) + '|' +
            clean(item->data(LonRole)) + '|' + clean(item->data(LatRole)) + '|' + clean(path))
               .toUtf8() +
           '\n';
}

bool save(QStandardItemModel *model, const QString &path, QString *error)
{
    QByteArray out;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStandardItem *group = model->item(r);
        out += lineOf(group, QStringLiteral("0"));
        for (int c = 0; c < group->rowCount(); ++c) {
            QStandardItem *child = group->child(c);
            if (!child)
                continue;
            out += lineOf(child, group->text());
            for (int g = 0; g < child->rowCount(); ++g) {
                if (QStandardItem *gc = child->child(g))
                    out += lineOf(gc, group->text() + " - " + child->text());
            }
        }
    }
    return AtomicFile::write(path, out, error);
}

}  // namespace Placemarks
