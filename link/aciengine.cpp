// ACI engine: list negotiation, stored list file, packets and the tick.
#include "link/aciengine.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

struct ListKind {
    AciList AciEngine::*list;
    uint8_t wantedBit;
    uint8_t completeBit;
    uint8_t requestMsg;  // whole-list request
    uint8_t itemMsg;     // item request
    uint8_t syncKind;
    AciVoidCallback AciEngine::*done;
};

const ListKind kVars{&AciEngine::vars, ACI_FLAG_VAR_WANTED, ACI_FLAG_VAR_COMPLETE, ACIMT_GETVARLIST,
                     ACIMT_GETVARITEM, 1, &AciEngine::varListDone};
const ListKind kCmds{&AciEngine::cmds, ACI_FLAG_CMD_WANTED, ACI_FLAG_CMD_COMPLETE, ACIMT_GETCMDLIST,
                     ACIMT_GETCMDITEM, 2, &AciEngine::cmdListDone};
const ListKind kPars{&AciEngine::pars, ACI_FLAG_PAR_WANTED, ACI_FLAG_PAR_COMPLETE, ACIMT_GETPARLIST,
                     ACIMT_GETPARITEM, 3, &AciEngine::parListDone};
const ListKind *const kAllKinds[3] = {&kVars, &kCmds, &kPars};

uint16_t ticksFor(const AciEngine *e, uint32_t ms)
{
    return uint16_t(e->rate * ms / 1000);
}

uint16_t rd16(const uint8_t *p) { return uint16_t(p[0] | (p[1] << 8)); }

void wr16(uint8_t *p, uint16_t v)
{
    p[0] = uint8_t(v & 0xFF);
    p[1] = uint8_t(v >> 8);
}

void debugText(AciEngine *e, const char *text)
{
    if (e->debug)
        e->debug(text);
}

AciListEntry *findIn(AciList &l, uint16_t id)
{
    for (auto &entry : l.entries)
        if (entry.item.id == id)
            return &entry;
    return nullptr;
}

AciListEntry *atIn(AciList &l, int index)
{
    if (index < 0 || index >= int(l.entries.size()))
        return nullptr;
    return &l.entries[size_t(index)];
}

uint8_t idsCheck(const std::vector<uint16_t> &ids, std::vector<uint8_t> &bytes)
{
    bytes.clear();
    for (uint16_t id : ids) {
        bytes.push_back(uint8_t(id & 0xFF));
        bytes.push_back(uint8_t(id >> 8));
    }
    return uint8_t(aciCrc16(0x00FF, bytes.data(), uint16_t(bytes.size())) & 0xFF);
}

void requestList(AciEngine *e, const ListKind &k)
{
    if (e->flags & k.completeBit)
        return;
    if (e->storageRead && !e->magicMismatch) {
        e->flags |= k.wantedBit;
        e->magicCounter = 1;
    } else {
        (e->*k.list).requestTimer = 0;
    }
}

bool writeStorageLists(AciEngine *e)
{
    if (!e->storageDone)
        e->storageDelete();
    uint8_t head[ACI_STORED_HEADER_SIZE];
    wr16(head + 0, e->vars.crc);
    wr16(head + 2, e->cmds.crc);
    wr16(head + 4, e->pars.crc);
    wr16(head + 6, e->vars.count);
    wr16(head + 8, e->cmds.count);
    wr16(head + 10, e->pars.count);
    if (e->storageWrite(reinterpret_cast<const char *>(head), ACI_STORED_HEADER_SIZE) != ACI_STORED_HEADER_SIZE)
        return false;
    for (const ListKind *k : kAllKinds) {
        AciList &l = e->*(k->list);
        for (int i = 0; i < int(l.count); ++i) {
            AciListEntry *entry = atIn(l, i);
            if (!entry) {
                char text[64];
                std::snprintf(text, sizeof text, "index not found: %d", i);
                debugText(e, text);
                return false;
            }
            char out[ACI_STORED_ENTRY_SIZE] = {};
            std::memcpy(out, &entry->item, ACI_ITEM_RECORD_SIZE);
            if (e->storageWrite(out, ACI_STORED_ENTRY_SIZE) != ACI_STORED_ENTRY_SIZE)
                return false;
        }
    }
    return true;
}

