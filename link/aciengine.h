#pragma once
// ACI protocol engine: framing, receiver, list negotiation and packets.
// Plain functions over one explicit state block with installed callbacks;
// no locking and no toolkit code. The host (ComACISingleTon) serialises every
// call with its own mutex.
#include <cstddef>
#include <cstdint>
#include <vector>

// ---- Checksum ---------------------------------------------------------------
uint16_t aciCrc16Byte(uint16_t crc, uint8_t byte);
uint16_t aciCrc16(uint16_t start, const void *data, uint16_t length);

// ---- Constants ----------------------------------------------------------------
enum : uint8_t {
    ACI_ADDR_OWN = 0x80,
    ACI_ADDR_PEER = 0x00,
    ACI_ADDR_RADIO = 0x30,
};
enum : int {
    ACI_BUFFER_SIZE = 512,
    ACI_MAX_SEND_PAYLOAD = 499,
    ACI_ITEM_RECORD_SIZE = 132,
    ACI_STORED_ENTRY_SIZE = 136,
    ACI_STORED_HEADER_SIZE = 12,
    ACI_INFO_RECORD_SIZE = 25,
    ACI_VAR_PACKET1_LIMIT = 80,
    ACI_TIMER_IDLE = 60000,
};

// Message ids.
enum : uint8_t {
    ACIMT_GETVARITEM = 1, ACIMT_GETVARLIST = 3,
    ACIMT_GETCMDITEM = 4, ACIMT_GETCMDLIST = 6,
    ACIMT_GETPARITEM = 7, ACIMT_GETPARLIST = 9,
    ACIMT_VARPACKETCONFIG0 = 10,
    ACIMT_CMDPACKETCONFIG = 16, ACIMT_CMDPACKET = 17,
    ACIMT_PARPACKETCONFIG = 19, ACIMT_PARPACKET = 20,
    ACIMT_VARLISTHEADER = 64, ACIMT_VARITEM = 65,
    ACIMT_CMDLISTHEADER = 67, ACIMT_CMDITEM = 68,
    ACIMT_PARLISTHEADER = 70, ACIMT_PARITEM = 71,
    ACIMT_PARAMETER = 73,
    ACIMT_VARPACKET0 = 80, ACIMT_ACK = 81, ACIMT_ACCEPTED = 82,
    ACIMT_VARPACKETCONFIG1 = 83,
    ACIMT_ECHO96 = 96, ACIMT_SPARE97 = 97, ACIMT_MAGICCODES = 98,
    ACIMT_INFOREQUEST = 112, ACIMT_INFOREPLY = 113,
    ACIMT_MSG114 = 114, ACIMT_MSG115 = 115,
    ACIMT_VARPACKET1 = 177,
    ACIMT_JOYSTICK = 0x82,
    ACIMT_CMDACK = 18, // acknowledged id of command packet data
};

// Status flag bits.
enum : uint8_t {
    ACI_FLAG_VAR_WANTED = 0x01, ACI_FLAG_CMD_WANTED = 0x02, ACI_FLAG_PAR_WANTED = 0x04,
    ACI_FLAG_VAR_COMPLETE = 0x10, ACI_FLAG_CMD_COMPLETE = 0x20, ACI_FLAG_PAR_COMPLETE = 0x40,
};

// ---- Records ------------------------------------------------------------------
#pragma pack(push, 1)
struct AciItemRecord {
    uint16_t id;
    char textA[32];  // "Description"
    char textB[64];  // "Name"
    char textC[32];  // "Unit"
    uint16_t type;   // size in bytes = type >> 3
};
#pragma pack(pop)
static_assert(sizeof(AciItemRecord) == ACI_ITEM_RECORD_SIZE, "item record is 132 bytes");

struct AciListEntry {
    AciItemRecord item;
    void *binding = nullptr;  // host field, empty until bound
    bool unpacked = false;    // the field holds a value the aircraft sent
    uint32_t readings = 0;    // packets that brought this value, wrapping
};

