#include "TestLayers.h"

#include <Hyx/DataLayer.h>
#include <Hyx/DataProfile.h>
#include <Hyx/GuidAlias.h>
#include <Hyx/Profile.h>

#include <gtest/gtest.h>

#include <memory>

using namespace Hyx;
using VornCommon::Guid;

namespace {

const Guid Nil = Guid::Nil;
const Guid P = Guid::FromHexString("00000000-0000-0000-0000-0000000000A1");
const Guid Q = Guid::FromHexString("00000000-0000-0000-0000-0000000000A2");
const Guid X = Guid::FromHexString("00000000-0000-0000-0000-0000000000A3");
const Guid T = Guid::FromHexString("00000000-0000-0000-0000-0000000000B1");
const Guid U = Guid::FromHexString("00000000-0000-0000-0000-0000000000B2");
const Guid C = Guid::FromHexString("00000000-0000-0000-0000-0000000000C1");

std::shared_ptr<DataProfile> dp(const Guid& purpose, const Guid& type, const Guid& compressed = Guid::Nil)
{
    return std::make_shared<DataProfile>(purpose, type, compressed);
}

std::shared_ptr<Profile> makeProfile(std::initializer_list<std::shared_ptr<DataProfile>> entries)
{
    auto result = std::make_shared<Profile>();
    for (const auto& entry : entries)
        EXPECT_EQ(result->Add(entry), HyxErrorCode::Success);
    return result;
}

} // namespace

TEST(DataProfile, RelationsTreatNilAsWildcardOnlyInThePattern)
{
    const DataProfile pattern(Nil, T), pt(P, T), ptc(P, T, C);
    const std::shared_ptr<DataProfile> none;
    EXPECT_EQ(
        (std::tuple{pattern.Describes(pt), pattern.Describes(ptc), pattern.Describes(DataProfile(P, U)),
                    pt.Fulfills(pattern), pattern.Fulfills(pt), ptc.Describes(pt), pattern.IsFullySpecified(),
                    pt.IsFullySpecified(), ptc.IsFullySpecified(), DataProfile(P, Nil, C).IsFullySpecified(),
                    pt == DataProfile(P, T, Nil), pt == DataProfile(Nil, T), pt.Equals(dp(P, T)), pt.Equals(nullptr),
                    pattern.Describes(none), pattern.Fulfills(none), pt.Fulfills(dp(Nil, T))}),
        std::tuple(true, true, false, true, false, false, false, true, true, false, true, false, true, false, false,
                   false, true));

    const DataProfile copied(dp(P, T, C));
    EXPECT_EQ(copied, DataProfile(P, T, C));
    auto guid = copied.GetPurposeGuidPtr();
    *guid = Q;
    EXPECT_EQ(copied.GetPurposeGuid(), P); // the pointer holds a copy
    EXPECT_EQ(*copied.GetCompressedTypeGuidPtr(), C);
}

TEST(Profile, AddRefusesDuplicatesAndEmptyEntries)
{
    Profile profile;
    using E = HyxErrorCode;
    EXPECT_EQ((std::tuple{profile.Add(P, T), profile.Add(P, T), profile.Add(P, T, Nil),
                          profile.Add(std::shared_ptr<DataProfile>()), profile.Add(std::shared_ptr<DataLayer>()),
                          profile.Add(std::shared_ptr<Profile>()), profile.GetDataProfileCount()}),
              std::tuple(E::Success, E::DataProfileAlreadyExists, E::DataProfileAlreadyExists, E::UnknownError,
                         E::UnknownError, E::UnknownError, 1));

    EXPECT_EQ((std::tuple{profile.Add(std::shared_ptr<DataLayer>(std::make_shared<TestLayer>(T, Q))),
                          profile.Contains(Q, T, Nil)}),
              std::tuple(HyxErrorCode::Success, true));

    // The profile form stops at the first duplicate; entries before it stay.
    const auto more = makeProfile({dp(X, T), dp(P, T), dp(X, U)});
    EXPECT_EQ((std::tuple{profile.Add(more), profile.GetDataProfileCount(), profile.Contains(X, U, Nil)}),
              std::tuple(E::DataProfileAlreadyExists, 3, false));
    profile.Merge(more);
    EXPECT_EQ(std::tuple(profile.GetDataProfileCount(), profile.Contains(X, U, Nil)), std::tuple(4, true));
    profile.Merge(std::shared_ptr<Profile>());
    EXPECT_EQ((std::tuple{profile.GetDataProfileCount(), profile.GetDataProfileByIndex(-1),
                          profile.GetDataProfileByIndex(4), *profile.GetDataProfileByIndex(0)}),
              std::tuple(4, nullptr, nullptr, DataProfile(P, T)));
}

