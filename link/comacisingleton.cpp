#include "link/comacisingleton.h"

#include <QDebug>
#include <QMutexLocker>
#include <cstring>

#include "core/data.h"

namespace {
QString fieldText(const char *text, size_t width)
{
    // Texts from the aircraft need not be terminated: stop at the field's end.
    size_t n = 0;
    while (n < width && text[n])
        ++n;
    return QString::fromLatin1(text, int(n));
}

bool received(AciEngine *e, uint16_t varId)
{
    const AciListEntry *entry = aciEngineFindVar(e, varId);
    return entry && entry->unpacked;
}

quint32 readings(AciEngine *e, uint16_t varId)
{
    const AciListEntry *entry = aciEngineFindVar(e, varId);
    return entry ? entry->readings : 0;
}
}  // namespace

ComACISingleTon *ComACISingleTon::instance()
{
    // Kept until the process ends; the engine callbacks reach it statically.
    static ComACISingleTon *one = new ComACISingleTon;
    return one;
}

ComACISingleTon::ComACISingleTon()
{
    registerAciRecordTypes();
}

ComACISingleTon::~ComACISingleTon()
{
    delete m_engine;
}

AciEngine *ComACISingleTon::engine(bool renew)
{
    QMutexLocker lock(&m_mutex);
    if (renew) {
        delete m_engine;
        m_engine = nullptr;
    }
    if (!m_engine)
        m_engine = new AciEngine();
    return m_engine;
}

void ComACISingleTon::init()
{
    QMutexLocker lock(&m_mutex);
    AciEngine *e = engine(true);
    aciEngineInit(e);
    aciEngineSetRate(e, 100);
    aciEngineSetSendCallback(e, &ComACISingleTon::sendData);
    aciEngineSetVarListCallback(e, &ComACISingleTon::varListUpdated);
    aciEngineSetCmdListCallback(e, &ComACISingleTon::cmdListUpdated);
    aciEngineSetSyncStatusCallback(e, &ComACISingleTon::syncStatus);
    aciEngineSetParListCallback(e, &ComACISingleTon::parListUpdated);
    aciEngineSetRawDataCallback(e, &ComACISingleTon::rawDataReceived);
    aciEngineSetSpareCallback(e, [](uint16_t, const uint8_t *, uint8_t) {});
    aciEngineSetCmdAckCallback(e, [](uint8_t) {});
    aciEngineSetStorageWriteCallback(e, &Data::aciStorageWrite);
    aciEngineSetStorageDeleteCallback(e, &Data::aciStorageDelete);
    aciEngineSetStorageDoneCallback(e, &Data::aciStorageEnd);
    aciEngineSetStorageReadCallback(e, &Data::aciStorageRead);
    aciEngineSetDebugCallback(e, &ComACISingleTon::debugText);
    // A come-home left unacknowledged by the last connection must not fly
    // off with the next one.
    std::memset(m_fields.simpleQueue, 0, sizeof m_fields.simpleQueue);
    m_fields.ack[0] = 0;
    m_fields.gpsQualityReceived = false;
    m_fields.gasReceived = false;
    m_ackCountdown = 200;
    m_lastAck = 0;
    Data::closeAciStorage();
    aciEngineRequestVarList(e);
}

void ComACISingleTon::tick()
{
    QMutexLocker lock(&m_mutex);
    AciEngine *e = engine();
    aciEngineTick(e);
    aciEngineUnpackVarPackets(e);
    m_fields.gpsQualityReceived = received(e, 141);
    m_fields.gasReceived = received(e, 2304);
    // The engine's count starts again with each variable list; the field's
    // count only ever grows, so a reader can tell a new reading by it.
    const quint32 gas = readings(e, 2304);
    if (gas != m_engineGasReadings) {
        m_engineGasReadings = gas;
        if (gas != 0)
            ++m_fields.gasReadings;
    }
    emit variableUpdated();
    checkSimpleCommandAck();
}

void ComACISingleTon::receiveBytes(const QByteArray &bytes)
{
    QMutexLocker lock(&m_mutex);
    AciEngine *e = engine();
    for (char c : bytes)
        aciEngineReceiveByte(e, uint8_t(c));
}

void ComACISingleTon::comACIGetDeviceVarList()
{
    QMutexLocker lock(&m_mutex);
    aciEngineRequestVarList(engine());
}

