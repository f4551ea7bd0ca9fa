// Vardeck project archives (.znp) through the WPImport reader.
#include "fuzzkit.h"
#include "maps/wpdata.h"
#include "maps/wpimport.h"

KORVEL_FUZZ_INIT

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = FuzzKit::writeFile("project.znp", data, size);
    WPData plan;
    plan.loadMapImage(FuzzKit::map());
    WPImport reader(&plan);
    reader.importVardeckProject(path);
    for (int i = 0; i < reader.rows.size(); ++i)
        reader.velocityOf(i);
    return 0;
}
