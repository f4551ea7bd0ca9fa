#include "phototagger/ui/exportpath.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "core/data.h"
#include "core/prompt/prompt.h"

namespace PTExportPath {

QString ask(QWidget *parent, const QString &caption, const QString &filter,
            const QString &extension)
{
    QSettings *settings = Data::instance()->settings();
    const QString start = settings->value(QStringLiteral("Last Photo Tagger Export Path"),
                                          QStandardPaths::writableLocation(
                                              QStandardPaths::DocumentsLocation))
                              .toString();
    QString file = Prompt::saveFile(parent, caption, start, filter);
    if (file.isEmpty())
        return QString();
    if (!file.toLower().endsWith(extension))
        file += extension;
    settings->setValue(QStringLiteral("Last Photo Tagger Export Path"),
                       QFileInfo(file).absolutePath());
    return file;
}

}  // namespace PTExportPath