// With an end callback the host keeps the old file until the new one is
// complete (storageDone(1)) and drops a write cut short (storageDone(0));
// without one the old file is deleted first.
void writeStorage(AciEngine *e)
{
    const bool whole = writeStorageLists(e);
    if (e->storageDone)
        e->storageDone(whole ? 1 : 0);
}

void listComplete(AciEngine *e, const ListKind &k)
{
    e->flags |= k.completeBit;
    const uint8_t all = ACI_FLAG_VAR_COMPLETE | ACI_FLAG_CMD_COMPLETE | ACI_FLAG_PAR_COMPLETE;
    if ((e->flags & all) == all && e->storageWrite && e->storageDelete)
        writeStorage(e);
    if (e->*(k.done))
        (e->*(k.done))();
}

void sendItemRequest(AciEngine *e, const ListKind &k, size_t n)
{
    AciList &l = e->*(k.list);
    uint8_t payload[8];
    n = std::min<size_t>(n, std::min<size_t>(4, l.missing.size()));
    for (size_t i = 0; i < n; ++i)
        wr16(payload + 2 * i, l.missing[i]);
    e->batch = uint8_t(n);
    aciEngineSendMessage(e, k.itemMsg, payload, uint16_t(2 * n));
}

void handleListHeader(AciEngine *e, const ListKind &k, const uint8_t *p, uint16_t len)
{
    if (len < 2)
        return;
    const uint16_t n = rd16(p);
    if (uint32_t(len) != 2u + 2u * n)
        return;
    AciList &l = e->*(k.list);
    l.requestTimer = ACI_TIMER_IDLE;
    l.announced = n;
    l.missing.clear();
    for (uint16_t i = 0; i < n; ++i)
        l.missing.push_back(rd16(p + 2 + 2 * i));
    if (n == 0) {
        listComplete(e, k);
        return;
    }
    sendItemRequest(e, k, 1);
    l.itemTimer = ticksFor(e, 200);
}

void handleListItem(AciEngine *e, const ListKind &k, const uint8_t *p, uint16_t len)
{
    AciList &l = e->*(k.list);
    if (len != ACI_ITEM_RECORD_SIZE || l.missing.empty())
        return;
    AciItemRecord rec;
    std::memcpy(&rec, p, sizeof rec);
    if (rec.id != l.missing.front())
        return;
    if (e->batch > 0)
        --e->batch;
    if (!findIn(l, rec.id)) {
        AciListEntry entry;
        entry.item = rec;
        l.entries.push_back(entry);
        ++l.count;
        l.crc = aciCrc16(l.crc, p, 2);
        l.crc = aciCrc16(l.crc, p + 130, 2);
    }
    l.missing.erase(l.missing.begin());
    if (e->syncStatus && l.announced)
        e->syncStatus(k.syncKind, uint8_t((l.announced - l.missing.size()) * 100 / l.announced));
    if (l.missing.empty()) {
        listComplete(e, k);
        return;
    }
    if (&k == &kVars && e->batch == 0)
        l.itemTimer = 1;
    else
        l.itemTimer = ticksFor(e, 200);
}

void clearLists(AciEngine *e)
{
    for (const ListKind *k : kAllKinds) {
        AciList &l = e->*(k->list);
        l.entries.clear();
        l.crc = 0x00FF;
        l.count = 0;
    }
}