void ComACISingleTon::comACIGetDeviceCmdList()
{
    QMutexLocker lock(&m_mutex);
    aciEngineRequestCmdList(engine());
}

void ComACISingleTon::comACIGetDeviceParList()
{
    QMutexLocker lock(&m_mutex);
    aciEngineRequestParList(engine());
}

void ComACISingleTon::initPackets()
{
    QMutexLocker lock(&m_mutex);
    AciEngine *e = engine();
    struct Binding {
        uint16_t id;
        int packet;
        void *field;
        size_t room;
    };
    Fields &f = m_fields;
    const Binding vars[] = {
        {146, 0, f.gpsHeight, sizeof f.gpsHeight},
        {141, 0, f.gpsQuality, sizeof f.gpsQuality},
        {140, 0, f.var140, sizeof f.var140},
        {139, 1, f.flightTime, sizeof f.flightTime},
        {137, 1, f.height, sizeof f.height},
        {132, 1, f.longitude, sizeof f.longitude},
        {131, 1, f.latitude, sizeof f.latitude},
        {138, 1, f.attitude, sizeof f.attitude},
        {136, 1, f.velocity, sizeof f.velocity},
        {35, 0, f.statusCount, sizeof f.statusCount},
        {36, 0, f.var36, sizeof f.var36},
        {130, 1, f.batteryVoltage, sizeof f.batteryVoltage},
        {145, 1, f.wpResponse, sizeof f.wpResponse},
        {154, 1, f.navStatus, sizeof f.navStatus},
        {155, 0, f.homePosition, sizeof f.homePosition},
        {169, 0, f.var169, sizeof f.var169},
        {172, 0, f.capacity, sizeof f.capacity},
        {171, 0, f.capacityUsed, sizeof f.capacityUsed},
        {2304, 1, f.gas, sizeof f.gas},
        {142, 0, f.ack, sizeof f.ack},
        {39, 0, f.var39, sizeof f.var39},
        {37, 0, f.statusText, sizeof f.statusText},
    };
    for (const Binding &b : vars) {
        AciListEntry *entry = aciEngineFindVar(e, b.id);
        if (!entry || aciItemSize(entry->item) > b.room)
            continue;
        aciEngineAddVarToPacket(e, b.packet, b.id, b.field);
    }
    const Binding cmds[] = {
        {5, 0, f.wpCommand, sizeof f.wpCommand},
        {4, 0, &f.wpData, sizeof f.wpData},
        {2, 0, f.simpleQueue, sizeof f.simpleQueue},
    };
    for (const Binding &b : cmds) {
        AciListEntry *entry = aciEngineFindCmd(e, b.id);
        if (!entry || aciItemSize(entry->item) > b.room)
            continue;
        aciEngineAddCmdToPacket(e, b.packet, b.id, b.field);
    }
    aciEngineSendCmdPacketConfig(e, 0, 1);
    aciEngineSendVarPacketConfig(e, 0);
    aciEngineSendVarPacketConfig(e, 1);
}

void ComACISingleTon::sendSimpleCommand(quint8 command)
{
    QMutexLocker lock(&m_mutex);
    int slot = -1;
    for (int i = 0; i < 8; ++i) {
        if (m_fields.simpleQueue[i] == 0) {
            slot = i;
            break;
        }
    }
    if (slot < 0)
        return;
    m_fields.simpleQueue[slot] = command;
    qDebug() << "simple command: " << int(command);
    m_ackCountdown = 200;
    aciEngineTriggerCmdPacket(engine(), 0);
}

void ComACISingleTon::checkSimpleCommandAck()
{
    const quint8 ack = m_fields.ack[0];
    if (ack != m_lastAck) {
        qDebug() << "sdc Ack:" << QString::number(ack, 2);
        for (int i = 0; i < 8; ++i) {
            const quint8 bit = quint8(1u << i);
            if ((ack & bit) && !(m_lastAck & bit) && m_fields.simpleQueue[i]) {
                qDebug() << int(m_fields.simpleQueue[i]) << "acked";
                m_fields.simpleQueue[i] = 0;
            }
        }
        m_lastAck = ack;
    }
    bool pending = false;
    for (quint8 slot : m_fields.simpleQueue)
        pending = pending || slot != 0;
    if (!pending) {
        m_ackCountdown = 200;
        return;
    }
    if (--m_ackCountdown <= 0) {
        qDebug() << "timeout!";
        aciEngineTriggerCmdPacket(engine(), 0);
        m_ackCountdown = 200;
    }
}

