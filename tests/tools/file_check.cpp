// kelvra_file_check FILE [WIDTHxHEIGHT [BITS]]: decodes a file the kelvra tool wrote and prints
// "<kind> <width>x<height> ..." on success; exits 1 with a reason when the file does not decode
// or its size differs from WIDTHxHEIGHT. A raw file has no header: WIDTHxHEIGHT and BITS are
// required for it. BMP and AVI are walked by hand; PNG, JPEG and TIFF go through their libraries'
// read APIs, so a file they cannot decode fails here.
// jpeglib.h needs FILE and size_t declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Decoded {
    int width = 0;
    int height = 0;
    std::string details;
};

[[noreturn]] void bad(const std::string& why) {
    throw std::runtime_error(why);
}

uint32_t le32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

std::vector<uint8_t> readBytes(std::ifstream& file, uint64_t offset, size_t count) {
    std::vector<uint8_t> bytes(count);
    file.seekg(static_cast<std::streamoff>(offset));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count)))
        bad("file ends early at offset " + std::to_string(offset));
    return bytes;
}

uint64_t fileSize(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) bad("cannot open");
    return static_cast<uint64_t>(file.tellg());
}

uint64_t stride(int width, int bits) {
    return (static_cast<uint64_t>(width) * bits / 8 + 3) & ~uint64_t{3};
}

Decoded checkBmp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const auto h = readBytes(file, 0, 54);
    if (h[0] != 'B' || h[1] != 'M') bad("no BM signature");
    const uint64_t size = fileSize(path);
    if (le32(&h[2]) != size) bad("file size field " + std::to_string(le32(&h[2])));
    const int width = static_cast<int>(le32(&h[18]));
    const int height = static_cast<int>(le32(&h[22]));
    const int bits = le16(&h[28]);
    if (le32(&h[14]) != 40 || le16(&h[26]) != 1 || width <= 0 || height <= 0)
        bad("bad info header");
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32 && bits != 48 && bits != 64)
        bad("bit count " + std::to_string(bits));
    const uint32_t offset = le32(&h[10]);
    if (offset != (bits <= 8 ? 1078u : 54u)) bad("data offset " + std::to_string(offset));
    if (size != offset + stride(width, bits) * height) bad("pixel data size does not match");
    return {width, height, "bits " + std::to_string(bits)};
}

Decoded checkPng(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) bad("cannot open");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Decoded decoded;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        bad("libpng could not decode it");
    }
    png_init_io(png, file);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    decoded.width = static_cast<int>(png_get_image_width(png, info));
    decoded.height = static_cast<int>(png_get_image_height(png, info));
    decoded.details = "depth " + std::to_string(png_get_bit_depth(png, info)) + " colour " +
                      std::to_string(png_get_color_type(png, info));
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return decoded;
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void jpegFail(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

Decoded checkJpeg(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) bad("cannot open");
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegFail;
    std::vector<JSAMPLE> row;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        bad("libjpeg could not decode it");
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    row.resize(static_cast<size_t>(info.output_width) * info.output_components);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
    }
    Decoded decoded{static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                    "components " + std::to_string(info.output_components)};
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return decoded;
}

int gTiffErrors = 0;
void countTiffError(const char*, const char*, va_list) {
    ++gTiffErrors;
}

Decoded checkTiff(const std::string& path) {
    TIFFSetErrorHandler(countTiffError);
    TIFFSetWarningHandler(nullptr);
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (tiff == nullptr) bad("libtiff could not open it");
    uint32_t width = 0, height = 0;
    uint16_t bits = 0, samples = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    std::vector<uint8_t> strip(static_cast<size_t>(TIFFStripSize(tiff)));
    tmsize_t total = 0;
    for (tstrip_t s = 0; s < TIFFNumberOfStrips(tiff); ++s) {
        const tmsize_t got = TIFFReadEncodedStrip(tiff, s, strip.data(), -1);
        if (got < 0) break;
        total += got;
    }
    TIFFClose(tiff);
    const uint64_t expected = static_cast<uint64_t>(width) * height * samples * bits / 8;
    if (gTiffErrors != 0 || static_cast<uint64_t>(total) != expected)
        bad("libtiff could not read the strips");
    return {static_cast<int>(width), static_cast<int>(height),
            "bits " + std::to_string(bits) + " samples " + std::to_string(samples)};
}

