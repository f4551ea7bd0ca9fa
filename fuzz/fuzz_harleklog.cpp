// Log folders through HarlekLog: the input is the info file, a line "%%",
// then the records file.
#include "fuzzkit.h"
#include "harleklog/harleklog.h"

KORVEL_FUZZ_INIT

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray info, records;
    FuzzKit::split(FuzzKit::bytes(data, size), &info, &records);
    FuzzKit::writeFile("log/KORVEL.IFO", info);
    FuzzKit::writeFile("log/KORVEL.LOG", records);
    try {
        HarlekLog log((FuzzKit::folder() + "/log").toStdString());
        log.flightPath(10);
        log.photoTags();
        log.logTypeString();
        if (auto l = log.log()) {
            for (const std::string &name : l->messageNames()) {
                auto info = l->getMessageInfo(name);
                for (const auto &v : info->variables()) {
                    try {
                        l->getFirstNonZero(name, v.name);
                    } catch (const LogException &) {
                    }
                }
            }
        }
    } catch (const LogException &) {
    }
    return 0;
}
