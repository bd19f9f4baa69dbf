#include "system/profile_file.h"

#include "system/ascii_case.h"
#include "system/local_text.h"
#include "system/program_paths.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace gw {
namespace {

struct Line {
    std::string_view text;  // without its line end
    size_t begin = 0;       // offset of the line in the file
    size_t end = 0;         // offset just past its line end
};

std::vector<Line> split_lines(std::string_view data) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < data.size()) {
        size_t nl = data.find('\n', pos);
        size_t stop = nl == std::string_view::npos ? data.size() : nl;
        size_t text_end = stop;
        if (text_end > pos && data[text_end - 1] == '\r') --text_end;
        lines.push_back({data.substr(pos, text_end - pos), pos, nl == std::string_view::npos ? stop : nl + 1});
        pos = lines.back().end;
    }
    return lines;
}

// Blanks, and at the end also any '\r' among them: a line may end in
// "\r\r\n", of which split_lines takes off only the last pair.
std::string_view trim(std::string_view s) {
    s = trim_blanks(s);
    while (!s.empty() && s.back() == '\r') s = trim_blanks(s.substr(0, s.size() - 1));
    return s;
}

// The name of a section header line, or nothing for another line.
std::optional<std::string_view> section_name(std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    size_t close = line.find(']');
    std::string_view name = line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
    return trim(name);
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> key_line(std::string_view line) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return KeyLine{trim(line.substr(0, eq)), trim(line.substr(eq + 1))};
}

// Where a section and a key stand in the file.
struct Location {
    std::optional<size_t> section_line;  // index of the header line
    size_t section_end = 0;              // index past the section's last non-blank line
    std::optional<size_t> key_line;      // index of the key's line
};

Location locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Location loc;
    for (size_t i = 0; i < lines.size(); ++i) {
        auto name = section_name(lines[i].text);
        if (!name) continue;
        if (!equal_ignoring_case(*name, section)) continue;
        loc.section_line = i;
        loc.section_end = i + 1;
        for (size_t j = i + 1; j < lines.size() && !section_name(lines[j].text); ++j) {
            if (!trim(lines[j].text).empty()) loc.section_end = j + 1;
            auto kl = key_line(lines[j].text);
            if (kl && !loc.key_line && equal_ignoring_case(kl->key, key)) loc.key_line = j;
        }
        break;
    }
    return loc;
}

std::optional<std::string> read_file(std::string_view file) {
    std::ifstream in(to_native_path(file), std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool replace_file(std::string_view file, const std::string& data) {
    auto target = to_native_path(file);
    auto temp = target;
    temp += ".tmp";
#ifdef _WIN32
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out.write(data.data(), static_cast<std::streamsize>(data.size()))) return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    return !ec;
#else
    // A fresh file each time: a leftover temp file would keep its own mode,
    // and a link planted there would be written through.
    ::unlink(temp.c_str());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    size_t written = 0;
    bool ok = true;
    while (written < data.size()) {
        ssize_t n = ::write(fd, data.data() + written, data.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        written += static_cast<size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
#endif
}

} // namespace

std::string read_profile_string(std::string_view file, std::string_view section, std::string_view key) {
    auto data = read_file(file);
    if (!data) return {};
    auto lines = split_lines(*data);
    auto loc = locate(lines, section, key);
    if (!loc.key_line) return {};
    std::string_view value = key_line(lines[*loc.key_line].text)->value;
    // Like Windows: one pair of enclosing quotes is taken off.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    // A value ends at a NUL byte, as the C string it was read into did.
    value = until_nul(value);
    if (value.size() > kProfileValueLimit) value = value.substr(0, kProfileValueLimit);
    return std::string(value);
}

bool write_profile_string(std::string_view file, std::string_view section, std::string_view key,
                          std::string_view value) {
    auto existing = read_file(file);
    if (!existing) {
        // A file that is there but cannot be read (locked, no permission)
        // must not be replaced by one that holds only this key.
        std::error_code ec;
        if (std::filesystem::exists(to_native_path(file), ec) || ec) return false;
    }
    std::string data = existing.value_or(std::string());
    auto lines = split_lines(data);
    auto loc = locate(lines, section, key);

    // A line break in the value would come back as its first line only, and
    // the lines after it would read as keys or sections of their own,
    // shadowing the settings behind them. Keep the first line only.
    value = value.substr(0, value.find_first_of("\r\n"));
    std::string key_text = std::string(key) + "=" + std::string(value) + "\r\n";
    std::string out;
    if (loc.key_line) {
        const Line& line = lines[*loc.key_line];
        out = data.substr(0, line.begin) + key_text + data.substr(line.end);
    } else if (loc.section_line) {
        // After the section's last non-blank line; a last line without its
        // line end gets one first.
        const Line& last = lines[loc.section_end - 1];
        std::string before = data.substr(0, last.end);
        if (last.end == data.size() && !data.empty() && data.back() != '\n') before += "\r\n";
        out = before + key_text + data.substr(last.end);
    } else {
        out = data;
        if (!out.empty() && out.back() != '\n') out += "\r\n";
        out += "[" + std::string(section) + "]\r\n" + key_text;
    }
    return replace_file(file, out);
}

} // namespace gw