int ComACISingleTon::pendingSimpleCommands()
{
    QMutexLocker lock(&m_mutex);
    int n = 0;
    for (quint8 slot : m_fields.simpleQueue)
        n += slot != 0;
    return n;
}

void ComACISingleTon::setWaypointCommand(quint32 bytes0to3, quint16 bytes4to5)
{
    QMutexLocker lock(&m_mutex);
    for (int i = 0; i < 4; ++i)
        m_fields.wpCommand[i] = quint8(bytes0to3 >> (8 * i));
    m_fields.wpCommand[4] = quint8(bytes4to5 & 0xFF);
    m_fields.wpCommand[5] = quint8(bytes4to5 >> 8);
}

void ComACISingleTon::setWaypointData(ZEPH_WAYPOINT wp)
{
    QMutexLocker lock(&m_mutex);
    m_fields.wpData = wp;
}

void ComACISingleTon::sendCommandPacket(int)
{
    QMutexLocker lock(&m_mutex);
    aciEngineTriggerCmdPacket(engine(), 0);
}

void ComACISingleTon::sendFrame(quint8 messageId, quint8 destination, quint8 source,
                                const QByteArray &payload)
{
    QMutexLocker lock(&m_mutex);
    aciEngineSendFrame(engine(), messageId, destination, source, payload.constData(),
                       uint16_t(qMin(payload.size(), 0xFFFF)));
}

ComACISingleTon::Fields ComACISingleTon::fields()
{
    QMutexLocker lock(&m_mutex);
    return m_fields;
}

QList<ComACISingleTon::Row> ComACISingleTon::rows(AciListEntry *(*at)(AciEngine *, int),
                                                  uint16_t (*count)(const AciEngine *))
{
    QMutexLocker lock(&m_mutex);
    AciEngine *e = engine();
    QList<Row> out;
    const int n = count(e);
    for (int i = 0; i < n; ++i) {
        const AciListEntry *entry = at(e, i);
        if (!entry)
            break;
        Row r;
        r.id = entry->item.id;
        r.type = entry->item.type;
        r.name = fieldText(entry->item.textB, sizeof entry->item.textB);
        r.unit = fieldText(entry->item.textC, sizeof entry->item.textC);
        r.description = fieldText(entry->item.textA, sizeof entry->item.textA);
        out << r;
    }
    return out;
}

QList<ComACISingleTon::Row> ComACISingleTon::variableRows() { return rows(aciEngineVarAt, aciEngineVarCount); }
QList<ComACISingleTon::Row> ComACISingleTon::commandRows() { return rows(aciEngineCmdAt, aciEngineCmdCount); }
QList<ComACISingleTon::Row> ComACISingleTon::parameterRows() { return rows(aciEngineParAt, aciEngineParCount); }

// ---- Engine callbacks (called with the mutex held) -----------------------------

void ComACISingleTon::sendData(const uint8_t *frame, uint16_t length)
{
    emit instance()->writeData(QByteArray(reinterpret_cast<const char *>(frame), length));
}

void ComACISingleTon::varListUpdated()
{
    qDebug() << "+++++++++++++ aciVarListUp";
    emit instance()->varListUpdateFinished();
}

void ComACISingleTon::cmdListUpdated()
{
    qDebug() << "+++++++++++++ cmdListUp";
    emit instance()->cmdListUpdateFinished();
}

void ComACISingleTon::parListUpdated()
{
    qDebug() << "+++++++++++++ parListUp";
    emit instance()->parListUpdateFinished();
}

void ComACISingleTon::syncStatus(uint8_t list, uint8_t percent)
{
    emit instance()->syncStatusUpdated(list, percent);
}

void ComACISingleTon::rawDataReceived(uint8_t source, uint8_t messageId, const uint8_t *data,
                                      uint16_t length)
{
    if (source != ACI_ADDR_RADIO || messageId != 129 || length != sizeof(ZEPH_RF_API_LINKINFO_REDUCED))
        return;
    ComACISingleTon *self = instance();
    std::memcpy(&self->m_linkInfo, data, sizeof self->m_linkInfo);
    emit self->linkInfo(self->m_linkInfo);
}

void ComACISingleTon::debugText(const char *text)
{
    qDebug() << "aci C" << text;
}
