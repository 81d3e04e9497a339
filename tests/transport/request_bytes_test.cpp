// The bytes of every request type as they reach the driver seam.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "RecordingFixture.h"

namespace kelvra::transport::test {
namespace {

using RequestBytesTest = RecordingFixture;

TEST_F(RequestBytesTest, ControlRequestIsARecordAndSixtyFourDataBytesOnAFreshHandle) {
    ASSERT_EQ(m_cam->WriteFpgaRegister(0x44, 0x12), 1);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    const Call& call = calls[0];
    EXPECT_EQ(call.code, driver::kIoctlControlTransfer);
    EXPECT_FALSE(call.overlapped);
    ASSERT_EQ(call.in.size(), 102u);
    EXPECT_EQ(call.outSize, 102u);
    const ControlView view = ViewControl(call);
    EXPECT_EQ(view.requestType, 0x40);
    EXPECT_EQ(view.request, 0x30);
    EXPECT_EQ(view.value, 3);
    EXPECT_EQ(view.index, 0x40);
    EXPECT_EQ(view.length, 102);  // the whole buffer, not the data area
    EXPECT_EQ(view.timeout, 3u);
    EXPECT_EQ(view.endpoint, 0);
    EXPECT_EQ(view.bufferOffset, 38u);
    EXPECT_EQ(view.bufferLength, 64u);
    EXPECT_EQ(call.in[12], 0);
    for (size_t i = 14; i < 30; ++i) EXPECT_EQ(call.in[i], 0) << "record byte " << i;
    std::vector<uint8_t> expected(64, 0);
    expected[0] = 0x44;
    expected[2] = 0x12;
    EXPECT_EQ(view.data, expected);
    EXPECT_EQ(m_backend.Opens(), m_backend.Closes()) << "the request's handle stays open";
}

TEST_F(RequestBytesTest, FpgaRegisterReadWritesTheNumberThenReadsTwoBytes) {
    m_backend.SetControlReply(0x31, {0x00, 0x7E});
    uint8_t value = 0;
    ASSERT_EQ(m_cam->ReadFpgaRegister(0x10, &value), 1);
    EXPECT_EQ(value, 0x7E);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    ASSERT_TRUE(IsControl(calls[0], 0x30));
    EXPECT_EQ(ViewControl(calls[0]).value, 1);
    EXPECT_EQ(ViewControl(calls[0]).index, 0x40);
    EXPECT_EQ(DataOf(calls[0], 2), Bytes({0x10, 0x00}));
    ASSERT_TRUE(IsControl(calls[1], 0x31));
    EXPECT_EQ(ViewControl(calls[1]).requestType, 0xC0);
    EXPECT_EQ(ViewControl(calls[1]).value, 2);
    EXPECT_EQ(ViewControl(calls[1]).index, 0x41);
}

TEST_F(RequestBytesTest, AuxiliaryDeviceUsesAddresses0x5AAnd0x5B) {
    ASSERT_EQ(m_cam->WriteAuxRegister(3, 9), 1);
    m_backend.SetControlReply(0x31, {0x6B});
    uint8_t value = 0;
    ASSERT_EQ(m_cam->ReadAuxRegister(3, &value), 1);
    EXPECT_EQ(value, 0x6B);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(ViewControl(calls[0]).index, 0x5A);
    EXPECT_EQ(ViewControl(calls[0]).value, 2);
    EXPECT_EQ(DataOf(calls[0], 2), Bytes({3, 9}));
    EXPECT_EQ(ViewControl(calls[1]).index, 0x5A);
    EXPECT_EQ(DataOf(calls[1], 1), Bytes({3}));
    ASSERT_TRUE(IsControl(calls[2], 0x31));
    EXPECT_EQ(ViewControl(calls[2]).index, 0x5B);
    EXPECT_EQ(ViewControl(calls[2]).value, 1);
}

TEST_F(RequestBytesTest, EepromWriteIsFollowedBy14msAndReadWaits10msBetweenItsPhases) {
    ASSERT_EQ(m_cam->WriteEeprom(0x1234, 0x56), 1);
    m_backend.SetControlReply(0x31, {0x99});
    uint8_t value = 0;
    ASSERT_EQ(m_cam->ReadEeprom(0x1080, &value), 1);
    EXPECT_EQ(value, 0x99);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 5u);
    ASSERT_TRUE(IsControl(calls[0], 0x30));
    EXPECT_EQ(ViewControl(calls[0]).index, 0xA2);
    EXPECT_EQ(ViewControl(calls[0]).value, 3);
    EXPECT_EQ(DataOf(calls[0], 3), Bytes({0x12, 0x34, 0x56}));
    ASSERT_TRUE(IsSleep(calls[1]));
    EXPECT_EQ(calls[1].sleepMs, 14u);
    ASSERT_TRUE(IsControl(calls[2], 0x30));
    EXPECT_EQ(ViewControl(calls[2]).index, 0xA2);
    EXPECT_EQ(DataOf(calls[2], 2), Bytes({0x10, 0x80}));
    ASSERT_TRUE(IsSleep(calls[3]));
    EXPECT_EQ(calls[3].sleepMs, 10u);
    ASSERT_TRUE(IsControl(calls[4], 0x31));
    EXPECT_EQ(ViewControl(calls[4]).index, 0xA3);
    EXPECT_EQ(ViewControl(calls[4]).value, 1);
}

TEST_F(RequestBytesTest, SensorRegistersTravelBigEndianOutAndLittleEndianBack) {
    ASSERT_EQ(m_cam->WriteSensorRegister(0x3012, 0xABCD), 1);
    m_backend.SetControlReply(0x3F, {0x34, 0x12});
    uint16_t value = 0;
    ASSERT_EQ(m_cam->ReadSensorRegister(0x3012, &value), 1);
    EXPECT_EQ(value, 0x1234);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    const ControlView write = ViewControl(calls[0]);
    EXPECT_EQ(write.requestType, 0x40);
    EXPECT_EQ(write.request, 0x3E);
    EXPECT_EQ(write.value, 0);
    EXPECT_EQ(write.index, 0);
    EXPECT_EQ(DataOf(calls[0], 5), Bytes({0x30, 0x12, 0xAB, 0xCD, 0x00}));
    const ControlView read = ViewControl(calls[1]);
    EXPECT_EQ(read.requestType, 0xC0);
    EXPECT_EQ(read.request, 0x3F);
    EXPECT_EQ(read.value, 0x3012);
}

TEST_F(RequestBytesTest, Register32WriteSplitsAddressBit15IntoValue) {
    ASSERT_EQ(m_cam->WriteRegister32(0x8123, 0xAABBCCDD), 1);
    ASSERT_EQ(m_cam->WriteRegister32(0x0123, 1), 1);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(ViewControl(calls[0]).request, 0xD0);
    EXPECT_EQ(ViewControl(calls[0]).value, 1);
    EXPECT_EQ(ViewControl(calls[0]).index, 0x0123);
    EXPECT_EQ(DataOf(calls[0], 4), Bytes({0xDD, 0xCC, 0xBB, 0xAA}));
    EXPECT_EQ(ViewControl(calls[1]).value, 0);
}

TEST_F(RequestBytesTest, ReadRegister16TakesTheValueOnlyFromAFullAnswer) {
    std::vector<uint8_t> full(64, 0);
    full[0] = 0x34;
    full[1] = 0x12;
    m_backend.SetControlReply(0xD1, full);
    uint16_t value = 0;
    ASSERT_EQ(m_cam->ReadRegister16(0x4567, &value), 1);
    EXPECT_EQ(value, 0x1234);
    EXPECT_EQ(ViewControl(Calls()[0]).index, 0x4567);
    EXPECT_EQ(ViewControl(Calls()[0]).requestType, 0xC0);

    m_backend.SetControlReply(0xD1, std::vector<uint8_t>(63, 0x77));
    value = 0xFFFF;
    EXPECT_EQ(m_cam->ReadRegister16(0x4567, &value), 1) << "the request itself succeeded";
    EXPECT_EQ(value, 0);
}

TEST_F(RequestBytesTest, ControlByteCommandsAndStreamRestart) {
    ASSERT_EQ(m_cam->WriteControlByte(0x1FF), 1);
    m_backend.SetControlReply(0x3D, {0x42});
    uint8_t control = 0;
    ASSERT_EQ(m_cam->ReadControlByte(&control), 1);
    EXPECT_EQ(control, 0x42);
    ASSERT_EQ(m_cam->SendCommandCC(), 1);
    ASSERT_EQ(m_cam->StreamRestart(), 1);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(ViewControl(calls[0]).request, 0x3C);
    EXPECT_EQ(DataOf(calls[0], 2), Bytes({0xFF, 0x00}));
    EXPECT_EQ(ViewControl(calls[1]).request, 0x3D);
    EXPECT_EQ(ViewControl(calls[1]).requestType, 0xC0);
    EXPECT_EQ(ViewControl(calls[2]).request, 0xCC);
    EXPECT_EQ(ViewControl(calls[2]).requestType, 0x42);
    EXPECT_EQ(ViewControl(calls[3]).request, 0xC0);
    EXPECT_EQ(ViewControl(calls[3]).requestType, 0x40);
    for (size_t i = 1; i < calls.size(); ++i) {
        EXPECT_EQ(ViewControl(calls[i]).data, std::vector<uint8_t>(64, 0)) << "request " << i;
    }
}

TEST_F(RequestBytesTest, BlocksAndStatusNeedAllSixtyFourBytes) {
    std::vector<uint8_t> block(64);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<uint8_t>(i);
    block[0] = 1;
    m_backend.SetControlReply(0xB0, block);
    m_backend.SetControlReply(0xB1, std::vector<uint8_t>(63, 7));
    m_backend.SetControlReply(0xC3, block);
    std::array<uint8_t, 64> out{};
    ASSERT_EQ(m_cam->ReadInfoBlockA(out.data()), 1);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), block.begin()));
    EXPECT_EQ(m_cam->ReadInfoBlockB(out.data()), 0);
    uint8_t status = 0;
    ASSERT_EQ(m_cam->ReadFpgaStatus(&status), 1);
    EXPECT_EQ(status, 1);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(ViewControl(calls[0]).request, 0xB0);
    EXPECT_EQ(ViewControl(calls[1]).request, 0xB1);
    EXPECT_EQ(ViewControl(calls[2]).request, 0xC3);
    for (const Call& call : calls) EXPECT_EQ(ViewControl(call).requestType, 0xC0);
}

