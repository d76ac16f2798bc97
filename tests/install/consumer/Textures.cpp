// README "Converting a texture".

#include "Consumer.h"

namespace {

// Runs the call with standard output going to a file; what it printed there.
std::string printedBy(const std::function<void()>& call)
{
    std::fflush(stdout);
    FILE* file = std::tmpfile();
    const int saved = dup(1);
    if (!file || saved == -1)
        return "cannot capture standard output";
    dup2(fileno(file), 1);
    call();
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    std::string text;
    std::rewind(file);
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
        text.push_back(char(c));
    std::fclose(file);
    return text;
}

// A texture through a conversion filter and through the converter; the sizes each block form
// refuses, with their texts; what the ASTC conversion prints.
void runTextures()
{
    {
        const auto graph = BuildConversionGraph(Hyx::TransformTextureRGBtoDXT1::TheTypeGuid());
        const auto frame = graph ? ConvertFrame(*graph, MakeTextureFrame(0, 64, 48)) : nullptr;
        const auto dxt1 = Dxt1Of(frame);
        check(dxt1 && dxt1->GetTextureFormat() == Hyx::TextureFormat::DXT1 && dxt1->GetWidth() == 64 &&
                  dxt1->GetHeight() == 48 && dxt1->GetTextureSizeInBytes() == 1536,
              "the RGB-to-DXT1 filter adds a 64 x 48 DXT1 texture of 1536 bytes");
        check(frame && rgbOf(frame), "the frame keeps its RGB texture");
        if (graph)
            graph->RemoveAllFilters();
    }
    const auto etc2 = ToEtc2(MakeTextureFrame(0, 64, 48));
    check(etc2 && etc2->GetTextureFormat() == Hyx::TextureFormat::ETC2 && etc2->GetTextureSizeInBytes() == 1536 &&
              etc2->GetPurposeGuid() == Hyx::HYXPurposeGuids::VORN4D,
          "ToEtc2 gives an ETC2 texture of 1536 bytes");

    using Rgb = std::shared_ptr<Hyx::DataTypeTextureRGB>;
    const VornCommon::Guid purpose = Hyx::HYXPurposeGuids::VORN4D;
    using Converter = Hyx::TextureFormatConverter;
    const struct {
        VornCommon::Guid filter, result;
        std::function<bool(const Rgb&)> convert; // true when the converter gave a texture
        uint32_t multiple; // 4 for DXT1, DXT5-YCoCg and ETC2, 8 for ASTC
        uint32_t bytesPer64; // bytes of 8 x 8 pixels
        const char* family;
        const char* empty;
    } forms[] = {
        {Hyx::TransformTextureRGBtoDXT1::TheTypeGuid(), Hyx::DataTypeTextureDXT1::TheTypeGuid(),
         [&](const Rgb& rgb) { return Converter::ConvertFromRGBtoDXT1(rgb, purpose) != nullptr; }, 4, 32, "DXT1-",
         "Failed to convert texture to DXT1-RLE."},
        {Hyx::TransformTextureRGBtoDXT5YCOCG::TheTypeGuid(), Hyx::DataTypeTextureDXT5YCOCG::TheTypeGuid(),
         [&](const Rgb& rgb) { return Converter::ConvertFromRGBtoDXT5YCOCG(rgb, purpose) != nullptr; }, 4, 64,
         "DXT5-YCOCG", "Failed to convert texture to DXT5-YCOCG."},
        {Hyx::TransformTextureRGBtoETC2::TheTypeGuid(), Hyx::DataTypeTextureETC2::TheTypeGuid(),
         [&](const Rgb& rgb) { return Converter::ConvertFromRGBtoETC2(rgb, purpose) != nullptr; }, 4, 32, "ETC2-",
         "Failed to convert texture to ETC2-RLE."},
        {Hyx::TransformTextureRGBtoASTC::TheTypeGuid(), Hyx::DataTypeTextureASTC::TheTypeGuid(),
         [&](const Rgb& rgb) { return Converter::ConvertFromRGBtoASTC(rgb, purpose, 0) != nullptr; }, 8, 16, "ASTC-",
         "Failed to convert texture to ASTC-RLE."},
    };
    const struct {
        uint16_t width, height;
    } sizes[] = {{64, 48}, {62, 48}, {64, 46}, {60, 48}, {64, 44}, {4, 4}, {0, 8}, {8, 0}};
    for (const auto& form : forms) {
        for (const auto& size : sizes) {
            const bool empty = size.width == 0 || size.height == 0;
            const bool byFour = size.width % 4 == 0 && size.height % 4 == 0;
            const bool byEight = size.width % 8 == 0 && size.height % 8 == 0;
            const bool fits = !empty && (form.multiple == 4 ? byFour : byEight);
            const std::string text =
                empty ? std::string(form.empty)
                : !byFour
                    ? std::string("Unable to convert texture to ") + form.family + ", dimension not divisible by 4!"
                    : std::string("Unable to convert texture to ") + form.family + ", dimension not divisible by 8!";
            const auto graph = BuildConversionGraph(form.filter);
            std::shared_ptr<Hyx::Atom> frame;
            printedBy(
                [&] { frame = graph ? ConvertFrame(*graph, MakeTextureFrame(0, size.width, size.height)) : nullptr; });
            const std::string error = graph ? graph->GetLastError(false).StdString() : std::string();
            if (fits) {
                const auto blocks = frame ? std::dynamic_pointer_cast<Hyx::DataTypeTextureBase>(
                                                frame->GetDataLayer(form.filter, form.result, false))
                                          : nullptr;
                check(blocks &&
                          blocks->GetTextureSizeInBytes() == uint32_t(size.width) * size.height * form.bytesPer64 / 64,
                      "a conversion filter gives a block texture of the README's byte size");
            } else {
                check(!frame && contains(error, "(" + text + ")"),
                      "a conversion filter refuses the size with its text");
                quote(text);
            }
            if (graph)
                graph->RemoveAllFilters();
            // The converter: a texture, an empty pointer, or the exception.
            const Rgb rgb = rgbOf(MakeTextureFrame(0, size.width, size.height));
            std::string thrown;
            bool converted = false;
            printedBy([&] {
                try {
                    converted = form.convert(rgb);
                } catch (const std::runtime_error& e) {
                    thrown = e.what();
                }
            });
            check(converted == fits && thrown == (fits || empty ? "" : "Texture format conversion not supported."),
                  "the converter converts, gives an empty pointer or throws as the README says");
        }
    }
    quote("Texture format conversion not supported.");
    {
        const auto graph = BuildConversionGraph(Hyx::TransformTextureRGBtoDXT1::TheTypeGuid());
        std::string refusal;
        check(graph && !ConvertFrame(*graph, MakeTextureFrame(0, 64, 62), &refusal), "64 x 62 is refused");
        const std::string error = graph ? graph->GetLastError(false).StdString() : std::string();
        quote(error);
        // The filter's own text reached refusal before Stop emptied it; the graph's stays.
        check(refusal.rfind("Filter 'TextureRGBtoDXT1' error: ", 0) == 0 &&
                  contains(refusal, "(Unable to convert texture to DXT1-, dimension not divisible by 4!)") &&
                  error == "Graph update failed(" + refusal + ")",
              "ConvertFrame hands the refusing filter's text over; the graph keeps its own after Stop");
        check(graph && graph->GetFilter(1u) && graph->GetFilter(1u)->GetLastError(false).IsEmpty(),
              "the graph's Stop emptied the filter's text");
        if (graph)
            graph->RemoveAllFilters();
    }

    // What ASTC prints: two lines for an RGB texture (also through the filter), one for BGR and YUV.
    const Rgb rgb = rgbOf(MakeTextureFrame(0, 32, 16));
    const std::string rgbLines = "compression type 0 \n8 blocks to process ..\n";
    check(printedBy([&] { Converter::ConvertFromRGBtoASTC(rgb, purpose, 0); }) == rgbLines,
          "ASTC of an RGB texture prints two lines");
    check(printedBy([&] { Converter::ConvertFromBGRtoASTC(Converter::ConvertFromRGBtoBGR(rgb), purpose, 0); }) ==
              "8 blocks to process ..\n",
          "ASTC of a BGR texture prints one line");
    check(printedBy([&] {
              Converter::ConvertFromNVXtoASTC(Converter::ConvertFromRGBtoNVX(rgb, purpose), purpose, 0);
          }) == "8 blocks to process ..\n",
          "ASTC of a YUV texture prints one line");
    const auto graph = BuildConversionGraph(Hyx::TransformTextureRGBtoASTC::TheTypeGuid());
    check(graph && printedBy([&] { ConvertFrame(*graph, MakeTextureFrame(0, 32, 16)); }) == rgbLines,
          "the RGB-to-ASTC filter prints the two lines");
    if (graph)
        graph->RemoveAllFilters();
    quote("\"compression type 0 \" (with a");
    quote("8 blocks to process ..");
}

} // namespace