TEST(Profile, FulfilmentComparesExactly)
{
    const auto concrete = makeProfile({dp(P, T), dp(Q, U)});
    const Profile empty;
    EXPECT_EQ(
        (std::tuple{concrete->Fulfills(makeProfile({dp(Nil, T)})), concrete->Fulfills(makeProfile({dp(Q, U)})),
                    concrete->Fulfills(std::make_shared<Profile>()), concrete->Fulfills(std::shared_ptr<Profile>()),
                    concrete->Fulfills(dp(P, T)), concrete->Fulfills(dp(Nil, T)),
                    concrete->Contains(std::shared_ptr<DataProfile>()), empty.IsFullySpecified(),
                    empty.Fulfills(std::make_shared<Profile>()), empty.Fulfills(concrete), concrete->IsFullySpecified(),
                    makeProfile({dp(P, T), dp(Nil, U)})->IsFullySpecified()}),
        std::tuple(false, true, true, false, true, false, false, false, true, false, true, false));

    Utils::GetHYXGuidAliasDatabase()->RegisterGuidAlias(U, VornCommon::String("TypeU"));
    const auto required = makeProfile({dp(Q, U), dp(X, U), dp(X, T)});
    EXPECT_EQ((std::tuple{concrete->GetFulfillsError(required),
                          std::tuple(concrete->GetFulfillsError(makeProfile({dp(Q, U)})),
                                     concrete->GetFulfillsError(std::shared_ptr<Profile>())),
                          concrete->ToFriendlyString(", ")}),
              std::tuple("Missing {00000000-0000-0000-0000-0000000000A3/TypeU/NIL}",
                         std::tuple("OK", "Undefined Profile"),
                         "{00000000-0000-0000-0000-0000000000A1/00000000-0000-0000-0000-0000000000B1/NIL}, "
                         "{00000000-0000-0000-0000-0000000000A2/TypeU/NIL}"));
    Utils::GetHYXGuidAliasDatabase()->UnregisterGuidAlias(U);
    EXPECT_EQ(makeProfile({dp(P, T)})->ToFriendlyString(", ").find(", "), std::string::npos);
    EXPECT_EQ(concrete->ToString(), DataProfile(P, T).ToString() + DataProfile(Q, U).ToString());
}

TEST(Profile, DescribesIsAOneToOneMatching)
{
    // The own wildcard entry must leave (P, T) to the own (P, T) entry and take (Q, T).
    const auto own = makeProfile({dp(Nil, T), dp(P, T)});
    const auto other = makeProfile({dp(P, T), dp(Q, T)});
    EXPECT_EQ((std::tuple{own->Describes(other), other->Describes(own)}), std::tuple(true, false));

    // Two own entries cannot share one partner.
    EXPECT_EQ((std::tuple{makeProfile({dp(Nil, T), dp(P, Nil)})->Describes(makeProfile({dp(P, T)})),
                          makeProfile({dp(Nil, T), dp(P, Nil)})->Describes(makeProfile({dp(P, U), dp(P, T)}))}),
              std::tuple(false, true));
    // Unmatched entries of the other profile do not matter; an empty profile describes any.
    EXPECT_EQ((std::tuple{makeProfile({dp(Nil, U)})->Describes(makeProfile({dp(P, T), dp(Q, U)})),
                          std::make_shared<Profile>()->Describes(other),
                          std::make_shared<Profile>()->Describes(std::shared_ptr<Profile>())}),
              std::tuple(true, true, false));
    // A longer augmenting path: each own entry's first choice is taken by the one before.
    const auto chain = makeProfile({dp(Nil, Nil), dp(Nil, T), dp(P, T, Nil)});
    EXPECT_EQ((std::tuple{chain->Describes(makeProfile({dp(P, T), dp(Q, T), dp(X, U)})),
                          chain->Describes(makeProfile({dp(P, T), dp(Q, U), dp(X, U)}))}),
              std::tuple(true, false));

    EXPECT_EQ((std::tuple{own->Describes(dp(X, T, C)), own->Describes(dp(X, U)),
                          own->Describes(std::shared_ptr<DataProfile>())}),
              std::tuple(true, false, false));
}