TEST_F(RequestBytesTest, PipePortAndSpeedRequestsCarryNoRecord) {
    ASSERT_EQ(m_cam->ResetPipe(0x81), 1);
    ASSERT_EQ(m_cam->ResetParentPort(), 1);
    uint32_t speed = 0;
    ASSERT_EQ(m_cam->GetDeviceSpeed(&speed), 1);
    EXPECT_EQ(speed, driver::kSpeedSuperSpeed);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].code, driver::kIoctlResetPipe);
    EXPECT_EQ(calls[0].in, Bytes({0x81}));
    EXPECT_EQ(calls[1].code, driver::kIoctlResetPort);
    EXPECT_TRUE(calls[1].in.empty());
    EXPECT_EQ(calls[2].code, driver::kIoctlDeviceSpeed);
    EXPECT_EQ(calls[2].outSize, 4u);
}

TEST_F(RequestBytesTest, DirectTransferRecordHoldsOnlyTheEndpoint) {
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    auto handle = m_cam->OpenDevicePath(0, true);
    ASSERT_NE(handle, nullptr);
    m_backend.Clear();
    std::vector<uint8_t> data(100);
    uint32_t moved = 0;
    ASSERT_EQ(m_cam->DirectTransferTimed(handle.get(), data.data(), 100, 0x81, &moved, 1000), 1);
    EXPECT_EQ(moved, 100u);
    ASSERT_EQ(m_cam->DirectTransfer(handle.get(), data.data(), 100, 0x83, &moved), 1);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 3u);
    std::vector<uint8_t> record(38, 0);
    record[13] = 0x81;
    EXPECT_EQ(calls[0].code, driver::kIoctlDirectTransfer);
    EXPECT_EQ(calls[0].in, record);
    EXPECT_EQ(calls[0].outSize, 100u);
    EXPECT_TRUE(calls[0].overlapped);
    // DirectTransfer asks whether the stream is ready first, on the same handle.
    ASSERT_TRUE(IsControl(calls[1], 0xC2));
    EXPECT_EQ(ViewControl(calls[1]).requestType, 0x42);
    EXPECT_EQ(calls[1].handle, calls[0].handle);
    record[13] = 0x83;
    EXPECT_EQ(calls[2].in, record);
}

