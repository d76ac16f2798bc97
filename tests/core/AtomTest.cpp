#include "TestLayers.h"

#include <Hyx/Atom.h>
#include <Hyx/DataProfile.h>
#include <Hyx/Profile.h>

#include <ThrownText.h>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace Hyx;
using VornCommon::Guid;

namespace {

const Guid TYPE_T = Guid::FromHexString("11111111-0000-0000-0000-000000000001");
const Guid TYPE_U = Guid::FromHexString("11111111-0000-0000-0000-000000000002");
const Guid PURPOSE_P = Guid::FromHexString("22222222-0000-0000-0000-000000000001");
const Guid PURPOSE_Q = Guid::FromHexString("22222222-0000-0000-0000-000000000002");

std::shared_ptr<DataLayer> layer(const Guid& type, const Guid& purpose = {})
{
    return std::make_shared<TestLayer>(type, purpose);
}

} // namespace

TEST(Atom, BlocksFollowTheOrderOfAdding)
{
    auto a = layer(TYPE_T), b = layer(TYPE_T), c = layer(TYPE_U);
    Atom atom(0, 0, 0);
    atom.AddDataLayer(a, false);
    atom.AddDataLayer(b, false);
    atom.AddDataLayer(c, true);
    atom.AddDataLayer(nullptr, false); // ignored: every block holds a layer
    EXPECT_EQ(
        (std::tuple{atom.GetAllDataLayers(), atom.GetAllDataBlocks().size(), atom.GetDataLayerByType(TYPE_T, false),
                    atom.GetDataLayerByType(TYPE_T, true), atom.GetDataLayersByType(TYPE_T),
                    atom.GetDataLayerByType(PURPOSE_P, true), atom.GetIndexOfDataLayer(b)}),
        std::tuple((std::vector<std::shared_ptr<DataLayer>>{c, a, b}), 3u, a, b,
                   (std::vector<std::shared_ptr<DataLayer>>{a, b}), nullptr, 2));
    EXPECT_EQ(atom.GetIndexOfDataLayer(layer(TYPE_T)), -1); // equal, not the same object
    EXPECT_EQ((std::tuple{atom.RemoveDataLayer(a), atom.RemoveDataLayer(a), atom.GetAllDataLayers()}),
              std::tuple(1, -1, (std::vector<std::shared_ptr<DataLayer>>{c, b})));
}

TEST(Atom, CompressedLayersGoIntoCompressedBlocks)
{
    auto compressed = std::make_shared<TestCompressedLayer>(TYPE_U);
    compressed->InitializeCompressionInfo(TYPE_T, 3, 2);
    Atom atom(0, 0, 0);
    atom.AddDataLayer(layer(TYPE_T));
    atom.AddDataLayer(compressed);
    const auto blocks = atom.GetAllDataBlocks();
    EXPECT_EQ((std::tuple{blocks[0]->GetDataTypeName(), blocks[1]->GetDataType(), blocks[1]->GetDataTypeName()}),
              std::tuple("Blob", DataType::CompressedBlob, "CompressedBlob"));
    EXPECT_NE(std::dynamic_pointer_cast<DataBlockCompressedBlob>(blocks[1]), nullptr);
    EXPECT_EQ(blocks[1]->GetDataLayer(), compressed);

    EXPECT_EQ((std::tuple{atom.Remove(DataType::CompressedBlob), atom.GetAllDataBlocks().size()}),
              std::tuple(HyxErrorCode::Success, 1u));
    EXPECT_EQ(atom.Remove(DataType::CompressedBlob), HyxErrorCode::Success); // none left
    EXPECT_EQ(atom.GetAllDataBlocks().size(), 1u);
}