void handleMagicCodes(AciEngine *e, const uint8_t *p, uint16_t len)
{
    // Only the first reply to our own request counts.
    if (len != 12 || e->magicReceived || e->magicCounter == 0)
        return;
    e->magicReceived = true;
    e->magicCounter = 0;
    uint16_t remote[6];
    for (int i = 0; i < 6; ++i)
        remote[i] = rd16(p + 2 * i);

    bool ok = false;
    if (aciEngineReadStorageHeader(e)) {
        const uint16_t local[6] = {e->vars.crc, e->cmds.crc, e->pars.crc,
                                   e->vars.count, e->cmds.count, e->pars.count};
        if (std::equal(remote, remote + 6, local))
            ok = aciEngineReadStorageLists(e);
    }
    if (ok) {
        e->flags |= ACI_FLAG_VAR_COMPLETE | ACI_FLAG_CMD_COMPLETE | ACI_FLAG_PAR_COMPLETE;
        e->flags &= uint8_t(~(ACI_FLAG_VAR_WANTED | ACI_FLAG_CMD_WANTED | ACI_FLAG_PAR_WANTED));
        for (const ListKind *k : kAllKinds)
            if (e->*(k->done))
                (e->*(k->done))();
        return;
    }
    debugText(e, "magic codes dont mach or file invalid or not present");
    clearLists(e);
    e->magicMismatch = true;
    for (const ListKind *k : kAllKinds) {
        if (e->flags & k->wantedBit) {
            e->flags &= uint8_t(~k->wantedBit);
            (e->*(k->list)).requestTimer = 0;
            break;
        }
    }
}

void sendVarConfig(AciEngine *e, int packet)
{
    AciVarPacket &vp = e->varPackets[packet];
    std::vector<uint8_t> ids;
    vp.check = idsCheck(vp.ids, ids);
    uint16_t size = 0;
    for (uint16_t id : vp.ids)
        if (AciListEntry *entry = findIn(e->vars, id))
            size = uint16_t(size + aciItemSize(entry->item));
    vp.payloadSize = size;
    if (vp.expectedSize != size || vp.buffer.size() != size) {
        vp.buffer.assign(size, 0);
        vp.expectedSize = size;
        vp.valid = false;
    }
    std::vector<uint8_t> payload;
    payload.push_back(vp.check);
    payload.insert(payload.end(), ids.begin(), ids.end());
    aciEngineSendMessage(e, packet == 0 ? ACIMT_VARPACKETCONFIG0 : ACIMT_VARPACKETCONFIG1,
                         payload.data(), uint16_t(payload.size()));
}

void sendCmdConfig(AciEngine *e)
{
    AciCmdPacket &cp = e->cmdPacket;
    std::vector<uint8_t> ids;
    cp.check = idsCheck(cp.ids, ids);
    uint16_t size = 0;
    for (uint16_t id : cp.ids)
        if (AciListEntry *entry = findIn(e->cmds, id))
            size = uint16_t(size + aciItemSize(entry->item));
    cp.payloadSize = size;
    std::vector<uint8_t> payload{cp.check, cp.ackWanted};
    payload.insert(payload.end(), ids.begin(), ids.end());
    aciEngineSendMessage(e, ACIMT_CMDPACKETCONFIG, payload.data(), uint16_t(payload.size()));
}

void sendParConfig(AciEngine *e)
{
    AciCmdPacket &pp = e->parPacket;
    std::vector<uint8_t> ids;
    pp.check = idsCheck(pp.ids, ids);
    uint16_t size = 0;
    for (uint16_t id : pp.ids)
        if (AciListEntry *entry = findIn(e->pars, id))
            size = uint16_t(size + aciItemSize(entry->item));
    pp.payloadSize = size;
    std::vector<uint8_t> payload{pp.check};
    payload.insert(payload.end(), ids.begin(), ids.end());
    aciEngineSendMessage(e, ACIMT_PARPACKETCONFIG, payload.data(), uint16_t(payload.size()));
}

// Check byte followed by each bound value, in the packet's id order.
void sendValues(AciEngine *e, AciCmdPacket &pk, AciList &list, uint8_t messageId)
{
    std::vector<uint8_t> payload{pk.check};
    for (uint16_t id : pk.ids) {
        AciListEntry *entry = findIn(list, id);
        if (!entry)
            continue;
        const uint16_t size = aciItemSize(entry->item);
        const size_t at = payload.size();
        payload.resize(at + size, 0);
        if (entry->binding)
            std::memcpy(payload.data() + at, entry->binding, size);
    }
    aciEngineSendMessage(e, messageId, payload.data(), uint16_t(std::min<size_t>(payload.size(), 0xFFFF)));
}

