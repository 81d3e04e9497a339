// A small, independent AVI reader for the tests: walks the RIFF chunk tree by its own size
// fields and collects what a player needs (main and stream headers, format, frames, index).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "OutputTestUtil.h"

namespace kelvra::test {

struct AviFrameChunk {
    uint64_t fileOffset;  // of the chunk's four-character code
    uint32_t offsetFromMovi;
    uint32_t size;
};

struct AviIndexEntry {
    std::string id;
    uint32_t flags;
    uint32_t offset;
    uint32_t size;
};

struct WalkedAvi {
    std::string error;  // empty when the file is a well-formed AVI
    uint32_t riffSize = 0;
    // avih
    uint32_t microsPerFrame = 0;
    uint32_t maxBytesPerSecond = 0;
    uint32_t flags = 0;
    uint32_t totalFrames = 0;
    uint32_t streams = 0;
    uint32_t avihBufferSize = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    // strh
    std::string streamType;
    std::string handler;
    uint32_t scale = 0;
    uint32_t rate = 0;
    uint32_t length = 0;
    uint32_t strhBufferSize = 0;
    // strf
    uint32_t bmiWidth = 0;
    uint32_t bmiHeight = 0;
    uint16_t bmiPlanes = 0;
    uint16_t bmiBitCount = 0;
    uint32_t bmiCompression = 0;
    // movi and idx1
    uint32_t moviListSize = 0;
    std::vector<AviFrameChunk> frames;
    std::vector<AviIndexEntry> index;
    bool hasIndex = false;
};

class RiffWalker {
  public:
    explicit RiffWalker(const std::vector<uint8_t>& bytes) : b_(bytes) {}

    WalkedAvi Walk() {
        WalkedAvi avi;
        if (b_.size() < 12 || Tag(b_, 0) != "RIFF" || Tag(b_, 8) != "AVI ") {
            avi.error = "no RIFF AVI header";
            return avi;
        }
        avi.riffSize = Le32(b_, 4);
        if (uint64_t{avi.riffSize} + 8 != b_.size()) {
            avi.error = "RIFF size does not match the file";
            return avi;
        }
        WalkList(12, b_.size(), avi, "");
        if (avi.error.empty() && !avi.hasIndex) avi.error = "no idx1";
        return avi;
    }

  private:
    // Walks the chunks in [at, end) of a list of type `listType`.
    void WalkList(uint64_t at, uint64_t end, WalkedAvi& avi, const std::string& listType) {
        while (avi.error.empty() && at + 8 <= end) {
            const std::string id = Tag(b_, at);
            const uint32_t size = Le32(b_, at + 4);
            const uint64_t body = at + 8;
            if (body + size > end) {
                avi.error = "chunk " + id + " runs past its parent";
                return;
            }
            if (id == "LIST") {
                const std::string type = Tag(b_, body);
                if (type == "movi") {
                    avi.moviListSize = size;
                    moviId_ = body;
                }
                WalkList(body + 4, body + size, avi, type);
            } else {
                Chunk(id, body, size, avi, listType);
            }
            at = body + size + (size & 1);
        }
        if (avi.error.empty() && at != end) avi.error = "list of " + listType + " ends mid-chunk";
    }

    void Chunk(const std::string& id, uint64_t p, uint32_t size, WalkedAvi& avi,
               const std::string& listType) {
        if (id == "avih") {
            avi.microsPerFrame = Le32(b_, p);
            avi.maxBytesPerSecond = Le32(b_, p + 4);
            avi.flags = Le32(b_, p + 12);
            avi.totalFrames = Le32(b_, p + 16);
            avi.streams = Le32(b_, p + 24);
            avi.avihBufferSize = Le32(b_, p + 28);
            avi.width = Le32(b_, p + 32);
            avi.height = Le32(b_, p + 36);
        } else if (id == "strh") {
            avi.streamType = Tag(b_, p);
            avi.handler = Tag(b_, p + 4);
            avi.scale = Le32(b_, p + 20);
            avi.rate = Le32(b_, p + 24);
            avi.length = Le32(b_, p + 32);
            avi.strhBufferSize = Le32(b_, p + 36);
        } else if (id == "strf") {
            avi.bmiWidth = Le32(b_, p + 4);
            avi.bmiHeight = Le32(b_, p + 8);
            avi.bmiPlanes = Le16(b_, p + 12);
            avi.bmiBitCount = Le16(b_, p + 14);
            avi.bmiCompression = Le32(b_, p + 16);
        } else if (id == "00db" && listType == "movi") {
            avi.frames.push_back({p - 8, static_cast<uint32_t>(p - 8 - moviId_), size});
        } else if (id == "idx1") {
            avi.hasIndex = true;
            for (uint64_t e = p; e + 16 <= p + size; e += 16) {
                avi.index.push_back(
                    {Tag(b_, e), Le32(b_, e + 4), Le32(b_, e + 8), Le32(b_, e + 12)});
            }
        }
    }

    const std::vector<uint8_t>& b_;
    uint64_t moviId_ = 0;
};

}  // namespace kelvra::test
