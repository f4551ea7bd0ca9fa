// ACI frame layer: checksum, frame building and the byte-wise receiver.
#include "link/aciengine.h"

#include <cstring>

uint16_t aciCrc16Byte(uint16_t crc, uint8_t byte)
{
    uint8_t x = uint8_t(byte ^ (crc & 0xFF));
    x = uint8_t(x ^ (x << 4));
    return uint16_t(((uint16_t(x) << 8) | (crc >> 8)) ^ (x >> 4) ^ (uint16_t(x) << 3));
}

uint16_t aciCrc16(uint16_t start, const void *data, uint16_t length)
{
    const uint8_t *p = static_cast<const uint8_t *>(data);
    uint16_t crc = start;
    for (uint16_t i = 0; i < length; ++i)
        crc = aciCrc16Byte(crc, p[i]);
    return crc;
}

void aciEngineSendFrame(AciEngine *e, uint8_t messageId, uint8_t destination, uint8_t source,
                        const void *payload, uint16_t length)
{
    if (int(length) + 12 >= ACI_BUFFER_SIZE)
        return;
    uint8_t buf[ACI_BUFFER_SIZE];
    buf[0] = 0x21;
    buf[1] = 0x23;
    buf[2] = 0x21;
    buf[3] = destination;
    buf[4] = source;
    buf[5] = messageId;
    buf[6] = uint8_t(length & 0xFF);
    buf[7] = uint8_t(length >> 8);
    if (length && payload)
        std::memcpy(buf + 8, payload, length);
    else if (length)
        std::memset(buf + 8, 0, length);
    const uint16_t crc = aciCrc16(0x00FF, buf + 3, uint16_t(5 + length));
    buf[8 + length] = uint8_t(crc & 0xFF);
    buf[9 + length] = uint8_t(crc >> 8);
    if (e->send)
        e->send(buf, uint16_t(length + 10));
}

void aciEngineSendMessage(AciEngine *e, uint8_t messageId, const void *payload, uint16_t length)
{
    aciEngineSendFrame(e, messageId, e->peerAddress, e->ownAddress, payload, length);
}

namespace {
enum RxState : uint8_t {
    WaitStart = 0, Start2 = 1, Start3 = 2, MessageId = 3, LengthLow = 4, LengthHigh = 5,
    Payload = 6, CrcLow = 7, CrcHigh = 8, Destination = 9, Source = 10,
};
}

void aciEngineReceiveByte(AciEngine *e, uint8_t byte)
{
    switch (e->rxState) {
    case WaitStart:
        if (byte == 0x21)
            e->rxState = Start2;
        break;
    case Start2:
        e->rxState = byte == 0x23 ? Start3 : WaitStart;
        break;
    case Start3:
        e->rxState = byte == 0x21 ? Destination : WaitStart;
        break;
    case Destination:
        if (byte == e->ownAddress) {
            e->rxCrc = aciCrc16Byte(0x00FF, byte);
            e->rxState = Source;
        } else {
            e->rxState = WaitStart;
        }
        break;
    case Source:
        e->rxSource = byte;
        e->rxCrc = aciCrc16Byte(e->rxCrc, byte);
        e->rxState = MessageId;
        break;
    case MessageId:
        e->rxMessageId = byte;
        e->rxCrc = aciCrc16Byte(e->rxCrc, byte);
        e->rxState = LengthLow;
        break;
    case LengthLow:
        e->rxLength = byte;
        e->rxCrc = aciCrc16Byte(e->rxCrc, byte);
        e->rxState = LengthHigh;
        break;
    case LengthHigh:
        e->rxLength = uint16_t(e->rxLength + 256 * byte);
        if (e->rxLength > ACI_BUFFER_SIZE) {
            e->rxState = WaitStart;
            break;
        }
        e->rxCrc = aciCrc16Byte(e->rxCrc, byte);
        e->rxIndex = 0;
        e->rxState = e->rxLength == 0 ? CrcLow : Payload;
        break;
    case Payload:
        e->rxCrc = aciCrc16Byte(e->rxCrc, byte);
        e->rxBuffer[e->rxIndex++] = byte;
        if (e->rxIndex >= e->rxLength)
            e->rxState = CrcLow;
        break;
    case CrcLow:
        e->rxReceivedCrc = byte;
        e->rxState = CrcHigh;
        break;
    case CrcHigh:
        e->rxReceivedCrc = uint16_t(e->rxReceivedCrc | (uint16_t(byte) << 8));
        e->rxState = WaitStart;
        if (e->rxReceivedCrc != e->rxCrc)
            break;
        if (e->rxSource == ACI_ADDR_RADIO) {
            if (e->raw)
                e->raw(ACI_ADDR_RADIO, e->rxMessageId, e->rxBuffer, e->rxLength);
        } else {
            aciEngineHandleMessage(e, e->rxMessageId, e->rxLength);
        }
        break;
    default:
        e->rxState = WaitStart;
        break;
    }
}
