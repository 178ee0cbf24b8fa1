#pragma once

#include <cstdint>
#include <string>

namespace zolvantek::platform {

// The one-instance mark of a program in the user's session. The system drops it when the
// process ends in any way, a crash included, so a dead instance never blocks the next start.
class SingleInstance {
public:
    enum class State {
        First,           // this process holds the mark now
        AlreadyRunning,  // another process holds it
        Unknown,         // the mark could not be made; see error()
    };

    // Tries to take the mark named after `appId` (a reverse-DNS name) without waiting.
    explicit SingleInstance(const std::string& appId);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    State state() const { return state_; }
    const std::string& error() const { return error_; }

private:
    State state_ = State::Unknown;
    std::string error_;
    std::intptr_t handle_ = -1;
};

}  // namespace zolvantek::platform