Decoded checkRaw(const std::string& path, int width, int height, int bits) {
    if (width <= 0 || bits <= 0) bad("a raw file needs WIDTHxHEIGHT and BITS");
    if (fileSize(path) != stride(width, bits) * height) bad("size is not height x stride");
    return {width, height, "bits " + std::to_string(bits)};
}

// RIFF walk: sizes, the movi frames, idx1 and the main header's counts must agree.
Decoded checkAvi(const std::string& path) {
    const uint64_t size = fileSize(path);
    std::ifstream file(path, std::ios::binary);
    const auto head = readBytes(file, 0, 232);
    if (std::memcmp(head.data(), "RIFF", 4) != 0 || std::memcmp(&head[8], "AVI ", 4) != 0)
        bad("not a RIFF AVI file");
    if (le32(&head[4]) != size - 8) bad("RIFF size is not file size - 8");
    const int width = static_cast<int>(le32(&head[64]));
    const int height = static_cast<int>(le32(&head[68]));
    const uint32_t frameSize = static_cast<uint32_t>(stride(width, 24) * height);
    uint32_t frames = 0;
    bool index = false;
    std::vector<uint32_t> frameOffsets;  // from the "movi" identifier
    uint64_t at = 12;
    while (at + 8 <= size) {
        const auto chunk = readBytes(file, at, 12);
        const uint32_t chunkSize = le32(&chunk[4]);
        if (std::memcmp(chunk.data(), "LIST", 4) == 0 && std::memcmp(&chunk[8], "movi", 4) == 0) {
            const uint64_t moviId = at + 8;
            for (uint64_t sub = at + 12; sub < at + 8 + chunkSize;) {
                const auto frame = readBytes(file, sub, 8);
                if (std::memcmp(frame.data(), "00db", 4) != 0 || le32(&frame[4]) != frameSize)
                    bad("unexpected chunk in movi");
                frameOffsets.push_back(static_cast<uint32_t>(sub - moviId));
                sub += 8 + frameSize;
                ++frames;
            }
        } else if (std::memcmp(chunk.data(), "idx1", 4) == 0) {
            index = true;
            if (chunkSize != 16 * frameOffsets.size()) bad("idx1 does not list every frame");
            const auto entries = readBytes(file, at + 8, chunkSize);
            for (size_t i = 0; i < frameOffsets.size(); ++i) {
                if (le32(&entries[16 * i + 8]) != frameOffsets[i]) bad("idx1 offset mismatch");
            }
        }
        at += 8 + chunkSize + (chunkSize & 1);
    }
    if (at != size) bad("chunks overrun the file");
    if (!index) bad("no idx1 index");
    if (frames == 0) bad("no frames");
    if (le32(&head[48]) != frames) bad("main header frame count differs from the chunks");
    return {width, height, "frames " + std::to_string(frames)};
}

std::string extensionOf(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    return dot == std::string::npos ? "" : path.substr(dot + 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: kelvra_file_check FILE [WIDTHxHEIGHT [BITS]]\n");
        return 2;
    }
    const std::string path = argv[1];
    int width = 0, height = 0, bits = 0;
    if (argc > 2 && std::sscanf(argv[2], "%dx%d", &width, &height) != 2) return 2;
    if (argc > 3) bits = std::atoi(argv[3]);
    try {
        const std::string kind = extensionOf(path);
        Decoded decoded;
        if (kind == "bmp")
            decoded = checkBmp(path);
        else if (kind == "png")
            decoded = checkPng(path);
        else if (kind == "jpg" || kind == "jpeg")
            decoded = checkJpeg(path);
        else if (kind == "tif" || kind == "tiff")
            decoded = checkTiff(path);
        else if (kind == "raw")
            decoded = checkRaw(path, width, height, bits);
        else if (kind == "avi")
            decoded = checkAvi(path);
        else
            bad("unknown extension");
        if (width > 0 && (decoded.width != width || decoded.height != height)) {
            bad("size " + std::to_string(decoded.width) + "x" + std::to_string(decoded.height) +
                ", expected " + std::to_string(width) + "x" + std::to_string(height));
        }
        std::printf("%s %dx%d %s\n", kind.c_str(), decoded.width, decoded.height,
                    decoded.details.c_str());
        return 0;
    } catch (const std::exception& error) {
        std::printf("%s: %s\n", path.c_str(), error.what());
        return 1;
    }
}
