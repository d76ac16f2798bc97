#include "CapturedLog.h"

#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataTypeStreamInfo.h>
#include <Hyx/GuidAlias.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

using namespace Hyx;
using VornCommon::Versorf;

namespace {

std::vector<uint8_t> payloadOf(DataTypeStreamInfo& info)
{
    uint32_t size = 0;
    const uint8_t* data = info.Serialize(size);
    return std::vector<uint8_t>(data, data + size);
}

/// Little-endian payload builder for stored versions.
struct Bytes {
    std::vector<uint8_t> data;
    Bytes& u8(uint8_t v) { return raw(&v, 1); }
    Bytes& u32(uint32_t v) { return raw(&v, 4); }
    Bytes& f32(float v) { return raw(&v, 4); }
    Bytes& str(const char* s) { return raw(s, std::strlen(s) + 1); }
    Bytes& versor(const Versorf& q)
    {
        uint8_t b[16];
        q.ToRawBytes(b);
        return raw(b, 16);
    }
    Bytes& raw(const void* p, size_t n)
    {
        data.insert(data.end(), static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
        return *this;
    }
};

/// A fresh layer given stored bytes of a version, as the stream reader does.
std::shared_ptr<DataTypeStreamInfo> loaded(uint16_t version, std::vector<uint8_t> bytes, bool* accepted = nullptr)
{
    auto info = std::make_shared<DataTypeStreamInfo>();
    info->InitializeHeader(VornCommon::Guid::Nil, version);
    uint8_t* buffer = info->AllocateData(static_cast<uint32_t>(bytes.size()));
    if (!bytes.empty())
        std::memcpy(buffer, bytes.data(), bytes.size());
    const bool ok = info->InitializeData(buffer, static_cast<uint32_t>(bytes.size()));
    if (accepted)
        *accepted = ok;
    return info;
}

const Versorf TURNED = Versorf::FromRawBytes(Bytes().f32(0).f32(0).f32(0.70710677f).f32(0.70710677f).data.data());

} // namespace

TEST(DataTypeStreamInfo, DefaultsAndExactVersion9Layout)
{
    DataTypeStreamInfo info;
    EXPECT_EQ((std::tuple{info.GetVersion(), info.GetFPS(), info.GetNumFrames(), info.GetHostId(), info.GetHostName(),
                          info.GetOrientation(), payloadOf(info).size()}),
              std::tuple(9, 0.0f, 0u, 0, DataTypeStreamInfo::DEFAULT_HOST_NAME, Versorf(),
                         26 + std::strlen(DataTypeStreamInfo::DEFAULT_HOST_NAME)));

    info.setValues(29.97f, 1200, TURNED, 7, "abc");
    const auto expected = Bytes().f32(29.97f).u32(1200).str("abc").u8(7).versor(TURNED).data;
    ASSERT_EQ(expected.size(), 29u);
    EXPECT_EQ(payloadOf(info), expected);

    // Read back by a fresh layer, byte for byte.
    auto copy = loaded(9, expected);
    EXPECT_EQ((std::tuple{copy->GetFPS(), copy->GetNumFrames(), copy->GetHostName(), copy->GetHostId(),
                          copy->GetOrientation(), payloadOf(*copy)}),
              std::tuple(29.97f, 1200u, "abc", 7, TURNED, expected));
}

TEST(DataTypeStreamInfo, TextFormStatusPropertiesAndAsciiFile)
{
    DataTypeStreamInfo info;
    info.setValues(30.5f, DataTypeStreamInfo::NUM_FRAMES_AUTO, Versorf(), 2, "host");
    const std::string text = info.ToString(false);
    EXPECT_NE(text.find(", FPS=30.5, NumFrames=auto, Orientation=" + Versorf().ToString().StdString() +
                        ", HostId=2, HostName=host"),
              std::string::npos)
        << text;
    info.SetNumFrames(12);
    EXPECT_NE(info.ToString(true).find(", NumFrames=12,"), std::string::npos);

    info.updateStatusProperties();
    ASSERT_EQ(info.getNumStatusProperties(), 5);
    const char* names[] = {"FPS", "Num frames", "Orientation", "Host name", "Host ID"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(info.getStatusPropertyName(i), names[i]);
    EXPECT_EQ((std::tuple{info.getStatusPropertyValue("FPS"), info.getStatusPropertyValue("Host ID"),
                          info.getStatusPropertyValue("Host name")}),
              std::tuple("30.5", "2", "host"));

    const auto path = std::filesystem::temp_directory_path() / ("hyx_streaminfo_" + std::to_string(getpid()) + ".txt");
    DataTypeStreamInfo fresh;
    ASSERT_TRUE(fresh.SaveToASCIIFile(path.c_str()));
    std::ifstream in(path);
    std::stringstream content;
    content << in.rdbuf();
    std::string expected = fresh.ToString(true);
    for (size_t at; (at = expected.find(", ")) != std::string::npos;)
        expected.replace(at, 2, "\n");
    EXPECT_EQ(content.str(), expected + "\n");
    EXPECT_TRUE(content.str().starts_with("Purpose=NIL\nType=StreamInfo\nVersion=9\nFPS=0\nNumFrames=0\n"))
        << content.str();
    std::filesystem::remove(path);
    EXPECT_EQ((std::tuple{bool(fresh.SaveToASCIIFile(nullptr)),
                          bool(fresh.SaveToASCIIFile("/nonexistent-dir/x/streaminfo.txt"))}),
              std::tuple(false, false));
}

TEST(DataTypeStreamInfo, OlderVersionsAreReadFieldByField)
{
    auto v0 = loaded(0, Bytes().f32(10).u32(5).data);
    EXPECT_EQ((std::tuple{v0->GetFPS(), v0->GetNumFrames()}), std::tuple(10.0f, 5u));
    EXPECT_EQ(v0->GetHostName(), DataTypeStreamInfo::DEFAULT_HOST_NAME); // not carried: kept
    EXPECT_EQ(v0->GetVersion(), 0);

    for (uint16_t version : {1, 7}) {
        auto info = loaded(version, Bytes().f32(12).u32(6).str("h1").u8(4).data);
        EXPECT_EQ((std::tuple{info->GetHostName(), info->GetHostId(), info->GetVersion()}),
                  std::tuple("h1", 4, version));
    }
    auto v2 = loaded(2, Bytes().f32(1).u32(2).str("h2").u8(1).str("ignored").data);
    EXPECT_EQ(v2->GetHostName(), "h2");
    for (uint16_t version : {3, 4, 5}) {
        const auto bytes = Bytes().f32(15).u32(300).str("h3").u8(9).str("a").str("b").data;
        auto info = loaded(version, bytes);
        EXPECT_EQ((std::tuple{info->GetFPS(), info->GetNumFrames(), info->GetHostName(), info->GetHostId(),
                              info->GetOrientation(), info->GetVersion()}),
                  std::tuple(15.0f, 300u, "h3", 9, Versorf(), version));
        EXPECT_EQ(payloadOf(*info), bytes); // kept as stored
    }
    auto v6 = loaded(
        6,
        Bytes().f32(6).u32(66).str("h6").u8(2).str("a").str("b").u8(1).u32(2).u8(3).u8(4).u8(3).u8(7).u8(8).u8(9).data);
    EXPECT_EQ((std::tuple{v6->GetHostName(), v6->GetNumFrames()}), std::tuple("h6", 66u));

    auto v8 = loaded(8, Bytes().f32(8).u32(88).str("h8").u8(5).versor(TURNED).data);
    EXPECT_EQ((std::tuple{v8->GetOrientation(), v8->GetVersion()}), std::tuple(TURNED, 8));
}

TEST(DataTypeStreamInfo, SevenExtraBytesAreDroppedByARewrite)
{
    const auto stored = Bytes().f32(24).u32(48).str("abc").u8(1).u8(0).u32(0).u8(0).u8(0).versor(TURNED).data;
    for (uint16_t version : {8, 9}) {
        auto info = loaded(version, stored);
        EXPECT_EQ((std::tuple{info->GetVersion(), info->GetOrientation(), info->GetHostName()}),
                  std::tuple(9, TURNED, "abc"));
        EXPECT_EQ(payloadOf(*info), Bytes().f32(24).u32(48).str("abc").u8(1).versor(TURNED).data);
    }
    // The rule counts bytes only: one stray byte after a version-9 orientation also takes
    // the seven-byte path, which leaves too few bytes and so the default orientation.
    auto stray = loaded(9, Bytes().f32(24).u32(48).str("abc").u8(1).versor(TURNED).u8(0xEE).data);
    EXPECT_EQ((std::tuple{stray->GetOrientation(), payloadOf(*stray).size()}), std::tuple(Versorf(), 29u));

    // Bytes not in the payload's storage take the copying path of InitializeData.
    DataTypeStreamInfo info;
    info.InitializeHeader(VornCommon::Guid::Nil, 9);
    auto bytes = stored;
    ASSERT_TRUE(info.InitializeData(bytes.data(), static_cast<uint32_t>(bytes.size())));
    EXPECT_EQ(payloadOf(info).size(), 29u);
}

TEST(DataTypeStreamInfo, ShortAndUnknownPayloads)
{
    bool accepted = false;
    auto onlyFps = loaded(9, Bytes().f32(50).data, &accepted);
    EXPECT_EQ((std::tuple{bool(accepted), onlyFps->GetFPS(), onlyFps->GetOrientation(), onlyFps->GetVersion()}),
              std::tuple(true, 50.0f, Versorf(), 9));

    auto empty = loaded(3, {}, &accepted);
    EXPECT_EQ((std::tuple{bool(accepted), empty->GetFPS()}), std::tuple(true, 0.0f));

    CapturedLog log;
    loaded(10, Bytes().f32(1).u32(1).data, &accepted);
    EXPECT_EQ(
        (std::tuple{
            bool(accepted),
            log.Count(
                VornCommon::LogLevel::Error,
                "Unable to deserialize data layer with guid: 45370842-2AB3-41C7-8440-09533B283FC6 (version: 10)")}),
        std::tuple(false, 1));
}

TEST(DataTypeStreamInfo, SettersAndDefaultHostNames)
{
    DataTypeStreamInfo info;
    info.SetHostId(3);
    EXPECT_EQ(info.GetHostName(), DataTypeStreamInfo::DEFAULT_HOST_NAME); // the name is no longer empty
    info.SetHostName("");
    EXPECT_EQ(info.GetHostName(), DataTypeStreamInfo::DEFAULT_REMOTE_HOST_NAME);
    info.SetHostId(0);
    EXPECT_EQ(info.GetHostName(), DataTypeStreamInfo::DEFAULT_REMOTE_HOST_NAME);
    info.SetHostName(nullptr); // null is empty, never a crash
    EXPECT_EQ(info.GetHostName(), DataTypeStreamInfo::DEFAULT_HOST_NAME);

    info.SetFPS(25.0f);
    info.SetNumFrames(DataTypeStreamInfo::NUM_FRAMES_AUTO);
    info.SetOrientation(TURNED);
    info.SetHostName("capture-7");
    EXPECT_EQ((std::tuple{info.GetFPS(), info.GetNumFrames(), info.GetOrientation(), payloadOf(info).size()}),
              std::tuple(25.0f, 0xFFFFFFFFu, TURNED, 26u + 9u));

    auto other = std::make_shared<DataTypeStreamInfo>();
    other->CopyValuesFrom(std::shared_ptr<DataTypeStreamInfo>(&info, [](DataTypeStreamInfo*) {}));
    EXPECT_EQ(payloadOf(*other), payloadOf(info));
    other->CopyValuesFrom(nullptr);
    EXPECT_EQ(other->GetHostName(), "capture-7");
}
