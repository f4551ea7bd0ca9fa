// Entry of the map module: the program loads it the first time a map shows,
// so the web engine stays out of its start.
#include "maps/acquisition/webmap.h"

extern "C" Q_DECL_EXPORT MapView korvel_make_map_view(QWidget *parent)
{
    return WebMap::makeView(parent);
}
