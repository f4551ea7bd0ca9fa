// Entry of the map module: the program loads it the first time a map shows,
// so the web engine stays out of its start.
#include "maps/acquisition/webmap.h"

// A plain C name to look up; what it hands out is the C++ maker itself.
extern "C" Q_DECL_EXPORT MapViewMaker korvel_map_view_maker()
{
    return &WebMap::makeView;
}
