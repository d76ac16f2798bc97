#pragma once

// The built-in classes of the library, as data: class name, type GUID text and, for
// filters, the category. This is the only place their GUIDs and categories are written.
// Each class registers itself from its own source file (HYX_BUILTIN_DATA_LAYER and
// HYX_BUILTIN_FILTER in BuiltInRegistration.h), which finds its row here at compile time,
// so a class missing from the table does not compile. The tests check that every class of
// the table that exists in the library is registered.

#include <cstdint>
#include <string_view>

namespace Hyx::BuiltIn {

/// One built-in data-layer class.
struct BuiltInDataLayerClass {
    std::string_view className;
    std::string_view typeGuid; ///< upper-case text with dashes
};

/// One built-in filter class.
struct BuiltInFilterClass {
    std::string_view className;
    std::string_view typeGuid; ///< upper-case text with dashes
    uint8_t category; ///< a FilterCategory value
};

// In registration order.
inline constexpr BuiltInDataLayerClass BUILTIN_DATA_LAYER_CLASSES[] = {
    {"DataTypeByteArray", "6311EFCE-4237-4832-BEDA-FFBE5C3D0403"},
    {"DataTypeCylinderCrop", "87FA4189-FDDB-4FE0-B211-6E503667DE65"},
    {"DataTypeGroupInfo", "7425836D-8EED-433F-B604-9F1CAF6F0A5D"},
    {"DataTypeColorPalette8bit", "5283B204-0683-459D-8D87-460B3D21C8D6"},
    {"DataTypeColorPalette16bit", "9495FB00-7598-4E56-9D83-969732DE4626"},
    {"DataTypeCompressedVertexTextureUVs", "B9EBEBB9-2CBC-4AB2-AAC0-D52F6206955B"},
    {"DataTypeIndexUVs", "EFDE696B-60E9-4E52-A9F5-DF065FDDE8F6"},
    {"DataTypePatternDetector", "4BE50A3D-994D-4EC2-B65A-C13AA9124839"},
    {"DataTypePCMSample", "3D3C5976-4331-4BB9-8A53-7B6A7543A124"},
    {"DataTypePhotogrammetryInfo", "C53D8F9A-3D67-4C92-9CB9-79C62D4450FC"},
    {"DataTypeRecordingInfo", "87CE9436-3F5D-48A9-AF78-9CED27E332ED"},
    {"DataTypeRecordingSettings", "862ECD7B-4C10-40FC-BB18-B99F471AE57A"},
    {"DataTypeSegmentInfo", "D935D227-BBF3-4CF2-A9BA-A9274F31AADF"},
    {"DataTypeSequentialConfidence", "A778803C-01FA-4CC8-AA16-159DC962BCC2"},
    {"DataTypeSkeleton", "4C4E4765-A59E-4F7F-8A2D-326A83CDD27D"},
    {"DataTypeStaticInfo", "597F1B9E-2835-40EC-A456-858E6AA286CA"},
    {"DataTypeTexture16bitPaletteBased", "84C259AF-2067-4D37-B7F6-8E85DE29624D"},
    {"DataTypeTexture8bitPaletteBased", "28A3EB07-E07C-43E1-A172-F528385977A8"},
    {"DataTypeTextureASTC", "6DBED9EE-BC11-41F0-874F-E2D2E3D2F72A"},
    {"DataTypeTextureASTCRLE", "EE60E756-273A-4720-BE55-395F7592B883"},
    {"DataTypeTextureDXT1", "A86BB1D8-209C-4048-86E6-9D81E72E354B"},
    {"DataTypeTextureDXT1RLE", "50D613E5-A90C-4FBD-AF86-1F327E3F3236"},
    {"DataTypeTextureDXT5YCOCG", "D42C7C42-9E46-44A0-9507-C69DECCDD84A"},
    {"DataTypeTextureETC2", "BAC7E116-489D-49C2-828A-4E92032C7D49"},
    {"DataTypeTextureETC2RLE", "9A4363B9-1B19-4E07-BB7A-7A4B959BD127"},
    {"DataTypeTextureHSL30", "50987579-4F87-4E44-B133-813834A65E30"},
    {"DataTypeBinary", "11DF544A-FFC9-4D0E-9982-ECD9698F6142"},
    {"DataTypeTextureRGBA", "1E77DB07-72CB-4796-8840-E514EB15F47A"},
    {"DataTypeAtom", "2EABEC09-00BC-484A-B61F-1E4C4360FB4D"},
    {"DataTypeVertexAccuracies", "B12AB551-6F39-4AB3-9FFA-AE1F26367DA1"},
    {"DataTypeTextureBayerBGGR", "6672AD46-F638-4D23-A2DE-D521C5EE2656"},
    {"DataTypeTextureBayerGBRG", "C29DB706-1723-42E4-B98D-80AD507A6621"},
    {"DataTypeTextureBayerGRBG", "853875D6-43F9-45F3-9362-09D45E8FF355"},
    {"DataTypeTextureBayerRGGB", "00E30A48-23A5-49C0-9069-787D3FF82FC9"},
    {"DataTypeTexture16BitDepthMap", "104A30F4-5C0D-40AE-81C4-0260681CDB82"},
    {"DataTypeTexture16BitIR", "8C5043A2-B028-430E-A0D2-A072E3A9BCEC"},
    {"DataTypeTextureIR", "E0F1CC62-FA77-4877-A7E6-E249C905E38A"},
    {"DataTypeTextureHSL24", "18697D60-86BD-4EA9-876F-EB0F3B6822B7"},
    {"DataTypeTextureRGB30", "421AD6BF-6328-4801-A550-64BC3A5EB921"},
    {"DataTypeCameraParams", "4779A59A-AAD4-4F6D-AEF3-DE15DF6BF496"},
    {"DataTypeCompressedVertexIndices", "805952F3-2EF0-43A3-895A-47ADA06809DF"},
    {"DataTypeCompressedTexture", "B1BAF25C-06FB-4F74-8DCF-3582435F0331"},
    {"DataTypeCompressedVertexNormals", "79418380-30A2-40EB-A262-DCEAEE7BDAA0"},
    {"DataTypeCompressedVertexPositions", "FD8B02F9-9347-45B0-9E39-78DD50A4E47A"},
    {"DataTypeTextureBGR", "D26D1D1A-157F-480B-B82C-FC879E9B7068"},
    {"DataTypeVertexColors", "343FB739-C6CC-4632-AFE3-59161D66C156"},
    {"DataTypeVertexIndices", "A6992646-E758-48A8-9D46-4D7E766EEACA"},
    {"DataTypeStreamInfo", "45370842-2AB3-41C7-8440-09533B283FC6"},
    {"DataTypeTransform", "63A8406E-AFA4-4C5A-91AE-84703CE89769"},
    {"DataTypeVertexNormals", "951454B3-0C4B-4B39-996C-E321F469EB4F"},
    {"DataTypeVertexPositions", "45CB4B9B-6C6A-43A3-99EA-4FB23B035A8D"},
    {"DataTypeVertexTextureUVs", "91A5DD19-AB21-4921-9AEF-08DADCF3B88E"},
    {"DataTypeTextureYUV_NV12", "FAA17CA1-6544-4339-ACFE-4AE4085F2950"},
    {"DataTypeTextureYUV_NV21", "D577B641-22D5-4E7F-ACC4-C98CA85B60AB"},
    {"DataTypeTextureYUV_NVX", "B373D0F2-F838-4B4A-95AA-59F1706524DB"},
    {"DataTypeTextureRGB", "9533AA0B-403E-49F3-9A2E-7D44BDBB3E95"},
};

inline constexpr BuiltInFilterClass BUILTIN_FILTER_CLASSES[] = {
    {"MutateAutoCompressor", "21B46099-4F51-4962-9F9B-5265B336972A", 7},
    {"MutateVertexIndicesCompressor", "38EA5FBB-8BF0-4D6C-90F5-9205A6251B15", 7},
    {"MutateVertexNormalsCompressor", "0B3FAF6C-7D51-49CE-A9CB-F22FC8F50F53", 7},
    {"MutateVertexPositionsCompressor", "3676EA64-2A3C-414D-8ADB-D5CE90D7CE03", 7},
    {"MutateVertexTextureUVsCompressor", "D1933C58-DDF0-46CE-97BE-D89E1BD74C2F", 7},
    {"MutateTextureCompressorRGB", "D9350A48-6168-4839-8547-89F24A61C614", 7},
    {"MutateTextureCompressorDXT1RLE", "B62857DF-D9A0-4EB4-BA37-47C8C1A80247", 7},
    {"MutateTextureCompressorETC2RLE", "D34FC663-E48C-4B9D-95D2-A29030B2CF3C", 7},
    {"MutateTextureCompressorASTCRLE", "5A258B81-534B-413B-9A9A-87BFF8AD6ACB", 7},
    {"MutateTextureCompressorBGR", "D758E95D-468B-4611-9914-7CA18DFF0B6C", 7},
    {"MutateTextureCompressorYUV_NV12", "9B0024C7-733E-493A-BD99-7323DAE61565", 7},
    {"MutateTextureCompressorYUV_NV21", "9A90EE7D-1D42-4340-9761-6E2940F6F4B8", 7},
    {"MutateTextureCompressorYUV_NVX", "D850B45A-7369-48EE-8E9F-A6730E61BB53", 7},
    {"MutateTextureCompressor16BitIR", "773C9630-00B4-4FC1-8A59-DA88C6B50651", 7},
    {"MutateTextureCompressorIR", "14538261-9745-4979-B3EA-D49090594676", 7},
    {"MutateTextureCompressor16BitDepthMap", "6CCB8FFF-1CF1-4B8E-9FBC-1AE7338D0B8C", 7},
    {"MutateDataLayersDropper", "75ECFCCF-9F9F-42EF-A353-7D7C50AACCF5", 2},
    {"MutateDataLayersKeeper", "6CA6E285-38C9-4ECB-A5C6-E53AB4D4E28F", 2},
    {"MutateVertexPositionsUnitsConvertor", "1BEF1921-3EDF-4F0A-8C20-C049D13FC993", 2},
    {"SourceManualLiveSource", "2BA13F57-9A00-41AB-9BF7-5B845B2135B0", 1},
    {"SourceManualOfflineSource", "6F46D3FA-E24A-477D-8C50-A9F105EC5482", 1},
    {"TransformInjectFileData", "68AADA25-2D43-4489-9D57-0B22E8F47D4A", 2},
    {"TransformInjectMemoryData", "7361C398-B151-4C62-9952-2113221979F1", 2},
    {"SourceEmptySource", "63D460B5-A18E-4727-AD96-99E5ABA4907E", 1},
    {"MutateBlockManual", "F20E9A17-27ED-4850-A41B-1320C7842F76", 2},
    {"MutateBlockFPS", "92A37E44-0761-41B4-B3F2-26DB5A203F2B", 2},
    {"TargetCallback", "67AB0FAF-CD7C-4E09-9D13-6EC469026B27", 5},
    {"TransformIndexUVs", "9001A41B-AA2C-49D3-B185-FD810F21A289", 2},
    {"TransformTextureRGBtoASTC", "FEC732C5-8A7F-4AAF-B585-40215F91908C", 3},
    {"TransformTextureBGRtoASTC", "92C4BAB8-BB4B-4A45-BC80-B2EF6F7282A2", 3},
    {"TransformTextureYUV_NVXtoASTC", "9B70F1F4-2B32-4A5E-92D0-AF7391C7ED20", 3},
    {"TransformTextureYUV_NV12toASTC", "71FD466B-4C97-4017-80B6-A7F435AF4299", 3},
    {"TransformTextureYUV_NV21toASTC", "8D5D30EC-223B-4BB5-9960-0D7FE83F2358", 3},
    {"TransformTextureRGBtoDXT1", "B7B451E3-73A2-4029-9667-80F5F02A624D", 3},
    {"TransformTextureBGRtoDXT1", "BD24A873-AA76-4237-8F72-74071F9E9946", 3},
    {"TransformTextureYUV_NVXtoDXT1", "120EA9F6-3DAF-4B37-8346-7E5CE0E098CF", 3},
    {"TransformTextureYUV_NV12toDXT1", "06A32147-FDAD-4E89-AF48-D2A2B2491FA1", 3},
    {"TransformTextureYUV_NV21toDXT1", "3282920E-FB92-41C6-9B25-193C96A3C9A5", 3},
    {"TransformTextureRGBtoDXT5YCOCG", "93777A6B-F399-425F-AADF-C5AADBB3B0FB", 3},
    {"TransformTextureBGRtoDXT5YCOCG", "AA72F5A4-DD70-490E-9140-2C315EC59D61", 3},
    {"TransformTextureYUV_NVXtoDXT5YCOCG", "8E41A940-FB0A-4C1C-8B28-3853A4144233", 3},
    {"TransformTextureYUV_NV12toDXT5YCOCG", "4CF27F7F-C2B5-40F9-BD2A-CE39F2DAC43B", 3},
    {"TransformTextureYUV_NV21toDXT5YCOCG", "CC50FDFC-80EE-4ABB-A57C-A61A6561AAAC", 3},
    {"TransformDepthmapFromVertexPositions", "B516A916-D201-4759-ABCC-21F8F734A8C9", 2},
    {"TransformTextureRGBtoETC2", "6A2FA712-9E31-4788-811E-6D56EDAC381D", 3},
    {"TransformTextureBGRtoETC2", "7C89C6C5-7B5D-44BE-84BF-6A0FC5194B40", 3},
    {"TransformTextureYUV_NVXtoETC2", "8833EB00-79AD-40BE-BE87-506983DDCBD8", 3},
    {"TransformTextureYUV_NV12toETC2", "C7340499-3190-4F11-86C4-7E260229B3C4", 3},
    {"TransformTextureYUV_NV21toETC2", "71D5F833-06C1-4BAB-A879-38B87942767E", 3},
    {"TransformVertexColorsFromUVs", "457A117A-267A-4009-B0DB-019C8959F2F7", 2},
    {"TransformVertexTextureUVsIr", "44FC78F5-61F0-4DE7-A678-E3297F8CDC9E", 2},
    {"TransformVertexPositionsFromDepthMap", "47996E50-9FD4-428A-BAC0-4CC23BE59132", 2},
    {"TargetEmpty", "E4F8D537-05DF-4672-8A7A-20D80B7AF222", 5},
    {"TransformVertexColorsFromTextureRGB", "89B0A195-8F5D-475E-8582-C25AF5697C41", 2},
    {"TransformVertexColorsFromTextureBGR", "0F60D19A-04A0-42D6-B54A-728757D99216", 2},
    {"TransformVertexColorsFromTextureYUV_NV12", "CC13C826-B1D2-438E-9CCB-EB2485AE4E35", 2},
    {"TransformVertexColorsFromTextureYUV_NV21", "8075F1C6-5E52-4B44-B81B-1F267CE3D944", 2},
    {"TransformVertexColorsFromTextureYUV_NVX", "12D20CB7-43FD-42C4-8132-A636BDE95F05", 2},
    {"TransformVertexColorsFromTextureHSL24", "6CDDD0F2-E620-4761-8087-AC9CC350240B", 2},
    {"TransformVertexColorsFromTextureHSL30", "966B2E46-56FA-41B5-B422-AE553841F56C", 2},
    {"MutateAutoDecompressor", "9405A7FA-0533-4CE6-8F87-8A5407410904", 8},
    {"MutateVertexIndicesDecompressor", "6BFFBE86-A686-4F56-BB0E-5ADA85A3A4CF", 8},
    {"MutateVertexNormalsDecompressor", "B46B9556-5859-4E53-81F0-5A26D8E5CD87", 8},
    {"MutateVertexPositionsDecompressor", "59994482-FFD3-4441-B47E-697D3D5BE703", 8},
    {"MutateVertexTextureUVsDecompressor", "1683A58A-AB91-4BF1-861A-3D1B9934265A", 8},
    {"MutateTextureDecompressorRGB", "85D64E8A-437B-465E-89D3-8FB00A799721", 8},
    {"MutateTextureDecompressorBGR", "2A1CB3E3-7A16-4FC6-8BF1-3394B29B71E9", 8},
    {"MutateTextureDecompressorYUV_NV12", "998B1B80-1786-4ED5-968A-3ACC2A4FAC5B", 8},
    {"MutateTextureDecompressorYUV_NV21", "941905AA-A1FA-4F04-BF91-45A57C0DA278", 8},
    {"MutateTextureDecompressorDXT1RLE", "4207C1C0-A213-40E4-947D-3DF1679A8F73", 8},
    {"MutateTextureDecompressorETC2RLE", "641E3149-2FC8-414B-BE79-D96286E3ACBA", 8},
    {"MutateTextureDecompressorASTCRLE", "94050608-3040-480E-BA83-B36A5A65B433", 8},
    {"MutateTextureDecompressorYUV_NVX", "843E7DF0-3B7E-4AB4-AB34-51A048138525", 8},
    {"MutateTextureDecompressor16BitIR", "7F207900-9B93-4764-9D4B-0E85A1B1DD89", 8},
    {"MutateTextureDecompressorIR", "81D1F7B8-60D5-4D28-A1EB-9C1ECCAFA07F", 8},
    {"MutateTextureDecompressor16BitDepthMap", "831F2C3A-635F-4E14-8741-44FD55E69382", 8},
    {"TransformTextureRGBtoNVX", "40DBF9B7-3C1B-4D4F-B1B4-C2BDB76C4F64", 3},
    {"TransformTextureBGRtoNVX", "6852BCFE-E50A-4A6E-A0E4-EE3CF7EC3B6D", 3},
    {"TransformTextureNV12toNVX", "9DEF8C7D-18D3-4C51-B526-F65DE8BE8BBA", 3},
    {"TransformTextureNV21toNVX", "059250DA-64ED-41D4-80B7-F96DB5C47C61", 3},
    {"TransformTextureBayerRGGBtoNVX", "89E2BFDF-5825-4290-AFCC-A71882C77306", 3},
    {"TransformTextureBayerBGGRtoNVX", "EBD47BE8-C1D0-47BB-9D8E-4820AAA95D03", 3},
    {"TransformTextureBayerGRBGtoNVX", "A13AE6D8-5E5B-4144-A0F6-283DBB644A50", 3},
    {"TransformTextureBayerGBRGtoNVX", "13CCCAA2-DACB-4488-88C2-8C73F54532E4", 3},
    {"TransformTextureBGRtoRGB", "0AE6A62D-A587-4F4C-8FA9-B8734160DD16", 3},
    {"TransformTextureYUV_NV12toRGB", "FF0983B8-37C1-40A6-A6EB-79CB46418489", 3},
    {"TransformTextureYUV_NV21toRGB", "99BED7EF-2DAD-47DE-A351-F070DE3F3654", 3},
    {"TransformTextureYUV_NVXtoRGB", "0926F7B4-2703-46FB-8C93-3B0384FF73E2", 3},
    {"TransformTextureDXT5YCOCGtoRGB", "B2A099B7-A965-4973-B199-EAB67D4D8512", 3},
    {"TransformTextureDXT1toRGB", "9D31C6EB-E025-464B-8F2D-14A7F3A4CF2E", 3},
    {"TransformTextureHSL24toRGB", "250ECB57-6A55-4299-AE43-783724E8CDAA", 3},
    {"TransformTextureHSL30toRGB", "A3623E7E-14D9-4F6C-BA07-BBB6258D039E", 3},
    {"TransformVertexPositionsFromSupersampledDepthMap", "E50816A6-5278-4BCF-B62D-C567C6137101", 2},
    {"TransformVertexTextureUVsColor", "00DE29CB-A7AE-4529-B875-A48676D8561F", 2},
};

/// The row of a built-in data-layer class; a name not in the table fails to compile.
consteval const BuiltInDataLayerClass& FindDataLayerClass(std::string_view className)
{
    for (const auto& entry : BUILTIN_DATA_LAYER_CLASSES)
        if (entry.className == className)
            return entry;
    throw "class is not in the built-in data-layer table";
}

/// The row of a built-in filter class; a name not in the table fails to compile.
consteval const BuiltInFilterClass& FindFilterClass(std::string_view className)
{
    for (const auto& entry : BUILTIN_FILTER_CLASSES)
        if (entry.className == className)
            return entry;
    throw "class is not in the built-in filter table";
}

} // namespace Hyx::BuiltIn