TEST(Atom, LookupsByGuidsAndProfiles)
{
    auto tp = layer(TYPE_T, PURPOSE_P), tq = layer(TYPE_T, PURPOSE_Q), up = layer(TYPE_U, PURPOSE_P);
    Atom atom(0, 0, 0);
    for (auto& l : {tp, tq, up})
        atom.AddDataLayer(l);

    EXPECT_EQ((std::tuple{atom.GetDataLayer(PURPOSE_Q, TYPE_T, false), atom.GetDataLayer(PURPOSE_Q, TYPE_U, false)}),
              std::tuple(tq, nullptr));
    // A nil purpose matches any purpose; the flag selects nothing: always the last match.
    auto anyT = std::make_shared<DataProfile>(Guid::Nil, TYPE_T);
    EXPECT_EQ((std::tuple{atom.GetDataLayer(anyT, false), atom.GetDataLayer(anyT, true),
                          atom.GetDataLayer(std::make_shared<DataProfile>(PURPOSE_P, TYPE_T), false),
                          atom.GetDataLayer(std::shared_ptr<DataProfile>(), true)}),
              std::tuple(tq, tq, tp, nullptr));

    EXPECT_EQ(atom.GetDataBlock(std::make_shared<DataProfile>(PURPOSE_P, TYPE_U))->GetDataLayer(), up);
    EXPECT_EQ(atom.GetDataBlock(anyT), nullptr); // exact: nil matches only nil

    auto profile = std::make_shared<Profile>();
    profile->Add(PURPOSE_P, TYPE_U);
    profile->Add(PURPOSE_Q, TYPE_T);
    profile->Add(PURPOSE_Q, TYPE_U); // finds nothing, skipped
    EXPECT_EQ(atom.GetDataLayers(profile), (std::vector<std::shared_ptr<DataLayer>>{up, tq}));
    const auto blocks = atom.GetDataBlocks(profile);
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ((std::tuple{blocks[1]->GetDataLayer(), atom.GetDataLayerByTypeForProfile(TYPE_T, profile),
                          atom.GetDataLayerByTypeForProfile(PURPOSE_P, profile)}),
              std::tuple(tq, tq, nullptr));

    std::unique_ptr<Profile> generated(atom.GenerateProfile());
    EXPECT_EQ(generated->GetDataProfileCount(), 3);
    atom.AddDataLayer(layer(TYPE_T, PURPOSE_P)); // a duplicate profile is listed once
    generated.reset(atom.GenerateProfile());
    EXPECT_EQ(generated->GetDataProfileCount(), 3);
}

TEST(Atom, RemovalsByTypeAndPurpose)
{
    Atom atom(0, 0, 0);
    atom.AddDataLayer(layer(TYPE_T));
    const std::function<bool(std::shared_ptr<const DataLayer>)> empty;
    EXPECT_NO_THROW(atom.RemoveDataLayers(TYPE_U, empty));
    EXPECT_THROW(atom.RemoveDataLayers(TYPE_T, empty), std::bad_function_call);

    atom.AddDataLayer(layer(TYPE_U, PURPOSE_P));
    atom.RemoveDataLayers(PURPOSE_Q, TYPE_U);
    EXPECT_EQ(atom.GetAllDataLayers().size(), 2u);
    atom.RemoveDataLayers(PURPOSE_P, TYPE_U);
    EXPECT_EQ(atom.GetAllDataLayers().size(), 1u);
    atom.RemoveDataLayers(TYPE_T);
    EXPECT_TRUE(atom.GetAllDataLayers().empty());
    atom.AddDataLayer(layer(TYPE_T));
    atom.RemoveAllDataLayers();
    EXPECT_TRUE(atom.GetAllDataBlocks().empty());
}

