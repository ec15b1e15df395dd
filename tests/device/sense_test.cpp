// Turning failed requests into texts: request, adapter and target status,
// sense keys, the additional sense table, and the command names of the
// error report.

#include <gtest/gtest.h>

#include <set>

#include "engine/device/command_names.h"
#include "engine/device/sense.h"
#include "engine/device/sense_class.h"
#include "engine/rtl/text.h"

namespace sorvane {
namespace {

SRB_ExecSCSICmd Failed(std::uint8_t status, std::uint8_t haStat = 0, std::uint8_t targStat = 0) {
    SRB_ExecSCSICmd srb{};
    srb.SRB_Status = status;
    srb.SRB_HaStat = haStat;
    srb.SRB_TargStat = targStat;
    return srb;
}

void SetFixedSense(SRB_ExecSCSICmd& srb, std::uint8_t flagsAndKey, std::uint8_t asc, std::uint8_t ascq,
                   std::uint8_t additionalLength = 10) {
    srb.SenseArea[0] = 0x70;
    srb.SenseArea[2] = flagsAndKey;
    srb.SenseArea[7] = additionalLength;
    srb.SenseArea[12] = asc;
    srb.SenseArea[13] = ascq;
}

TEST(RequestStatus, EveryStatusAdapterStatusAndTargetStatusHasItsText) {
    struct Row {
        std::uint8_t Status, HaStat, TargStat;
        const char* Text;
    };
    const Row rows[] = {
        {0x00, 0, 0, ""},
        {0x01, 0, 0, ""},
        {0x02, 0, 0, "OPERATION ABORTED BY USER"},
        {0x03, 0, 0, "OPERATION ABORTED BY USER"},
        {0x80, 0, 0, "INVALID REQUEST"},
        {0x81, 0, 0, "INVALID HOST ADAPTER"},
        {0x82, 0, 0, "NO DEVICE"},
        {0xE0, 0, 0, "INVALID SRB"},
        {0xE1, 0, 0, "BUFFER ALIGNMENT"},
        {0xE5, 0, 0, "ASPI IS BUSY"},
        {0xE6, 0, 0, "BUFFER TOO BIG"},
        {0x77, 0, 0, "UNKNOWN"},
        {0x04, 0x09, 0, "COMMAND TIMEOUT"},
        {0x04, 0x0B, 0, "SRB TIMEOUT"},
        {0x04, 0x0D, 0, "MESSAGE REJECT"},
        {0x04, 0x0E, 0, "BUS RESET"},
        {0x04, 0x0F, 0, "PARITY ERROR"},
        {0x04, 0x10, 0, "REQUEST SENSE FAILED"},
        {0x04, 0x11, 0, "SELECTION TIMEOUT"},
        {0x04, 0x12, 0, "DATA OVERRUN"},
        {0x04, 0x13, 0, "UNEXPECTED BUS FREE"},
        {0x04, 0x01, 0, "UNKNOWN"},
        {0x04, 0, 0x00, "CHECK CONDITION"},
        {0x04, 0, 0x02, "CHECK CONDITION"},
        {0x04, 0, 0x08, "TARGET BUSY"},
        {0x04, 0, 0x18, "TARGET RESERVATION CONFLICT"},
        {0x04, 0, 0x28, "TARGET QUEUE FULL"},
        {0x04, 0, 0x40, "UNKNOWN"},
    };
    for (const Row& row : rows) {
        const TStatusText text = DecodeRequestStatus(row.Status, row.HaStat, row.TargStat);
        EXPECT_EQ(text.Text, row.Text) << int(row.Status) << "/" << int(row.HaStat) << "/" << int(row.TargStat);
        EXPECT_EQ(text.TargetBusy, row.TargStat == 0x08 && row.HaStat == 0 && row.Status == 4);
    }
}

TEST(SenseKey, KeysFlagsAndResponseCodes) {
    struct Row {
        std::uint8_t Byte0, Byte2;
        const char* Text;
    };
    const Row rows[] = {
        {0x00, 0x05, ""},  // no sense at all
        {0x70, 0x00, "NO ADDITIONAL SENSE INFORMATION"},
        {0x70, 0xE0, "FILEMARK"},  // filemark wins over the others
        {0x70, 0x60, "END OF MEDIA"},
        {0x70, 0x20, "ILLEGAL LENGTH"},
        {0x71, 0x01, "RECOVERED ERROR"},
        {0xF0, 0x02, "NOT READY"},  // VALID bit set
        {0x70, 0x03, "MEDIUM ERROR"},
        {0x70, 0x04, "HARDWARE ERROR"},
        {0x70, 0x05, "ILLEGAL REQUEST"},
        {0x70, 0x06, "UNIT ATTENTION"},
        {0x70, 0x07, "DATA PROTECT"},
        {0x70, 0x08, "ERASE CHECK"},
        {0x70, 0x09, "CHECK CONDITION"},
        {0x70, 0x0A, "COPYABORTED"},
        {0x70, 0x0B, "ABORTED COMMAND"},
        {0x70, 0x0C, "CHECK CONDITION"},
        {0x70, 0x0D, "VOLUME OVERFLOW"},
        {0x70, 0x0E, "MISCOMPARE"},
        {0x70, 0x0F, "RESERVED"},
        {0x70, 0x85, "ILLEGAL REQUEST"},  // flags above the key are ignored for keys other than 0
        {0x7F, 0x05, "UNKNOWN"},
    };
    for (const Row& row : rows) {
        std::uint8_t sense[18] = {row.Byte0, 0, row.Byte2};
        EXPECT_EQ(DecodeSense(sense), row.Text) << std::hex << int(row.Byte0) << " " << int(row.Byte2);
    }
}

TEST(SenseKey, DescriptorFormatIsReadFromItsOwnBytes) {
    const std::uint8_t sense[8] = {0x72, 0x02, 0x3A, 0x01, 0, 0, 0, 0};
    const TSense parsed = ParseSense(sense);
    EXPECT_EQ(parsed.Key, 2);
    EXPECT_EQ(parsed.Asc, 0x3A);
    EXPECT_EQ(parsed.Ascq, 0x01);
    EXPECT_EQ(DecodeSense(sense), "NOT READY");
}

TEST(AdditionalSense, TableHoldsTheStandardDescriptionsOfEveryCoveredCode) {
    EXPECT_EQ(DecodeAdditionalSense(0x04, 0x08), "LOGICAL UNIT NOT READY, LONG WRITE IN PROGRESS");
    EXPECT_EQ(DecodeAdditionalSense(0x3A, 0x00), "MEDIUM NOT PRESENT");
    EXPECT_EQ(DecodeAdditionalSense(0x72, 0x01), "SESSION FIXATION ERROR WRITING LEAD-IN");
    EXPECT_EQ(DecodeAdditionalSense(0x73, 0x02), "POWER CALIBRATION AREA IS FULL");
    EXPECT_EQ(DecodeAdditionalSense(0x73, 0x06), "RMA/PMA IS ALMOST FULL");
    EXPECT_EQ(DecodeAdditionalSense(0x21, 0x02), "INVALID ADDRESS FOR WRITE");
    EXPECT_EQ(DecodeAdditionalSense(0x30, 0x05), "CANNOT WRITE MEDIUM - INCOMPATIBLE FORMAT");
    // Unknown pairs are shown as decimal numbers.
    EXPECT_EQ(DecodeAdditionalSense(0x74, 0x09), "116,9");
    EXPECT_EQ(DecodeAdditionalSense(0x04, 0x7F), "4,127");

    EXPECT_GE(AdditionalSenseTableSize(), 250u);
    const std::set<int> covered = {0x00, 0x02, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x11,
                                   0x14, 0x15, 0x17, 0x18, 0x1A, 0x1B, 0x1D, 0x20, 0x21, 0x24, 0x25, 0x26, 0x27,
                                   0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2E, 0x2F, 0x30, 0x31, 0x34, 0x35, 0x37, 0x39,
                                   0x3A, 0x3B, 0x3D, 0x3E, 0x3F, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A,
                                   0x4B, 0x4C, 0x4E, 0x51, 0x53, 0x55, 0x57, 0x5A, 0x5B, 0x5D, 0x5E, 0x63, 0x64,
                                   0x65, 0x6F, 0x72, 0x73};
    for (int code = 0; code < 256; ++code) {
        bool any = false;
        for (int qualifier = 0; qualifier < 256 && !any; ++qualifier)
            if (const char* text = FindAdditionalSenseText(code, qualifier)) {
                any = true;
                EXPECT_EQ(std::string(text), UpperCase(text)) << code;
            }
        EXPECT_EQ(any, covered.count(code) == 1) << "ASC " << code;
    }
}

TEST(FailureText, CheckConditionIsReplacedByTheSenseKeyAndItsAdditionalSense) {
    SRB_ExecSCSICmd srb = Failed(SS_ERR, 0, 0x02);
    SetFixedSense(srb, 0x02, 0x3A, 0x00);
    EXPECT_EQ(DescribeFailure(srb).Text, "NOT READY (MEDIUM NOT PRESENT)");

    // Without additional sense bytes only the key is named.
    SRB_ExecSCSICmd bare = Failed(SS_ERR, 0, 0x02);
    SetFixedSense(bare, 0x05, 0x24, 0x00, 0);
    EXPECT_EQ(DescribeFailure(bare).Text, "ILLEGAL REQUEST");

    // An empty sense area leaves nothing to say.
    EXPECT_EQ(DescribeFailure(Failed(SS_ERR, 0, 0x02)).Text, "");

    SRB_ExecSCSICmd busy = Failed(SS_ERR, 0, 0x08);
    EXPECT_EQ(DescribeFailure(busy).Text, "TARGET BUSY");
    EXPECT_TRUE(DescribeFailure(busy).TargetBusy);

    // The adapter's reason wins over the sense; the sense still adds its code.
    SRB_ExecSCSICmd timedOut = Failed(SS_ERR, 0x09, 0x02);
    EXPECT_EQ(DescribeFailure(timedOut).Text, "COMMAND TIMEOUT");
    SetFixedSense(timedOut, 0x02, 0x04, 0x08);
    EXPECT_EQ(DescribeFailure(timedOut).Text, "COMMAND TIMEOUT (LOGICAL UNIT NOT READY, LONG WRITE IN PROGRESS)");
}

// A wait that took a long write for a fault would fail a recording; one
// that took a missing disc for a busy drive would wait for nothing.
TEST(SenseClass, EveryAnswerAWaitMeetsHasItsClass) {
    using C = TSenseClass;
    struct Row {
        std::uint8_t Key, Asc, Ascq;
        C Class;
    };
    const Row rows[] = {
        {0x00, 0x00, 0x00, C::None},          {0x03, 0x00, 0x00, C::None},
        {0x02, 0x04, 0x00, C::BecomingReady}, {0x02, 0x04, 0x01, C::BecomingReady},
        {0x02, 0x04, 0x04, C::RetryAfterPause}, {0x02, 0x04, 0x07, C::RetryAfterPause},
        {0x02, 0x04, 0x08, C::RetryAfterPause}, {0x06, 0x28, 0x00, C::MediumChanged},
        {0x06, 0x29, 0x00, C::MediumChanged},   {0x06, 0x29, 0x03, C::MediumChanged},
        {0x05, 0x28, 0x00, C::Fatal},          {0x02, 0x3A, 0x01, C::NoMedium},
        {0x02, 0x30, 0x10, C::IncompatibleMedium}, {0x03, 0x0C, 0x00, C::Fatal},
        {0x05, 0x24, 0x00, C::Fatal},
    };
    for (const Row& row : rows) {
        std::uint8_t fixed[18] = {0x70, 0, row.Key, 0, 0, 0, 0, 10, 0, 0, 0, 0, row.Asc, row.Ascq};
        const std::uint8_t descriptor[8] = {0x72, row.Key, row.Asc, row.Ascq};
        EXPECT_EQ(ClassifyFailure(false, fixed), row.Class) << std::hex << int(row.Asc) << "/" << int(row.Ascq);
        EXPECT_EQ(ClassifyFailure(false, descriptor), row.Class) << std::hex << int(row.Asc) << "/" << int(row.Ascq);
        EXPECT_EQ(ClassifySenseReply(fixed), row.Class);
        EXPECT_EQ(ClassifyFailure(true, fixed), C::RetryAfterPause) << "TARGET BUSY comes first";
    }
    const std::uint8_t busyReply[18] = {0xF0};
    EXPECT_EQ(ClassifySenseReply(busyReply), C::RetryAfterPause);
    EXPECT_TRUE(MeansNotReady(C::BecomingReady));
    EXPECT_FALSE(MeansNotReady(C::MediumChanged));
}

TEST(CommandNames, FilledEntriesAreTwentyTwoCharactersAndTheRestEmpty) {
    const TCommandNames& names = CommandNames();
    EXPECT_EQ(names[0x00], "TEST UNIT READY       ");
    EXPECT_EQ(names[0x4A], "GET EVENT/STATUS NOTIF");
    EXPECT_EQ(names[0xBF], "SEND DVD STRUCTURE    ");
    EXPECT_EQ(names[0x1E], "PREVENT/ALLOW REMOVAL ");
    int filled = 0;
    for (const std::string& name : names) {
        if (name.empty()) continue;
        ++filled;
        EXPECT_EQ(name.size(), 22u) << name;
    }
    EXPECT_EQ(filled, 51);
    EXPECT_TRUE(names[0x02].empty());
    EXPECT_TRUE(names[0xFF].empty());
}

}  // namespace
}  // namespace sorvane