void handleVarData(AciEngine *e, int packet, const uint8_t *p, uint16_t len)
{
    AciVarPacket &vp = e->varPackets[packet];
    if (len >= 1 && p[0] == vp.check && uint16_t(len - 1) == vp.expectedSize) {
        vp.buffer.assign(p + 1, p + len);
        vp.valid = true;
        ++vp.arrivals;
        vp.badCount = 0;
    } else {
        vp.valid = false;
        if (++vp.badCount >= 5) {
            vp.resendTimer = 1;
            vp.badCount = 4;
        }
    }
}

void handleAck(AciEngine *e, const uint8_t *p, uint16_t len)
{
    if (len < 2)
        return;
    const uint8_t id = p[0];
    const uint8_t status = p[1];
    auto configAck = [status](uint16_t &timer) {
        if (status == 1)
            timer = 0;
        else if (status != 0xF1)
            timer = 1;
    };
    switch (id) {
    case ACIMT_VARPACKETCONFIG0:
        configAck(e->varPackets[0].resendTimer);
        break;
    case ACIMT_VARPACKETCONFIG1:
        configAck(e->varPackets[1].resendTimer);
        break;
    case ACIMT_CMDPACKETCONFIG:
        configAck(e->cmdPacket.resendTimer);
        break;
    case ACIMT_CMDACK:
        if (e->cmdPacket.sendState == 2)
            e->cmdPacket.sendState = 0;
        if (e->cmdAck)
            e->cmdAck(0);
        break;
    case ACIMT_PARPACKETCONFIG:
        configAck(e->parPacket.resendTimer);
        if (status == 1)
            e->parPacket.configAccepted = true;
        break;
    case ACIMT_PARPACKET:
        e->parPacket.sendState = 0;
        if (e->parPacketAck)
            e->parPacketAck();
        break;
    default:
        break;
    }
}

void tickResend(AciEngine *e, uint16_t &timer, void (*resend)(AciEngine *, int), int arg)
{
    if (timer == 0)
        return;
    if (--timer == 0) {
        resend(e, arg);
        timer = ticksFor(e, 2000);
    }
}

}  // namespace

// ---- Set-up -------------------------------------------------------------------

void aciEngineInit(AciEngine *e)
{
    e->ownAddress = ACI_ADDR_OWN;
    e->peerAddress = ACI_ADDR_PEER;
    e->rxState = 0;
    for (const ListKind *k : kAllKinds) {
        AciList &l = e->*(k->list);
        l = AciList();
    }
    e->flags = 0;
    e->varPackets[0] = AciVarPacket();
    std::memset(e->info, 0, 7);
}

void aciEngineSetRate(AciEngine *e, uint16_t rate) { e->rate = rate; }
void aciEngineSetSendCallback(AciEngine *e, AciSendCallback cb) { e->send = cb; }
void aciEngineSetVarListCallback(AciEngine *e, AciVoidCallback cb) { e->varListDone = cb; }
void aciEngineSetCmdListCallback(AciEngine *e, AciVoidCallback cb) { e->cmdListDone = cb; }
void aciEngineSetParListCallback(AciEngine *e, AciVoidCallback cb) { e->parListDone = cb; }
void aciEngineSetCmdAckCallback(AciEngine *e, AciByteCallback cb) { e->cmdAck = cb; }
void aciEngineSetSpareCallback(AciEngine *e, AciDataCallback cb) { e->spare97 = cb; }
void aciEngineSetRawDataCallback(AciEngine *e, AciRawCallback cb) { e->raw = cb; }
void aciEngineSetStorageReadCallback(AciEngine *e, AciStorageReadCallback cb) { e->storageRead = cb; }
void aciEngineSetStorageWriteCallback(AciEngine *e, AciStorageWriteCallback cb) { e->storageWrite = cb; }
void aciEngineSetStorageDeleteCallback(AciEngine *e, AciVoidCallback cb) { e->storageDelete = cb; }
void aciEngineSetStorageDoneCallback(AciEngine *e, AciByteCallback cb) { e->storageDone = cb; }
void aciEngineSetDebugCallback(AciEngine *e, AciDebugCallback cb) { e->debug = cb; }
void aciEngineSetSyncStatusCallback(AciEngine *e, AciSyncCallback cb) { e->syncStatus = cb; }

// ---- Lists --------------------------------------------------------------------

