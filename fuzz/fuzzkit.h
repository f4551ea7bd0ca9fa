#pragma once
// Shared set-up of the fuzz targets: a headless application object, quiet
// logging and a private folder for readers that only take a path.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace FuzzKit {

// Creates the application (offscreen, private home, prompts answered with
// their default button) once; call from LLVMFuzzerInitialize.
void start(int *argc, char ***argv);

// The private folder of this process.
QString folder();

// A stored map (north-up, 11.35..11.36 E, 48.09..48.10 N) for readers that
// keep only what lies on the plan's map; written on the first call.
QString map();

// Writes data to <folder>/<name> (replacing it) and returns the path.
QString writeFile(const QString &name, const QByteArray &data);
QString writeFile(const QString &name, const uint8_t *data, size_t size);

// The input as bytes, without copying.
inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
}

// Splits at the first "\n%%\n" into two parts (the second empty without it).
void split(const QByteArray &in, QByteArray *first, QByteArray *second);

}  // namespace FuzzKit

#define KORVEL_FUZZ_INIT                                              \
    extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)      \
    {                                                                 \
        FuzzKit::start(argc, argv);                                   \
        return 0;                                                     \
    }
