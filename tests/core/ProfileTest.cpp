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
    const DataProfile pattern(Nil, T);
    EXPECT_TRUE(pattern.Describes(DataProfile(P, T)));
    EXPECT_TRUE(pattern.Describes(DataProfile(P, T, C)));
    EXPECT_FALSE(pattern.Describes(DataProfile(P, U)));
    EXPECT_TRUE(DataProfile(P, T).Fulfills(pattern));
    EXPECT_FALSE(pattern.Fulfills(DataProfile(P, T)));
    EXPECT_FALSE(DataProfile(P, T, C).Describes(DataProfile(P, T)));

    EXPECT_FALSE(pattern.IsFullySpecified());
    EXPECT_TRUE(DataProfile(P, T).IsFullySpecified());
    EXPECT_TRUE(DataProfile(P, T, C).IsFullySpecified());
    EXPECT_FALSE(DataProfile(P, Nil, C).IsFullySpecified());

    EXPECT_EQ(DataProfile(P, T), DataProfile(P, T, Nil));
    EXPECT_NE(DataProfile(P, T), DataProfile(Nil, T));
    EXPECT_TRUE(DataProfile(P, T).Equals(dp(P, T)));
    EXPECT_FALSE(DataProfile(P, T).Equals(nullptr));
    EXPECT_FALSE(pattern.Describes(std::shared_ptr<DataProfile>()));
    EXPECT_FALSE(pattern.Fulfills(std::shared_ptr<DataProfile>()));
    EXPECT_TRUE(DataProfile(P, T).Fulfills(dp(Nil, T)));

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
    EXPECT_EQ(profile.Add(P, T), HyxErrorCode::Success);
    EXPECT_EQ(profile.Add(P, T), HyxErrorCode::DataProfileAlreadyExists);
    EXPECT_EQ(profile.Add(P, T, Nil), HyxErrorCode::DataProfileAlreadyExists);
    EXPECT_EQ(profile.GetDataProfileCount(), 1);
    EXPECT_EQ(profile.Add(std::shared_ptr<DataProfile>()), HyxErrorCode::UnknownError);
    EXPECT_EQ(profile.Add(std::shared_ptr<DataLayer>()), HyxErrorCode::UnknownError);
    EXPECT_EQ(profile.Add(std::shared_ptr<Profile>()), HyxErrorCode::UnknownError);
    EXPECT_EQ(profile.GetDataProfileCount(), 1);

    EXPECT_EQ(profile.Add(std::shared_ptr<DataLayer>(std::make_shared<TestLayer>(T, Q))), HyxErrorCode::Success);
    EXPECT_TRUE(profile.Contains(Q, T, Nil));

    // The profile form stops at the first duplicate; entries before it stay.
    const auto more = makeProfile({dp(X, T), dp(P, T), dp(X, U)});
    EXPECT_EQ(profile.Add(more), HyxErrorCode::DataProfileAlreadyExists);
    EXPECT_EQ(profile.GetDataProfileCount(), 3);
    EXPECT_FALSE(profile.Contains(X, U, Nil));
    profile.Merge(more);
    EXPECT_EQ(profile.GetDataProfileCount(), 4);
    EXPECT_TRUE(profile.Contains(X, U, Nil));
    profile.Merge(std::shared_ptr<Profile>());
    EXPECT_EQ(profile.GetDataProfileCount(), 4);

    EXPECT_EQ(profile.GetDataProfileByIndex(-1), nullptr);
    EXPECT_EQ(profile.GetDataProfileByIndex(4), nullptr);
    EXPECT_EQ(*profile.GetDataProfileByIndex(0), DataProfile(P, T));
}

