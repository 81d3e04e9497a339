// The controller of one camera: everything the device core and the sensor drivers say to the
// camera goes through it. It finds cameras (the process-wide device table and the shared map),
// sends vendor control requests and I2C relays on fresh synchronous handles, and streams frame
// headers, frame bodies and memory-window data over one overlapped stream handle.
//
// Threads: control requests open their own handle and may run on any thread while another
// streams. The FPGA register and auxiliary-device exchanges are serialised by the I2C lock, the
// EEPROM exchanges by the EEPROM lock. The stream handle and the staging buffer belong to the
// transfer thread while it streams; AbortStream may be called from any thread to end its read.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "driver/Backend.h"
#include "driver/Guid.h"
#include "platform/CriticalSection.h"
#include "transport/BulkStream.h"
#include "transport/CControllerBase.h"
#include "transport/CFx3Api.h"
#include "transport/DeviceEntry.h"
#include "transport/FrameRequest.h"
#include "transport/RequestEncoding.h"

namespace kelvra {

class CNorluxCy3Cam : public CFx3Api, public CControllerBase {
  public:
    explicit CNorluxCy3Cam(const driver::Guid& guid = driver::kCameraInterfaceGuid);
    ~CNorluxCy3Cam() override;

    // Primary interface, slots 1-14 (slot 0 is the destructor).
    virtual int32_t OpenStream();
    virtual int32_t ReadFrameHeader(FrameRequest& request);
    virtual int32_t ReadFrameBody(FrameRequest& request, int32_t timeoutMs);
    virtual int32_t ReadFrameSync(FrameRequest& request);
    virtual int32_t ReadBlock(FrameRequest& request, uint32_t* length, int32_t timeoutMs);
    virtual int32_t CloseStream();
    virtual int32_t WriteMemory(uint64_t address, const uint8_t* data, uint32_t length);
    virtual int32_t ReadMemory(uint64_t address, uint8_t* data, uint32_t length);
    virtual int32_t WriteControlByte(uint32_t value);
    virtual int32_t ReadControlByte(uint8_t* value);
    virtual int32_t StagedTransfer(driver::DeviceHandle* handle, uint8_t* data, uint32_t length,
                                   uint32_t endpoint, uint32_t* moved);
    virtual int32_t DirectTransfer(driver::DeviceHandle* handle, uint8_t* data, uint32_t length,
                                   uint32_t endpoint, uint32_t* moved);
    virtual int32_t DirectTransferTimed(driver::DeviceHandle* handle, uint8_t* data,
                                        uint32_t length, uint32_t endpoint, uint32_t* moved,
                                        int32_t timeoutMs);
    virtual int32_t DirectTransferWrite(driver::DeviceHandle* handle, uint8_t* data,
                                        uint32_t length, uint32_t endpoint, uint32_t* moved);

    // CControllerBase, slots 2-19.
    void Release() override;
    int32_t SelectDevice(int32_t index) override;
    int32_t ReadFpgaWord(uint16_t* value) override;
    int32_t ReadFpgaStatus(uint8_t* value) override;
    int32_t SendCommandCC() override;
    int32_t I2cWrite(uint8_t address, const uint8_t* data, uint32_t count,
                     uint32_t timeoutMs) override;
    int32_t I2cRead(uint8_t address, uint8_t* data, uint32_t count, uint32_t timeoutMs) override;
    int32_t WriteRegister32(uint16_t address, uint32_t value) override;
    int32_t ReadRegister16(uint16_t address, uint16_t* value) override;
    int32_t WriteSensorRegister(uint16_t reg, uint16_t value) override;
    int32_t ReadSensorRegister(uint16_t reg, uint16_t* value) override;
    int32_t WriteFpgaRegister(uint8_t reg, uint8_t value) override;
    int32_t ReadFpgaRegister(uint8_t reg, uint8_t* value) override;
    int32_t WriteAuxRegister(uint8_t reg, uint8_t value) override;
    int32_t ReadAuxRegister(uint8_t reg, uint8_t* value) override;
    int32_t WriteEeprom(uint16_t address, uint8_t value) override;
    int32_t ReadEeprom(uint16_t address, uint8_t* value) override;
    int32_t AbortStream() override;
    bool DeviceGone() const override;

