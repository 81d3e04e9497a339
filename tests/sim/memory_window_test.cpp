// "AU3R"/"AU3W" command blocks on endpoint 0x01 with data on 0x81 and 0x01.
#include <numeric>

#include "SimFixture.h"

namespace kelvra::test {
namespace {

std::array<uint8_t, 32> command(const char* magic, uint64_t address, uint32_t length) {
    std::array<uint8_t, 32> b{};
    std::copy_n(magic, 4, b.begin());
    b[4] = 2;
    for (int i = 0; i < 8; ++i) b[8 + i] = uint8_t(address >> (8 * i));
    for (int i = 0; i < 4; ++i) b[16 + i] = uint8_t(length >> (8 * i));
    return b;
}

class MemoryWindowTest : public SimTest {
  protected:
    void SetUp() override {
        camera = attach();
        stream = driver::openDevice(camera->devicePath(), true);
    }
    driver::IoResult transfer(uint8_t endpoint, std::span<uint8_t> data,
                              std::array<uint8_t, 38>* recordOut = nullptr) {
        std::array<uint8_t, 38> record = directRecord(endpoint);
        driver::Overlapped request;
        stream->submit(kDirectIoctl, record, data, request);
        request.wait(-1);
        if (recordOut) *recordOut = record;
        return request.result();
    }
    driver::IoResult send(std::array<uint8_t, 32> block) { return transfer(0x01, block); }

    std::shared_ptr<sim::SimCamera> camera;
    std::unique_ptr<driver::DeviceHandle> stream;
};

TEST_F(MemoryWindowTest, WriteThenReadRoundTrip) {
    std::vector<uint8_t> data(8192);
    std::iota(data.begin(), data.end(), uint8_t(7));
    ASSERT_EQ(send(command("AU3W", 0x10000, 8192)).error, 0u);
    driver::IoResult w = transfer(0x01, data);
    ASSERT_EQ(w.error, 0u);
    EXPECT_EQ(w.bytes, 8192u);
    std::vector<uint8_t> back(8192);
    ASSERT_EQ(send(command("AU3R", 0x10000, 8192)).error, 0u);
    driver::IoResult r = transfer(0x81, back);
    ASSERT_EQ(r.error, 0u);
    EXPECT_EQ(r.bytes, 8192u);
    EXPECT_EQ(back, data);
}

TEST_F(MemoryWindowTest, ChunkAcrossPagesAndUnwrittenMemoryReadsZero) {
    std::vector<uint8_t> data(0x18000, 0xA5);
    ASSERT_EQ(send(command("AU3W", 0xF000, uint32_t(data.size()))).error, 0u);
    ASSERT_EQ(transfer(0x01, data).error, 0u);
    std::vector<uint8_t> back(0x20000, 0xEE);
    ASSERT_EQ(send(command("AU3R", 0xF000, uint32_t(back.size()))).error, 0u);
    ASSERT_EQ(transfer(0x81, back).bytes, back.size());
    EXPECT_EQ(back[0], 0xA5);
    EXPECT_EQ(back[0x17FFF], 0xA5);
    EXPECT_EQ(back[0x18000], 0x00);
}

TEST_F(MemoryWindowTest, MalformedCommandsStall) {
    std::array<uint8_t, 38> record{};
    auto bad = command("AU3X", 0, 4096);
    EXPECT_EQ(transfer(0x01, bad, &record).error, 31u);
    EXPECT_NE(le32(&record[18]), 0u);
    auto version = command("AU3R", 0, 4096);
    version[4] = 1;
    EXPECT_EQ(send(version).error, 31u);
    auto reserved = command("AU3R", 0, 4096);
    reserved[31] = 1;
    EXPECT_EQ(send(reserved).error, 31u);
    EXPECT_EQ(send(command("AU3R", (256ull << 20) - 4096, 8192)).error, 31u);
    std::array<uint8_t, 16> shortBlock{};
    EXPECT_EQ(transfer(0x01, shortBlock).error, 31u);
}

TEST_F(MemoryWindowTest, WriteLongerThanTheAnnouncedChunkStalls) {
    ASSERT_EQ(send(command("AU3W", 0, 4096)).error, 0u);
    std::vector<uint8_t> data(8192);
    EXPECT_EQ(transfer(0x01, data).error, 31u);
}

TEST_F(MemoryWindowTest, ShortReadInsideAPacketOverflows) {
    ASSERT_EQ(send(command("AU3R", 0, 4096)).error, 0u);
    std::vector<uint8_t> part(100);
    EXPECT_EQ(transfer(0x81, part).error, 31u);
}

TEST_F(MemoryWindowTest, StagedTransfersCarryRecordAndDataInOneBuffer) {
    // Write 4096 bytes through the staging path, read them back the same way.
    std::vector<uint8_t> staging(38 + 4096);
    auto block = command("AU3W", 0x2000, 4096);
    staging.assign(38 + 32, 0);
    staging[13] = 0x01;
    staging[30] = 38;
    staging[34] = 32;
    std::copy(block.begin(), block.end(), staging.begin() + 38);
    ASSERT_EQ(stream->ioctl(kStagedIoctl, staging, staging).bytes, 38u + 32u);
    staging.assign(38 + 4096, 0x3C);
    std::fill_n(staging.begin(), 38, 0);
    staging[13] = 0x01;
    staging[30] = 38;
    staging[34] = 0x00;
    staging[35] = 0x10;
    ASSERT_EQ(stream->ioctl(kStagedIoctl, staging, staging).error, 0u);
    ASSERT_EQ(send(command("AU3R", 0x2000, 4096)).error, 0u);
    std::vector<uint8_t> in(38 + 4096, 0);
    in[13] = 0x81;
    in[30] = 38;
    in[35] = 0x10;
    driver::IoResult r = stream->ioctl(kStagedIoctl, in, in);
    ASSERT_EQ(r.error, 0u);
    EXPECT_EQ(r.bytes, 38u + 4096u);
    EXPECT_EQ(in[38], 0x3C);
    EXPECT_EQ(in[38 + 4095], 0x3C);
}

}  // namespace
}  // namespace kelvra::test