TEST(Profile, FulfilmentComparesExactly)
{
    const auto concrete = makeProfile({dp(P, T), dp(Q, U)});
    EXPECT_FALSE(concrete->Fulfills(makeProfile({dp(Nil, T)})));
    EXPECT_TRUE(concrete->Fulfills(makeProfile({dp(Q, U)})));
    EXPECT_TRUE(concrete->Fulfills(std::make_shared<Profile>()));
    EXPECT_FALSE(concrete->Fulfills(std::shared_ptr<Profile>()));
    EXPECT_TRUE(concrete->Fulfills(dp(P, T)));
    EXPECT_FALSE(concrete->Fulfills(dp(Nil, T)));
    EXPECT_FALSE(concrete->Contains(std::shared_ptr<DataProfile>()));

    const Profile empty;
    EXPECT_FALSE(empty.IsFullySpecified());
    EXPECT_TRUE(empty.Fulfills(std::make_shared<Profile>()));
    EXPECT_FALSE(empty.Fulfills(concrete));
    EXPECT_TRUE(concrete->IsFullySpecified());
    EXPECT_FALSE(makeProfile({dp(P, T), dp(Nil, U)})->IsFullySpecified());

    Utils::GetHYXGuidAliasDatabase()->RegisterGuidAlias(U, VornCommon::String("TypeU"));
    const auto required = makeProfile({dp(Q, U), dp(X, U), dp(X, T)});
    EXPECT_EQ(concrete->GetFulfillsError(required), "Missing {00000000-0000-0000-0000-0000000000A3/TypeU/NIL}");
    EXPECT_EQ(concrete->GetFulfillsError(makeProfile({dp(Q, U)})), "OK");
    EXPECT_EQ(concrete->GetFulfillsError(std::shared_ptr<Profile>()), "Undefined Profile");
    EXPECT_EQ(concrete->ToFriendlyString(", "),
              "{00000000-0000-0000-0000-0000000000A1/00000000-0000-0000-0000-0000000000B1/NIL}, "
              "{00000000-0000-0000-0000-0000000000A2/TypeU/NIL}");
    Utils::GetHYXGuidAliasDatabase()->UnregisterGuidAlias(U);
    EXPECT_EQ(makeProfile({dp(P, T)})->ToFriendlyString(", ").find(", "), std::string::npos);
    EXPECT_EQ(concrete->ToString(), DataProfile(P, T).ToString() + DataProfile(Q, U).ToString());
}

TEST(Profile, DescribesIsAOneToOneMatching)
{
    // The own wildcard entry must leave (P, T) to the own (P, T) entry and take (Q, T).
    const auto own = makeProfile({dp(Nil, T), dp(P, T)});
    const auto other = makeProfile({dp(P, T), dp(Q, T)});
    EXPECT_TRUE(own->Describes(other));
    EXPECT_FALSE(other->Describes(own));

    // Two own entries cannot share one partner.
    EXPECT_FALSE(makeProfile({dp(Nil, T), dp(P, Nil)})->Describes(makeProfile({dp(P, T)})));
    EXPECT_TRUE(makeProfile({dp(Nil, T), dp(P, Nil)})->Describes(makeProfile({dp(P, U), dp(P, T)})));
    // Unmatched entries of the other profile do not matter; an empty profile describes any.
    EXPECT_TRUE(makeProfile({dp(Nil, U)})->Describes(makeProfile({dp(P, T), dp(Q, U)})));
    EXPECT_TRUE(std::make_shared<Profile>()->Describes(other));
    EXPECT_FALSE(std::make_shared<Profile>()->Describes(std::shared_ptr<Profile>()));
    // A longer augmenting path: each own entry's first choice is taken by the one before.
    const auto chain = makeProfile({dp(Nil, Nil), dp(Nil, T), dp(P, T, Nil)});
    EXPECT_TRUE(chain->Describes(makeProfile({dp(P, T), dp(Q, T), dp(X, U)})));
    EXPECT_FALSE(chain->Describes(makeProfile({dp(P, T), dp(Q, U), dp(X, U)})));

    EXPECT_TRUE(own->Describes(dp(X, T, C)));
    EXPECT_FALSE(own->Describes(dp(X, U)));
    EXPECT_FALSE(own->Describes(std::shared_ptr<DataProfile>()));
}