struct AciList {
    std::vector<AciListEntry> entries;  // arrival order
    uint16_t announced = 0;
    std::vector<uint16_t> missing;
    uint16_t requestTimer = ACI_TIMER_IDLE;
    uint16_t itemTimer = 0;
    uint16_t crc = 0x00FF;
    uint16_t count = 0;
};

struct AciVarPacket {
    std::vector<uint16_t> ids;
    uint16_t payloadSize = 0;
    uint8_t check = 0;
    uint16_t resendTimer = 0;
    std::vector<uint8_t> buffer;
    uint16_t expectedSize = 0;
    bool valid = false;
    uint8_t badCount = 0;
    uint32_t arrivals = 0;  // valid packets received, wrapping
    uint32_t unpacked = 0;  // arrivals already copied into the fields
};

struct AciCmdPacket {
    std::vector<uint16_t> ids;
    uint8_t check = 0;
    uint8_t ackWanted = 0;
    uint16_t resendTimer = 0;
    uint16_t payloadSize = 0;
    uint8_t sendState = 0;  // 0 idle, 1 send at next tick, 2 waiting for ack
    uint32_t ticks = 0;
    bool configAccepted = false;  // parameter packet only
};

struct AciEngine;
typedef void (*AciSendCallback)(const uint8_t *frame, uint16_t length);
typedef void (*AciVoidCallback)();
typedef void (*AciByteCallback)(uint8_t value);
typedef void (*AciDataCallback)(uint16_t id, const uint8_t *data, uint8_t length);
typedef void (*AciRawCallback)(uint8_t source, uint8_t messageId, const uint8_t *data, uint16_t length);
typedef int (*AciStorageReadCallback)(char *buffer, int length);
typedef int (*AciStorageWriteCallback)(const char *buffer, int length);
typedef void (*AciDebugCallback)(const char *text);
typedef void (*AciSyncCallback)(uint8_t list, uint8_t percent);
typedef void (*AciIdCallback)(uint16_t id);

struct AciEngine {
    uint32_t rate = 0;
    uint8_t ownAddress = 0;
    uint8_t peerAddress = 0;

    // Receiver.
    uint8_t rxState = 0;
    uint8_t rxSource = 0;
    uint8_t rxMessageId = 0;
    uint16_t rxLength = 0;
    uint16_t rxCrc = 0;
    uint16_t rxReceivedCrc = 0;
    uint16_t rxIndex = 0;
    uint8_t rxBuffer[ACI_BUFFER_SIZE] = {};

    AciList vars, cmds, pars;
    uint8_t flags = 0;
    uint16_t magicCounter = 0;
    bool magicMismatch = false;
    bool magicReceived = false;
    uint8_t batch = 0;

    AciVarPacket varPackets[2];
    AciCmdPacket cmdPacket;
    AciCmdPacket parPacket;

    uint16_t startupCounter = 0;
    uint16_t parReadId = 0;
    uint16_t parReadTimer = 0;
    uint8_t info[ACI_INFO_RECORD_SIZE] = {};

    AciSendCallback send = nullptr;
    AciVoidCallback varListDone = nullptr;
    AciVoidCallback cmdListDone = nullptr;
    AciByteCallback cmdAck = nullptr;
    AciVoidCallback parListDone = nullptr;
    AciVoidCallback infoReceived = nullptr;
    AciVoidCallback varPacketReceived = nullptr;
    AciDataCallback msg114 = nullptr;
    AciDataCallback msg115 = nullptr;
    AciDataCallback msg96 = nullptr;
    AciDataCallback spare97 = nullptr;
    AciRawCallback raw = nullptr;
    AciStorageReadCallback storageRead = nullptr;
    AciStorageWriteCallback storageWrite = nullptr;
    AciVoidCallback storageDelete = nullptr;
    AciByteCallback storageDone = nullptr;  // 1: the list file is complete, 0: abandoned
    AciDebugCallback debug = nullptr;
    AciSyncCallback syncStatus = nullptr;
    AciIdCallback parRead = nullptr;
    AciVoidCallback parPacketAck = nullptr;
};