void aciEngineRequestVarList(AciEngine *e) { requestList(e, kVars); }
void aciEngineRequestCmdList(AciEngine *e) { requestList(e, kCmds); }
void aciEngineRequestParList(AciEngine *e) { requestList(e, kPars); }
uint16_t aciEngineVarCount(const AciEngine *e) { return e->vars.count; }
uint16_t aciEngineCmdCount(const AciEngine *e) { return e->cmds.count; }
uint16_t aciEngineParCount(const AciEngine *e) { return e->pars.count; }
AciListEntry *aciEngineVarAt(AciEngine *e, int index) { return atIn(e->vars, index); }
AciListEntry *aciEngineCmdAt(AciEngine *e, int index) { return atIn(e->cmds, index); }
AciListEntry *aciEngineParAt(AciEngine *e, int index) { return atIn(e->pars, index); }
AciListEntry *aciEngineFindVar(AciEngine *e, uint16_t id) { return findIn(e->vars, id); }
AciListEntry *aciEngineFindCmd(AciEngine *e, uint16_t id) { return findIn(e->cmds, id); }
AciListEntry *aciEngineFindPar(AciEngine *e, uint16_t id) { return findIn(e->pars, id); }

// ---- Stored list file ---------------------------------------------------------

bool aciEngineReadStorageHeader(AciEngine *e)
{
    if (!e->storageRead)
        return false;
    uint8_t head[ACI_STORED_HEADER_SIZE];
    // A short header is worthless: half of it would mix with our own values.
    if (e->storageRead(reinterpret_cast<char *>(head), ACI_STORED_HEADER_SIZE) != ACI_STORED_HEADER_SIZE)
        return false;
    e->vars.crc = rd16(head + 0);
    e->cmds.crc = rd16(head + 2);
    e->pars.crc = rd16(head + 4);
    e->vars.count = rd16(head + 6);
    e->cmds.count = rd16(head + 8);
    e->pars.count = rd16(head + 10);
    return true;
}

bool aciEngineReadStorageLists(AciEngine *e)
{
    if (!e->storageRead)
        return false;
    for (const ListKind *k : kAllKinds) {
        AciList &l = e->*(k->list);
        l.entries.clear();
        for (int i = 0; i < int(l.count); ++i) {
            char in[ACI_STORED_ENTRY_SIZE];
            if (e->storageRead(in, ACI_STORED_ENTRY_SIZE) != ACI_STORED_ENTRY_SIZE)
                return false;
            AciListEntry entry;
            std::memcpy(&entry.item, in, ACI_ITEM_RECORD_SIZE);
            l.entries.push_back(entry);
        }
    }
    return true;
}

// ---- Packets ------------------------------------------------------------------

bool aciEngineAddVarToPacket(AciEngine *e, int packet, uint16_t id, void *field)
{
    if (!field || (packet != 0 && packet != 1))
        return false;
    AciListEntry *entry = findIn(e->vars, id);
    if (!entry)
        return false;
    AciVarPacket &vp = e->varPackets[packet];
    if (std::find(vp.ids.begin(), vp.ids.end(), id) != vp.ids.end())
        return false;
    const uint16_t size = aciItemSize(entry->item);
    if (packet == 1 && vp.payloadSize + size > ACI_VAR_PACKET1_LIMIT)
        return false;
    vp.ids.push_back(id);
    vp.payloadSize = uint16_t(vp.payloadSize + size);
    entry->binding = field;
    return true;
}

void aciEngineAddCmdToPacket(AciEngine *e, int packet, uint16_t id, void *field)
{
    if (packet != 0)
        return;
    AciListEntry *entry = findIn(e->cmds, id);
    if (!entry)
        return;
    AciCmdPacket &cp = e->cmdPacket;
    if (std::find(cp.ids.begin(), cp.ids.end(), id) == cp.ids.end()) {
        cp.ids.push_back(id);
        cp.payloadSize = uint16_t(cp.payloadSize + aciItemSize(entry->item));
    }
    entry->binding = field;
}

void aciEngineSendVarPacketConfig(AciEngine *e, int packet)
{
    if (packet != 0 && packet != 1)
        return;
    sendVarConfig(e, packet);
    e->varPackets[packet].resendTimer = ticksFor(e, 2000);
}