TEST(Profile, SearchesByTypePurposeAndPattern)
{
    const auto profile = makeProfile({dp(P, T), dp(Q, U), dp(Q, T, C), dp(Nil, T)});
    // Found entries by value; a nil purpose is exact in the purpose-and-type search.
    EXPECT_EQ(
        (std::tuple{
            (std::tuple{*profile->GetDataProfileByType(T, false), *profile->GetDataProfileByType(T, true),
                        *profile->GetDataProfileByPurposeAndType(Q, T, false),
                        *profile->GetDataProfileByPurposeAndType(Nil, T, false),
                        *profile->GetDataProfile(dp(Nil, T), false), *profile->GetDataProfile(dp(Nil, T), true)}),
            (std::tuple{profile->GetDataProfileByType(C, false), profile->GetDataProfileByPurposeAndType(X, T, true),
                        profile->GetDataProfile(dp(X, Nil), false),
                        profile->GetDataProfile(std::shared_ptr<DataProfile>(), false)}),
            (std::tuple{profile->GetDataProfilesByType(T).size(), profile->GetDataProfilesByType(X).size(),
                        profile->GetDataProfiles(dp(Nil, Nil)).size(),
                        profile->GetDataProfiles(std::shared_ptr<DataProfile>()).size()})}),
        std::tuple(std::tuple(DataProfile(P, T), DataProfile(Nil, T), DataProfile(Q, T, C), DataProfile(Nil, T),
                              DataProfile(P, T), DataProfile(Nil, T)),
                   std::tuple(nullptr, nullptr, nullptr, nullptr), std::tuple(3u, 0u, 4u, 0u)));
    const auto byPurpose = profile->GetDataProfiles(dp(Q, Nil));
    ASSERT_EQ(byPurpose.size(), 2u);
    EXPECT_EQ(std::tuple(*byPurpose[0], *byPurpose[1]), std::tuple(DataProfile(Q, U), DataProfile(Q, T, C)));
}

TEST(Profile, CopiesShareTheirEntries)
{
    Profile a(P, T);
    a.Add(Q, U);
    Profile b;
    b = a;
    a.ChangePurposeGuid(X);
    const Profile c(std::make_shared<Profile>(a));
    const auto shared = dp(P, T);
    const Profile d(shared);
    EXPECT_EQ((std::tuple{b.GetDataProfileByIndex(0)->GetPurposeGuid(), b.GetDataProfileByIndex(1)->GetPurposeGuid(),
                          c.GetDataProfileByIndex(0), d.GetDataProfileByIndex(0),
                          Profile(std::shared_ptr<DataProfile>()).GetDataProfileCount()}),
              std::tuple(X, X, a.GetDataProfileByIndex(0), shared, 0));
}

TEST(Profile, RemovalsAlwaysSucceed)
{
    const auto profile = makeProfile({dp(P, T), dp(Q, T), dp(P, U), dp(P, T, C)});
    const auto first = profile->GetDataProfileByIndex(0);
    const auto ok = HyxErrorCode::Success;
    // First an entry of its own.
    EXPECT_EQ((std::tuple{profile->Remove(first), profile->GetDataProfileCount(), profile->Remove(X, X, X),
                          profile->Remove(std::shared_ptr<DataProfile>()), profile->RemoveAllByType(T)}),
              std::tuple(ok, 3, ok, ok, ok));
    ASSERT_EQ(profile->GetDataProfileCount(), 1);
    EXPECT_EQ(
        (std::tuple{*profile->GetDataProfileByIndex(0), profile->RemoveAllByType(Nil), profile->GetDataProfileCount()}),
        std::tuple(DataProfile(P, U), ok, 1));
}