TEST_F(RequestBytesTest, DirectTransferRefusesWithoutStagingOrAboveSixtyFourMiB) {
    auto handle = m_cam->OpenDevicePath(0, true);
    m_backend.Clear();
    uint8_t byte = 0;
    uint32_t moved = 7;
    EXPECT_EQ(m_cam->DirectTransferTimed(handle.get(), &byte, 1, 0x81, &moved, 100), 0);
    EXPECT_EQ(moved, 0u);
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    m_backend.Clear();
    EXPECT_EQ(m_cam->DirectTransferTimed(handle.get(), &byte, 0x4000001, 0x81, &moved, 100), 0);
    EXPECT_EQ(m_cam->DirectTransferTimed(nullptr, &byte, 1, 0x81, &moved, 100), 0);
    EXPECT_TRUE(Calls().empty());
}

TEST_F(RequestBytesTest, StagedTransferLaysRecordAndDataOutInTheStagingBuffer) {
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    auto handle = m_cam->OpenDevicePath(0, true);
    m_backend.Clear();
    std::array<uint8_t, 4> data{1, 2, 3, 4};
    uint32_t moved = 0;
    ASSERT_EQ(m_cam->StagedTransfer(handle.get(), data.data(), 4, 0x0101, &moved), 1);
    EXPECT_EQ(moved, 4u);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].code, driver::kIoctlStagedTransfer);
    ASSERT_EQ(calls[0].in.size(), 42u);
    EXPECT_EQ(calls[0].outSize, 42u);
    EXPECT_EQ(calls[0].in[13], 0x01) << "the endpoint is the argument's low byte";
    EXPECT_EQ(Le32(&calls[0].in[30]), 38u);
    EXPECT_EQ(Le32(&calls[0].in[34]), 4u);
    EXPECT_EQ(DataOf(calls[0], 4), Bytes({1, 2, 3, 4}));
}

