#ifndef SORVANE_DEVICE_ASPI_H
#define SORVANE_DEVICE_ASPI_H
/*
 * The ASPI-style request interface between the engine's transport and any
 * library that carries SCSI requests for it (the built-in pass-through layer,
 * or a run-time-loaded library such as the emulated recorder).
 *
 * A library exports two C entry points:
 *
 *   uint32_t GetASPI32SupportInfo(void);
 *       high byte of the low word: SS_COMP (01h) when adapters exist, else
 *       SS_NO_ADAPTERS (E8h); low byte: the number of host adapters.
 *
 *   uint32_t SendASPI32Command(void* srb);
 *       srb points to one of the request blocks below, told apart by SRB_Cmd.
 *       Returns the request's SRB_Status as it stands when the call returns.
 *
 * The layouts follow the classic 32-bit request blocks field for field; on
 * this platform pointers are 8 bytes wide, so the execute block is 105 bytes
 * instead of 97. Every block is byte-packed.
 *
 * Completion by event: when SRB_Flags has SRB_EVENT_NOTIFY, SRB_PostProc
 * points to an AspiCompletionEvent owned by the caller. A library may return
 * with SRB_Status still SS_PENDING and finish the request later on another
 * thread; it then stores the final status and calls Signal exactly once,
 * after which it touches neither the block, the data buffer nor the event.
 */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* SRB_Cmd values */
enum {
    SC_HA_INQUIRY = 0x00,
    SC_GET_DEV_TYPE = 0x01,
    SC_EXEC_SCSI_CMD = 0x02,
    SC_ABORT_SRB = 0x03,
    SC_RESET_DEV = 0x04,
    SC_GET_DISK_INFO = 0x06,
};

/* SRB_Status values */
enum {
    SS_PENDING = 0x00,
    SS_COMP = 0x01,
    SS_ABORTED = 0x02,
    SS_ABORT_FAIL = 0x03,
    SS_ERR = 0x04,
    SS_INVALID_CMD = 0x80,
    SS_INVALID_HA = 0x81,
    SS_NO_DEVICE = 0x82,
    SS_INVALID_SRB = 0xE0,
    SS_BUFFER_ALIGN = 0xE1,
    SS_ASPI_IS_BUSY = 0xE5,
    SS_BUFFER_TO_BIG = 0xE6,
    SS_NO_ADAPTERS = 0xE8,
};

/* SRB_Flags bits */
enum {
    SRB_DIR_IN = 0x08,
    SRB_DIR_OUT = 0x10,
    SRB_EVENT_NOTIFY = 0x40,
};

/* SRB_HaStat values */
enum {
    HASTAT_OK = 0x00,
    HASTAT_TIMEOUT = 0x09,
    HASTAT_COMMAND_TIMEOUT = 0x0B,
    HASTAT_MESSAGE_REJECT = 0x0D,
    HASTAT_BUS_RESET = 0x0E,
    HASTAT_PARITY_ERROR = 0x0F,
    HASTAT_REQUEST_SENSE_FAILED = 0x10,
    HASTAT_SEL_TO = 0x11,
    HASTAT_DO_DU = 0x12,
    HASTAT_BUS_FREE = 0x13,
};

/* SCSI status bytes (SRB_TargStat) */
enum {
    STATUS_GOOD = 0x00,
    STATUS_CHKCOND = 0x02,
    STATUS_BUSY = 0x08,
    STATUS_RESCONF = 0x18,
    STATUS_QUEUE_FULL = 0x28,
};

enum { ASPI_SENSE_LEN = 33 };

typedef struct AspiCompletionEvent {
    void (*Signal)(struct AspiCompletionEvent* self);
} AspiCompletionEvent;

#pragma pack(push, 1)

typedef struct {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t HA_Count;
    uint8_t HA_SCSI_ID;
    uint8_t HA_ManagerId[16];
    uint8_t HA_Identifier[16];
    uint8_t HA_Unique[16]; /* [0..1] alignment mask, [3] max targets, [4..7] max transfer length (LE) */
    uint16_t HA_Rsvd1;
} SRB_HAInquiry;

typedef struct {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint8_t SRB_DeviceType;
    uint8_t SRB_Rsvd1;
} SRB_GDEVBlock;

typedef struct {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint8_t SRB_DriveFlags;
    uint8_t SRB_Int13HDriveInfo; /* drive number: 0 = first drive */
    uint8_t SRB_Heads;
    uint8_t SRB_Sectors;
    uint8_t SRB_Rsvd1[10];
} SRB_GetDiskInfo;

typedef struct {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint16_t SRB_Rsvd1;
    uint32_t SRB_BufLen;
    uint8_t* SRB_BufPointer;
    uint8_t SRB_SenseLen;
    uint8_t SRB_CDBLen;
    uint8_t SRB_HaStat;
    uint8_t SRB_TargStat;
    AspiCompletionEvent* SRB_PostProc;
    uint8_t SRB_Rsvd2[20];
    uint8_t CDBByte[16];
    uint8_t SenseArea[ASPI_SENSE_LEN];
} SRB_ExecSCSICmd;

#pragma pack(pop)

typedef uint32_t (*GetASPI32SupportInfoFn)(void);
typedef uint32_t (*SendASPI32CommandFn)(void* srb);

#ifdef __cplusplus
}  /* extern "C" */

static_assert(sizeof(SRB_HAInquiry) == 60);
static_assert(sizeof(SRB_GDEVBlock) == 12);
static_assert(sizeof(SRB_GetDiskInfo) == 24);
static_assert(sizeof(SRB_ExecSCSICmd) == 105);
static_assert(offsetof(SRB_ExecSCSICmd, CDBByte) == 56);
static_assert(offsetof(SRB_ExecSCSICmd, SenseArea) == 72);
#endif

#endif /* SORVANE_DEVICE_ASPI_H */
