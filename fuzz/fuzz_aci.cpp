// Bytes from an ACI aircraft through the engine's receiver and message
// handling (lists, packets, parameters).
#include <memory>

#include "fuzzkit.h"
#include "link/aciengine.h"

namespace {
void sendNothing(const uint8_t *, uint16_t) {}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    auto engine = std::make_unique<AciEngine>();
    aciEngineInit(engine.get());
    aciEngineSetSendCallback(engine.get(), sendNothing);
    aciEngineRequestVarList(engine.get());
    for (size_t i = 0; i < size; ++i) {
        aciEngineReceiveByte(engine.get(), data[i]);
        if (i % 64 == 63)
            aciEngineTick(engine.get());
    }
    aciEngineUnpackVarPackets(engine.get());
    return 0;
}
