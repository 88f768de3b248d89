#include "platform/IniFile.h"

// Linux: our own reader and writer of profile files, following the rules of the Windows profile
// API.

#include "platform/Text.h"
#include "platform/Errors.h"

#include <cstdio>
#include <memory>
#include <string_view>
#include <vector>

namespace tarrow {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}


// One physical line of the file: where it starts, where its text ends (before CR LF / LF), and
// where the next line starts.
struct Line {
    std::size_t begin;
    std::size_t end;
    std::size_t next;
};

std::vector<Line> SplitLines(const std::string& text)
{
    std::vector<Line> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto nl = text.find('\n', pos);
        std::size_t next = nl == std::string::npos ? text.size() : nl + 1;
        std::size_t end = nl == std::string::npos ? text.size() : nl;
        if (end > pos && text[end - 1] == '\r') --end;
        lines.push_back({pos, end, next});
        pos = next;
    }
    return lines;
}

std::optional<std::string_view> SectionName(std::string_view line)
{
    line = Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

// Where the key's value lies within one line, when the line is "key = value".
struct KeyMatch {
    std::size_t valueBegin;  // after "=" and the blanks that follow it
    std::size_t valueEnd;    // before the trailing blanks
};

std::optional<KeyMatch> MatchKey(std::string_view line, std::string_view key)
{
    auto eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    if (!SameText(Trim(line.substr(0, eq)), key)) return std::nullopt;
    std::size_t b = eq + 1;
    while (b < line.size() && IsBlank(line[b])) ++b;
    std::size_t e = line.size();
    while (e > b && IsBlank(line[e - 1])) --e;
    return KeyMatch{b, e};
}

// Where a key sits in the file text, or where its section is, or neither.
struct Location {
    bool sectionFound = false;
    std::size_t sectionInsertAt = 0;  // after the section's last non-empty line
    bool keyFound = false;
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0;
};

Location Locate(const std::string& text, const std::string& section, const std::string& key)
{
    Location loc;
    bool inSection = false;
    for (const Line& line : SplitLines(text)) {
        std::string_view content(text.data() + line.begin, line.end - line.begin);
        if (auto name = SectionName(content)) {
            if (inSection) break;  // the first section of that name is the one that counts
            inSection = SameText(*name, section);
            if (inSection) {
                loc.sectionFound = true;
                loc.sectionInsertAt = line.next;
            }
            continue;
        }
        if (!inSection) continue;
        if (!Trim(content).empty()) loc.sectionInsertAt = line.next;
        if (auto match = MatchKey(content, key)) {
            loc.keyFound = true;
            loc.valueBegin = line.begin + match->valueBegin;
            loc.valueEnd = line.begin + match->valueEnd;
            return loc;
        }
    }
    return loc;
}

std::optional<std::string> ReadWholeFile(const std::string& fileName)
{
    // Read in one piece: the web service client reads Tarrow.conf before every call.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "rb"), std::fclose);
    if (!file) return std::nullopt;
    std::setvbuf(file.get(), nullptr, _IONBF, 0);  // our buffer is the only one: no stat, no copy
    std::string text;
    char buffer[8192];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, n);
    // A name that opens but cannot be read (a directory) counts as no file, as with the
    // platform's profile API.
    if (std::ferror(file.get())) return std::nullopt;
    return text;
}

}  // namespace

std::optional<std::string> TIniFile::Read(const std::string& section, const std::string& key) const
{
    auto text = ReadWholeFile(fileName_);
    if (!text) return std::nullopt;
    Location loc = Locate(*text, section, key);
    if (!loc.keyFound) return std::nullopt;
    std::string value = text->substr(loc.valueBegin, loc.valueEnd - loc.valueBegin);
    if (value.size() > kMaxValueLength) value.resize(kMaxValueLength);
    return value;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value)
{
    std::string text = ReadWholeFile(fileName_).value_or(std::string());
    // New lines follow the file's own convention; a new file gets the platform's CR LF.
    const bool lfOnly = text.find('\n') != std::string::npos && text.find("\r\n") == std::string::npos;
    const std::string eol = lfOnly ? "\n" : "\r\n";

    Location loc = Locate(text, section, key);
    if (loc.keyFound) {
        text.replace(loc.valueBegin, loc.valueEnd - loc.valueBegin, value);
    } else if (loc.sectionFound) {
        std::string line = key + "=" + value + eol;
        std::size_t at = loc.sectionInsertAt;
        if (at > 0 && text[at - 1] != '\n') {
            line.insert(0, eol);  // the section's last line had no line end
        }
        text.insert(at, line);
    } else {
        if (!text.empty() && text.back() != '\n') text += eol;
        text += "[" + section + "]" + eol + key + "=" + value + eol;
    }

    std::FILE* file = std::fopen(fileName_.c_str(), "wb");
    bool ok = file != nullptr;
    if (ok) {
        ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
        ok = (std::fclose(file) == 0) && ok;
    }
    if (!ok) throw EIniFileException("Unable to write to " + fileName_);
}

}  // namespace tarrow