TEST_F(RequestBytesTest, MemoryCommandBlockAnnouncesEachChunkOnEndpoint0x01) {
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    m_backend.Clear();
    std::vector<uint8_t> buffer(10);
    ASSERT_EQ(m_cam->ReadMemory(0x123456000ull, buffer.data(), 10), 1);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    ASSERT_TRUE(IsDirect(calls[0], 0x01));
    EXPECT_TRUE(calls[0].overlapped) << "memory traffic uses the stream handle";
    const std::vector<uint8_t> block = {'A',  'U',  '3',  'R',  2, 0, 0,    0, 0x00, 0x60, 0x45,
                                        0x23, 0x01, 0x00, 0x00, 0, 0, 0x10, 0, 0,    0,    0,
                                        0,    0,    0,    0,    0, 0, 0,    0, 0,    0};
    EXPECT_EQ(calls[0].outData, block);
    ASSERT_TRUE(IsDirect(calls[1], 0x81));
    EXPECT_EQ(calls[1].outSize, 4096u);
    EXPECT_EQ(calls[1].handle, calls[0].handle);
}

TEST_F(RequestBytesTest, HeaderReadAsksTheStreamHandleWhetherTheStreamIsReady) {
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    ASSERT_EQ(m_cam->OpenStream(), 1);
    m_backend.Clear();
    m_backend.SetHook([](const Call& call, std::span<uint8_t>,
                         std::span<uint8_t> out) -> std::optional<driver::IoResult> {
        if (!IsDirect(call, 0x81) || out.size() != 64) return std::nullopt;
        std::fill(out.begin(), out.end(), uint8_t{0});
        out[32] = 0x78;
        out[33] = 0x56;
        return driver::IoResult{0, 64};
    });
    FrameRequest request;
    ASSERT_EQ(m_cam->ReadFrameHeader(request), 1);
    EXPECT_EQ(request.frameNumber, 0x5678u);
    EXPECT_EQ(request.header[32], 0x78);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    ASSERT_TRUE(IsControl(calls[0], 0xC2));
    EXPECT_EQ(ViewControl(calls[0]).requestType, 0x42);
    EXPECT_TRUE(calls[0].overlapped);
    ASSERT_TRUE(IsDirect(calls[1], 0x81));
    EXPECT_EQ(calls[1].outSize, 64u);
    EXPECT_EQ(calls[1].handle, calls[0].handle);
}

TEST_F(RequestBytesTest, AbortStreamAbortsPipe0x81OnTheStreamHandle) {
    EXPECT_EQ(m_cam->AbortStream(), 1) << "nothing to abort is still success";
    EXPECT_TRUE(Calls().empty());
    ASSERT_EQ(m_cam->OpenStream(), 1);
    ASSERT_EQ(m_cam->AbortStream(), 1);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].code, driver::kIoctlAbortPipe);
    EXPECT_EQ(calls[0].in, Bytes({0x81}));
    EXPECT_TRUE(calls[0].overlapped);
}

}  // namespace
}  // namespace kelvra::transport::test
