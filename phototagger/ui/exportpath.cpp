#include "phototagger/ui/exportpath.h"

#include <QFileInfo>

#include "core/data.h"
#include "core/prompt/prompt.h"

namespace PTExportPath {

QString ask(QWidget *parent, const QString &caption, const QString &filter,
            const QString &extension)
{
    Data *data = Data::instance();
    const QString start = data->rememberedFolder(QStringLiteral("Last Photo Tagger Export Path"));
    QString file = Prompt::saveFile(parent, caption, start, filter);
    if (file.isEmpty())
        return QString();
    if (!file.toLower().endsWith(extension))
        file += extension;
    data->rememberFolder(QStringLiteral("Last Photo Tagger Export Path"), QFileInfo(file).absolutePath());
    return file;
}

}  // namespace PTExportPath
