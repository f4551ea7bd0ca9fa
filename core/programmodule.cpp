#include "core/programmodule.h"

#include <QCoreApplication>
#include <QStringList>

bool loadProgramModule(const QString &name, const std::function<bool(QLibrary &)> &accept,
                       QString *errors)
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QString chosen = qEnvironmentVariable("KORVEL_MODULE_DIR");
    QStringList places = {dir + QStringLiteral("/../lib/") + name,
                          dir + QLatin1String("/../" KORVEL_INSTALL_LIBDIR "/") + name, name};
    if (!chosen.isEmpty())
        places.prepend(chosen + QLatin1Char('/') + name);
    places.removeDuplicates();
    for (const QString &place : places) {
        QLibrary library(place);  // never unloaded: what it made lives until the process ends
        if (!library.load()) {
            *errors += QStringLiteral("\n  ") + library.errorString();
            continue;
        }
        if (accept(library))
            return true;
        *errors += QStringLiteral("\n  ") + library.fileName()
                   + QStringLiteral(": not the module sought");
    }
    return false;
}