void aciEngineSendCmdPacketConfig(AciEngine *e, int packet, uint8_t ackWanted)
{
    if (packet != 0)
        return;
    e->cmdPacket.ackWanted = ackWanted ? 1 : 0;
    sendCmdConfig(e);
    e->cmdPacket.resendTimer = ticksFor(e, 2000);
}

void aciEngineTriggerCmdPacket(AciEngine *e, int packet)
{
    if (packet != 0)
        return;
    e->cmdPacket.sendState = 1;
}

void aciEngineUnpackVarPackets(AciEngine *e)
{
    for (AciVarPacket &vp : e->varPackets) {
        if (!vp.valid || vp.buffer.empty() || vp.ids.empty())
            continue;
        // A value counts as a new reading only when a packet brought it.
        const bool fresh = vp.unpacked != vp.arrivals;
        vp.unpacked = vp.arrivals;
        size_t at = 0;
        for (uint16_t id : vp.ids) {
            AciListEntry *entry = findIn(e->vars, id);
            if (!entry)
                return;
            const uint16_t size = aciItemSize(entry->item);
            if (at + size > vp.buffer.size())
                break;
            if (entry->binding) {
                std::memcpy(entry->binding, vp.buffer.data() + at, size);
                entry->unpacked = true;
                if (fresh)
                    ++entry->readings;
            }
            at += size;
        }
    }
}

// ---- Tick ---------------------------------------------------------------------

void aciEngineTick(AciEngine *e)
{
    // 1. Magic codes.
    if (e->magicCounter == 1) {
        debugText(e, "requesting magiccodes");
        aciEngineSendMessage(e, ACIMT_MAGICCODES, nullptr, 0);
        e->magicCounter = 2;
    } else if (e->magicCounter > 1) {
        if (e->magicCounter <= e->rate)
            ++e->magicCounter;
        else
            e->magicCounter = 1;
    }

    // 2. Parameter read retries.
    if (e->parReadTimer > 0 && --e->parReadTimer == 0) {
        uint8_t id[2];
        wr16(id, e->parReadId);
        aciEngineSendMessage(e, ACIMT_PARAMETER, id, 2);
        e->parReadTimer = 10;
    }

    // 3. Whole-list requests.
    for (const ListKind *k : kAllKinds) {
        AciList &l = e->*(k->list);
        if (l.requestTimer == ACI_TIMER_IDLE)
            continue;
        if (l.requestTimer > 0) {
            --l.requestTimer;
        } else {
            aciEngineSendMessage(e, k->requestMsg, nullptr, 0);
            l.requestTimer = ticksFor(e, 200);
        }
    }

    // 4. Start-up: (re)configure the packets 2 s after init or after the last packet-1 data.
    if (e->startupCounter < 2 * e->rate) {
        if (++e->startupCounter == 2 * e->rate) {
            aciEngineSendVarPacketConfig(e, 0);
            aciEngineSendVarPacketConfig(e, 1);
            aciEngineSendCmdPacketConfig(e, 0, 1);
        }
    }

    // 5. Item requests.
    for (const ListKind *k : kAllKinds) {
        AciList &l = e->*(k->list);
        if (l.missing.empty())
            continue;
        if (l.itemTimer > 0) {
            --l.itemTimer;
        } else {
            sendItemRequest(e, *k, 4);
            l.itemTimer = ticksFor(e, 200);
        }
    }

    // 6./7. Configuration resends.
    tickResend(e, e->varPackets[0].resendTimer, sendVarConfig, 0);
    tickResend(e, e->varPackets[1].resendTimer, sendVarConfig, 1);
    tickResend(e, e->cmdPacket.resendTimer, [](AciEngine *en, int) { sendCmdConfig(en); }, 0);
    tickResend(e, e->parPacket.resendTimer, [](AciEngine *en, int) { sendParConfig(en); }, 0);

    // 8. Command packet.
    AciCmdPacket &cp = e->cmdPacket;
    if (cp.sendState == 1) {
        sendValues(e, cp, e->cmds, ACIMT_CMDPACKET);
        cp.sendState = cp.ackWanted ? 2 : 0;
        cp.ticks = 0;
    } else if (cp.sendState == 2) {
        if (++cp.ticks >= e->rate / 4)
            cp.sendState = 1;
    }

    // 9. Parameter packet.
    AciCmdPacket &pp = e->parPacket;
    if (pp.sendState == 1) {
        sendValues(e, pp, e->pars, ACIMT_PARPACKET);
        pp.sendState = 2;
    } else if (pp.sendState == 2) {
        const uint32_t every = std::max<uint32_t>(1, e->rate / 2);
        if (++pp.ticks % every == 0) {
            pp.ticks = 0;
            pp.sendState = 1;
        }
    }
}

