#pragma once

// Small data layers for the core tests: any type GUID, no payload rules.

#include <Hyx/DataLayer.h>
#include <Hyx/DataTypeCompressedBlob.h>

class TestLayer : public Hyx::DataLayer {
public:
    explicit TestLayer(const VornCommon::Guid& type, const VornCommon::Guid& purpose = {}) : DataLayer(1), _type(type)
    {
        InitializeHeader(purpose);
    }
    VornCommon::Guid TypeGuid() const override { return _type; }
    Hyx::DataLayerClassInfo GetDataLayerClassInfo() const override { return Hyx::DataLayerClassInfo("DataTypeTest"); }

protected:
    bool deserializeAndMigrate(uint8_t*, uint32_t) override { return true; }

private:
    VornCommon::Guid _type;
};

class TestCompressedLayer : public Hyx::DataTypeCompressedBlob {
public:
    explicit TestCompressedLayer(const VornCommon::Guid& type) : _type(type) {}
    VornCommon::Guid TypeGuid() const override { return _type; }
    Hyx::DataLayerClassInfo GetDataLayerClassInfo() const override
    {
        return Hyx::DataLayerClassInfo("DataTypeTestCompressed");
    }
    using DataTypeCompressedBlob::GetCompressionTypeAsString;

protected:
    bool deserializeAndMigrate(uint8_t*, uint32_t) override { return true; }

private:
    VornCommon::Guid _type;
};
