#pragma once
// Reader and writer of Windows-style profile (.ini) files, behaving as the
// Windows profile functions do for the calls this program makes:
// section and key names match without regard to ASCII letter case, a
// missing file, section or key reads as empty text, a value comes back with
// at most 10239 bytes, and writing keeps every other line of the file.
#include <string>
#include <string_view>

namespace gw {

inline constexpr size_t kProfileValueLimit = 10239;

// All texts are local text; `file` is a local-text path.
std::string read_profile_string(std::string_view file, std::string_view section, std::string_view key);

// Creates the file and the section when missing. A value is written up to
// its first line break, which is all a reader could get back of it. The file is replaced in
// one step (a new file renamed over the old one), so a reader never sees it
// half-written; a new file is readable by its owner only. Returns false
// when the file could not be written; the old file then stays as it was.
bool write_profile_string(std::string_view file, std::string_view section, std::string_view key,
                          std::string_view value);

} // namespace gw
