#pragma once
// Modules the program loads on first use (the web map, the alarm sounds), so
// their heavy libraries are not loaded at start.
#include <QLibrary>
#include <QString>
#include <functional>

// Loads the module `name` from KORVEL_MODULE_DIR, the library folder beside
// the program (build tree or install) or the loader's own path, in that order.
// `accept` resolves what the caller needs and says whether the library is the
// module sought. The library found stays loaded for the life of the process.
// Returns false when none was; `errors` then says why for each place tried.
bool loadProgramModule(const QString &name, const std::function<bool(QLibrary &)> &accept,
                       QString *errors);