TEST(Atom, EqualsComparesBlockWithBlock)
{
    auto a = layer(TYPE_T, PURPOSE_P), b = layer(TYPE_T, PURPOSE_Q), x = layer(TYPE_U);
    Atom ab1(0, 0, 0), ab2(1, 5, 7), aa(0, 0, 0), ax(0, 0, 0), ba(0, 0, 0);
    ab1.AddDataLayer(a), ab1.AddDataLayer(b);
    ab2.AddDataLayer(layer(TYPE_T, PURPOSE_P)), ab2.AddDataLayer(layer(TYPE_T, PURPOSE_Q));
    aa.AddDataLayer(a), aa.AddDataLayer(a);
    ax.AddDataLayer(a), ax.AddDataLayer(x);
    ba.AddDataLayer(b), ba.AddDataLayer(a);
    EXPECT_TRUE(ab1.Equals(&ab2)); // identity and timestamp are not compared
    EXPECT_EQ((std::tuple{aa.Equals(&ax), ab1.Equals(&ba), ab1.Equals(nullptr)}), std::tuple(false, false, false));
    Atom one(0, 0, 0);
    one.AddDataLayer(a);
    EXPECT_FALSE(one.Equals(&ab1));

    // Blocks without a layer equal only each other.
    DataBlockBlob empty1(DataType::Blob), empty2(DataType::Blob), full(DataType::Blob, a);
    EXPECT_EQ((std::tuple{empty1.Equals(&empty2), empty1.Equals(&full), full.Equals(&empty1), empty1.ToString(true),
                          empty1.Equals(nullptr)}),
              std::tuple(true, false, false, "", false));
    DataBlockCompressedBlob compressedEmpty;
    EXPECT_FALSE(empty1.Equals(&compressedEmpty)); // other kind
}

TEST(Atom, CopiesShareBlocksAndAreFrames)
{
    auto src = std::make_shared<Atom>(AtomId::Create(1, 4, 20), 1234);
    auto t = layer(TYPE_T, PURPOSE_P), u = layer(TYPE_U, PURPOSE_P);
    src->AddDataLayer(t);
    src->AddDataLayer(u);

    auto same = Atom::Copy(src, -1, true);
    EXPECT_EQ((std::tuple{same->GetFrameNr(), same->GetStreamId(), same->GetTimeStamp()}), std::tuple(20u, 4, 1234u));
    EXPECT_EQ(same->GetAtomType(), AtomType::Frame); // type is never carried over
    EXPECT_EQ(same->GetAllDataBlocks(), src->GetAllDataBlocks());
    EXPECT_EQ(same->GetDataLayerByType(TYPE_T, false), t);
    same->AddDataLayer(layer(TYPE_T));
    EXPECT_EQ(src->GetAllDataBlocks().size(), 2u);

    auto bare = Atom::Copy(src, 12, false);
    EXPECT_EQ((std::tuple{bare->GetFrameNr(), bare->GetAllDataBlocks().empty()}), std::tuple(12u, true));

    auto negative = Atom::Copy(src, -2, false);
    EXPECT_EQ(negative->GetAtomType(), AtomType::Frame); // -2 does not spill into the type
    EXPECT_EQ(negative->GetStreamId(), 4);

    std::unique_ptr<Atom> raw(Atom::Copy(src.get(), 3, true));
    EXPECT_EQ(
        (std::tuple{raw->GetFrameNr(), raw->GetAllDataLayers().size(),
                    Atom::Copy(static_cast<Atom*>(nullptr), -1, true), Atom::Copy(std::shared_ptr<Atom>(), -1, true)}),
        std::tuple(3u, 2u, nullptr, nullptr));

    auto keepU = std::make_shared<Profile>();
    keepU->Add(Guid::Nil, TYPE_U);
    auto filtered = Atom::Copy(src, keepU, 8);
    EXPECT_EQ(
        (std::tuple{filtered->GetFrameNr(), filtered->GetAllDataLayers(),
                    Atom::Copy(src, std::shared_ptr<Profile>(), -1), Atom::Copy(std::shared_ptr<Atom>(), keepU, -1)}),
        std::tuple(8u, (std::vector<std::shared_ptr<DataLayer>>{u}), nullptr, nullptr));
}

