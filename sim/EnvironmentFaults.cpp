#include "sim/EnvironmentFaults.h"

#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace kelvra::sim {
namespace {

// Unplugs one camera after a delay on a thread of its own. The process-wide instance joins the
// thread at exit, so no thread outlives the simulator's objects.
class DelayedUnplug {
  public:
    ~DelayedUnplug() { cancel(); }

    void start(std::weak_ptr<SimCamera> camera, std::chrono::milliseconds delay) {
        cancel();
        std::lock_guard lock(mutex_);
        cancelled_ = false;
        thread_ = std::thread([this, camera = std::move(camera), delay] { run(camera, delay); });
    }

  private:
    void run(const std::weak_ptr<SimCamera>& camera, std::chrono::milliseconds delay) {
        std::unique_lock lock(mutex_);
        if (wake_.wait_for(lock, delay, [this] { return cancelled_; })) return;
        lock.unlock();
        if (auto target = camera.lock()) target->unplug();
    }

    void cancel() {
        std::thread thread;
        {
            std::lock_guard lock(mutex_);
            cancelled_ = true;
            thread = std::move(thread_);
        }
        wake_.notify_all();
        if (thread.joinable()) thread.join();
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    bool cancelled_ = false;
    std::thread thread_;
};

DelayedUnplug& delayedUnplug() {
    static DelayedUnplug instance;
    return instance;
}

bool isOne(const char* value) {
    return value != nullptr && std::string_view(value) == "1";
}

// A whole decimal number, `least` or more.
std::optional<int> parseWholeNumber(std::string_view text, int least) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < least) {
        return std::nullopt;
    }
    return value;
}

// The periodic loss of KELVRA_SIMULATED_LOSE_EVERY for every camera attached, or 0.
int loseEvery() {
    const char* value = std::getenv(kLoseEveryVariable);
    if (value == nullptr) return 0;
    const auto n = parseLoseEvery(value);
    if (!n) {
        std::fprintf(stderr, "kelvra: ignoring %s=\"%s\": not a whole number of 2 or more\n",
                     kLoseEveryVariable, value);
    }
    return n.value_or(0);
}

}  // namespace

std::optional<int> parseUnplugAfterMs(std::string_view text) {
    return parseWholeNumber(text, 0);
}

std::optional<int> parseLoseEvery(std::string_view text) {
    return parseWholeNumber(text, 2);
}

void applyEnvironmentFaults(const std::vector<std::shared_ptr<SimCamera>>& attached) {
    const bool unpaced = isOne(std::getenv(kUnpacedVariable));
    const bool testPattern = isOne(std::getenv(kTestPatternVariable));
    const int lose = loseEvery();
    for (const std::shared_ptr<SimCamera>& camera : attached) {
        if (!camera) continue;
        if (unpaced) camera->setPaced(false);
        if (testPattern) camera->setTestPattern(true);
        if (lose != 0) camera->loseEveryNthFrame(lose);
    }
    const char* value = std::getenv(kUnplugAfterMsVariable);
    if (value == nullptr || attached.empty() || !attached.front()) return;
    const auto delay = parseUnplugAfterMs(value);
    if (!delay) {
        std::fprintf(stderr, "kelvra: ignoring %s=\"%s\": not a number of milliseconds\n",
                     kUnplugAfterMsVariable, value);
        return;
    }
    delayedUnplug().start(attached.front(), std::chrono::milliseconds(*delay));
}

}  // namespace kelvra::sim
