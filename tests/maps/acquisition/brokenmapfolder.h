#pragma once
// Stands in for a broken map folder: the folder's place is taken by a file,
// so no map can be written (works for every user, root included).
#include <QDir>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>

#include "atomicfile/atomicfile.h"
#include "core/data.h"

struct BrokenMapFolder {
    QString ortho = Data::instance()->mapPath() + "/Ortho";
    QString aside = ortho + ".aside";
    BrokenMapFolder()
    {
        Data::instance()->orthoMapPath();  // there to be moved aside
        QDir().rename(ortho, aside);
        QFile f(ortho);
        f.open(QIODevice::WriteOnly);
    }
    // How a map of that name that could not be written reaches the user.
    QString failure(const QString &name) const
    {
        return QStringLiteral("The map could not be written to the map folder. Please check that "
                              "the folder is writable and the disk is not full.\n\n")
               + AtomicFile::describe(ortho + "/" + name + ".jpg", QString::fromLocal8Bit(strerror(ENOTDIR)));
    }
    ~BrokenMapFolder()
    {
        QFile::remove(ortho);
        QDir().rename(aside, ortho);
    }
};