// An atom copied into itself becomes what Copy makes of it: its stream and timestamp, the frame
// chosen (its own for -1), type 0, and the blocks the profile describes, in their order.
TEST(Atom, CopiedIntoItselfItBecomesWhatCopyReturns)
{
    const auto t = layer(TYPE_T, PURPOSE_P), u = layer(TYPE_U, PURPOSE_P), q = layer(TYPE_T, PURPOSE_Q);
    const auto profileOf = [](std::initializer_list<std::pair<Guid, Guid>> entries) {
        auto profile = std::make_shared<Profile>();
        for (const auto& [purpose, type] : entries)
            profile->Add(purpose, type);
        return profile;
    };
    const std::shared_ptr<Profile> all = profileOf({{PURPOSE_P, TYPE_T}, {PURPOSE_P, TYPE_U}, {PURPOSE_Q, TYPE_T}});
    const struct {
        const char* name;
        uint32_t id;
        std::shared_ptr<Profile> profile;
        int frameNr;
    } rows[] = {
        {"every layer, own frame", AtomId::Create(0, 4, 20), all, -1},
        {"every layer, another frame", AtomId::Create(0, 4, 20), all, 8},
        {"every layer, frame 0", AtomId::Create(0, 4, 20), all, 0},
        {"any purpose of one type", AtomId::Create(0, 4, 20), profileOf({{Guid::Nil, TYPE_T}}), -1},
        {"one purpose and type", AtomId::Create(0, 4, 20), profileOf({{PURPOSE_Q, TYPE_T}}), 3},
        {"a type it lacks", AtomId::Create(0, 4, 20), profileOf({{PURPOSE_P, PURPOSE_Q}}), -1},
        {"an empty profile", AtomId::Create(0, 4, 20), std::make_shared<Profile>(), -1},
        {"not a frame atom", AtomId::Create(2, 5, 9), all, -1},
        {"not a frame atom, another frame", AtomId::Create(2, 5, 9), profileOf({{PURPOSE_P, TYPE_U}}), 1},
    };
    using Seen = std::tuple<uint32_t, uint64_t, std::vector<std::shared_ptr<DataBlockBlob>>>;
    const auto seen = [](const Atom& atom) { return Seen(atom.GetId(), atom.GetTimeStamp(), atom.GetAllDataBlocks()); };
    for (const auto& row : rows) {
        auto atom = std::make_shared<Atom>(row.id, 1234u);
        for (const auto& l : {t, u, q})
            atom->AddDataLayer(l);
        const Seen expected = seen(*Atom::Copy(atom, row.profile, row.frameNr));
        Atom::CopyInto(*atom, *atom, *row.profile, row.frameNr);
        EXPECT_EQ(seen(*atom), expected) << row.name;
    }
}

namespace {
struct BareBlock : DataBlock {
    BareBlock() : DataBlock(DataType::Blob) {}
    using DataBlock::onDeserialize;
    using DataBlock::onSerialize;
};
} // namespace

TEST(DataBlock, BaseHooksRefuseWithTheirTexts)
{
    BareBlock block;
    EXPECT_EQ((std::tuple{block.ToString(false), ThrownText([&] { block.onSerialize(nullptr); }),
                          ThrownText([&] { block.onDeserialize(nullptr, 0); })}),
              std::tuple("", "Serialization not supported.", "De-serialization not supported."));
    EXPECT_STREQ(GetDataTypeName(static_cast<DataType>(7)), "Unknown");
}

TEST(Atom, IdentityAndStreamPrefix)
{
    Atom atom(3, 7, 99);
    EXPECT_EQ((std::tuple{atom.GetId(), atom.GetAtomType(), atom.GetTimeStamp()}),
              std::tuple(451u, AtomType::Frame, 99u));

    Atom table(AtomId::Create(1, 2, 5), 0);
    table.SetFrameNr(10);
    EXPECT_EQ((std::tuple{table.GetStreamId(), table.GetAtomType(), table.GetFrameNr()}),
              std::tuple(2, AtomType::LookupTable, 10u));
    table.SetStreamId(64); // cut to six bits, frame untouched
    EXPECT_EQ((std::tuple{table.GetStreamId(), table.GetFrameNr()}), std::tuple(0, 10u));

    EXPECT_EQ(
        (std::tuple{Atom::GetStreamPrefix(7), Atom(12, 0, 0).GetStreamPrefix(), Atom(0, 0x400001, 0).GetFrameNr()}),
        std::tuple("stream007_", "stream012_", 1u));
}
