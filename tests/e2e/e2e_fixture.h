#pragma once
// A program directory with a configuration file and plug-ins, and the real
// headless gateway running on it.
#include "support/gateway_process.h"
#include "support/raw_http.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace gw::test {

inline const std::string kToken = "tarnwellToken42";

// "[公众号配置]" with the given keys, written in code page 936 as the
// program keeps it. Keys and values are given in UTF-8.
void write_config(const std::filesystem::path& home, const std::vector<std::pair<std::string, std::string>>& keys);

// Copies plug-ins into home/plugin under the given names, in that order.
void install_plugins(const std::filesystem::path& home,
                     const std::vector<std::pair<std::filesystem::path, std::string>>& plugins);

std::filesystem::path test_plugin(const std::string& name);

// A verification GET with a valid signature unless `signature` is given.
std::string verification_request(const std::string& token, const std::string& echostr,
                                 const std::string& signature = {});

// A POST carrying `xml` (UTF-8) signed with the token.
std::string message_request(const std::string& token, const std::string& xml,
                            const std::string& nonce = "1234567890");

std::string text_message_xml(const std::string& content, const std::string& from_user = "oUSER",
                             const std::string& to_user = "gh_ACCOUNT");
std::string event_xml(const std::string& event, const std::string& from_user = "oUSER",
                      const std::string& to_user = "gh_ACCOUNT");

// The response head up to "Date: ", checked, and the time text after it.
testing::AssertionResult is_gateway_response(const std::string& response, const std::string& body);

class GatewayTest : public testing::Test {
protected:
    void start(const std::vector<std::string>& extra_args = {});
    // The gateway must end cleanly: no crash, and under the sanitizers no
    // leak or error report.
    void TearDown() override;
    TempDir home_;
    std::unique_ptr<GatewayProcess> gateway_;
};

} // namespace gw::test
