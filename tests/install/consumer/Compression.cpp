// README "Compression": the compressors and decompressors, their codes, damaged layers.

#include "Consumer.h"

namespace {

void runCompressionChoice()
{
    auto graph = std::make_shared<Hyx::Graph>();
    check(AddFilter(graph, Hyx::SourceEmptySource::TheTypeGuid()) &&
              AddFilter(graph, Hyx::MutateVertexPositionsCompressor::TheTypeGuid()),
          "a positions compressor is added");
    check(UseSmallPositions(*graph), "UseSmallPositions finds \"Compression\"");
    auto compression = std::dynamic_pointer_cast<Hyx::FilterParamEnumIndexed>(
        graph->GetFilterParam(Hyx::MutateVertexPositionsCompressor::TheTypeGuid(), "Compression", 1));
    check(compression && compression->GetValue() == 2, "\"Compression\" 1 is the code of QSPACE-11/11/10");
    compression->SetValueAsString("QSPACE-11/11/10");
    check(compression->GetValue() == 1, "a choice's text reads as index 0");
    compression->SetValueAsString("7");
    check(compression->GetValue() == 2, "an index past the end selects the last choice");
    compression->SetValueAsString("16BIT");
    check(compression->GetValue() == 2 && compression->GetValueAsString() == "1",
          "a text with a leading number reads as that number, past the end the last choice");
    compression->SetValueAsString("-1");
    check(compression->GetValue() == 1 && compression->GetValueAsString() == "0", "an index below 0 selects the first");
    graph->RemoveAllFilters();
}

// The frame's last compressed layer; empty when it has none.
std::shared_ptr<Hyx::DataTypeCompressedBlob> compressedOf(const std::shared_ptr<Hyx::Atom>& atom)
{
    std::shared_ptr<Hyx::DataTypeCompressedBlob> found;
    for (const auto& layer : atom ? atom->GetAllDataLayers() : std::vector<std::shared_ptr<Hyx::DataLayer>>())
        if (auto compressed = std::dynamic_pointer_cast<Hyx::DataTypeCompressedBlob>(layer))
            found = compressed;
    return found;
}

std::vector<std::shared_ptr<Hyx::DataLayer>> someUVs()
{
    auto uvs = std::make_shared<Hyx::DataTypeVertexTextureUVs>();
    uvs->Allocate(2);
    const float coordinates[] = {0.1f, 0.2f, 0.3f, 0.4f};
    std::copy(std::begin(coordinates), std::end(coordinates), uvs->GetUVs());
    return {uvs};
}

// A compressed layer whose bytes are short of its count is refused as it loads and as it
// decodes, and a decompressor fails the frame with code 30 and one line.
void runShortCompressedLayer(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const std::string expected = "compressed data does not have the expected size";
    // The payload of three indices at 24 bits, one byte short: it loads, and decoding refuses.
    const auto shortOf = [](uint32_t cut, bool& loaded) {
        auto coded = std::make_shared<Hyx::DataTypeCompressedVertexIndices>();
        coded->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
        uint32_t size = 0;
        std::vector<uint8_t> bytes;
        if (coded->compress(someIndices().front(), 128)) {
            const uint8_t* data = coded->Serialize(size);
            bytes.assign(data, data + size);
        }
        auto layer = std::make_shared<Hyx::DataTypeCompressedVertexIndices>();
        layer->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
        layer->InitializeCompressionInfo(Hyx::DataTypeVertexIndices::TheTypeGuid(), coded->GetCompressedBlobVersion(),
                                         128);
        loaded = !bytes.empty() && layer->InitializeData(bytes.data(), cut < size ? size - cut : 0);
        return layer;
    };
    for (const uint32_t cut : {1u, 1000u}) {
        bool loaded = false;
        const auto layer = shortOf(cut, loaded);
        std::string thrown;
        try {
            layer->decompress();
        } catch (const std::runtime_error& e) {
            thrown = e.what();
        }
        check(loaded == (cut == 1) && thrown == expected,
              "a payload short of its count loads, one short of its header does not; decoding refuses both");
    }
    quote(expected);
    const LayerMaker refused = [&] {
        bool loaded = false;
        return std::vector<std::shared_ptr<Hyx::DataLayer>>{shortOf(1, loaded)};
    };
    CapturedLog log(logger);
    std::string error;
    const auto frame = throughFilters(refused, {{Hyx::MutateAutoDecompressor::TheTypeGuid(), {}}}, &error);
    const std::vector<std::string> lines = log.At(VornCommon::LogLevel::Error);
    const std::string line = "Filter '#AutoDecompressor' could not decompress layer '";

    check(!frame &&
              error.find(Hyx::GetHyxErrorMessage(Hyx::HyxErrorCode::FilterFailedToDecompressLayer)) !=
                  std::string::npos &&
              std::any_of(lines.begin(), lines.end(),
                          [&](const std::string& l) {
                              return l.rfind(line, 0) == 0 && l.size() > expected.size() &&
                                     l.compare(l.size() - expected.size(), expected.size(), expected) == 0;
                          }),
          "a decompressor fails the frame with code 30 and the README's line");
}

// The automatic compressor passes the layers it leaves first, in their order, then the
// compressed ones; the automatic decompressor orders its frame alike.
void runCompressorOrder()
{
    const LayerMaker layers = [] {
        auto normals = std::make_shared<Hyx::DataTypeVertexNormals>();
        const float up[] = {0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
        std::copy(std::begin(up), std::end(up), normals->Allocate(4));
        return std::vector<std::shared_ptr<Hyx::DataLayer>>{somePositions().front(), normals,
                                                            rgbOf(MakeTextureFrame(0, 8, 8))};
    };
    const auto typesOf = [](const std::shared_ptr<Hyx::Atom>& frame) {
        std::vector<VornCommon::Guid> types;
        for (const auto& layer : frame ? frame->GetAllDataLayers() : std::vector<std::shared_ptr<Hyx::DataLayer>>())
            types.push_back(layer->TypeGuid());
        return types;
    };
    const VornCommon::Guid info = Hyx::DataTypeStreamInfo::TheTypeGuid(),
                           positions = Hyx::DataTypeVertexPositions::TheTypeGuid(),
                           normals = Hyx::DataTypeVertexNormals::TheTypeGuid(),
                           rgb = Hyx::DataTypeTextureRGB::TheTypeGuid(),
                           codedPositions = Hyx::DataTypeCompressedVertexPositions::TheTypeGuid(),
                           codedTexture = Hyx::DataTypeCompressedTexture::TheTypeGuid();
    const VornCommon::Guid compressor = Hyx::MutateAutoCompressor::TheTypeGuid(),
                           decompressor = Hyx::MutateAutoDecompressor::TheTypeGuid();
    const struct {
        FilterChain chain;
        std::vector<VornCommon::Guid> types;
        const char* what;
    } rows[] = {
        {{{compressor, {}}},
         {normals, info, codedPositions, codedTexture},
         "the automatic compressor passes the layers it leaves first, then the compressed ones"},
        {{{compressor, {{"Drop uncompressed input", "False"}}}},
         {positions, normals, rgb, info, codedPositions, codedTexture},
         "with \"Drop uncompressed input\" false the coded layers stay in their places"},
        {{{compressor, {}}, {decompressor, {}}},
         {normals, info, positions, rgb},
         "the automatic decompressor passes the layers it leaves first, then the decoded ones"},
    };
    for (const auto& row : rows)
        check(typesOf(throughFilters(layers, row.chain)) == row.types, row.what);
}

// Each single-type compressor's index, choice and the code its compressed layer reports, as
// the README's table rows; index 0's code is the automatic compressor's.
void runCompressionCodes()
{
    const struct {
        VornCommon::Guid compressor;
        LayerMaker layers;
        std::vector<uint8_t> codes; // by index, as the README's table gives them
    } compressors[] = {
        {Hyx::MutateVertexPositionsCompressor::TheTypeGuid(), somePositions, {1, 2}},
        {Hyx::MutateVertexTextureUVsCompressor::TheTypeGuid(), someUVs, {128, 129}},
        {Hyx::MutateVertexIndicesCompressor::TheTypeGuid(), someIndices, {128, 129}},
    };
    for (const auto& compressor : compressors) {
        const Hyx::SharedFilterPtr filter = Hyx::FilterFactory::CreateFilter(compressor.compressor, {}, {});
        const auto choice =
            filter ? std::dynamic_pointer_cast<Hyx::FilterParamEnumIndexed>(filter->getParameterByName("Compression"))
                   : nullptr;
        if (!choice) {
            check(false, "a single-type compressor has \"Compression\"");
            continue;
        }
        const std::string name = filter->GetFilterClassInfo().GetClassName().StdString();
        check(choice->GetEnumStrings().size() == compressor.codes.size(), "each choice has its code in the README");
        for (size_t index = 0; index < choice->GetEnumStrings().size(); ++index) {
            const auto frame =
                throughFilters(compressor.layers, {{compressor.compressor, {{"Compression", std::to_string(index)}}}});
            const auto blob = compressedOf(frame);
            const int code = blob ? blob->GetCompressionType() : -1;
            check(index < compressor.codes.size() && code == compressor.codes[index],
                  "the compressed layer reports the README's code");
            choice->SetValueAsString(std::to_string(index).c_str());
            check(choice->GetValue() == code, "the parameter's GetValue gives the same code");
            quote("| `" + name + "` | " + std::to_string(index) + " | \"" + choice->GetEnumStrings()[index] + "\" | " +
                  std::to_string(code) + " |");
            if (index == 0) {
                const auto automatic =
                    compressedOf(throughFilters(compressor.layers, {{Hyx::MutateAutoCompressor::TheTypeGuid(), {}}}));
                check(automatic && automatic->GetCompressionType() == code,
                      "the automatic compressor uses the code of index 0");
            }
        }
    }
}

// Decoded positions compress again: in a graph (compressor -> decompressor -> compressor)
// without a line, and directly, the second decode within one step plus two float spacings
// (at the widened box's largest bound or extent) per axis of the first.
void runTranscoding(const std::shared_ptr<VornCommon::Logger>& logger)
{
    const struct {
        int index;
        uint8_t code;
        float steps[3]; // per axis: 2^bits
    } codes[] = {{0, 1, {65536.0f, 65536.0f, 65536.0f}}, {1, 2, {2048.0f, 2048.0f, 1024.0f}}};
    for (const auto& code : codes) {
        CapturedLog log(logger);
        const std::map<std::string, std::string> choice = {{"Compression", std::to_string(code.index)}};
        const auto frame =
            throughFilters(somePositions, {{Hyx::MutateVertexPositionsCompressor::TheTypeGuid(), choice},
                                           {Hyx::MutateVertexPositionsDecompressor::TheTypeGuid(), {}},
                                           {Hyx::MutateVertexPositionsCompressor::TheTypeGuid(), choice}});
        const auto coded = std::dynamic_pointer_cast<Hyx::DataTypeCompressedVertexPositions>(compressedOf(frame));
        check(coded && coded->GetCompressionType() == code.code && log.Count() == 0,
              "a transcoding chain delivers compressed positions without a line");

        const auto plain = std::static_pointer_cast<Hyx::DataTypeVertexPositions>(somePositions().front());
        auto once = std::make_shared<Hyx::DataTypeCompressedVertexPositions>();
        auto twice = std::make_shared<Hyx::DataTypeCompressedVertexPositions>();
        std::shared_ptr<Hyx::DataTypeVertexPositions> first, second;
        try {
            if (once->compress(plain, code.code))
                first = std::dynamic_pointer_cast<Hyx::DataTypeVertexPositions>(once->decompress());
            if (first && twice->compress(first, code.code))
                second = std::dynamic_pointer_cast<Hyx::DataTypeVertexPositions>(twice->decompress());
        } catch (const std::exception& e) {
            check(false, e.what());
        }
        bool near = first && second && second->GetNumVertices() == first->GetNumVertices();
        const float* box = plain->GetBoundingBox();
        bool inside = first != nullptr;
        for (uint32_t i = 0; inside && i < first->GetNumVertices() * 3; ++i) {
            const int axis = int(i % 3);
            inside = first->GetVertexPositions()[i] >= box[axis] - 0.001f &&
                     first->GetVertexPositions()[i] <= box[axis + 3] + 0.001f;
        }
        check(inside, "decoded points lie inside the box widened by 0.001 on each side");
        for (uint32_t i = 0; near && i < first->GetNumVertices() * 3; ++i) {
            const int axis = int(i % 3);
            const float lo = box[axis] - 0.001f, hi = box[axis + 3] + 0.001f;
            const float step = (hi - lo) / code.steps[axis];
            const float v = std::max({std::fabs(lo), std::fabs(hi), hi - lo});
            const float spacing = std::nextafter(v, INFINITY) - v;
            near = std::fabs(first->GetVertexPositions()[i] - second->GetVertexPositions()[i]) <= step + 2 * spacing;
        }
        check(near, "decoded positions compress again, and decode within one step plus two float spacings per axis");
    }
}

// A compression that fails with "Drop uncompressed input" on: a keeper that keeps the
// compressed layer keeps the plain stand-in, a dropper that drops it drops it, whatever else
// the frame holds.
void runStandIns(const std::shared_ptr<VornCommon::Logger>& logger)
{
    // Positions outside their box: they cannot be compressed.
    const auto outside = [] {
        auto layers = somePositions();
        std::static_pointer_cast<Hyx::DataTypeVertexPositions>(layers.front())->GetVertexPositions()[0] = 100.0f;
        return layers;
    };
    const auto outsideAndUVs = [&] {
        auto layers = outside();
        layers.push_back(someUVs().front());
        return layers;
    };
    const std::string compressedForm = "{VORN4D/CompressedVertexPositions/VertexPositions}";
    for (const LayerMaker& layers : {LayerMaker(outside), LayerMaker(outsideAndUVs)}) {
        for (const bool keeper : {true, false}) {
            CapturedLog log(logger);
            const auto selection =
                keeper ? Hyx::MutateDataLayersKeeper::TheTypeGuid() : Hyx::MutateDataLayersDropper::TheTypeGuid();
            const auto frame =
                throughFilters(layers, {{Hyx::MutateVertexPositionsCompressor::TheTypeGuid(), {}},
                                        {selection, {{(keeper ? "Keep " : "Drop ") + compressedForm, "True"}}}});
            const bool hasPlain =
                frame && frame->GetDataLayerByType(Hyx::DataTypeVertexPositions::TheTypeGuid(), false);
            check(frame && hasPlain == keeper && !compressedOf(frame),
                  "the plain stand-in follows the compressed layer's switch, in a keeper and a dropper");
            check(log.At(VornCommon::LogLevel::Error).size() == 1, "the failed compression logs one line");
        }
    }
}

// A compressed layer whose stored code or depth byte was changed, loaded again.
template <class Coded>
std::shared_ptr<Coded> recoded(const std::shared_ptr<Coded>& coded, uint8_t code, int byte = -1, uint8_t value = 0)
{
    uint32_t size = 0;
    const uint8_t* data = coded->Serialize(size);
    std::vector<uint8_t> bytes(data, data + size);
    if (byte >= 0 && size_t(byte) < bytes.size())
        bytes[size_t(byte)] = value;
    auto layer = std::make_shared<Coded>();
    layer->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D, coded->GetVersion());
    layer->InitializeCompressionInfo(coded->GetCompressedBlobTypeGuid(), coded->GetCompressedBlobVersion(),
                                     coded->GetCompressionType());
    const bool loaded = layer->InitializeData(bytes.data(), uint32_t(bytes.size()));
    layer->InitializeCompressionInfo(coded->GetCompressedBlobTypeGuid(), coded->GetCompressedBlobVersion(), code);
    return loaded ? layer : nullptr;
}

// A layer of the class of `coded` loaded from its payload, changed by `change`, with the stored
// type and code given.
template <class Coded>
std::shared_ptr<Coded> reloadedAs(const std::shared_ptr<Coded>& coded,
                                  const std::function<void(std::vector<uint8_t>&)>& change,
                                  const VornCommon::Guid& type, uint8_t code)
{
    uint32_t size = 0;
    const uint8_t* data = coded->Serialize(size);
    std::vector<uint8_t> bytes(data, data + size);
    change(bytes);
    auto layer = std::make_shared<Coded>();
    layer->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D, coded->GetVersion());
    layer->InitializeCompressionInfo(type, coded->GetCompressedBlobVersion(), code);
    layer->InitializeData(bytes.data(), uint32_t(bytes.size()));
    return layer;
}

