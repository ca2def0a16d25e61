// libkvc.so as voxform sees it: loaded at run time, called frame by frame.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <type_traits>

#include "kvc/kvc.h"
#include "tests/support/testsupport.h"
#include "voxform/vfcore.h"

namespace qlm {
namespace {

// voxform's function table must match what the library declares.
static_assert(std::is_same_v<decltype(&vInitDecoder), decltype(vf::CodecApi::vInitDecoder)>);
static_assert(std::is_same_v<decltype(&vDecode), decltype(vf::CodecApi::vDecode)>);
static_assert(std::is_same_v<decltype(&vInitEncoder), decltype(vf::CodecApi::vInitEncoder)>);
static_assert(std::is_same_v<decltype(&vEncode), decltype(vf::CodecApi::vEncode)>);
static_assert(std::is_same_v<decltype(&LSB), decltype(vf::CodecApi::LSB)>);
static_assert(std::is_same_v<decltype(&HSB), decltype(vf::CodecApi::HSB)>);

class KvcTest : public ::testing::Test {
protected:
    void SetUp() override {
        Error error;
        api_ = codec_.Bind(&error);
        ASSERT_NE(api_, nullptr) << error.description.toStdString();
    }
    vf::CodecLibrary codec_{test::BuiltPath(QStringLiteral("libkvc.so"))};
    const vf::CodecApi* api_ = nullptr;
};

TEST(KvcLibraryTest, ExportsTheSixFunctionsAndNamesAMissingOne) {
    SharedLibrary library(test::BuiltPath(QStringLiteral("libkvc.so")));
    ASSERT_TRUE(library.IsLoaded()) << library.ErrorText().toStdString();
    for (const char* name : {"vInitDecoder", "vDecode", "vInitEncoder", "vEncode", "LSB", "HSB"})
        EXPECT_NE(library.Symbol(name), nullptr) << name;
    EXPECT_EQ(library.Symbol("vDecodeAll"), nullptr);
    EXPECT_TRUE(library.ErrorText().contains(QStringLiteral("vDecodeAll")));
}

TEST_F(KvcTest, AnyBytesDecodeWithinTheirClass) {
    // Each frame sits in a heap block of exactly its class length, so a read
    // past it shows under the address sanitizer.
    std::mt19937 random(7);
    api_->vInitDecoder();
    for (int round = 0; round < 4; ++round) {
        for (int first = 0; first < 256; ++first) {
            const int length = vf::FrameLength(static_cast<uint8_t>(first));
            auto frame = std::make_unique<uint8_t[]>(static_cast<size_t>(length));
            frame[0] = static_cast<uint8_t>(first);
            for (int i = 1; i < length; ++i)
                frame[i] = static_cast<uint8_t>(round == 0 ? 0xFF : round == 1 ? 0 : random());
            int16_t samples[vf::kFrameSamples + 1];
            std::fill(std::begin(samples), std::end(samples), int16_t{0x5A5A});
            api_->vDecode(samples, frame.get());
            EXPECT_EQ(samples[vf::kFrameSamples], 0x5A5A) << "wrote past 160 samples";
            if (length <= 4) {
                for (int i = 0; i < vf::kFrameSamples; ++i)
                    ASSERT_EQ(samples[i], 0) << "first byte " << first;
            }
        }
    }
    api_->vDecode(nullptr, nullptr);
    int16_t samples[vf::kFrameSamples];
    std::fill(std::begin(samples), std::end(samples), int16_t{0x5A5A});
    api_->vDecode(samples, nullptr);
    EXPECT_EQ(samples[0], 0);
}

TEST_F(KvcTest, EncoderWritesTheClassOfTheRateAndSilenceWithVad) {
    int16_t loud[vf::kFrameSamples];
    for (int i = 0; i < vf::kFrameSamples; ++i)
        loud[i] = static_cast<int16_t>(i % 20 < 10 ? 6000 : -6000);
    const int16_t quiet[vf::kFrameSamples] = {};
    struct Case {
        int rate;
        int length;
        int top;
    };
    for (const Case c : {Case{0, 11, 0}, Case{1, 18, 1}, Case{2, 24, 2}, Case{7, 24, 2}, Case{-1, 24, 2}}) {
        api_->vInitEncoder();
        uint8_t out[24];
        EXPECT_EQ(api_->vEncode(loud, out, c.rate, 1), c.length) << c.rate;
        EXPECT_EQ(out[0] >> 6, c.top) << c.rate;
        EXPECT_EQ(vf::FrameLength(out[0]), c.length);
        // Without the detector a quiet frame is still speech.
        EXPECT_EQ(api_->vEncode(quiet, out, c.rate, 0), c.length);
    }
    api_->vInitEncoder();
    uint8_t out[24];
    std::fill(std::begin(out), std::end(out), uint8_t{0x77});
    EXPECT_EQ(api_->vEncode(quiet, out, 0, 1), 2);
    EXPECT_EQ(out[0], 0xE0);
    EXPECT_EQ(out[1], 0x00);
    // The detector holds speech over a short pause after a loud frame.
    api_->vEncode(loud, out, 0, 1);
    EXPECT_EQ(api_->vEncode(quiet, out, 0, 1), 11);
    int16_t silentFrames = 0;
    for (int i = 0; i < 20; ++i)
        silentFrames += api_->vEncode(quiet, out, 0, 1) == 2;
    EXPECT_GE(silentFrames, 10);
    EXPECT_EQ(api_->vEncode(nullptr, out, 0, 0), 0);
}

TEST_F(KvcTest, ByteHelpers) {
    EXPECT_EQ(api_->LSB(0x012B), 0x2B);
    EXPECT_EQ(api_->HSB(0x012B), 0x01);
    EXPECT_EQ(api_->LSB(-1), 0xFF);
    EXPECT_EQ(api_->HSB(-1), 0xFF);
    EXPECT_EQ(api_->HSB(0x1FFF), 0x1F);
}

}  // namespace
}  // namespace qlm
