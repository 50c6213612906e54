// The TZif reader: the header's counts checked against the file's size, the
// 64-bit data of version 2 and later (the 32-bit data of version 1 only when
// there is nothing else), and the footer's rule parsed as TZ is.
#include "timezone/ZoneFile.h"

#include "text/FileKind.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace platform::timezone {

namespace {

constexpr std::size_t max_zone_file_size = 1 << 20;
constexpr std::size_t header_size = 44;

struct Counts {
    std::uint32_t isut, isstd, leap, time, type, chars;
};

class Bytes {
public:
    explicit Bytes(std::string const& bytes)
        : m_bytes(bytes)
    {
    }

    bool has(std::size_t at, std::size_t count) const { return at <= m_bytes.size() && count <= m_bytes.size() - at; }

    std::uint64_t big_endian(std::size_t at, int width) const
    {
        std::uint64_t value = 0;
        for (int i = 0; i < width; ++i)
            value = value << 8 | static_cast<unsigned char>(m_bytes[at + static_cast<std::size_t>(i)]);
        return value;
    }

    std::int64_t signed_value(std::size_t at, int width) const
    {
        std::uint64_t const value = big_endian(at, width);
        if (width == 4)
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        return static_cast<std::int64_t>(value);
    }

    std::string const& text() const { return m_bytes; }

private:
    std::string const& m_bytes;
};

std::optional<Counts> counts_at(Bytes const& bytes, std::size_t at)
{
    if (!bytes.has(at, header_size) || bytes.text().compare(at, 4, "TZif") != 0)
        return std::nullopt;
    auto const count = [&](int index) { return static_cast<std::uint32_t>(bytes.big_endian(at + 20 + 4 * static_cast<std::size_t>(index), 4)); };
    Counts const counts { count(0), count(1), count(2), count(3), count(4), count(5) };
    if (counts.type == 0 || counts.type > 256 || counts.chars == 0 || counts.time > max_zone_file_size)
        return std::nullopt;
    if (counts.leap > max_zone_file_size || counts.chars > max_zone_file_size)
        return std::nullopt;
    return counts;
}

std::size_t data_size(Counts const& c, int time_width)
{
    return std::size_t(c.time) * (std::size_t(time_width) + 1) + std::size_t(c.type) * 6 + c.chars
        + std::size_t(c.leap) * (std::size_t(time_width) + 4) + c.isstd + c.isut;
}

// The data block that starts at `at`; nothing when it does not fit or does not
// hold together.
std::optional<ZoneFile> parse_block(Bytes const& bytes, std::size_t at, Counts const& c, int width)
{
    if (!bytes.has(at, data_size(c, width)))
        return std::nullopt;
    ZoneFile zone;
    std::size_t const times = at;
    std::size_t const indices = times + std::size_t(c.time) * std::size_t(width);
    std::size_t const types = indices + c.time;
    std::size_t const chars = types + std::size_t(c.type) * 6;
    std::size_t const leaps = chars + c.chars;
    std::string const& text = bytes.text();

    for (std::uint32_t i = 0; i < c.type; ++i) {
        std::size_t const entry = types + 6 * std::size_t(i);
        ZoneFile::Type type;
        type.offset = static_cast<std::int32_t>(bytes.signed_value(entry, 4));
        type.daylight = text[entry + 4] != 0;
        auto const name_at = static_cast<unsigned char>(text[entry + 5]);
        if (name_at >= c.chars)
            return std::nullopt;
        std::size_t const name_end = text.find('\0', chars + name_at);
        if (name_end == std::string::npos || name_end >= leaps)
            return std::nullopt;
        type.abbreviation = text.substr(chars + name_at, name_end - chars - name_at);
        if (type.offset <= -26 * 3600 || type.offset >= 26 * 3600)
            return std::nullopt;
        zone.types.push_back(std::move(type));
    }

    // Leap seconds (the right/ zones) are taken out of the transitions, so that
    // they are on the device's clock, which has none.
    struct Leap {
        std::int64_t at;
        std::int64_t correction;
    };
    std::vector<Leap> leap_seconds;
    for (std::uint32_t i = 0; i < c.leap; ++i) {
        std::size_t const entry = leaps + std::size_t(i) * (std::size_t(width) + 4);
        leap_seconds.push_back({ bytes.signed_value(entry, width), bytes.signed_value(entry + std::size_t(width), 4) });
    }
    auto const correction = [&](std::int64_t t) {
        std::int64_t value = 0;
        for (auto const& leap : leap_seconds) {
            if (leap.at > t)
                break;
            value = leap.correction;
        }
        return value;
    };

    for (std::uint32_t i = 0; i < c.time; ++i) {
        std::int64_t const raw = bytes.signed_value(times + std::size_t(i) * std::size_t(width), width);
        auto const type = static_cast<unsigned char>(text[indices + i]);
        if (type >= c.type)
            return std::nullopt;
        std::int64_t const t = raw - correction(raw);
        if (!zone.transitions.empty() && t <= zone.transitions.back().at)
            return std::nullopt;
        zone.transitions.push_back({ t, type });
    }
    return zone;
}

std::optional<ZoneFile> parse_zone_file(std::string const& text)
{
    Bytes const bytes(text);
    auto const first = counts_at(bytes, 0);
    if (!first)
        return std::nullopt;
    char const version = text[4];
    if (version == '\0')
        return parse_block(bytes, header_size, *first, 4);

    std::size_t const second_header = header_size + data_size(*first, 4);
    auto const second = counts_at(bytes, second_header);
    if (!second)
        return std::nullopt;
    std::size_t const block = second_header + header_size;
    auto zone = parse_block(bytes, block, *second, 8);
    if (!zone)
        return std::nullopt;
    // The footer: a newline, the rule (possibly empty), a newline.
    std::size_t const footer = block + data_size(*second, 8);
    if (footer < text.size() && text[footer] == '\n') {
        std::size_t const footer_end = text.find('\n', footer + 1);
        if (footer_end != std::string::npos && footer_end > footer + 1)
            zone->rule = parse_posix_rule(std::string_view(text).substr(footer + 1, footer_end - footer - 1));
    }
    return zone;
}

}

