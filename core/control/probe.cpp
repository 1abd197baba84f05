#include "core/control/probe.h"

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <string>

namespace moorix::PortCore {

namespace {

using Clock = std::chrono::steady_clock;

enum class Outcome { Answered, Refused, Failed };

bool curlReady() {
    // Thread-safe once: the first probe initialises libcurl before any handle exists.
    static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

Outcome headRequest(const std::string& url, long budgetMilliseconds) {
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(), curl_easy_cleanup);
    if (!handle) return Outcome::Failed;
    CURL* curl = handle.get();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, budgetMilliseconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // Loopback only: never hand the request to a proxy named in the environment.
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    const CURLcode result = curl_easy_perform(curl);
    if (result == CURLE_COULDNT_CONNECT) return Outcome::Refused;
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    return result == CURLE_OK && status > 0 ? Outcome::Answered : Outcome::Failed;
}

} // namespace

bool probe(std::int64_t port) {
    if (port < 1 || port > 65535 || !curlReady()) return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(probeBudgetMilliseconds);
    const std::string suffix = ":" + std::to_string(port) + "/";
    switch (headRequest("http://127.0.0.1" + suffix, probeBudgetMilliseconds)) {
    case Outcome::Answered:
        return true;
    case Outcome::Failed:
        return false;
    case Outcome::Refused:
        break;
    }
    // Current dev servers often listen on the IPv6 loopback only; they answer HTTP all the same.
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    return headRequest("http://[::1]" + suffix, static_cast<long>(left)) == Outcome::Answered;
}

} // namespace moorix::PortCore
