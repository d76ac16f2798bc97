#pragma once

// Layer classes for atom stream tests and the stream fuzz target: one plain and one
// compressed class registered with the factory, plus GUIDs that no class has.
//
// - StreamTestPlainLayer: class version 1; accepts payload versions 0 and 1; refuses a
//   payload whose first byte is 0xEE (a malformed body).
// - StreamTestCompressedLayer: class version 0; accepts payload version 0 only; refuses a
//   payload when the compression type is 0xEE.

#include <Hyx/DataLayer.h>
#include <Hyx/DataLayerFactory.h>
#include <Hyx/DataTypeCompressedBlob.h>

#include <VornCommon/Guid.h>

#include <cstring>
#include <memory>
#include <vector>

namespace HyxTest {

inline VornCommon::Guid TestGuid(const char* text)
{
    return VornCommon::Guid::FromHexString(text);
}

inline VornCommon::Guid StreamTestPlainType()
{
    return TestGuid("A1B2C3D4-0001-4000-8000-00000000A001");
}
inline VornCommon::Guid StreamTestCompressedType()
{
    return TestGuid("A1B2C3D4-0002-4000-8000-00000000A002");
}
inline VornCommon::Guid StreamTestUnknownType()
{
    return TestGuid("A1B2C3D4-0003-4000-8000-00000000A003");
}
inline VornCommon::Guid StreamTestUnknownCompressedType()
{
    return TestGuid("A1B2C3D4-0004-4000-8000-00000000A004");
}
inline VornCommon::Guid StreamTestPurpose()
{
    return TestGuid("A1B2C3D4-0005-4000-8000-00000000A005");
}

/// Loads the bytes as the layer's payload, at its current payload version.
inline void SetPayload(Hyx::DataLayer& layer, const std::vector<uint8_t>& bytes)
{
    uint8_t* data = layer.AllocateData(static_cast<uint32_t>(bytes.size()));
    if (!bytes.empty())
        std::memcpy(data, bytes.data(), bytes.size());
    layer.InitializeData(data, static_cast<uint32_t>(bytes.size()));
}

class StreamTestPlainLayer : public Hyx::DataLayer {
public:
    StreamTestPlainLayer() : DataLayer(1) {}
    VornCommon::Guid TypeGuid() const override { return StreamTestPlainType(); }
    Hyx::DataLayerClassInfo GetDataLayerClassInfo() const override
    {
        return Hyx::DataLayerClassInfo(VornCommon::String("StreamTestPlainLayer"));
    }

protected:
    bool deserializeAndMigrate(uint8_t* data, uint32_t size) override
    {
        if (_payloadVersion > 1)
            return false;
        return size == 0 || data[0] != 0xEE;
    }
};

class StreamTestCompressedLayer : public Hyx::DataTypeCompressedBlob {
public:
    StreamTestCompressedLayer() : DataTypeCompressedBlob(0) {}
    VornCommon::Guid TypeGuid() const override { return StreamTestCompressedType(); }
    Hyx::DataLayerClassInfo GetDataLayerClassInfo() const override
    {
        return Hyx::DataLayerClassInfo(VornCommon::String("StreamTestCompressedLayer"));
    }

protected:
    bool deserializeAndMigrate(uint8_t*, uint32_t) override
    {
        return _payloadVersion == 0 && GetCompressionType() != 0xEE;
    }
};

/// Registers both classes once per process.
inline void RegisterStreamTestLayers()
{
    static const bool registered = [] {
        Hyx::DataLayerFactory::RegisterDataLayerClass(
            StreamTestPlainType(), Hyx::DataLayerClassInfo(VornCommon::String("StreamTestPlainLayer")),
            []() -> Hyx::DataLayer* { return new StreamTestPlainLayer(); });
        Hyx::DataLayerFactory::RegisterDataLayerClass(
            StreamTestCompressedType(), Hyx::DataLayerClassInfo(VornCommon::String("StreamTestCompressedLayer")),
            []() -> Hyx::DataLayer* { return new StreamTestCompressedLayer(); });
        return true;
    }();
    (void)registered;
}

/// A layer of class L (registered) with the test purpose, at its class version, holding the
/// payload.
template <class L>
std::shared_ptr<L> StreamTestLayer(const std::vector<uint8_t>& payload)
{
    RegisterStreamTestLayers();
    auto layer = std::make_shared<L>();
    layer->InitializeHeader(StreamTestPurpose());
    SetPayload(*layer, payload);
    return layer;
}

} // namespace HyxTest
