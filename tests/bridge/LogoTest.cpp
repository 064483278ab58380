#include "Logo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace ferrule;

void put32(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

// A 2 x 2 bitmap with 24 bits per pixel: rows of 6 bytes padded to 8.
std::vector<unsigned char> smallBitmap() {
    std::vector<unsigned char> bytes(14 + 40 + 16, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(bytes, 2, static_cast<std::uint32_t>(bytes.size()));
    put32(bytes, 10, 54);
    put32(bytes, 14, 40);
    put32(bytes, 18, 2);
    put32(bytes, 22, 2);
    bytes[26] = 1;
    bytes[28] = 24;
    return bytes;
}

class LogoFile : public ::testing::Test {
protected:
    std::string path =
        (std::filesystem::temp_directory_path() /
         ("ferrule-logo-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
          ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".bmp"))
            .string();

    void write(const std::vector<unsigned char>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    void TearDown() override { std::filesystem::remove(path); }
};

TEST_F(LogoFile, LoadedOnceThenTheSameHandle) {
    Logo logo;
    EXPECT_EQ(logo.handle(path), nullptr); // missing: tried again next time
    write(smallBitmap());
    void* first = logo.handle(path);
    ASSERT_NE(first, nullptr);
    std::filesystem::remove(path);
    EXPECT_EQ(logo.handle(path), first);
}

TEST_F(LogoFile, RefusesWhatIsNotAWholeBitmap) {
    std::vector<std::vector<unsigned char>> bad;
    bad.push_back({}); // empty file
    bad.push_back(smallBitmap());
    bad.back()[0] = 'X'; // wrong signature
    bad.push_back(smallBitmap());
    bad.back().resize(60); // pixels cut short
    bad.push_back(smallBitmap());
    bad.back()[28] = 7; // no such pixel size
    bad.push_back(smallBitmap());
    put32(bad.back(), 18, 0); // no width
    bad.push_back(smallBitmap());
    put32(bad.back(), 10, 4000); // pixels beyond the file
    for (const auto& bytes : bad) {
        write(bytes);
        EXPECT_EQ(Bitmap::load(path), nullptr) << bytes.size();
    }
    write(smallBitmap());
    const auto bitmap = Bitmap::load(path);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->width, 2);
    EXPECT_EQ(bitmap->height, 2);
    EXPECT_EQ(bitmap->bitsPerPixel, 24);
}

} // namespace
