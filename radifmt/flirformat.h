#pragma once
// Records of a FLIR FFF record set as radifmt writes and reads them. Heads
// and index entries are stored big-endian in the file and kept here in host
// order; record bodies are little-endian and stored as they stand.
#include <cstdint>

#pragma pack(push, 1)

struct FLIR_FILE_HEAD {            // 64 bytes
    char szFormatID[4];            // "FFF"
    char szOrigin[16];
    uint32_t dwVersion;
    uint32_t dwIndexOff;
    uint32_t dwNumUsedIndex;
    uint32_t dwNextID;
    uint16_t usSwapPattern;        // 0: numbers are big-endian
    uint8_t spare[22];
    uint32_t dwChecksum;
};

struct FLIR_INDEX_ENTRY {          // 32 bytes
    uint16_t wMainType;
    uint16_t wSubType;
    uint32_t dwVersion;
    uint32_t dwIndexID;
    uint32_t dwDataPtr;            // from the start of the FFF image
    uint32_t dwDataSize;
    uint32_t dwParent;
    uint32_t dwObjectNr;
    uint32_t dwChecksum;
};

struct FLIR_GEOMETRIC_INFO {       // 32 bytes
    uint16_t pixelSize;
    uint16_t imageWidth;
    uint16_t imageHeight;
    uint16_t upperLeftX;
    uint16_t upperLeftY;
    uint16_t firstValidX;
    uint16_t lastValidX;
    uint16_t firstValidY;
    uint16_t lastValidY;
    uint16_t detectorDeep;
    uint16_t detectorID;
    uint16_t upSampling;
    uint16_t frameCtr;
    uint16_t minMeasRadius;
    uint8_t stripeFields;
    uint8_t reserved;
    uint16_t reserved1;
};

struct FLIR_OBJECT_PAR {           // 48 bytes
    float emissivity;
    float objectDistance;
    float ambTemp;
    float atmTemp;
    float extOptTemp;
    float extOptTransm;
    float extAtmTransm;
    float relHum;
    uint8_t reserved[16];
};

struct FLIR_TEMP_CALIB {           // 132 bytes
    uint32_t typeOfPixelValues;
    uint32_t unitOfPixelValues;
    float R;
    float B;
    float F;
    uint32_t wbRBFinUse;
    float RBFspare[2];
    float alpha1;
    float alpha2;
    float beta1;
    float beta2;
    float X;
    float alfaBetaSpare[2];
    float tminSpanAuto;
    float tmax;
    float tmin;
    float tmaxClip;
    float tminClip;
    float tmaxWarn;
    float tminWarn;
    float tmaxSaturated;
    float tminSaturated;
    float tminSpan;
    uint16_t presPrec;
    uint16_t specAccuracy;
    uint16_t specRepeatability;
    uint16_t calibMode;
    uint16_t amendMode;
    uint16_t wreserved;
    uint8_t reserved[20];
};

struct FLIR_CALIB_INFO {           // 564 bytes
    char cameraModel[32];
    char cameraPartNumber[16];
    char cameraSerialNumber[16];
    uint8_t reserved64[88];
    uint32_t lensCount;            // 152
    char lensName[32];             // 156
    char lensPartNumber[16];       // 188
    char lensSerialNumber[16];     // 204
    uint32_t filterCount;          // 220
    uint8_t reserved224[28];
    uint32_t calibrationId;        // 252
    uint8_t reserved256[308];
};

struct FLIR_ADJUST_PAR {           // 48 bytes
    int32_t normOffset;
    float normGain;
    uint16_t ipixUnderflow;
    uint16_t ipixOverflow;
    uint16_t typeOfLcorr;
    uint16_t spare;
    float L;
    int32_t Obas;
    int32_t lineCorrSpare[6];
};

struct FLIR_PRES_PAR {             // 48 bytes
    int32_t level;
    int32_t span;
    uint16_t useHistogram;
    uint8_t useDDE;
    uint8_t levelDDE;
    uint8_t colorDistr[32];
    uint8_t reserved[4];
};

struct FLIR_DISPLAY_PAR {          // 28 bytes
    float yxPixRatio;
    float zoomFactor;
    uint16_t xpanVal;
    uint16_t ypanVal;
    uint16_t flipVal;
    uint16_t pad;
    uint8_t reserved[12];
};

struct FLIR_IMAGEINFO {            // 184 bytes
    uint32_t imageTime;
    uint32_t imageMilliTime;
    int16_t timeZoneBias;
    int16_t swReserved1;
    int32_t focusPos;
    float fTsTemp[7];
    float fTSTempExt[4];
    uint16_t trigInfoType;
    uint16_t trigHit;
    uint16_t trigFlags;
    uint16_t reserved1;
    uint32_t trigCount;
    int16_t manipulType;
    int16_t manipFactors[5];
    int32_t detectorPars[25];
};

struct FLIR_DISTR_DATA {           // 64 bytes
    char imgName[16];
    uint16_t distrLive;
    uint16_t distrrecalled;
    int32_t curGlobalOffset;
    float curGlobalGain;
    uint16_t regulMethodMask;
    uint16_t visualImage;
    float focusDistance;
    uint16_t stripeHeight;
    uint16_t stripeStart;
    uint16_t imageFreq;
    uint16_t typePixStreamCtrlData;
    uint16_t pixStreamDataLine;
    uint16_t errStatus;
    uint16_t imageMilliFreq;
    uint16_t reserved[7];
};

