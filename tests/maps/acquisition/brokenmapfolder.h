#pragma once
// Stands in for a broken map folder: the folder's place is taken by a file,
// so no map can be written (works for every user, root included).
#include <QDir>
#include <QFile>
#include <QString>

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
    ~BrokenMapFolder()
    {
        QFile::remove(ortho);
        QDir().rename(aside, ortho);
    }
};
