// Limits, rounding, chunking and retry rules of the controller's requests.
#include <gtest/gtest.h>

#include <memory>
#include <numeric>

#include "RecordingFixture.h"
#include "transport/LittleEndian.h"

namespace kelvra::transport::test {
namespace {

using TransferRulesTest = RecordingFixture;

std::vector<Call> DirectCalls(const std::vector<Call>& calls, uint8_t endpoint) {
    std::vector<Call> out;
    for (const Call& call : calls) {
        if (IsDirect(call, endpoint)) out.push_back(call);
    }
    return out;
}

// A heap buffer of exactly `size` bytes, so that AddressSanitizer sees any write past it.
std::unique_ptr<uint8_t[]> ExactBuffer(size_t size) {
    return std::make_unique<uint8_t[]>(size);
}

TEST_F(TransferRulesTest, I2cCountsAbove64FailWithoutIo) {
    std::vector<uint8_t> data(65, 1);
    EXPECT_EQ(m_cam->I2cWrite(0x40, data.data(), 65, 3000), 0);
    EXPECT_EQ(m_cam->I2cRead(0x41, data.data(), 65, 3000), 0);
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(m_backend.Opens(), 1) << "not even a handle was opened (1 = enumeration probe)";

    EXPECT_EQ(m_cam->I2cWrite(0x40, data.data(), 64, 3000), 1);
    EXPECT_EQ(m_cam->I2cRead(0x41, data.data(), 64, 3000), 1);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(ViewControl(calls[0]).value, 64);
    EXPECT_EQ(ViewControl(calls[1]).value, 64);
}

TEST_F(TransferRulesTest, I2cReadFailsWhenFewerBytesCameBackThanAsked) {
    m_backend.SetControlReply(0x31, {0x11});
    std::array<uint8_t, 2> data{0xEE, 0xEE};
    EXPECT_EQ(m_cam->I2cRead(0x41, data.data(), 2, 3000), 0);
    EXPECT_EQ(data[0], 0xEE) << "nothing is copied from a short answer";
    uint8_t value = 0;
    EXPECT_EQ(m_cam->ReadFpgaRegister(0x10, &value), 0);
}

TEST_F(TransferRulesTest, StalledControlRequestFails) {
    m_backend.SetHook([](const Call& call, std::span<uint8_t> in,
                         std::span<uint8_t>) -> std::optional<driver::IoResult> {
        if (call.code != driver::kIoctlControlTransfer) return std::nullopt;
        in[18] = 4;  // USB status: stall
        return driver::IoResult{driver::kErrorSuccess, 102};
    });
    uint8_t status = 0;
    EXPECT_EQ(m_cam->ReadFpgaStatus(&status), 0) << "a status word that is not 0 is a failure";
    EXPECT_EQ(m_cam->StreamRestart(), 0);
}

struct MemoryCase {
    uint32_t length;
    std::vector<uint32_t> chunks;
};

class ReadMemoryChunks : public RecordingFixture,
                         public ::testing::WithParamInterface<MemoryCase> {};

TEST_P(ReadMemoryChunks, RoundsUpAndMovesWholeChunksWithinTheCallersBuffer) {
    const MemoryCase& c = GetParam();
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    m_backend.Clear();
    auto buffer = ExactBuffer(c.length);
    const uint64_t address = 0x40000;
    ASSERT_EQ(m_cam->ReadMemory(address, buffer.get(), c.length), 1);
    const auto calls = Calls();
    const auto commands = DirectCalls(calls, 0x01);
    const auto reads = DirectCalls(calls, 0x81);
    ASSERT_EQ(commands.size(), c.chunks.size());
    ASSERT_EQ(reads.size(), c.chunks.size());
    uint64_t offset = 0;
    for (size_t i = 0; i < c.chunks.size(); ++i) {
        const uint8_t* block = commands[i].outData.data();
        EXPECT_EQ(Le32(block + 8) | (uint64_t(Le32(block + 12)) << 32), address + offset);
        EXPECT_EQ(Le32(block + 16), c.chunks[i]) << "chunk " << i;
        EXPECT_EQ(reads[i].outSize, c.chunks[i]) << "chunk " << i;
        offset += c.chunks[i];
    }
    EXPECT_EQ(buffer[0], 0x5A);
    EXPECT_EQ(buffer[c.length - 1], 0x5A);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ReadMemoryChunks,
                         ::testing::Values(MemoryCase{1, {4096}}, MemoryCase{4096, {8192}},
                                           MemoryCase{0x1800000, {0x1000000, 0x801000}}));

TEST_F(TransferRulesTest, MemoryLengthThatCannotBeRoundedFailsWithoutIo) {
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    m_backend.Clear();
    uint8_t byte = 0;
    EXPECT_EQ(m_cam->ReadMemory(0, &byte, 0xFFFFF000u), 0);
    EXPECT_EQ(m_cam->WriteMemory(0, &byte, 0xFFFFFFFFu), 0);
    EXPECT_EQ(m_cam->ReadMemory(0, nullptr, 16), 0);
    EXPECT_TRUE(Calls().empty());
}

TEST_F(TransferRulesTest, WriteMemoryPadsTheRoundedTailWithZerosNotCallerMemory) {
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    m_backend.Clear();
    auto data = ExactBuffer(5000);
    for (uint32_t i = 0; i < 5000; ++i) data[i] = static_cast<uint8_t>(i * 7 + 1);
    ASSERT_EQ(m_cam->WriteMemory(0x2000, data.get(), 5000), 1);
    const auto writes = DirectCalls(Calls(), 0x01);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(std::string(writes[0].outData.begin(), writes[0].outData.begin() + 4), "AU3W");
    EXPECT_EQ(Le32(writes[0].outData.data() + 16), 8192u);
    const std::vector<uint8_t>& sent = writes[1].outData;
    ASSERT_EQ(sent.size(), 8192u);
    EXPECT_TRUE(std::equal(sent.begin(), sent.begin() + 5000, data.get()));
    EXPECT_TRUE(std::all_of(sent.begin() + 5000, sent.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(TransferRulesTest, ShortMemoryChunkFailsTheRead) {
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    m_backend.SetHook([](const Call& call, std::span<uint8_t>,
                         std::span<uint8_t> out) -> std::optional<driver::IoResult> {
        if (!IsDirect(call, 0x81)) return std::nullopt;
        return driver::IoResult{0, static_cast<uint32_t>(out.size() - 1024)};
    });
    std::vector<uint8_t> buffer(100);
    EXPECT_EQ(m_cam->ReadMemory(0, buffer.data(), 100), 0);
}

class FrameBodyChunks
    : public RecordingFixture,
      public ::testing::WithParamInterface<std::pair<uint32_t, std::vector<uint32_t>>> {};

TEST_P(FrameBodyChunks, BodyIsReadIn512KiBChunksRemainderLast) {
    const auto& [length, chunks] = GetParam();
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    m_backend.Clear();
    auto body = ExactBuffer(length);
    FrameRequest request;
    StoreU32(request.header + kHeaderBodyLengthOffset, length);
    request.destination = body.get();
    request.capacity = length;
    ASSERT_EQ(m_cam->ReadFrameBody(request, 2000), 1);
    const auto reads = DirectCalls(Calls(), 0x81);
    ASSERT_EQ(reads.size(), chunks.size());
    for (size_t i = 0; i < chunks.size(); ++i) EXPECT_EQ(reads[i].outSize, chunks[i]);
    EXPECT_EQ(m_backend.Opens(), m_backend.Closes()) << "a stream it opened is closed again";
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, FrameBodyChunks,
    ::testing::Values(std::make_pair(0x80000u, std::vector<uint32_t>{0x80000}),
                      std::make_pair(0x80001u, std::vector<uint32_t>{0x80000, 1}),
                      std::make_pair(0x100000u, std::vector<uint32_t>{0x80000, 0x80000})));

TEST_F(TransferRulesTest, BodyLongerThanCapacityFailsWithoutReading) {
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    m_backend.Clear();
    const int opens = m_backend.Opens();
    std::vector<uint8_t> body(1000);
    FrameRequest request;
    StoreU32(request.header + kHeaderBodyLengthOffset, 1001);
    request.destination = body.data();
    request.capacity = 1000;
    EXPECT_EQ(m_cam->ReadFrameBody(request, 2000), 0);
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(m_backend.Opens(), opens);
}

TEST_F(TransferRulesTest, AnyFailedBodyChunkFailsTheBody) {
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    int reads = 0;
    m_backend.SetHook([&reads](const Call& call, std::span<uint8_t>,
                               std::span<uint8_t>) -> std::optional<driver::IoResult> {
        if (!IsDirect(call, 0x81) || ++reads != 2) return std::nullopt;
        return driver::IoResult{driver::kErrorGenFailure, 0};
    });
    std::vector<uint8_t> body(0x180000);
    FrameRequest request;
    StoreU32(request.header + kHeaderBodyLengthOffset, 0x180000);
    request.destination = body.data();
    request.capacity = 0x180000;
    EXPECT_EQ(m_cam->ReadFrameBody(request, 2000), 0);
    EXPECT_EQ(reads, 2) << "no chunk after the failed one";
}

// Fails the first `failures` header reads, then answers a header with frame number 77.
RecordingBackend::Hook FailHeaders(int failures) {
    auto left = std::make_shared<int>(failures);
    return [left](const Call& call, std::span<uint8_t>,
                  std::span<uint8_t> out) -> std::optional<driver::IoResult> {
        if (!IsDirect(call, 0x81) || out.size() != 64) return std::nullopt;
        if ((*left)-- > 0) return driver::IoResult{driver::kErrorSemTimeout, 0};
        std::fill(out.begin(), out.end(), uint8_t{0});
        out[32] = 77;
        return driver::IoResult{0, 64};
    };
}

TEST_F(TransferRulesTest, LostHeaderRestartsFpgaReadoutThenPausesBeforeTheNextTry) {
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    ASSERT_EQ(m_cam->OpenStream(), 1);
    m_backend.Clear();
    m_backend.SetHook(FailHeaders(2));
    FrameRequest request;
    ASSERT_EQ(m_cam->ReadFrameHeader(request), 1);
    EXPECT_EQ(request.frameNumber, 77u);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 12u);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const size_t at = static_cast<size_t>(attempt) * 5;
        EXPECT_TRUE(IsControl(calls[at], 0xC2));
        EXPECT_TRUE(IsDirect(calls[at + 1], 0x81));
        ASSERT_TRUE(IsControl(calls[at + 2], 0x30));
        EXPECT_EQ(ViewControl(calls[at + 2]).index, 0x40);
        EXPECT_EQ(DataOf(calls[at + 2], 3), Bytes({0x6C, 0x00, 0x01}));
        ASSERT_TRUE(IsControl(calls[at + 3], 0x30));
        EXPECT_EQ(DataOf(calls[at + 3], 3), Bytes({0x6C, 0x00, 0x00}));
        ASSERT_TRUE(IsSleep(calls[at + 4]));
        EXPECT_EQ(calls[at + 4].sleepMs, 10u);
    }
    EXPECT_TRUE(IsControl(calls[10], 0xC2));
    EXPECT_TRUE(IsDirect(calls[11], 0x81));
}

TEST_F(TransferRulesTest, HeaderReadGivesUpAfterFifteenTriesAndClosesTheStreamItOpened) {
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    m_backend.Clear();
    m_backend.SetHook(FailHeaders(1000));
    FrameRequest request;
    request.header[5] = 0xEE;
    EXPECT_EQ(m_cam->ReadFrameHeader(request), 0);
    const auto calls = Calls();
    EXPECT_EQ(
        std::count_if(calls.begin(), calls.end(), [](const Call& c) { return IsControl(c, 0xC2); }),
        15);
    EXPECT_EQ(request.header[5], 0) << "the header is cleared";
    EXPECT_EQ(m_backend.Opens(), m_backend.Closes());
}

TEST_F(TransferRulesTest, HeaderReadStopsWhenTheReadyQueryFails) {
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    m_backend.Clear();
    m_backend.SetHook([](const Call& call, std::span<uint8_t>,
                         std::span<uint8_t>) -> std::optional<driver::IoResult> {
        if (!IsControl(call, 0xC2)) return std::nullopt;
        return driver::IoResult{driver::kErrorGenFailure, 0};
    });
    FrameRequest request;
    EXPECT_EQ(m_cam->ReadFrameHeader(request), 0);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(IsControl(calls[0], 0xC2));
}

TEST_F(TransferRulesTest, DirectTransferFailsOnAStatusWordAndPausesOneMillisecond) {
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    auto handle = m_cam->OpenDevicePath(0, true);
    m_backend.Clear();
    m_backend.SetHook([](const Call& call, std::span<uint8_t> in,
                         std::span<uint8_t> out) -> std::optional<driver::IoResult> {
        if (!IsDirect(call, 0x81)) return std::nullopt;
        in[14] = 1;  // driver status
        return driver::IoResult{0, static_cast<uint32_t>(out.size())};
    });
    std::array<uint8_t, 64> data{};
    uint32_t moved = 99;
    EXPECT_EQ(m_cam->DirectTransferTimed(handle.get(), data.data(), 64, 0x81, &moved, 100), 0);
    EXPECT_EQ(moved, 0u);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 2u);
    ASSERT_TRUE(IsSleep(calls[1]));
    EXPECT_EQ(calls[1].sleepMs, 1u);
}

TEST_F(TransferRulesTest, StagedAnswerLargerThanTheCallersLengthFails) {
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    auto handle = m_cam->OpenDevicePath(0, true);
    m_backend.SetHook([](const Call& call, std::span<uint8_t>,
                         std::span<uint8_t>) -> std::optional<driver::IoResult> {
        if (call.code != driver::kIoctlStagedTransfer) return std::nullopt;
        return driver::IoResult{0, 38 + 9};
    });
    std::array<uint8_t, 8> data{};
    uint32_t moved = 0;
    EXPECT_EQ(m_cam->StagedTransfer(handle.get(), data.data(), 8, 0x81, &moved), 0);
    m_cam->Release();
    EXPECT_EQ(m_cam->StagedTransfer(handle.get(), data.data(), 8, 0x81, &moved), 0)
        << "no staging buffer after Release";
}

TEST_F(TransferRulesTest, ReadBlockRoundsTo16KiBAndKeepsWithinTheDestination) {
    ASSERT_EQ(m_cam->AllocateStaging(), 1);
    m_backend.Clear();
    auto frame = ExactBuffer(100000);
    FrameRequest request;
    request.destination = frame.get();
    request.capacity = 100000;
    uint32_t length = 100000;
    ASSERT_EQ(m_cam->ReadBlock(request, &length, 1000), 1);
    EXPECT_EQ(length, 100000u) << "only what the destination holds is reported";
    const auto commands = DirectCalls(Calls(), 0x01);
    const auto reads = DirectCalls(Calls(), 0x81);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(Le32(commands[0].outData.data() + 8), 0u);
    EXPECT_EQ(Le32(commands[0].outData.data() + 16), 114688u);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_EQ(reads[0].outSize, 114688u);
    EXPECT_EQ(frame[99999], 0x5A);
}

// A fixture whose selected camera is another product of the family.
class OtherProductTest : public RecordingFixture {
  protected:
    void SelectProduct(uint16_t productId) {
        m_backend.AddDevice(productId, "rec&0002");
        ASSERT_EQ(m_cam->Enumerate(), 2);
        ASSERT_EQ(m_cam->SelectDevice(1), 1);
        ASSERT_EQ(m_cam->AllocateStaging(), 1);
        m_backend.Clear();
    }
};

TEST_F(OtherProductTest, ModelGRestartsTheStreamAfterALostHeaderAndGivesUp) {
    SelectProduct(0x32D0);
    m_backend.SetHook(FailHeaders(1));
    FrameRequest request;
    EXPECT_EQ(m_cam->ReadFrameHeader(request), 0);
    const auto calls = Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_TRUE(IsControl(calls[0], 0xC2));
    EXPECT_TRUE(IsDirect(calls[1], 0x81));
    ASSERT_TRUE(IsControl(calls[2], 0xC0));
    EXPECT_EQ(ViewControl(calls[2]).requestType, 0x40);
}

TEST_F(OtherProductTest, LI8020ReadsBlocksIn4MiBPiecesAfterOneCommand) {
    SelectProduct(0x3310);
    const uint32_t asked = 0x500000;
    const uint32_t rounded = 0x504000;
    auto frame = ExactBuffer(rounded);
    FrameRequest request;
    request.destination = frame.get();
    request.capacity = rounded;
    uint32_t length = asked;
    ASSERT_EQ(m_cam->ReadBlock(request, &length, 1000), 1);
    EXPECT_EQ(length, rounded);
    const auto commands = DirectCalls(Calls(), 0x01);
    const auto reads = DirectCalls(Calls(), 0x81);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(Le32(commands[0].outData.data() + 16), 0x400000u);
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0].outSize, 0x400000u);
    EXPECT_EQ(reads[1].outSize, rounded - 0x400000u);
}

}  // namespace
}  // namespace kelvra::transport::test