// ---- Framing and receiver -----------------------------------------------------
void aciEngineSendMessage(AciEngine *e, uint8_t messageId, const void *payload, uint16_t length);
void aciEngineSendFrame(AciEngine *e, uint8_t messageId, uint8_t destination, uint8_t source,
                        const void *payload, uint16_t length);
void aciEngineReceiveByte(AciEngine *e, uint8_t byte);

// ---- Set-up -------------------------------------------------------------------
void aciEngineInit(AciEngine *e);
void aciEngineSetRate(AciEngine *e, uint16_t rate);
void aciEngineSetSendCallback(AciEngine *e, AciSendCallback cb);
void aciEngineSetVarListCallback(AciEngine *e, AciVoidCallback cb);
void aciEngineSetCmdListCallback(AciEngine *e, AciVoidCallback cb);
void aciEngineSetParListCallback(AciEngine *e, AciVoidCallback cb);
void aciEngineSetCmdAckCallback(AciEngine *e, AciByteCallback cb);
void aciEngineSetSpareCallback(AciEngine *e, AciDataCallback cb);
void aciEngineSetRawDataCallback(AciEngine *e, AciRawCallback cb);
void aciEngineSetStorageReadCallback(AciEngine *e, AciStorageReadCallback cb);
void aciEngineSetStorageWriteCallback(AciEngine *e, AciStorageWriteCallback cb);
void aciEngineSetStorageDeleteCallback(AciEngine *e, AciVoidCallback cb);
// Optional: told when a list file write ends; then the old file is not
// deleted before the new one is written.
void aciEngineSetStorageDoneCallback(AciEngine *e, AciByteCallback cb);
void aciEngineSetDebugCallback(AciEngine *e, AciDebugCallback cb);
void aciEngineSetSyncStatusCallback(AciEngine *e, AciSyncCallback cb);

// ---- Lists --------------------------------------------------------------------
void aciEngineRequestVarList(AciEngine *e);
void aciEngineRequestCmdList(AciEngine *e);
void aciEngineRequestParList(AciEngine *e);
uint16_t aciEngineVarCount(const AciEngine *e);
uint16_t aciEngineCmdCount(const AciEngine *e);
uint16_t aciEngineParCount(const AciEngine *e);
AciListEntry *aciEngineVarAt(AciEngine *e, int index);
AciListEntry *aciEngineCmdAt(AciEngine *e, int index);
AciListEntry *aciEngineParAt(AciEngine *e, int index);
AciListEntry *aciEngineFindVar(AciEngine *e, uint16_t id);
AciListEntry *aciEngineFindCmd(AciEngine *e, uint16_t id);
AciListEntry *aciEngineFindPar(AciEngine *e, uint16_t id);

// Size in bytes of a list entry's value.
inline uint16_t aciItemSize(const AciItemRecord &r) { return uint16_t(r.type >> 3); }

// ---- Packets ------------------------------------------------------------------
bool aciEngineAddVarToPacket(AciEngine *e, int packet, uint16_t id, void *field);
void aciEngineAddCmdToPacket(AciEngine *e, int packet, uint16_t id, void *field);
void aciEngineSendVarPacketConfig(AciEngine *e, int packet);
void aciEngineSendCmdPacketConfig(AciEngine *e, int packet, uint8_t ackWanted);
void aciEngineTriggerCmdPacket(AciEngine *e, int packet);
void aciEngineUnpackVarPackets(AciEngine *e);
void aciEngineTick(AciEngine *e);
void aciEngineHandleMessage(AciEngine *e, uint8_t messageId, uint16_t length);

// ---- Stored list file ---------------------------------------------------------
// Reads the 12-byte header; true when all 12 bytes came and were taken over.
bool aciEngineReadStorageHeader(AciEngine *e);
// Reads the three lists behind the header; true when every entry was complete.
bool aciEngineReadStorageLists(AciEngine *e);