ZoneFileRead read_zone_file(std::string const& path)
{
    // Never blocks: a FIFO opens at once with O_NONBLOCK, and is then refused.
    int const fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return {};
    struct stat st {};
    ZoneFileRead result;
    std::string bytes;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return {};
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        result.refused = text::file_kind(st.st_mode);
        return result;
    }
    if (static_cast<std::size_t>(st.st_size) <= max_zone_file_size) {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t const got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        bytes.resize(done);
    }
    ::close(fd);
    result.zone = parse_zone_file(bytes);
    return result;
}

ZoneFile::Type type_at(ZoneFile const& zone, std::int64_t t)
{
    if (zone.transitions.empty() || t < zone.transitions.front().at) {
        auto const standard = std::find_if(zone.types.begin(), zone.types.end(),
                                           [](ZoneFile::Type const& type) { return !type.daylight; });
        return standard != zone.types.end() ? *standard : zone.types.front();
    }
    if (t >= zone.transitions.back().at && zone.rule) {
        PosixRule const& rule = *zone.rule;
        bool const daylight = is_daylight_at(rule, t);
        return { daylight ? rule.daylight_offset : rule.standard_offset, daylight,
                 daylight ? rule.daylight_name : rule.standard_name };
    }
    auto const after = std::upper_bound(zone.transitions.begin(), zone.transitions.end(), t,
                                        [](std::int64_t at, ZoneFile::Transition const& tr) { return at < tr.at; });
    return zone.types[std::prev(after)->type];
}

std::vector<std::int64_t> change_candidates(ZoneFile const& zone, std::int64_t from, std::int64_t to)
{
    std::vector<std::int64_t> candidates;
    for (auto const& transition : zone.transitions) {
        if (transition.at >= from && transition.at < to)
            candidates.push_back(transition.at);
    }
    if (zone.rule && zone.rule->has_daylight) {
        PosixRule const& rule = *zone.rule;
        for (int year = utc_year(from) - 1; year <= utc_year(to) + 1; ++year) {
            candidates.push_back(change_in_year(rule.start, year, rule.standard_offset));
            candidates.push_back(change_in_year(rule.end, year, rule.daylight_offset));
            candidates.push_back(utc_year_start(year));
        }
    }
    std::erase_if(candidates, [&](std::int64_t t) { return t < from || t >= to; });
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    return candidates;
}

ZoneFile zone_of_rule(PosixRule const& rule)
{
    ZoneFile zone;
    zone.types.push_back({ rule.standard_offset, false, rule.standard_name });
    zone.transitions.push_back({ std::numeric_limits<std::int64_t>::min(), 0 });
    zone.rule = rule;
    return zone;
}

}
