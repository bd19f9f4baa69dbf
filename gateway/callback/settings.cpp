#include "callback/settings.h"

#include "callback/text_routines.h"
#include "system/profile_file.h"
#include "system/program_paths.h"

namespace gw {

const std::string& settings_section() {
    static const std::string section = utf8_to_local("公众号配置");
    return section;
}

std::string settings_file_path() {
    static const std::string name = utf8_to_local("配置.ini");
    return program_path(name);
}

std::string read_setting(const std::string& key) {
    return read_profile_string(settings_file_path(), settings_section(), key);
}

void write_setting(const std::string& key, const std::string& value) {
    // A failed write is not reported; the old file stays whole.
    write_profile_string(settings_file_path(), settings_section(), key, value);
}

} // namespace gw
