#pragma once
// Walks an ARA/ARV recording frame by frame: each frame is a 512-byte header
// block beginning with "Ss" followed by the sensor bytes its header states.
// Only one frame is held in memory at a time.
#include <QByteArray>
#include <QString>

#include "radifmt/araimage.h"

class QIODevice;

class AraFrameReader {
public:
    // Unsupported: a well-formed frame this converter does not convert
    // (line-compressed pixels); errorString says so.
    enum Result { Frame, End, Error, Unsupported };

    // scratch (when given) holds the bytes of the frame being read; a
    // caller reading many files keeps its capacity from one to the next.
    explicit AraFrameReader(QIODevice *device, QByteArray *scratch = nullptr);
    // A reader put at a frame further into the recording counts on from
    // there, so its messages name the frame by its place in the recording.
    void setFramesRead(int frames) { m_frames = frames; }
    Q_DISABLE_COPY(AraFrameReader)

    // Reads the next frame: on Frame, header() and sensorData() point into
    // the bytes just read (valid until the next read). End when the
    // recording ends exactly after the previous frame; Unsupported or Error
    // (see errorString) for anything else. Sensor bytes beyond width x height
    // pixels belong to the frame and are read with it.
    Result nextBytes();
    ARA_HEADER header() const;
    const uint8_t *sensorData() const;
    size_t sensorSize() const;
    // Checks the next frame's header and steps over its sensor bytes
    // without reading them (to count and check frames before converting).
    Result skip();

    QString errorString() const { return m_error; }
    int framesRead() const { return m_frames; }

    // Largest sensor-data block accepted, well above any camera's frame.
    static constexpr quint32 maxSensorBytes = 64u * 1024u * 1024u;

private:
    Result fail(const QString &error);
    Result readHeader(quint32 &sensorBytes);

    QIODevice *m_device;
    QByteArray m_ownBuffer;
    QByteArray &m_buffer;
    const char *m_frame = nullptr;  // the frame read last, within m_buffer
    int m_frameSize = 0;
    QString m_error;
    int m_frames = 0;
};
