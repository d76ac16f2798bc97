#pragma once

// The purpose GUIDs: the role of a layer inside an atom ("VORN4D" capture, "THUMBNAIL", ...).
// Each constant is named after its alias; the library registers the 30 aliases in its GUID
// alias database when it loads.

#include <Hyx/Export.h>
#include <Hyx/GuidLiteral.h>

#include <VornCommon/Guid.h>
#include <VornCommon/String.h>

#include <string_view>

namespace Hyx::HYXPurposeGuids {

/// Registers the alias of a purpose GUID in the library's GUID alias database and returns
/// the GUID unchanged.
HYX_API VornCommon::Guid RegisterPurposeGuidAlias(const VornCommon::Guid& guid, const VornCommon::String& alias);

inline constexpr VornCommon::Guid VORN4D = GuidLiteral("6F0022F4-A3D5-4CCA-8DAC-ADCC3B37C839");
inline constexpr VornCommon::Guid AFFINE = GuidLiteral("CAAFFE19-6E28-48F8-966B-480C70D43C67");
inline constexpr VornCommon::Guid PHOTOGRAMMETRY = GuidLiteral("44AA3F2B-BD87-4B70-8BF7-7EF34BB97EF3");
inline constexpr VornCommon::Guid TALO = GuidLiteral("EE290172-596C-4A9A-9175-AC029038B812");
inline constexpr VornCommon::Guid HYX1 = GuidLiteral("F07C7A27-7417-4638-BA50-08C68942C112");
inline constexpr VornCommon::Guid Network = GuidLiteral("3DF13A4F-31E9-4756-AE01-FFA8E1EB80A5");
inline constexpr VornCommon::Guid ASD = GuidLiteral("8A213444-B140-4EA0-B625-175865657949");
inline constexpr VornCommon::Guid CROP = GuidLiteral("2483D517-8097-4263-8F06-02468EBC0443");
inline constexpr VornCommon::Guid DUMMY1 = GuidLiteral("B25B7743-920F-4BB0-A650-D1087E87BB6F");
inline constexpr VornCommon::Guid DUMMY2 = GuidLiteral("5F0A4F1B-F04B-481B-A97C-F23E6C2071A0");
inline constexpr VornCommon::Guid DUMMY3 = GuidLiteral("EC67A072-E33B-4862-A39E-4278A539E810");
inline constexpr VornCommon::Guid STATIC = GuidLiteral("80FE49AE-24BF-439E-B8D5-383E83D59D79");
inline constexpr VornCommon::Guid DYNAMIC = GuidLiteral("AC41E48E-3714-4809-AB28-2A2A8E9AE06F");
inline constexpr VornCommon::Guid REX = GuidLiteral("3C766FE2-02AB-4D55-A9F9-5C4396C287F8");
inline constexpr VornCommon::Guid UNDISTORTED_COLORSPACE = GuidLiteral("29D2DF13-AAC7-4927-943E-17AB2FACC390");
inline constexpr VornCommon::Guid MERGED_POISSON = GuidLiteral("AC29C86C-6729-456A-ADF5-DF1D14804716");
inline constexpr VornCommon::Guid MERGED_TSDF = GuidLiteral("A9065DBA-7A9E-4A2C-82F9-56D0872DD102");
inline constexpr VornCommon::Guid SEQUENTIAL_POISSON = GuidLiteral("77109EC1-8B96-4DD8-9035-19DF0C626F2D");
inline constexpr VornCommon::Guid DECIMATE = GuidLiteral("1DD9CC73-8C94-4A0F-A610-687E31A682E2");
inline constexpr VornCommon::Guid COLOR_QUANT = GuidLiteral("CABA6F7C-E11B-495E-BA47-6B5AF2F3500C");
inline constexpr VornCommon::Guid SEQUENTIAL_REGISTRATION = GuidLiteral("58DDE7D7-4E76-4775-9C6F-8D6EBA25CADC");
inline constexpr VornCommon::Guid DENOISE = GuidLiteral("F0C6FB6D-A803-45E9-8F76-539E0F9152DE");
inline constexpr VornCommon::Guid THUMBNAIL = GuidLiteral("64645F07-91BB-4DAB-A7AD-1B50F1C1D1F0");
inline constexpr VornCommon::Guid COLORCORRECTED = GuidLiteral("61EAF822-27C4-43ED-A8D7-CCB0EC14FFCC");
inline constexpr VornCommon::Guid CIRCLES = GuidLiteral("617B0F33-3DA0-46B5-B3F0-ECD44A848B1F");
inline constexpr VornCommon::Guid CAMERA_PRIMARY = GuidLiteral("29D21270-8E73-4284-A3F6-5A9D868C9D1B");
inline constexpr VornCommon::Guid CAMERA_SECONDARY = GuidLiteral("EA97C8D8-CFBC-4052-8223-AAE4DF2EC903");
inline constexpr VornCommon::Guid PRIMARY_IR = GuidLiteral("703A5C10-16D4-419B-956B-DD1A894D5E0C");
inline constexpr VornCommon::Guid PRIMARY_COLOR = GuidLiteral("947E9749-2931-4A11-B747-7FC8EE1BD887");
inline constexpr VornCommon::Guid SECONDARY_COLOR = GuidLiteral("188F7F1F-3264-4073-B166-6C1A3DE002A2");

/// One purpose GUID with its alias.
struct PurposeGuidAlias {
    std::string_view alias;
    VornCommon::Guid guid;
};

/// All purpose GUIDs, in the order their aliases are registered.
inline constexpr PurposeGuidAlias ALL_PURPOSE_GUIDS[] = {
    {"VORN4D", VORN4D},
    {"AFFINE", AFFINE},
    {"PHOTOGRAMMETRY", PHOTOGRAMMETRY},
    {"TALO", TALO},
    {"HYX1", HYX1},
    {"Network", Network},
    {"ASD", ASD},
    {"CROP", CROP},
    {"DUMMY1", DUMMY1},
    {"DUMMY2", DUMMY2},
    {"DUMMY3", DUMMY3},
    {"STATIC", STATIC},
    {"DYNAMIC", DYNAMIC},
    {"REX", REX},
    {"UNDISTORTED_COLORSPACE", UNDISTORTED_COLORSPACE},
    {"MERGED_POISSON", MERGED_POISSON},
    {"MERGED_TSDF", MERGED_TSDF},
    {"SEQUENTIAL_POISSON", SEQUENTIAL_POISSON},
    {"DECIMATE", DECIMATE},
    {"COLOR_QUANT", COLOR_QUANT},
    {"SEQUENTIAL_REGISTRATION", SEQUENTIAL_REGISTRATION},
    {"DENOISE", DENOISE},
    {"THUMBNAIL", THUMBNAIL},
    {"COLORCORRECTED", COLORCORRECTED},
    {"CIRCLES", CIRCLES},
    {"CAMERA_PRIMARY", CAMERA_PRIMARY},
    {"CAMERA_SECONDARY", CAMERA_SECONDARY},
    {"PRIMARY_IR", PRIMARY_IR},
    {"PRIMARY_COLOR", PRIMARY_COLOR},
    {"SECONDARY_COLOR", SECONDARY_COLOR},
};

} // namespace Hyx::HYXPurposeGuids
