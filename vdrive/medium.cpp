#include "vdrive/medium.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <sstream>

#include "engine/rtl/endian.h"
#include "vdrive/sector_store.h"

namespace sorvane::vdrive {
namespace {

constexpr std::uint16_t kCdOneX = 176;
constexpr std::uint16_t kDvdOneX = 1385;

// Capacities of blank discs as drives report them: CD-R/RW 80 min (ATIP
// lead-out 79:59:74), single-layer DVD 4.7 GB, DVD+R DL 8.5 GB, DVD-RAM
// 4.7 GB with its spare areas taken off.
constexpr std::array<TKindTraits, 12> kTraits{{
    {TMediumKind::None, "none", profile::None, false, false, false, false, false, 0, kCdOneX},
    {TMediumKind::CdRom, "cd-rom", profile::CdRom, true, true, false, false, false, 0, kCdOneX},
    {TMediumKind::DvdRom, "dvd-rom", profile::DvdRom, false, true, false, false, false, 0, kDvdOneX},
    {TMediumKind::CdR, "cd-r", profile::CdR, true, false, true, false, false, 359849, kCdOneX},
    {TMediumKind::CdRw, "cd-rw", profile::CdRw, true, false, true, false, true, 359849, kCdOneX},
    {TMediumKind::DvdR, "dvd-r", profile::DvdR, false, false, true, false, false, 2295104, kDvdOneX},
    {TMediumKind::DvdRw, "dvd-rw", profile::DvdRwSequential, false, false, true, false, true, 2295104, kDvdOneX},
    {TMediumKind::DvdRwRestricted, "dvd-rw-ro", profile::DvdRwRestricted, false, false, false, true, true, 2295104,
     kDvdOneX},
    {TMediumKind::DvdPlusR, "dvd+r", profile::DvdPlusR, false, false, true, false, false, 2295104, kDvdOneX},
    {TMediumKind::DvdPlusRDl, "dvd+r-dl", profile::DvdPlusRDl, false, false, true, false, false, 4173824, kDvdOneX},
    {TMediumKind::DvdPlusRw, "dvd+rw", profile::DvdPlusRw, false, false, false, true, true, 2295104, kDvdOneX},
    {TMediumKind::DvdRam, "dvd-ram", profile::DvdRam, false, false, false, true, true, 2236704, kDvdOneX},
}};

// A DVD+RW background format de-ices the whole disc in about half an hour.
constexpr double kBackgroundFormatSeconds = 1800;

std::uint32_t RoundUp(std::uint32_t value, std::uint32_t unit) { return (value + unit - 1) / unit * unit; }

bool IsVolumeDescriptor(const std::uint8_t* sector) { return std::memcmp(sector + 1, "CD001", 5) == 0; }

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> Unhex(const std::string& text) {
    if (text.size() % 2) return std::nullopt;
    std::vector<std::uint8_t> out(text.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        auto nibble = [](char c) -> int {
            if (c >= '0' && c <= '9') return c - '0';
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            return -1;
        };
        int hi = nibble(text[2 * i]), lo = nibble(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out[i] = std::uint8_t(hi << 4 | lo);
    }
    return out;
}

}  // namespace

const TKindTraits& Traits(TMediumKind kind) { return kTraits[std::size_t(kind)]; }

std::optional<TMediumKind> KindOfProfile(std::uint16_t p) {
    for (const auto& t : kTraits)
        if (t.Profile == p && p != profile::None) return t.Kind;
    return std::nullopt;
}

std::string_view MediumKindName(TMediumKind kind) { return Traits(kind).Name; }

std::optional<TMediumKind> MediumKindFromName(std::string_view name) {
    for (const auto& t : kTraits)
        if (t.Name == name) return t.Kind;
    return std::nullopt;
}

std::string_view MediumStateName(TMediumState state) {
    switch (state) {
        case TMediumState::Blank: return "blank";
        case TMediumState::Open: return "open";
        case TMediumState::Closed: return "appendable";
        case TMediumState::Finalized: return "finalized";
    }
    return "blank";
}

std::optional<TMediumState> MediumStateFromName(std::string_view name) {
    if (name == "closed") return TMediumState::Closed;  // what a closed session leaves: an appendable disc
    for (TMediumState s : {TMediumState::Blank, TMediumState::Open, TMediumState::Closed, TMediumState::Finalized})
        if (MediumStateName(s) == name) return s;
    return std::nullopt;
}

TMedium TMedium::Blank(TMediumKind kind) {
    TMedium m;
    m.Kind = kind;
    m.Capacity = vdrive::Traits(kind).Capacity;
    // DVD-RAM comes formatted from the factory; DVD-RW restricted overwrite is
    // by definition a formatted DVD-RW.
    if (kind == TMediumKind::DvdRam) m.Formatted = true;
    if (kind == TMediumKind::DvdRwRestricted) {
        m.Formatted = true;
        m.FormattedBlocks = m.Capacity;
    }
    return m;
}

// --- Sequential media ----------------------------------------------------------

int TMedium::TrackCount() const {
    int n = 0;
    for (const auto& s : Sessions) n += int(s.Tracks.size());
    return n;
}

const TTrack* TMedium::IncompleteTrack() const {
    if (Sessions.empty() || Sessions.back().Closed || Sessions.back().Tracks.empty()) return nullptr;
    const TTrack& t = Sessions.back().Tracks.back();
    return (!t.Closed && !t.Reserved) ? &t : nullptr;
}

std::optional<std::uint32_t> TMedium::InvisibleStart() const {
    if (!Traits().Sequential || Finalized) return std::nullopt;
    std::uint32_t start = 0;
    if (!Sessions.empty()) {
        const TSession& last = Sessions.back();
        if (last.Closed) {
            start = NextSessionStart;
        } else {
            const TTrack& t = last.Tracks.back();
            if (!t.Closed && !t.Reserved) return t.Start;  // the incomplete track took its place
            start = t.End() + (Traits().Cd ? kCdPregap : 0);
            if (!Traits().Cd) start = RoundUp(start, kEccBlock);
        }
    }
    if (start + kMinTrackSectors > Capacity) return std::nullopt;
    return start;
}

int TMedium::InvisibleTrackNumber() const {
    if (!InvisibleStart()) return 0;
    return IncompleteTrack() ? TrackCount() : TrackCount() + 1;
}

const TTrack* TMedium::TrackByNumber(int number, int* session) const {
    int n = 0;
    for (std::size_t s = 0; s < Sessions.size(); ++s)
        for (const auto& t : Sessions[s].Tracks)
            if (++n == number) {
                if (session) *session = int(s);
                return &t;
            }
    return nullptr;
}

int TMedium::FirstTrackOfSession(int sessionIndex) const {
    int n = 1;
    for (int s = 0; s < sessionIndex && s < int(Sessions.size()); ++s) n += int(Sessions[std::size_t(s)].Tracks.size());
    return n;
}

bool TMedium::Blank() const {
    for (const auto& s : Sessions)
        if (!s.Tracks.empty()) return false;
    return true;
}

int TMedium::ClosedSessionCount() const {
    int n = 0;
    for (const auto& s : Sessions) n += s.Closed ? 1 : 0;
    return n;
}

std::uint8_t TMedium::DiscStatus() const {
    const TKindTraits& t = Traits();
    if (t.Rom) return 2;
    if (t.Overwrite) {
        if (Kind == TMediumKind::DvdPlusRw && !Formatted) return 0;
        return Intermediate ? 1 : 2;
    }
    if (Finalized) return 2;
    return Blank() ? 0 : 1;
}

std::uint8_t TMedium::LastSessionState() const {
    const TKindTraits& t = Traits();
    if (t.Rom) return 3;
    if (t.Overwrite) {
        if (Kind == TMediumKind::DvdPlusRw && !Formatted) return 0;
        return Intermediate ? 1 : 3;
    }
    if (Finalized) return 3;
    if (Blank() || Sessions.back().Closed) return 0;
    for (const auto& track : Sessions.back().Tracks)
        if (track.Damaged) return 2;
    return 1;
}

TSense TMedium::FindWriteTarget(std::uint32_t lba, std::uint32_t count, TWriteTarget* target) const {
    if (Finalized) return sense::InvalidAddressForWrite;
    if (std::uint64_t(lba) + count > Capacity) return sense::LbaOutOfRange;
    if (!Sessions.empty() && !Sessions.back().Closed) {
        const TSession& open = Sessions.back();
        for (std::size_t i = 0; i < open.Tracks.size(); ++i) {
            const TTrack& t = open.Tracks[i];
            if (!t.Writable() || t.Nwa() != lba) continue;
            if (t.Reserved && t.Recorded + count > t.Reserved) return sense::InvalidAddressForWrite;
            *target = {int(Sessions.size()) - 1, int(i)};
            return sense::Good;
        }
    }
    auto invisible = InvisibleStart();
    if (invisible && *invisible == lba && !IncompleteTrack()) {
        bool openSession = !Sessions.empty() && !Sessions.back().Closed;
        *target = {openSession ? int(Sessions.size()) - 1 : -1, -1};
        return sense::Good;
    }
    return sense::InvalidAddressForWrite;
}

void TMedium::RecordSequential(const TWriteTarget& target, std::uint32_t lba, std::uint32_t count, bool packet) {
    if (target.Session < 0) Sessions.emplace_back();
    TSession& session = target.Session < 0 ? Sessions.back() : Sessions[std::size_t(target.Session)];
    if (target.Track < 0) {
        TTrack t;
        t.Start = lba;
        t.Packet = packet;
        session.Tracks.push_back(t);
    }
    TTrack& track = target.Track < 0 ? session.Tracks.back() : session.Tracks[std::size_t(target.Track)];
    track.Recorded += count;
}

TSense TMedium::CloseTrack(int number) {
    if (Sessions.empty() || Sessions.back().Closed) return number == 0xFF || number == InvisibleTrackNumber()
                                                                 ? sense::Good
                                                                 : sense::InvalidFieldInCdb;
    if (number == 0xFF) {
        if (!IncompleteTrack()) return sense::Good;
        number = TrackCount();
    }
    int session = -1;
    const TTrack* found = TrackByNumber(number, &session);
    if (!found) return number == InvisibleTrackNumber() ? sense::Good : sense::InvalidFieldInCdb;
    TTrack& t = const_cast<TTrack&>(*found);
    if (t.Closed) return sense::Good;
    if (!t.Reserved) {
        // A CD track-at-once track ends with its run-out; a DVD fragment is
        // padded to a whole ECC block.
        if (Traits().Cd)
            t.RunOut = kCdRunOut;
        else
            t.Recorded = RoundUp(t.Recorded, kEccBlock);
    }
    t.Closed = true;
    return sense::Good;
}

TSense TMedium::CloseSession(bool allowNext) {
    if (Finalized || Sessions.empty() || Sessions.back().Closed) return sense::Good;
    TSession& open = Sessions.back();
    for (int n = FirstTrackOfSession(int(Sessions.size()) - 1); n <= TrackCount(); ++n) CloseTrack(n);
    open.Closed = true;
    bool first = ClosedSessionCount() == 1;
    std::uint32_t end = open.Tracks.back().End();
    std::uint32_t gap = 0;
    switch (Kind) {
        case TMediumKind::CdR:
        case TMediumKind::CdRw: gap = first ? kCdFirstSessionGap : kCdLaterSessionGap; break;
        case TMediumKind::DvdR:
        case TMediumKind::DvdRw: gap = first ? kDvdMinusFirstBorderGap : kDvdMinusLaterBorderGap; break;
        default: gap = kDvdPlusSessionGap; break;
    }
    NextSessionStart = end + gap;
    if (!Traits().Cd) NextSessionStart = RoundUp(NextSessionStart, kEccBlock);
    if (!allowNext || std::uint64_t(NextSessionStart) + kMinTrackSectors > Capacity) Finalized = true;
    return sense::Good;
}

TSense TMedium::FinalizeDisc() {
    if (Blank()) return sense::CommandSequenceError;
    if (!Sessions.back().Closed) return CloseSession(false);
    Finalized = true;
    return sense::Good;
}

TSense TMedium::ReserveTrack(std::uint32_t sectors) {
    if (Finalized || IncompleteTrack()) return sense::CommandSequenceError;
    auto start = InvisibleStart();
    if (!start || sectors == 0) return sense::InvalidFieldInCdb;
    std::uint32_t size = Traits().Cd ? sectors : RoundUp(sectors, kEccBlock);
    if (std::uint64_t(*start) + size > Capacity) return sense::InvalidFieldInCdb;
    if (Sessions.empty() || Sessions.back().Closed) Sessions.emplace_back();
    TTrack t;
    t.Start = *start;
    t.Reserved = size;
    t.Packet = !Traits().Cd;
    Sessions.back().Tracks.push_back(t);
    return sense::Good;
}

void TMedium::DamageOpenTrack() {
    if (Sessions.empty() || Sessions.back().Closed) return;
    for (auto& t : Sessions.back().Tracks)
        if (!t.Closed) t.Damaged = true;
}

// --- Overwritable media -------------------------------------------------------------

std::uint32_t TMedium::BackgroundExtentAt(double now) const {
    switch (Background) {
        case TBackgroundFormat::None: return 0;
        case TBackgroundFormat::Stopped: return BackgroundExtent;
        case TBackgroundFormat::Complete: return Capacity;
        case TBackgroundFormat::Running: break;
    }
    double rate = Capacity / kBackgroundFormatSeconds;
    double extent = BackgroundBase + std::max(0.0, now - BackgroundStart) * rate;
    return extent >= Capacity ? Capacity : std::uint32_t(extent);
}

TBackgroundFormat TMedium::BackgroundAt(double now) const {
    if (Background == TBackgroundFormat::Running && BackgroundExtentAt(now) >= Capacity)
        return TBackgroundFormat::Complete;
    return Background;
}

std::uint32_t TMedium::WritableLimit(double) const {
    switch (Kind) {
        case TMediumKind::DvdPlusRw: return Formatted ? Capacity : 0;
        case TMediumKind::DvdRam: return Capacity;
        case TMediumKind::DvdRwRestricted: return FormattedBlocks;
        default: return 0;
    }
}

TSense TMedium::CheckOverwrite(std::uint32_t lba, std::uint32_t count) const {
    std::uint64_t end = std::uint64_t(lba) + count;
    if (!Formatted) return sense::MediumNotFormatted;
    if (end > Capacity) return sense::LbaOutOfRange;
    if (Kind != TMediumKind::DvdRwRestricted) return sense::Good;
    // Restricted overwrite writes whole ECC blocks, inside the formatted
    // area or, while an intermediate session is open, growing it at its end.
    if (lba % kEccBlock || count % kEccBlock) return sense::InvalidAddressForWrite;
    if (end <= FormattedBlocks) return sense::Good;
    if (Intermediate && lba <= FormattedBlocks) return sense::Good;
    return sense::InvalidAddressForWrite;
}

void TMedium::RecordOverwrite(std::uint32_t lba, std::uint32_t count) {
    std::uint32_t end = lba + count;
    if (Kind == TMediumKind::DvdRwRestricted && end > FormattedBlocks) FormattedBlocks = end;
    // Only what lies beyond the last noted volume can start the next one.
    std::uint32_t grownEnd = Grown.empty() ? 0 : Grown.back().End;
    if (Grown.empty())
        RunLow = std::min(RunLow, lba);
    else if (end > grownEnd)
        RunLow = std::min(RunLow, std::max(lba, grownEnd));
    RunHigh = std::max(RunHigh, end);
}

void TMedium::NoteGrownVolume(const TSectorStore& store) {
    if (RunHigh == 0) return;
    std::vector<std::uint8_t> sector(kSectorSize);
    store.Read(16, 1, sector.data());
    if (sector[0] != 1 || !IsVolumeDescriptor(sector.data())) {
        // The descriptors at the start are gone (the disc was erased by
        // overwriting): no earlier volume is reachable any more.
        Grown.clear();
        RunLow = UINT32_MAX;
        RunHigh = 0;
        return;
    }
    std::uint32_t end = ReadLsb<std::uint32_t>(sector.data() + 80);
    std::uint32_t lastEnd = Grown.empty() ? 0 : Grown.back().End;
    // Some mastering tools give a later session's volume space size counted
    // from the session's start rather than from sector 0.
    if (!Grown.empty() && RunLow != UINT32_MAX && end <= RunLow) end += RunLow;
    if (RunHigh < end) return;  // the volume's data is not all written yet
    std::uint32_t start = 0;
    if (end <= lastEnd) {
        Grown.clear();  // a new volume from sector 0 replaced the old ones
    } else if (!Grown.empty()) {
        start = RunLow == UINT32_MAX ? lastEnd : RunLow;
    }
    auto collect = [&](std::uint32_t from, std::vector<std::uint8_t>& out) {
        for (std::uint32_t s = from; s < from + 32; ++s) {
            store.Read(s, 1, sector.data());
            if (!IsVolumeDescriptor(sector.data())) return false;
            out.insert(out.end(), sector.begin(), sector.end());
            if (sector[0] == 255) return true;
        }
        return false;
    };
    TGrownVolume volume{start, end, {}};
    if (start == 0 || !collect(start + 16, volume.Descriptors)) {
        volume.Descriptors.clear();
        collect(16, volume.Descriptors);
    }
    Grown.push_back(std::move(volume));
    RunLow = UINT32_MAX;
    RunHigh = 0;
}

// --- Common ---------------------------------------------------------------------------

std::uint32_t TMedium::RecordedEnd() const {
    const TKindTraits& t = Traits();
    if (t.Rom) return Capacity;
    if (t.Overwrite) return Kind == TMediumKind::DvdRwRestricted ? FormattedBlocks : (Formatted ? Capacity : 0);
    std::uint32_t end = 0;
    for (const auto& s : Sessions)
        for (const auto& track : s.Tracks) end = std::max(end, track.Closed ? track.End() : track.Nwa());
    return end;
}

TSense TMedium::CheckRead(std::uint32_t lba, std::uint32_t count) const {
    const TKindTraits& t = Traits();
    std::uint64_t end = std::uint64_t(lba) + count;
    if (t.Rom) return end > Capacity ? sense::LbaOutOfRange : sense::Good;
    if (t.Overwrite) {
        if (Kind == TMediumKind::DvdPlusRw && !Formatted) return sense::MediumNotFormatted;
        return end > RecordedEnd() ? sense::LbaOutOfRange : sense::Good;
    }
    for (std::uint64_t s = lba; s < end; ++s) {
        bool readable = false;
        for (const auto& session : Sessions)
            for (const auto& track : session.Tracks) {
                if (s >= track.Start && s < track.Nwa()) readable = true;
                // The run-out blocks of a track-at-once track hold no user data.
                else if (track.RunOut && s >= track.Nwa() && s < track.End())
                    return sense::IllegalModeForTrack;
            }
        if (!readable) return sense::LbaOutOfRange;
    }
    return sense::Good;
}

// The words the program's own disc information uses, so that the recorder
// and the program never describe one disc differently: blank, appendable,
// an incomplete last session, finalized.
std::string TMedium::StateName(double now) const {
    const TKindTraits& t = Traits();
    if (!Present()) return "empty";
    if (t.Rom) return "finalized (pressed)";
    if (t.Overwrite) {
        if (Kind == TMediumKind::DvdPlusRw && !Formatted) return "blank (unformatted)";
        const std::string use = Grown.empty() && RunHigh == 0 ? "blank" : "appendable";
        if (BackgroundAt(now) == TBackgroundFormat::Running) return use + " (formatting)";
        return use + (Intermediate ? " (formatted, intermediate)" : " (formatted)");
    }
    if (Finalized) return "finalized";
    if (Blank()) return "blank";
    return Sessions.back().Closed ? "appendable" : "incomplete (last session open)";
}

std::vector<TSessionInfo> TMedium::SessionList() const {
    std::vector<TSessionInfo> list;
    const TKindTraits& t = Traits();
    if (!Present()) return list;
    if (t.Rom) {
        list.push_back({1, 0, Capacity, true});
    } else if (t.Overwrite) {
        for (std::size_t i = 0; i < Grown.size(); ++i)
            list.push_back({int(i) + 1, Grown[i].Start, Grown[i].End - Grown[i].Start, true});
    } else {
        int number = 0;
        for (const auto& s : Sessions) {
            if (s.Tracks.empty()) continue;
            std::uint32_t start = s.Tracks.front().Start;
            std::uint32_t end = start;
            for (const auto& track : s.Tracks) end = std::max(end, track.Nwa());
            list.push_back({++number, start, end - start, s.Closed});
        }
    }
    return list;
}

// --- State file form ---------------------------------------------------------------------

std::string TMedium::Serialize() const {
    std::ostringstream out;
    out << "kind " << MediumKindName(Kind) << '\n';
    out << "capacity " << Capacity << '\n';
    if (!ImagePath.empty()) out << "image " << ImagePath << '\n';
    out << "next_session " << NextSessionStart << '\n';
    out << "finalized " << Finalized << '\n';
    out << "minimal_blank " << MinimallyBlanked << '\n';
    out << "formatted " << Formatted << ' ' << FormattedBlocks << ' ' << Intermediate << '\n';
    out << "background " << int(Background) << ' ' << BackgroundBase << ' ' << BackgroundExtent << '\n';
    out << "run " << RunLow << ' ' << RunHigh << '\n';
    if (!DvdTimestamp.empty()) out << "timestamp " << DvdTimestamp << '\n';
    for (const auto& s : Sessions) {
        out << "session " << s.Closed << '\n';
        for (const auto& t : s.Tracks)
            out << "track " << t.Start << ' ' << t.Recorded << ' ' << t.Reserved << ' ' << t.RunOut << ' ' << t.Closed
                << ' ' << t.Damaged << ' ' << t.Packet << '\n';
    }
    for (const auto& g : Grown) out << "grown " << g.Start << ' ' << g.End << ' ' << Hex(g.Descriptors) << '\n';
    return out.str();
}

bool NextStateLine(std::istream& in, std::string& line, std::string& key, std::istringstream& fields) {
    while (std::getline(in, line)) {
        fields.clear();
        fields.str(line);
        key.clear();
        fields >> key;
        if (!key.empty()) return true;
    }
    return false;
}

std::optional<TMedium> TMedium::Parse(const std::string& text, std::string* error) {
    TMedium m;
    std::istringstream in(text);
    std::string line;
    auto fail = [&](const std::string& why) -> std::optional<TMedium> {
        if (error) *error = "bad medium state: " + why;
        return std::nullopt;
    };
    std::istringstream fields;
    std::string key;
    while (NextStateLine(in, line, key, fields)) {
        if (key == "kind") {
            std::string name;
            fields >> name;
            auto kind = MediumKindFromName(name);
            if (!kind) return fail("unknown kind " + name);
            m.Kind = *kind;
        } else if (key == "capacity") {
            fields >> m.Capacity;
        } else if (key == "image") {
            std::getline(fields >> std::ws, m.ImagePath);
        } else if (key == "next_session") {
            fields >> m.NextSessionStart;
        } else if (key == "finalized") {
            fields >> m.Finalized;
        } else if (key == "minimal_blank") {
            fields >> m.MinimallyBlanked;
        } else if (key == "formatted") {
            fields >> m.Formatted >> m.FormattedBlocks >> m.Intermediate;
        } else if (key == "background") {
            int bg = 0;
            fields >> bg >> m.BackgroundBase >> m.BackgroundExtent;
            if (bg < 0 || bg > 3) return fail("background format state");
            m.Background = TBackgroundFormat(bg);
        } else if (key == "run") {
            fields >> m.RunLow >> m.RunHigh;
        } else if (key == "timestamp") {
            fields >> m.DvdTimestamp;
        } else if (key == "session") {
            TSession s;
            fields >> s.Closed;
            m.Sessions.push_back(s);
        } else if (key == "track") {
            if (m.Sessions.empty()) return fail("track outside a session");
            TTrack t;
            fields >> t.Start >> t.Recorded >> t.Reserved >> t.RunOut >> t.Closed >> t.Damaged >> t.Packet;
            m.Sessions.back().Tracks.push_back(t);
        } else if (key == "grown") {
            TGrownVolume g;
            std::string hex;
            fields >> g.Start >> g.End >> hex;
            auto bytes = Unhex(hex);
            if (!bytes) return fail("volume descriptors");
            g.Descriptors = std::move(*bytes);
            m.Grown.push_back(std::move(g));
        } else {
            return fail("unknown line '" + key + "'");
        }
        if (fields.fail()) return fail("line '" + line.substr(0, 40) + "'");
    }
    for (const auto& s : m.Sessions)
        if (s.Tracks.empty()) return fail("empty session");
    return m;
}

}  // namespace sorvane::vdrive
