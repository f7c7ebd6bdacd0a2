// The WinHTTP download with its redirect policy taken from another address,
// so that tests can start on plain http (the loopback server) and still check
// the policy of a transfer that started on https.
#pragma once

#include <string>

#include "platform/http/download.h"

namespace zarn {

// DownloadFile of `url`, following only the redirects that a transfer started
// at `policy_url` may follow.
bool DownloadWithPolicyOf(const std::string& policy_url, const std::string& url, const std::string& path,
                          const std::string& user_agent, const PieceObserver& observer, std::size_t max_bytes);

}  // namespace zarn
