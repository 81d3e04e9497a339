// The primary base of the controller: it holds the controller's attachment to the shared device
// map (attached on construction, detached on destruction) and the debug-log path.
#pragma once

#include <functional>
#include <string>

#include "transport/DeviceTable.h"
#include "transport/SharedDeviceMap.h"

namespace kelvra {

class CFx3Api {
  public:
    CFx3Api();
    CFx3Api(const CFx3Api&) = delete;
    CFx3Api& operator=(const CFx3Api&) = delete;
    virtual ~CFx3Api();

    const std::string& LogPath() const { return m_logPath; }
    void DebugLog(const char* format, ...) const __attribute__((format(printf, 2, 3)));
    bool IsDeviceMapShared() const;

    static void SetDeviceMapName(std::string name);

  protected:
    void UpdateDeviceTable(const std::function<void(transport::DeviceTable&)>& change);

  private:
    transport::SharedDeviceMap m_map;  // guarded by the process table's lock
    std::string m_logPath;
};

}  // namespace kelvra