// ---- Messages -----------------------------------------------------------------

void aciEngineHandleMessage(AciEngine *e, uint8_t messageId, uint16_t length)
{
    if (length > ACI_BUFFER_SIZE)
        return;
    const uint8_t *p = e->rxBuffer;
    switch (messageId) {
    case ACIMT_VARLISTHEADER: handleListHeader(e, kVars, p, length); break;
    case ACIMT_CMDLISTHEADER: handleListHeader(e, kCmds, p, length); break;
    case ACIMT_PARLISTHEADER: handleListHeader(e, kPars, p, length); break;
    case ACIMT_VARITEM: handleListItem(e, kVars, p, length); break;
    case ACIMT_CMDITEM: handleListItem(e, kCmds, p, length); break;
    case ACIMT_PARITEM: handleListItem(e, kPars, p, length); break;
    case ACIMT_PARAMETER: {
        if (length < 2)
            break;
        const uint16_t id = rd16(p);
        if (id == e->parReadId)
            e->parReadTimer = 0;
        AciListEntry *entry = findIn(e->pars, id);
        if (entry && entry->binding && length == aciItemSize(entry->item) + 2)
            std::memcpy(entry->binding, p + 2, length - 2);
        if (e->parRead)
            e->parRead(id);
        break;
    }
    case ACIMT_VARPACKET0: handleVarData(e, 0, p, length); break;
    case ACIMT_VARPACKET1:
        handleVarData(e, 1, p, length);
        e->startupCounter = 0;
        break;
    case ACIMT_ACK: handleAck(e, p, length); break;
    case ACIMT_ACCEPTED: break;
    case ACIMT_ECHO96: {
        if (length <= 4)
            break;
        const uint16_t number = rd16(p);
        if (number != 0)
            aciEngineSendMessage(e, ACIMT_ECHO96, p, 2);
        uint8_t l = length >= 5 ? p[4] : 0;
        l = uint8_t(std::min<int>(l, std::max<int>(0, length - 5)));
        if (e->msg96)
            e->msg96(rd16(p + 2), p + 5, l);
        break;
    }
    case ACIMT_SPARE97: {
        if (length <= 3)
            break;
        const uint8_t l = uint8_t(std::min<int>(p[2], length - 3));
        if (e->spare97)
            e->spare97(rd16(p), p + 3, l);
        break;
    }
    case ACIMT_MAGICCODES: handleMagicCodes(e, p, length); break;
    case ACIMT_INFOREQUEST: {
        uint8_t rec[ACI_INFO_RECORD_SIZE] = {};
        rec[0] = 2;
        rec[1] = 0x00;
        rec[2] = 0x20;
        rec[3] = 0x40;
        rec[4] = 0x20;
        rec[5] = 1;
        rec[6] = e->info[6];
        aciEngineSendMessage(e, ACIMT_INFOREPLY, rec, ACI_INFO_RECORD_SIZE);
        break;
    }
    case ACIMT_INFOREPLY:
        if (length != ACI_INFO_RECORD_SIZE)
            break;
        std::memcpy(e->info, p, ACI_INFO_RECORD_SIZE);
        if (e->infoReceived)
            e->infoReceived();
        break;
    case ACIMT_MSG114:
        if (length == 2 && e->msg114)
            e->msg114(rd16(p), p, 2);
        break;
    case ACIMT_MSG115:
        if (length == 2 && e->msg115)
            e->msg115(rd16(p), p, 2);
        break;
    default:
        break;
    }
}