TEST(Profile, SearchesByTypePurposeAndPattern)
{
    const auto profile = makeProfile({dp(P, T), dp(Q, U), dp(Q, T, C), dp(Nil, T)});
    EXPECT_EQ(*profile->GetDataProfileByType(T, false), DataProfile(P, T));
    EXPECT_EQ(*profile->GetDataProfileByType(T, true), DataProfile(Nil, T));
    EXPECT_EQ(profile->GetDataProfileByType(C, false), nullptr);
    EXPECT_EQ(*profile->GetDataProfileByPurposeAndType(Q, T, false), DataProfile(Q, T, C));
    EXPECT_EQ(*profile->GetDataProfileByPurposeAndType(Nil, T, false), DataProfile(Nil, T)); // nil is exact here
    EXPECT_EQ(profile->GetDataProfileByPurposeAndType(X, T, true), nullptr);
    EXPECT_EQ(profile->GetDataProfilesByType(T).size(), 3u);
    EXPECT_TRUE(profile->GetDataProfilesByType(X).empty());

    const auto byPurpose = profile->GetDataProfiles(dp(Q, Nil));
    ASSERT_EQ(byPurpose.size(), 2u);
    EXPECT_EQ(*byPurpose[0], DataProfile(Q, U));
    EXPECT_EQ(*byPurpose[1], DataProfile(Q, T, C));
    EXPECT_EQ(profile->GetDataProfiles(dp(Nil, Nil)).size(), 4u);
    EXPECT_TRUE(profile->GetDataProfiles(std::shared_ptr<DataProfile>()).empty());
    EXPECT_EQ(*profile->GetDataProfile(dp(Nil, T), false), DataProfile(P, T));
    EXPECT_EQ(*profile->GetDataProfile(dp(Nil, T), true), DataProfile(Nil, T));
    EXPECT_EQ(profile->GetDataProfile(dp(X, Nil), false), nullptr);
    EXPECT_EQ(profile->GetDataProfile(std::shared_ptr<DataProfile>(), false), nullptr);
}

TEST(Profile, CopiesShareTheirEntries)
{
    Profile a(P, T);
    a.Add(Q, U);
    Profile b;
    b = a;
    a.ChangePurposeGuid(X);
    EXPECT_EQ(b.GetDataProfileByIndex(0)->GetPurposeGuid(), X);
    EXPECT_EQ(b.GetDataProfileByIndex(1)->GetPurposeGuid(), X);
    const Profile c(std::make_shared<Profile>(a));
    EXPECT_EQ(c.GetDataProfileByIndex(0), a.GetDataProfileByIndex(0));
    const auto shared = dp(P, T);
    const Profile d(shared);
    EXPECT_EQ(d.GetDataProfileByIndex(0), shared);
    EXPECT_EQ(Profile(std::shared_ptr<DataProfile>()).GetDataProfileCount(), 0);
}

TEST(Profile, RemovalsAlwaysSucceed)
{
    const auto profile = makeProfile({dp(P, T), dp(Q, T), dp(P, U), dp(P, T, C)});
    const auto first = profile->GetDataProfileByIndex(0);
    EXPECT_EQ(profile->Remove(first), HyxErrorCode::Success); // an entry of its own
    EXPECT_EQ(profile->GetDataProfileCount(), 3);
    EXPECT_EQ(profile->Remove(X, X, X), HyxErrorCode::Success);
    EXPECT_EQ(profile->Remove(std::shared_ptr<DataProfile>()), HyxErrorCode::Success);
    EXPECT_EQ(profile->RemoveAllByType(T), HyxErrorCode::Success);
    ASSERT_EQ(profile->GetDataProfileCount(), 1);
    EXPECT_EQ(*profile->GetDataProfileByIndex(0), DataProfile(P, U));
    EXPECT_EQ(profile->RemoveAllByType(Nil), HyxErrorCode::Success);
    EXPECT_EQ(profile->GetDataProfileCount(), 1);
}
