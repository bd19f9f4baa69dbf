#pragma once
// Keeps the account's access token fresh: asks the platform for a token,
// logs the outcome and stores the token under access_token.
#include <string>

namespace gw {

// The platform API base, "https://api.weixin.qq.com" unless set (tests
// point it at a loopback mock). Any thread.
void set_api_base(const std::string& base);
std::string api_base();

// The two success wordings: at start-up and on the timer.
const std::string& startup_wording();
const std::string& timer_wording();

// Runs on the event-loop thread; blocks its caller (events keep running).
void refresh_access_token(const std::string& wording);

} // namespace gw