struct FLIR_EXTENDED_IMAGEINFO_ENTRY {  // 48 bytes
    float fData;
    char pzDPName[44];
};

struct FLIR_EXTENDED_IMAGEINFO {   // 960 bytes
    FLIR_EXTENDED_IMAGEINFO_ENTRY entries[20];
};

struct FLIR_WBRBF_PAR {            // 320 bytes
    uint32_t num_wb;
    uint32_t wbID[7];
    uint32_t wbJ0[7];
    uint32_t wbJ1[7];
    float R[7];
    float B[7];
    float F[7];
    float U[7];
    uint32_t invTabLen[7];
    uint32_t invTabMethod[7];
    float OS[7];
    float T[7];
    uint8_t reserved[8];
};

struct FLIR_EXTENDED_PRESSPAR {    // 48 bytes
    uint16_t ddeMethod;
    uint16_t ddeParam[11];
    uint8_t reserved[24];
};

struct FLIR_BASIC_DATA {           // 2476 bytes, the BasicData body
    FLIR_GEOMETRIC_INFO geometry;
    FLIR_OBJECT_PAR objectParameters;
    FLIR_TEMP_CALIB calibParameters;
    FLIR_CALIB_INFO calibInfo;
    FLIR_ADJUST_PAR adjustParameters;
    FLIR_PRES_PAR presentParameters;
    FLIR_DISPLAY_PAR displayParameters;
    FLIR_IMAGEINFO imageInfo;
    FLIR_DISTR_DATA distributionData;
    FLIR_EXTENDED_IMAGEINFO extendedImageInfo;
    FLIR_WBRBF_PAR wbRBFparameters;
    FLIR_EXTENDED_PRESSPAR extPresentParameters;
};

struct FLIR_GPS_DATA {             // 184 bytes, the GPSInfo body
    uint32_t dwValid;
    uint32_t dwVersion;
    char latitudeRef;              // 8: 'N' or 'S'
    uint8_t pad9;
    char longitudeRef;             // 10: 'E' or 'W'
    uint8_t pad11;
    uint8_t altitudeRef;           // 12: 1 at or below sea level
    uint8_t pad13[3];
    double latitude;               // 16: degrees
    double longitude;              // 24: degrees
    float altitude;                // 32: metres
    uint8_t reserved36[36];
    char imgDirectionRef;          // 72: 'T', true north
    uint8_t reserved73[11];
    float imgDirection;            // 84: degrees
    char mapDatum[20];             // 88
    uint8_t reserved108[70];
    uint16_t gpsTag;               // 178
    uint8_t reserved180[4];
};

// Measurement info record (main type 0x21), as far as the reader prints it.
struct FLIR_MEASUREMENT_INFO {     // 12 bytes
    uint16_t endianTest;
    uint16_t firstFuncOffset;
    uint16_t funcDefHdrSize;
    uint16_t minMeasRadius;
    uint16_t reserved1;
    uint16_t reserved2;
};

struct FLIR_MEASUREMENT_FUNC {     // 36 bytes
    float tAmb;
    float dist;
    float emiss;
    uint16_t localParamMask;
    uint16_t measPrioRes;
    uint16_t measCalcMask;
    uint16_t ownerFuncId;
    uint16_t ownerFuncType;
    uint16_t measFuncId;
    uint16_t measFuncType;
    uint16_t propOffset;
    uint16_t labelSize;
    uint16_t typeDepDataSize;
    uint16_t typeDepFormatRev;
    uint16_t nextFuncOffset;
};

#pragma pack(pop)

static_assert(sizeof(FLIR_FILE_HEAD) == 64, "FFF head");
static_assert(sizeof(FLIR_INDEX_ENTRY) == 32, "FFF index entry");
static_assert(sizeof(FLIR_GEOMETRIC_INFO) == 32, "geometry");
static_assert(sizeof(FLIR_OBJECT_PAR) == 48, "object parameters");
static_assert(sizeof(FLIR_TEMP_CALIB) == 132, "temperature calibration");
static_assert(sizeof(FLIR_CALIB_INFO) == 564, "calibration info");
static_assert(sizeof(FLIR_ADJUST_PAR) == 48, "adjust parameters");
static_assert(sizeof(FLIR_PRES_PAR) == 48, "present parameters");
static_assert(sizeof(FLIR_DISPLAY_PAR) == 28, "display parameters");
static_assert(sizeof(FLIR_IMAGEINFO) == 184, "image info");
static_assert(sizeof(FLIR_DISTR_DATA) == 64, "distribution data");
static_assert(sizeof(FLIR_EXTENDED_IMAGEINFO) == 960, "extended image info");
static_assert(sizeof(FLIR_WBRBF_PAR) == 320, "white-body parameters");
static_assert(sizeof(FLIR_EXTENDED_PRESSPAR) == 48, "extended present parameters");
static_assert(sizeof(FLIR_BASIC_DATA) == 2476, "BasicData body");
static_assert(sizeof(FLIR_GPS_DATA) == 184, "GPSInfo body");
static_assert(sizeof(FLIR_MEASUREMENT_INFO) == 12, "measurement info");
static_assert(sizeof(FLIR_MEASUREMENT_FUNC) == 36, "measurement function");
