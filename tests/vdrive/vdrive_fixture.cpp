#include "tests/vdrive/vdrive_fixture.h"

extern "C" std::uint32_t SendASPI32Command(void* srb);

namespace sorvane::vdrive::test {

std::vector<std::uint8_t> WriteParametersList(std::uint8_t writeType, std::uint8_t multiSession, bool testWrite,
                                              std::uint8_t trackMode, bool fixedPacket, std::uint32_t packetSize,
                                              std::uint8_t linkSize) {
    std::vector<std::uint8_t> list(8 + 52, 0);  // mode parameter header, then page 05h
    std::uint8_t* p = &list[8];
    p[0] = 0x05;
    p[1] = 0x32;
    p[2] = std::uint8_t((testWrite ? 0x10 : 0) | (linkSize ? 0x20 : 0) | writeType);
    p[3] = std::uint8_t(multiSession << 6 | (fixedPacket ? 0x20 : 0) | trackMode);
    p[4] = 0x08;  // mode 1, 2048 bytes
    p[5] = linkSize;
    WriteMsb<std::uint32_t>(&p[10], packetSize);
    WriteMsb<std::uint16_t>(&p[14], 150);
    return list;
}

std::vector<std::uint8_t> FormatList(std::uint32_t blocks, std::uint8_t formatType, std::uint32_t parameter,
                                     bool immediate) {
    std::vector<std::uint8_t> list(12, 0);
    list[1] = std::uint8_t(0x80 | (immediate ? 0x02 : 0));  // format options valid
    WriteMsb<std::uint16_t>(&list[2], 8);
    WriteMsb<std::uint32_t>(&list[4], blocks);
    list[8] = std::uint8_t(formatType << 2);
    WriteMsbN(&list[9], parameter, 3);
    return list;
}

std::vector<std::uint8_t> StreamingDescriptor(std::uint32_t endLba, std::uint32_t readKB, std::uint32_t writeKB) {
    std::vector<std::uint8_t> d(28, 0);
    WriteMsb<std::uint32_t>(&d[8], endLba);
    WriteMsb<std::uint32_t>(&d[12], readKB);
    WriteMsb<std::uint32_t>(&d[16], 1000);
    WriteMsb<std::uint32_t>(&d[20], writeKB);
    WriteMsb<std::uint32_t>(&d[24], 1000);
    return d;
}

std::vector<std::uint8_t> Sectors(std::uint32_t count, std::uint8_t fill) {
    std::vector<std::uint8_t> data(std::size_t(count) * 2048, fill);
    for (std::uint32_t i = 0; i < count; ++i) data[std::size_t(i) * 2048] = std::uint8_t(i);
    return data;
}

VDriveTest::VDriveTest(const TDriveModel& model) : host(THost::Instance()) {
    host.UseMemory();
    drive = host.AddDrive(model);
}

VDriveTest::~VDriveTest() { host.UseMemory(); }

TResult VDriveTest::Send(const TCdb& cdb, const std::vector<std::uint8_t>& dataOut) {
    SRB_ExecSCSICmd srb{};
    std::vector<std::uint8_t> buffer;
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_HaId = 0;
    srb.SRB_Target = std::uint8_t(drive);
    srb.SRB_CDBLen = cdb.Length;
    srb.SRB_SenseLen = 24;
    std::memcpy(srb.CDBByte, cdb.Bytes.data(), cdb.Length);
    if (cdb.Direction == TDir::In) {
        buffer.assign(cdb.DataLength, 0);
        srb.SRB_Flags = SRB_DIR_IN;
    } else if (cdb.Direction == TDir::Out) {
        buffer = dataOut;
        srb.SRB_Flags = SRB_DIR_OUT;
    }
    srb.SRB_BufLen = std::uint32_t(buffer.size());
    srb.SRB_BufPointer = buffer.empty() ? nullptr : buffer.data();
    SendASPI32Command(&srb);
    TResult r;
    r.Status = srb.SRB_Status;
    r.TargetStatus = srb.SRB_TargStat;
    r.HostStatus = srb.SRB_HaStat;
    std::memcpy(r.SenseArea.data(), srb.SenseArea, ASPI_SENSE_LEN);
    if (cdb.Direction == TDir::In) r.Data = std::move(buffer);
    return r;
}

void VDriveTest::Load(TMediumKind kind, TMediumState state, const std::string& image) {
    std::string error;
    ASSERT_TRUE(host.Insert(drive, {kind, state, image}, &error)) << error;
    ASSERT_EQ(Check(cdb::TestUnitReady()), kMediumChanged);
}

TDiscInfo VDriveTest::DiscInfo() {
    TResult r = Send(cdb::ReadDiscInformation());
    TDiscInfo info;
    if (!r.Good()) return info;
    info.Erasable = r.Data[2] & 0x10;
    info.LastSessionState = (r.Data[2] >> 2) & 3;
    info.Status = r.Data[2] & 3;
    info.Sessions = r.Data[4] | r.Data[9] << 8;
    info.FirstTrackInLast = r.Data[5] | r.Data[10] << 8;
    info.LastTrackInLast = r.Data[6] | r.Data[11] << 8;
    info.BackgroundFormat = r.Data[7] & 3;
    info.LeadInStart = r.Be32(16);
    info.LastLeadOut = r.Be32(20);
    return info;
}

TTrackInfo VDriveTest::TrackInfo(cdb::TAddress type, std::uint32_t value) {
    TResult r = Send(cdb::ReadTrackInformation(type, value));
    TTrackInfo t;
    if (!r.Good()) return t;
    t.Number = r.Data[2] | r.Data[32] << 8;
    t.Session = r.Data[3] | r.Data[33] << 8;
    t.Damaged = r.Data[5] & 0x20;
    t.Reserved = r.Data[6] & 0x80;
    t.Blank = r.Data[6] & 0x40;
    t.NwaValid = r.Data[7] & 0x01;
    t.Start = r.Be32(8);
    t.Nwa = r.Be32(12);
    t.Free = r.Be32(16);
    t.PacketSize = r.Be32(20);
    t.Size = r.Be32(24);
    return t;
}

std::uint32_t VDriveTest::Nwa() {
    TTrackInfo t = TrackInfo(cdb::TAddress::Track, 0xFF);
    EXPECT_TRUE(t.NwaValid);
    return t.Nwa;
}

TSenseCode VDriveTest::Write(std::uint32_t lba, std::uint32_t count, std::uint8_t fill) {
    return Write(lba, Sectors(count, fill));
}

TSenseCode VDriveTest::Write(std::uint32_t lba, const std::vector<std::uint8_t>& data) {
    std::uint32_t count = std::uint32_t(data.size() / 2048);
    TSenseCode sense;
    for (std::uint32_t at = 0; at < count && sense == kGood; at += 32) {
        std::uint16_t n = std::uint16_t(std::min<std::uint32_t>(32, count - at));
        std::vector<std::uint8_t> chunk(data.begin() + std::ptrdiff_t(at) * 2048,
                                        data.begin() + std::ptrdiff_t(at + n) * 2048);
        sense = Check(cdb::Write10(lba + at, n), chunk);
    }
    return sense;
}

std::vector<std::uint8_t> VDriveTest::ReadBack(std::uint32_t lba, std::uint16_t count, TSenseCode* sense) {
    TResult r = Send(cdb::Read10(lba, count));
    if (sense) *sense = r.Sense();
    return r.Good() ? r.Data : std::vector<std::uint8_t>{};
}

TSenseCode VDriveTest::SelectWriteParameters(const std::vector<std::uint8_t>& list) {
    return Check(cdb::ModeSelect10(std::uint16_t(list.size())), list);
}

std::vector<int> VDriveTest::WaitWhileBusy(double step, TSenseCode expected) {
    std::vector<int> progress;
    for (int guard = 0; guard < 100000; ++guard) {
        TResult r = Send(cdb::RequestSense());
        TSenseCode s{std::uint8_t(r.Data[2] & 0x0F), r.Data[12], r.Data[13]};
        if (s != expected) break;
        progress.push_back((r.Data[15] & 0x80) ? ReadMsb<std::uint16_t>(&r.Data[16]) : -1);
        host.AdvanceClock(step);
    }
    return progress;
}

}  // namespace sorvane::vdrive::test