    // Discovery and the device table (process-wide, shared by every controller).
    int32_t Enumerate();
    std::unique_ptr<driver::DeviceHandle> OpenDevicePath(int32_t index, bool overlapped);
    static int32_t CloseDevicePath(std::unique_ptr<driver::DeviceHandle>& handle);
    int32_t IsDeviceOpenable(int32_t index);
    int32_t GetModelName(int32_t index, char* text, size_t size);
    int32_t GetDeviceCount() const;
    DeviceEntry GetDeviceEntry(int32_t index) const;
    int32_t FindDeviceIndex(int32_t productId, int32_t instance) const;
    int32_t GetSelectedIndex() const { return m_selectedIndex.load(); }
    const driver::Guid& GetInterfaceGuid() const { return m_guid; }

    // Requests the device core uses around the stream.
    int32_t ReadInfoBlockA(uint8_t* block);
    int32_t ReadInfoBlockB(uint8_t* block);
    int32_t StreamRestart();
    int32_t ResetParentPort();
    int32_t ResetPipe(uint8_t endpoint);
    int32_t GetDeviceSpeed(uint32_t* speed);
    int32_t AllocateStaging();
    uint32_t GetLastStreamError() const { return m_stream.LastStreamError(); }

    // Replaces the sleeps the protocol prescribes (EEPROM cycles, retry pauses); tests record
    // them instead of waiting. Default: a real sleep.
    void SetSleepFunction(transport::SleepFunction sleep);

  private:
    // A stream handle held for one operation, and whether that operation opened it.
    struct StreamUse {
        std::shared_ptr<driver::DeviceHandle> handle;
        bool openedHere = false;
    };

    int32_t Control(transport::ControlBuffer& buffer, uint32_t* dataBytes = nullptr);
    int32_t ControlIn(uint8_t request, uint16_t value, uint16_t index, uint32_t minimumBytes,
                      uint8_t* out, size_t outSize);
    int32_t SendStreamReady(driver::DeviceHandle& handle);
    int32_t DeviceIoctl(uint32_t code, std::span<uint8_t> in, std::span<uint8_t> out,
                        uint32_t* bytes = nullptr);
    uint16_t SelectedProductId() const;
    std::unique_ptr<driver::DeviceHandle> OpenSelected(bool overlapped);
    void NoteResult(uint32_t error);

    StreamUse UseStream();
    void EndStreamUse(const StreamUse& use);
    int32_t ReadHeaderOnce(driver::DeviceHandle& handle, FrameRequest& request, int32_t timeoutMs);
    void PulseReadoutRestart();
    int32_t ReadPiece(driver::DeviceHandle& handle, uint8_t* data, uint32_t available,
                      uint32_t offset, uint32_t piece, int32_t timeoutMs, uint32_t* moved);
    int32_t WritePiece(driver::DeviceHandle& handle, const uint8_t* data, uint32_t available,
                       uint32_t offset, uint32_t piece, uint32_t* moved);
    int32_t SendMemoryCommand(driver::DeviceHandle& handle, transport::MemoryDirection direction,
                              uint64_t address, uint32_t length);
    int32_t MoveMemory(transport::MemoryDirection direction, uint64_t address, uint8_t* data,
                       uint32_t length);

    std::atomic<int32_t> m_selectedIndex{0};
    std::atomic<bool> m_deviceGone{false};  // the selected device failed to open, or unplugged
    const driver::Guid m_guid;
    transport::BulkStream m_stream;  // stream handle, staging buffer, last stream error
    platform::CriticalSection m_i2cLock;
    platform::CriticalSection m_eepromLock;
};

}  // namespace kelvra
