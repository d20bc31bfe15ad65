#include "tracklists/tag_protocol.h"

#include <vector>

namespace plattera {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void appendEscaped(std::string& line, std::string_view value)
{
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || c == '\\') {
            line += "\\x";
            line += kHexDigits[byte >> 4];
            line += kHexDigits[byte & 15];
        } else {
            line += c;
        }
    }
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> unescaped(std::string_view field)
{
    std::string value;
    value.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            value += field[i];
            continue;
        }
        if (i + 3 >= field.size() || field[i + 1] != 'x')
            return std::nullopt;
        const int high = hexValue(field[i + 2]);
        const int low = hexValue(field[i + 3]);
        if (high < 0 || low < 0)
            return std::nullopt;
        value += static_cast<char>(high * 16 + low);
        i += 3;
    }
    return value;
}

std::vector<std::string_view> fields(std::string_view line)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string_view::npos;
         tab = line.find('\t', start)) {
        parts.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    parts.push_back(line.substr(start));
    return parts;
}

} // namespace

std::string encodeTagRecord(const TagRecord& record)
{
    std::string line;
    if (!record.problem.empty()) {
        line = "error\t";
        appendEscaped(line, record.problem);
    } else {
        line = "tags";
        for (const std::string* value :
             {&record.title, &record.artist, &record.albumArtist, &record.album, &record.disc,
              &record.track, &record.frontPicture, &record.backPicture}) {
            line += '\t';
            appendEscaped(line, *value);
        }
    }
    line += '\n';
    return line;
}

std::optional<TagRecord> decodeTagRecord(std::string_view line)
{
    const std::vector<std::string_view> parts = fields(line);
    std::vector<std::string> values;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        std::optional<std::string> value = unescaped(parts[i]);
        if (!value)
            return std::nullopt;
        values.push_back(std::move(*value));
    }
    TagRecord record;
    if (parts[0] == "error" && values.size() == 1 && !values[0].empty()) {
        record.problem = std::move(values[0]);
        return record;
    }
    if (parts[0] != "tags" || values.size() != 8)
        return std::nullopt;
    record.title = std::move(values[0]);
    record.artist = std::move(values[1]);
    record.albumArtist = std::move(values[2]);
    record.album = std::move(values[3]);
    record.disc = std::move(values[4]);
    record.track = std::move(values[5]);
    record.frontPicture = std::move(values[6]);
    record.backPicture = std::move(values[7]);
    return record;
}

} // namespace plattera