// What decompress throws: std::invalid_argument for a code, a texture format or a depth its class
// does not know, std::runtime_error for bytes that do not hold what the code needs, for a layer
// that never loaded a payload and for stored fields it cannot decode into.
void runDecompressExceptions()
{
    auto indices = std::make_shared<Hyx::DataTypeCompressedVertexIndices>();
    indices->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    auto rgb = std::make_shared<Hyx::DataTypeTextureRGB>();
    rgb->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    std::fill_n(rgb->AllocateTexture(8, 8), 8 * 8 * 3, uint8_t(90));
    auto texture = std::make_shared<Hyx::DataTypeCompressedTexture>();
    texture->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    auto ir = std::make_shared<Hyx::DataTypeTextureIR>();
    ir->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    std::fill_n(ir->AllocateTexture(8, 8), 8 * 8, uint8_t(7));
    auto irCoded = std::make_shared<Hyx::DataTypeCompressedTexture>();
    irCoded->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    auto bloscIndices = std::make_shared<Hyx::DataTypeCompressedVertexIndices>();
    bloscIndices->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    auto jpeg = std::make_shared<Hyx::DataTypeCompressedTexture>();
    jpeg->InitializeHeader(Hyx::HYXPurposeGuids::VORN4D);
    check(indices->compress(someIndices().front(), 128) && texture->compress(rgb, 2) && irCoded->compress(ir, 2) &&
              bloscIndices->compress(someIndices().front(), 2) && jpeg->compress(rgb, 130),
          "the layers compress");
    const auto keep = [](std::vector<uint8_t>&) {};
    const auto cutTo = [](size_t size) { return [size](std::vector<uint8_t>& bytes) { bytes.resize(size); }; };
    const VornCommon::Guid indicesType = Hyx::DataTypeVertexIndices::TheTypeGuid();
    const VornCommon::Guid rgbType = Hyx::DataTypeTextureRGB::TheTypeGuid();
    const auto thrownBy = [](const std::shared_ptr<Hyx::DataTypeCompressedBlob>& layer) {
        if (!layer)
            return std::string("not loaded");
        try {
            layer->decompress();
        } catch (const std::invalid_argument& e) {
            return std::string("invalid_argument: ") + e.what();
        } catch (const std::runtime_error& e) {
            return std::string("runtime_error: ") + e.what();
        }
        return std::string("nothing");
    };
    const struct {
        std::shared_ptr<Hyx::DataTypeCompressedBlob> layer;
        std::string type, text;
    } cases[] = {
        {recoded(indices, 200), "invalid_argument: ", "DataTypeCompressedIndices Indices Compression not supported!"},
        {recoded(indices, 4), "invalid_argument: ", "DataTypeCompressedIndices Indices Compression not supported!"},
        {recoded(texture, 4), "invalid_argument: ", "compression type is not supported!"},
        {recoded(texture, 200), "invalid_argument: ", "compression type is not supported!"},
        // The depth byte follows width, height, the coded width and height and the format.
        {recoded(irCoded, 2, 9, 7), "invalid_argument: ", "Texture depth not supported!"},
        // The plain size a Blosc stream states, after the texture's ten header bytes.
        {recoded(texture, 2, 14, 0x55),
         "runtime_error: ", "uncompressed size stored in buffer differs from the expected size"},
        // The format byte and stored type of a 24-bit HSL texture, a format with no coding.
        {reloadedAs(
             texture, [](std::vector<uint8_t>& bytes) { bytes.at(8) = uint8_t(Hyx::TextureFormat::HSL24); },
             Hyx::DataTypeTextureHSL24::TheTypeGuid(), 2),
         "invalid_argument: ", "Texture format not supported."},
        {std::make_shared<Hyx::DataTypeCompressedVertexIndices>(),
         "runtime_error: ", "compressed data does not have the expected size"},
        {std::make_shared<Hyx::DataTypeCompressedTexture>(),
         "runtime_error: ", "compressed data does not have the expected size"},
        {reloadedAs(bloscIndices, cutTo(4), indicesType, 2), "runtime_error: ", "compressed data missing"},
        {reloadedAs(jpeg, cutTo(10), rgbType, 130), "runtime_error: ", "compressed data missing"},
        {reloadedAs(indices, keep, Hyx::DataTypeVertexNormals::TheTypeGuid(), 128),
         "runtime_error: ", "compressed layer names a type it cannot decode into"},
        {reloadedAs(jpeg, keep, Hyx::DataTypeTextureBGR::TheTypeGuid(), 130),
         "runtime_error: ", "compressed texture format differs from its class"},
        // A texture's payload shorter than its header loads, the fields it lacks read as 0,
        // but decodes into nothing, also where those zeros name an empty YUV_NVX texture.
        {reloadedAs(jpeg, cutTo(4), rgbType, 130),
         "runtime_error: ", "compressed data does not have the expected size"},
        {reloadedAs(jpeg, cutTo(6), Hyx::DataTypeTextureYUV_NVX::TheTypeGuid(), 128),
         "runtime_error: ", "compressed data does not have the expected size"},
    };
    for (const auto& c : cases) {
        const std::string thrown = thrownBy(c.layer);
        check(thrown.rfind(c.type + c.text, 0) == 0, "decompress throws the README's exception");
        quote(c.text);
    }
}

} // namespace
