// A shared device map of the test's own: test programs running side by side must not share
// "U3Q6-MemMap", and each test starts from a map nobody used.
#pragma once

#include <unistd.h>

#include <atomic>
#include <string>

#include "platform/SharedMemory.h"
#include "transport/CFx3Api.h"
#include "transport/SharedDeviceMap.h"

namespace kelvra::transport::test {

class PrivateDeviceMap {
  public:
    explicit PrivateDeviceMap(const char* prefix = "kelvra-transport-test-") {
        static std::atomic<int> counter{0};
        m_name = prefix + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
        // A killed run of an earlier process with this pid can leave its map behind.
        Unlink();
        CFx3Api::SetDeviceMapName(m_name);
    }
    ~PrivateDeviceMap() { Unlink(); }
    PrivateDeviceMap(const PrivateDeviceMap&) = delete;
    PrivateDeviceMap& operator=(const PrivateDeviceMap&) = delete;

    const std::string& Name() const { return m_name; }

  private:
    void Unlink() const {
        platform::SharedMemory::Unlink(m_name);
        platform::SharedMemory::Unlink(DeviceMapUsersName(m_name));
    }

    std::string m_name;
};

}  // namespace kelvra::transport::test
