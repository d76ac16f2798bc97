#include "XmlGraphFiles.h"

#include "CapturedLog.h"

#include <Hyx/XmlGraph.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using Hyx::XmlGraph;
using VornCommon::LogLevel;
using namespace HyxTest;

namespace {

struct MalformedCase {
    const char* file;
    const char* expected; // Summary of the load; null: loads, values not checked
};

// Every file of tests/data/xmlgraph/malformed with what loading it gives.
const MalformedCase kCorpus[] = {
    {"version_1_1.xml", "null"},
    {"version_missing.xml", "null"},
    {"version_with_blank.xml", "null"},
    {"root_unknown.xml", "null"},
    {"root_upper_case.xml", "null"},
    {"guid_bad.xml", "null"},
    {"guid_missing.xml", "null"},
    {"guid_braced.xml", "null"},
    {"quendra_guid_bad.xml", "null"},
    {"quendra_version_2.xml", "null"},
    {"truncated_inside_filter.xml", "null"},
    {"truncated_closing_tag.xml", "null"},
    {"attribute_quote_open.xml", "null"},
    {"tags_mismatched.xml", "null"},
    {"empty.xml", "null"},
    {"binary.xml", "null"},
    {"nesting_too_deep.xml", "null"},
    {"graph_attributes_missing.xml", "4 0: 01{}"},
    {"graph_attributes_unreadable.xml", "255 0: 01R{} | 255 0: | 255 0: | 3 -7.25:"},
    {"param_attributes_missing.xml", "0 0: 01{kept=last wins;no value=;}"},
    {"quendra_numbers_unreadable.xml", "4 0: 01{}"},
    {"quendra_numbers_out_of_range.xml", "4 7: 01{}"},
    {"quendra_attributes_missing.xml", "4 0: 01{a=1;}"},
    {"quendra_no_pipeline.xml", ""},
    {"roots_quendra_then_hyx.xml", "2 -1:"},
    {"declaration_and_entities.xml", "0 -3: 01{e=A&<;}"},
    // The parser passes unknown entities on as text of its own making.
    {"entities_unknown.xml", nullptr},
};

std::shared_ptr<Hyx::VisualGraphs> LoadExactBuffer(const std::string& text, size_t size)
{
    // A heap copy of exactly size bytes, so that any read beyond it is caught.
    std::vector<char> buffer(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(size));
    return XmlGraph().LoadFromDataBuffer(buffer.data(), buffer.size());
}

} // namespace

TEST(XmlGraphMalformed, CorpusLoadsWithExpectedResult)
{
    for (const MalformedCase& c : kCorpus) {
        SCOPED_TRACE(c.file);
        const std::string path = XmlDataPath(std::string("malformed/") + c.file);
        const std::string text = ReadFile(path);
        const auto fromFile = XmlGraph::LoadFromXml(path.c_str());
        const auto fromBuffer = LoadExactBuffer(text, text.size());
        if (c.expected == nullptr) {
            EXPECT_NE(nullptr, fromFile);
            EXPECT_NE(nullptr, fromBuffer);
            continue;
        }
        EXPECT_EQ(c.expected, Summary(fromFile));
        EXPECT_EQ(c.expected, Summary(fromBuffer));
    }
}

TEST(XmlGraphMalformed, InvalidGuidIsLoggedAndDropsEveryGraph)
{
    CapturedLog log;
    EXPECT_EQ(nullptr, XmlGraph::LoadFromXml(XmlDataPath("malformed/guid_bad.xml").c_str()));
    EXPECT_EQ(1, log.Count(LogLevel::Error, "Invalid filter guid: Invalid GUID text 'not-a-guid'"));
    EXPECT_EQ(nullptr, XmlGraph::LoadFromXml(XmlDataPath("malformed/guid_missing.xml").c_str()));
    EXPECT_EQ(1, log.Count(LogLevel::Error, "Invalid filter guid: Invalid GUID text ''"));
    EXPECT_EQ(nullptr, XmlGraph::LoadFromXml(XmlDataPath("malformed/quendra_guid_bad.xml").c_str()));
    EXPECT_EQ(1, log.Count(LogLevel::Error, "Invalid filter guid: Invalid GUID text 'zz'"));
    EXPECT_EQ(3u, log.Entries().size());

    // Other refusals log nothing.
    log.Clear();
    EXPECT_EQ(nullptr, XmlGraph::LoadFromXml(XmlDataPath("malformed/version_1_1.xml").c_str()));
    EXPECT_EQ(nullptr, XmlGraph::LoadFromXml(XmlDataPath("malformed/root_unknown.xml").c_str()));
    EXPECT_EQ(nullptr, XmlGraph::LoadFromXml(XmlDataPath("malformed/truncated_closing_tag.xml").c_str()));
    EXPECT_TRUE(log.Entries().empty());
}

TEST(XmlGraphMalformed, EveryTruncationOfAGoldenFileLoadsAsEmpty)
{
    for (const char* name : {"three_filters_hyx.xml", "three_filters_quendra.xml"}) {
        SCOPED_TRACE(name);
        const std::string text = ReadFile(XmlDataPath(name));
        ASSERT_GT(text.size(), 2u);
        // Everything short of the root's closing '>' is incomplete.
        for (size_t size = 0; size + 2 <= text.size(); ++size)
            ASSERT_EQ(nullptr, LoadExactBuffer(text, size)) << "prefix of " << size << " bytes";
        EXPECT_NE(nullptr, LoadExactBuffer(text, text.size() - 1));
    }
    EXPECT_EQ(nullptr, XmlGraph().LoadFromDataBuffer(nullptr, 0));
    EXPECT_EQ(nullptr, XmlGraph().LoadFromDataBuffer(nullptr, 100));
}
